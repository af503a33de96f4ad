// The one way the catalogue reaches the file system and the console, so that
// tests can run it on an in-memory archive and inject failures.
#ifndef PDFINDEX_CATALOGUE_DISK_H_
#define PDFINDEX_CATALOGUE_DISK_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/sink.h"
#include "catalogue/status.h"

namespace pdfindex {

/// One entry of a folder listing.
struct FolderEntry {
  std::string name;
  /// A folder, or a symbolic link to one.
  bool is_folder = false;
};

/// What became of reading a page.
enum class PageRead {
  kRead,        ///< the bytes were read
  kCannotOpen,  ///< no such page, or not a regular file, or not openable
  kFailed,      ///< opened, but reading it failed
};

/// A new file written for a target path. Nothing at the target changes
/// until Commit; a file dropped without Commit leaves nothing behind.
class PendingFile : public ByteSink {
 public:
  /// Writes out what is buffered and makes the bytes durable.
  virtual Status Finish() = 0;
  /// Puts the finished file in place of its target at once.
  virtual Status Commit() = 0;
};

/// Paths are relative to the archive root and use "/"; "" is the root.
class Disk {
 public:
  virtual ~Disk() = default;
  /// The entries of folder `path` other than "." and "..", in any order; a
  /// folder that cannot be listed lists as empty.
  virtual std::vector<FolderEntry> ListFolder(const std::string& path) = 0;
  /// Reads the whole page at `path` into *bytes without ever blocking; only
  /// a regular file can be opened. *error is set when kFailed.
  virtual PageRead ReadPage(const std::string& path, std::string* bytes, Status* error) = 0;
  /// Starts a new file that replaces the file at `target` when committed.
  virtual Status CreatePending(const std::string& target, std::unique_ptr<PendingFile>* file) = 0;
  /// The process's standard output, for an output written there.
  virtual ByteSink& StandardOutput() = 0;
};

/// The console the run talks to when a ScienceDirect page cannot be opened.
class Console {
 public:
  virtual ~Console() = default;
  /// Writes `line` and a carriage return and line feed to standard output.
  virtual void WriteLine(std::string_view line) = 0;
  /// Reads and drops one line of standard input; end of input is no error.
  virtual void ReadLine() = 0;
  /// Waits for the user to go on after the page at `page_path` could not be
  /// opened: reads and drops one line of standard input.
  virtual void AwaitEnter(std::string_view /*page_path*/) { ReadLine(); }
};

/// The real file system, relative to the current directory.
class RealDisk : public Disk {
 public:
  std::vector<FolderEntry> ListFolder(const std::string& path) override;
  PageRead ReadPage(const std::string& path, std::string* bytes, Status* error) override;
  Status CreatePending(const std::string& target, std::unique_ptr<PendingFile>* file) override;
  ByteSink& StandardOutput() override;

 private:
  /// Writes to the process's standard output.
  class Stdout : public ByteSink {
   public:
    Status Write(std::string_view bytes) override;
  };
  Stdout stdout_;
};

/// The process's standard output and standard input.
class RealConsole : public Console {
 public:
  void WriteLine(std::string_view line) override;
  void ReadLine() override;
  /// When standard input is a terminal, first says on standard error which
  /// page could not be opened and that Enter goes on.
  void AwaitEnter(std::string_view page_path) override;
};

}  // namespace pdfindex

#endif  // PDFINDEX_CATALOGUE_DISK_H_
