// An in-memory archive for tests: folders, pages and PDFs, console input and
// output, injected failures, and a record of what was read.
#ifndef PDFINDEX_TESTS_FAKE_DISK_H_
#define PDFINDEX_TESTS_FAKE_DISK_H_

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/disk.h"

namespace pdfindex {

class FakeDisk : public Disk {
 public:
  /// Adds a regular file with `bytes` at `path`, creating its folders.
  void AddFile(const std::string& path, const std::string& bytes = "");
  /// Adds a folder at `path` (and its parents).
  void AddFolder(const std::string& path);
  /// Adds an entry that lists like a file but cannot be opened (a FIFO, a
  /// socket, a dangling link).
  void AddUnopenable(const std::string& path);
  /// Makes reading the file at `path` fail after it was opened.
  void FailRead(const std::string& path, Status error) { read_failures_[path] = error; }
  /// Copies every file below `real_root`/`folder` on the real disk to the
  /// same path relative to `real_root` (an example archive's folders, say).
  void AddRealFiles(const std::string& real_root, const std::string& folder);
  /// Makes listing the folder `path` (as the run names it) fail with `error`.
  void FailList(const std::string& path, Status error) { list_failures_[path] = error; }
  /// Makes reading the file at `path` run out of memory (std::bad_alloc).
  void ExhaustMemoryOn(const std::string& path) { memory_hogs_.insert(path); }
  /// Removes `path` from reads while it stays in its folder's listing.
  void Vanish(const std::string& path) { vanished_.insert(path); }

  /// Makes `path` a device: an output to it is written through when
  /// committed, to device_output[path], or fails with device_error.
  void AddDevice(const std::string& path) { devices_.insert(path); }
  std::map<std::string, std::string> device_output;
  Status device_error;
  /// Makes readying the output that replaces `path` fail with `error`.
  void FailReady(const std::string& path, Status error) { ready_failures_[path] = error; }

  /// Failures of the output side.
  Status create_error;
  Status commit_error;
  /// The write after this many successful ones fails with write_error.
  int writes_before_failure = -1;
  Status write_error = Status::Code(101);

  /// The bytes of the file at `path`; "" when there is none.
  std::string Contents(const std::string& path) const;
  bool Exists(const std::string& path) const { return files_.count(path) > 0; }
  /// How often each path was read.
  const std::map<std::string, int>& reads() const { return reads_; }

  Status ListFolder(const std::string& path, std::vector<FolderEntry>* entries) override;
  PageRead ReadPage(const std::string& path, std::string* bytes, Status* error) override;
  Status CreatePending(const std::string& target, std::unique_ptr<PendingFile>* file) override;
  ByteSink& StandardOutput() override { return standard_output_sink_; }
  /// What was written to standard output.
  std::string standard_output;
  /// Writing to standard output fails with this (when not ok).
  Status standard_output_error;

  /// Number of files created and not yet committed or dropped.
  int pending() const { return pending_; }

 private:
  friend class FakePendingFile;
  std::map<std::string, std::string> files_;
  std::set<std::string> folders_{""};
  std::set<std::string> unopenable_;
  std::set<std::string> vanished_;
  std::map<std::string, Status> read_failures_;
  std::map<std::string, Status> list_failures_;
  std::set<std::string> memory_hogs_;
  std::set<std::string> devices_;
  std::map<std::string, Status> ready_failures_;
  std::map<std::string, int> reads_;
  int writes_ = 0;
  // Appends to standard_output, or fails with standard_output_error.
  class StandardOutputSink : public ByteSink {
   public:
    explicit StandardOutputSink(FakeDisk& disk) : disk_(disk) {}
    Status Write(std::string_view bytes) override {
      if (!disk_.standard_output_error.ok()) return disk_.standard_output_error;
      disk_.standard_output.append(bytes);
      return Status::Ok();
    }

   private:
    FakeDisk& disk_;
  };
  StandardOutputSink standard_output_sink_{*this};
  int pending_ = 0;
};

/// A console with scripted input lines that records what was written.
class FakeConsole : public Console {
 public:
  void WriteLine(std::string_view line) override {
    output += line;
    output += "\r\n";
  }
  void ReadLine() override { ++lines_read; }

  std::string output;
  int lines_read = 0;
};

}  // namespace pdfindex

#endif  // PDFINDEX_TESTS_FAKE_DISK_H_
