#include "catalogue/disk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>

namespace pdfindex {

namespace {

std::string FsPath(const std::string& path) { return path.empty() ? "." : path; }

// The temporary file of `target`: a hidden name beside it.
std::string TempPathOf(const std::string& target) {
  const size_t slash = target.rfind('/');
  const size_t name = slash == std::string::npos ? 0 : slash + 1;
  return target.substr(0, name) + "." + target.substr(name) + ".tmp";
}

class FdPendingFile : public PendingFile {
 public:
  FdPendingFile(int fd, std::string temp, std::string target)
      : fd_(fd), temp_(std::move(temp)), target_(std::move(target)) {
    buffer_.reserve(kBufferSize);
  }
  ~FdPendingFile() override {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temp_.c_str());
  }
  FdPendingFile(const FdPendingFile&) = delete;
  FdPendingFile& operator=(const FdPendingFile&) = delete;

  Status Write(std::string_view bytes) override {
    if (buffer_.size() + bytes.size() > kBufferSize) {
      if (Status e = Flush(); !e.ok()) return e;
    }
    if (bytes.size() >= kBufferSize) return WriteAll(bytes);
    buffer_.append(bytes);
    return Status::Ok();
  }

  Status Finish() override {
    Status e = Flush();
    if (e.ok() && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) {
      e = Status::FromErrno(errno, target_);
    }
    if (::close(fd_) != 0 && e.ok()) e = Status::FromErrno(errno, target_);
    fd_ = -1;
    return e;
  }

  Status Commit() override {
    if (::rename(temp_.c_str(), target_.c_str()) != 0) return Status::FromErrno(errno, target_);
    committed_ = true;
    return Status::Ok();
  }

 private:
  static constexpr size_t kBufferSize = 1 << 16;

  Status Flush() {
    Status e = WriteAll(buffer_);
    buffer_.clear();
    return e;
  }

  Status WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        return Status::FromErrno(errno, target_);
      }
      if (n == 0) return Status::Code(101, target_);
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return Status::Ok();
  }

  int fd_;
  std::string temp_;
  std::string target_;
  bool committed_ = false;
  std::string buffer_;
};

}  // namespace

std::vector<FolderEntry> RealDisk::ListFolder(const std::string& path) {
  std::vector<FolderEntry> entries;
  const std::string dir_path = FsPath(path);
  DIR* dir = ::opendir(dir_path.c_str());
  if (dir == nullptr) return entries;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    bool is_folder = entry->d_type == DT_DIR;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat st {};
      const std::string full =
          path.empty() ? name : (path.back() == '/' ? path : path + "/") + name;
      is_folder = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    entries.push_back({name, is_folder});
  }
  ::closedir(dir);
  return entries;
}

PageRead RealDisk::ReadPage(const std::string& path, std::string* bytes, Status* error) {
  bytes->clear();
  // O_NONBLOCK keeps a FIFO from blocking the open; fstat then turns away
  // everything that is not a regular file before a byte is read.
  const int fd = ::open(FsPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return PageRead::kCannotOpen;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return PageRead::kCannotOpen;
  }
  if (st.st_size > 0) bytes->reserve(static_cast<size_t>(st.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      *error = Status::FromErrno(errno);
      ::close(fd);
      bytes->clear();
      return PageRead::kFailed;
    }
    bytes->append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return PageRead::kRead;
}

Status RealDisk::CreatePending(const std::string& target, std::unique_ptr<PendingFile>* file) {
  std::string temp = TempPathOf(target);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0644);
  if (fd < 0) return Status::FromErrno(errno, target);
  *file = std::make_unique<FdPendingFile>(fd, std::move(temp), target);
  return Status::Ok();
}

ByteSink& RealDisk::StandardOutput() { return stdout_; }

Status RealDisk::Stdout::Write(std::string_view bytes) {
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
      std::fflush(stdout) != 0) {
    return Status::FromErrno(errno != 0 ? errno : EIO, "-");
  }
  return Status::Ok();
}

void RealConsole::AwaitEnter(std::string_view page_path) {
  if (::isatty(STDIN_FILENO)) {
    const std::string note =
        "pdfindex: cannot open '" + std::string(page_path) + "'; press Enter to go on\n";
    std::fwrite(note.data(), 1, note.size(), stderr);
    std::fflush(stderr);
  }
  ReadLine();
}

void RealConsole::WriteLine(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputs("\r\n", stdout);
  std::fflush(stdout);
}

void RealConsole::ReadLine() {
  for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
  }
}

}  // namespace pdfindex
