// The one way the catalogue reaches the file system and the console, so that
// tests can run it on an in-memory archive and inject failures.
#ifndef PDFINDEX_CATALOGUE_DISK_H_
#define PDFINDEX_CATALOGUE_DISK_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
  kRead,         ///< the bytes were read
  kCannotOpen,   ///< no such page, or not a regular file, or not openable
  kFailed,       ///< opened, but reading it failed
};

/// A file being written; Close() makes the bytes written durable.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  /// Appends `bytes`.
  virtual Status Write(std::string_view bytes) = 0;
  /// Writes out what is buffered and closes the file.
  virtual Status Close() = 0;
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
  /// Creates (or truncates) the file at `path` for writing.
  virtual Status CreateOutput(const std::string& path, std::unique_ptr<OutputFile>* file) = 0;
  /// Renames `from` over `to`, replacing it at once.
  virtual Status Rename(const std::string& from, const std::string& to) = 0;
  /// Removes the file at `path`, if it is there.
  virtual void Remove(const std::string& path) = 0;
};

/// The console the ScienceDirect title reader talks to.
class Console {
 public:
  virtual ~Console() = default;
  /// Writes `line` and a carriage return and line feed to standard output.
  virtual void WriteLine(std::string_view line) = 0;
  /// Reads and drops one line of standard input; end of input is no error.
  virtual void ReadLine() = 0;
};

/// The real file system, relative to the current directory.
class RealDisk : public Disk {
 public:
  std::vector<FolderEntry> ListFolder(const std::string& path) override;
  PageRead ReadPage(const std::string& path, std::string* bytes, Status* error) override;
  Status CreateOutput(const std::string& path, std::unique_ptr<OutputFile>* file) override;
  Status Rename(const std::string& from, const std::string& to) override;
  void Remove(const std::string& path) override;
};

/// The process's standard output and standard input.
class RealConsole : public Console {
 public:
  void WriteLine(std::string_view line) override;
  void ReadLine() override;
};

}  // namespace pdfindex

#endif  // PDFINDEX_CATALOGUE_DISK_H_
