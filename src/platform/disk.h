// The one way the catalogue reaches the file system and the console, so that
// tests can run it on an in-memory archive and inject failures.
#ifndef PDFINDEX_PLATFORM_DISK_H_
#define PDFINDEX_PLATFORM_DISK_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/large_buffer.h"
#include "core/sink.h"
#include "core/status.h"

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
  kCannotOpen,  ///< no such page, not a regular file, not openable, or too big
  kFailed,      ///< opened, but reading it failed
};

/// The largest page read, 1 GiB: a page beyond it counts as one that cannot
/// be opened, so that one page never takes the memory of the whole run.
inline constexpr std::uint64_t kMaxPageBytes = std::uint64_t{1} << 30;

/// How much of a file's start and of its end FileIdentityHash reads.
inline constexpr std::uint64_t kIdentityBytes = std::uint64_t{64} * 1024;

/// The hash of a file of `size` bytes whose first and last kIdentityBytes
/// are `head` and `tail` (both the whole file when it is shorter): FNV-1a
/// over the size and those bytes. A PDF's trailer at its end (its
/// identifier, its cross-reference offsets) and its header make two
/// different PDFs of one size differ here.
inline std::uint64_t FileIdentityHash(std::uint64_t size, std::string_view head,
                                      std::string_view tail) {
  std::uint64_t hash = 0xcbf29ce484222325U;
  const auto mix = [&hash](unsigned char byte) {
    hash ^= byte;
    hash *= 0x100000001b3U;
  };
  for (int i = 0; i < 8; ++i) mix(static_cast<unsigned char>(size >> (8 * i)));
  for (const char c : head) mix(static_cast<unsigned char>(c));
  for (const char c : tail) mix(static_cast<unsigned char>(c));
  return hash;
}

/// A new file written for a target path. Nothing at the target changes
/// until Commit; a file dropped without Commit leaves nothing behind.
class PendingFile : public ByteSink {
 public:
  /// Writes out what is buffered and makes the bytes durable.
  virtual Status Finish() = 0;
  /// After Finish: does every step of putting the file in place that can
  /// fail, short of the step that changes the target, and checks that the
  /// target can be replaced, so that Commit then rarely fails.
  virtual Status Ready() { return Status::Ok(); }
  /// Puts the finished file in place of its target at once.
  virtual Status Commit() = 0;
  /// True when the output is written through to what its target already is
  /// (standard output, a device, a FIFO) when committed, rather than
  /// replacing a file: such an output cannot be put in place all at once.
  virtual bool WritesThrough() const { return false; }
};

/// Paths are relative to the archive root and use "/"; "" is the root.
class Disk {
 public:
  virtual ~Disk() = default;
  /// Sets *entries to the entries of folder `path` other than "." and "..",
  /// in any order; a folder that cannot be listed leaves them empty and
  /// returns why.
  virtual Status ListFolder(const std::string& path, std::vector<FolderEntry>* entries) = 0;
  /// Reads the page at `path` into *bytes without ever blocking: as many
  /// bytes as it had when opened, and only a regular file of at most
  /// kMaxPageBytes. *error is set when kFailed.
  virtual PageRead ReadPage(const std::string& path, std::string* bytes, Status* error) = 0;
  /// ReadPage into a large buffer, for a file of megabytes read once (the
  /// metadata cache); by default ReadPage's bytes, copied.
  virtual PageRead ReadLarge(const std::string& path, LargeString* bytes, Status* error);
  /// Sets *size and *hash to the size of the regular file at `path` and
  /// FileIdentityHash of its bytes, which tells the same file under another
  /// name; by default from ReadPage's bytes.
  virtual Status FileIdentity(const std::string& path, uint64_t* size, uint64_t* hash);
  /// Starts a new file that replaces the file at `target` when committed.
  virtual Status CreatePending(const std::string& target, std::unique_ptr<PendingFile>* file) = 0;
  /// CreatePending, except that a file whose bytes turn out to be the
  /// target's leaves the target as it is when committed (its time, its
  /// identity), so that programs that watch it see no change and none of it
  /// need reach the disk; by default CreatePending.
  virtual Status CreatePendingKeptIfSame(const std::string& target,
                                         std::unique_ptr<PendingFile>* file) {
    return CreatePending(target, file);
  }
  /// The process's standard output, for an output written there.
  virtual ByteSink& StandardOutput() = 0;
};

/// The console the run talks to when a ScienceDirect page cannot be opened.
class Console {
 public:
  virtual ~Console() = default;
  /// Writes `line` and a carriage return and line feed to standard output; a
  /// line that cannot be written is dropped.
  virtual void WriteLine(std::string_view line) = 0;
  /// Reads and drops one line of standard input; end of input is no error.
  virtual void ReadLine() = 0;
  /// Waits for the user to go on after the page at `page_path` could not be
  /// opened: reads and drops one line of standard input.
  virtual void AwaitEnter(std::string_view /*page_path*/) { ReadLine(); }
};

/// The real file system, relative to the current directory. An output is
/// written to a file of its own that no other process can open or replace:
/// unnamed until committed where the file system allows it, else under a
/// new hidden name beside the target that is removed should a signal end
/// the run. Links are never followed when creating, and a target that is a
/// link is replaced by the file itself, which takes the permissions of the
/// file it replaces (a new file: as the umask says). A target that is no
/// regular file (a device, a FIFO, a socket), or a link of the user's or
/// the system's own to one of them or to the process's standard output or
/// error (/dev/stdout), is never replaced: the output is written through to
/// it when committed.
class RealDisk : public Disk {
 public:
  /// `unnamed_files` false always uses the named files (as where the file
  /// system cannot make unnamed ones).
  explicit RealDisk(bool unnamed_files = true) : unnamed_files_(unnamed_files) {}

  Status ListFolder(const std::string& path, std::vector<FolderEntry>* entries) override;
  PageRead ReadPage(const std::string& path, std::string* bytes, Status* error) override;
  PageRead ReadLarge(const std::string& path, LargeString* bytes, Status* error) override;
  Status FileIdentity(const std::string& path, uint64_t* size, uint64_t* hash) override;
  Status CreatePending(const std::string& target, std::unique_ptr<PendingFile>* file) override;
  Status CreatePendingKeptIfSame(const std::string& target,
                                 std::unique_ptr<PendingFile>* file) override;
  ByteSink& StandardOutput() override;

 private:
  Status Create(const std::string& target, bool keep_same, std::unique_ptr<PendingFile>* file);
  /// Writes to the process's standard output.
  class Stdout : public ByteSink {
   public:
    Status Write(std::string_view bytes) override;
  };
  Stdout stdout_;
  bool unnamed_files_;
};

/// Reads at most `size` bytes (what the file had when opened) from the open
/// descriptor `fd` into *bytes, stopping early at its end; a read that
/// would block makes it a page that cannot be opened. `path` names it in
/// *error when kFailed.
PageRead ReadOpenedPage(int fd, std::uint64_t size, const std::string& path, std::string* bytes,
                        Status* error);

/// Opens /dev/null (else the root folder, read-only) as each of standard
/// input, output and error that the process was started without (a cron
/// job's `>&-`), so that no file the run opens takes its number and gets
/// what is written there. Call before anything is opened.
void OpenClosedStandardDescriptors();

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

#endif  // PDFINDEX_PLATFORM_DISK_H_
