#include "platform/disk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/signals.h"

namespace pdfindex {

namespace {

std::string FsPath(const std::string& path) { return path.empty() ? "." : path; }

// The folder part of `path` with its final "/", or "".
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

Status Failure(int err, const std::string& path, std::string_view verb) {
  return Status::FromErrno(err, path).During(verb);
}

// Closes a descriptor on every way out of a scope.
class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() { ::close(fd_); }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;

 private:
  int fd_;
};

// A hidden name beside `target` that no run has used yet, most likely: the
// target's name and random hexadecimal digits, ".HtmlData.htm.3f9a0c17e2b4".
std::string FreshNameFor(const std::string& target) {
  unsigned long long bits = 0;
  if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != sizeof bits) {
    bits = (static_cast<unsigned long long>(::getpid()) << 32) ^
           static_cast<unsigned long long>(std::time(nullptr)) ^ reinterpret_cast<uintptr_t>(&bits);
  }
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", bits);
  return FolderOf(target) + "." + NameOf(target) + "." + std::string(digits, 12);
}

// Makes what the folder `folder` (with its final "/", or "") lists durable,
// as far as the file system lets it. The output is in place by then, so a
// failure here cannot keep the earlier one, and is not one of the run.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(FsPath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Runs `work` on a thread of its own in *thread, or here and now when no
// thread can be started.
template <typename Work>
void RunAside(std::thread* thread, Work work) {
  try {
    *thread = std::thread(work);
  } catch (const std::system_error&) {
    work();
  }
}

void Join(std::thread* thread) {
  if (thread->joinable()) thread->join();
}

// Writes all of `bytes` to the descriptor `fd` of the output `target`.
Status WriteAllTo(int fd, std::string_view bytes, const std::string& target) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return Failure(errno, target, "write");
    }
    if (n == 0) return Status::Code(101, target).During("write");
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return Status::Ok();
}

// True when the file `st` describes is the one open as descriptor `fd`.
bool IsOpenAs(const struct stat& st, int fd) {
  struct stat opened {};
  return ::fstat(fd, &opened) == 0 && opened.st_dev == st.st_dev && opened.st_ino == st.st_ino;
}

// Whether the sticky folder that holds the file `st` describes keeps this
// process from replacing it: only its owner, the folder's or root may.
bool StickyFolderForbids(const std::string& target, const struct stat& st) {
  const uid_t me = ::geteuid();
  if (me == 0 || st.st_uid == me) return false;
  struct stat folder {};
  return ::stat(FsPath(FolderOf(target)).c_str(), &folder) == 0 &&
         (folder.st_mode & S_ISVTX) != 0 && folder.st_uid != me;
}

// An output written through to what its target already is (a device, a
// FIFO, the process's own standard output) when committed. Its bytes are
// held until then, so that a run that fails writes nothing there.
class ThroughFile : public PendingFile {
 public:
  ThroughFile(int fd, std::string target) : fd_(fd), target_(std::move(target)) {}
  ~ThroughFile() override { ::close(fd_); }
  ThroughFile(const ThroughFile&) = delete;
  ThroughFile& operator=(const ThroughFile&) = delete;

  Status Write(std::string_view bytes) override {
    held_.append(bytes);
    return Status::Ok();
  }
  Status Finish() override { return Status::Ok(); }
  Status Commit() override {
    Status written = WriteAllTo(fd_, held_, target_);
    std::string().swap(held_);
    return written;
  }
  bool WritesThrough() const override { return true; }

 private:
  int fd_;
  std::string target_;
  std::string held_;
};

// Opens `target` into *fd when the output is to be written through to it
// rather than replace it; leaves *fd at -1 when it is to be replaced (there
// is nothing there, a regular file, a folder, or a link that is not
// followed).
Status OpenThrough(const std::string& target, int* fd) {
  *fd = -1;
  struct stat named {};
  if (::lstat(FsPath(target).c_str(), &named) != 0) return Status::Ok();
  struct stat st = named;
  const bool link = S_ISLNK(named.st_mode);
  if (link) {
    // Only a link of the user's own or of the system's (/dev/stdout) is
    // followed: one that someone else put in an output's place must never
    // make the run write where it leads.
    if (named.st_uid != 0 && named.st_uid != ::geteuid()) return Status::Ok();
    if (::stat(target.c_str(), &st) != 0) return Status::Ok();
  }
  const int standard = IsOpenAs(st, STDOUT_FILENO)   ? STDOUT_FILENO
                       : IsOpenAs(st, STDERR_FILENO) ? STDERR_FILENO
                                                     : -1;
  // A regular file is replaced, unless a link named it as the process's own
  // output; a folder is no output at all, which replacing it says.
  if ((S_ISREG(st.st_mode) && !(link && standard >= 0)) || S_ISDIR(st.st_mode)) {
    return Status::Ok();
  }
  if (standard >= 0) {
    *fd = ::fcntl(standard, F_DUPFD_CLOEXEC, 3);
  } else {
    // O_NONBLOCK: a FIFO without a reader fails now rather than wait.
    *fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    const int flags = *fd >= 0 ? ::fcntl(*fd, F_GETFL) : -1;
    if (flags >= 0) ::fcntl(*fd, F_SETFL, flags & ~O_NONBLOCK);
  }
  if (*fd < 0) return Failure(errno, target, "write");
  return Status::Ok();
}

// Fills the `size` bytes at `into` with the bytes of `fd` from `offset`
// on: 0, or the error (EIO where the file ends first).
int ReadAllAt(int fd, off_t offset, char* into, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, into + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0 ? EIO : errno;
    done += static_cast<size_t>(n);
  }
  return 0;
}

int ReadAllAt(int fd, off_t offset, std::string* into) {
  return ReadAllAt(fd, offset, into->data(), into->size());
}

// The file at `target` open for reading when it is a regular file, else
// -1: never through a link (which an output replaces as it is), never
// waiting on a FIFO, and a device is not opened at all.
int OpenEarlier(const std::string& target) {
  struct stat st {};
  if (::lstat(FsPath(target).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  const int fd =
      ::open(FsPath(target).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// An output file open for writing: unnamed (`temp_` empty) until Ready
// links it in under a fresh name, or named from the start; either way held
// for removal on a signal while it has a name. Commit renames it over the
// target, which replaces a link at the target rather than following it.
class FdPendingFile : public PendingFile {
 public:
  // `earlier`, when not -1, is the target open for reading: the file is
  // compared with it as it is written, and one that turns out the same
  // leaves the target as it is.
  FdPendingFile(int fd, std::string target, std::string temp, int slot, int earlier = -1)
      : fd_(fd),
        target_(std::move(target)),
        temp_(std::move(temp)),
        slot_(slot),
        earlier_(earlier) {
    buffer_.reserve(kBufferSize);
    if (earlier_ >= 0 && ::fstat(earlier_, &earlier_as_opened_) != 0) {
      ::close(std::exchange(earlier_, -1));
    }
  }
  ~FdPendingFile() override {
    Join(&syncing_);
    Join(&settling_);
    if (fd_ >= 0) ::close(fd_);
    if (earlier_ >= 0) ::close(earlier_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
    ReleasePath(slot_);
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
    if (Status e = Flush(); !e.ok()) return e;
    // The same bytes and no more: the target stays, already on the disk.
    struct stat st {};
    if (earlier_ >= 0 && ::fstat(earlier_, &st) == 0 && st.st_size == written_) return Status::Ok();
    if (Status e = Differs(); !e.ok()) return e;
    // The bytes go to the disk while the other outputs finish: a run's
    // outputs wait for their disk together rather than one after the other.
    // Ready waits for them, before the file can be named.
    RunAside(&syncing_, [this] { sync_error_ = SyncError(); });
    return Status::Ok();
  }

  Status Ready() override {
    Join(&syncing_);
    if (sync_error_ != 0) return Failure(sync_error_, target_, "write");
    if (fd_ < 0 || earlier_ >= 0) return Status::Ok();
    if (temp_.empty()) {
      // The name is made and held for removal with no signal in between.
      const SignalsHeld held;
      if (Status e = LinkIn(); !e.ok()) return e;
      slot_ = HoldPath(temp_);
    }
    if (Status e = MatchTarget(); !e.ok()) return e;
    // Some file systems report a failed write only when the file is closed.
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) return Failure(errno, target_, "write");
    return Status::Ok();
  }

  Status Commit() override {
    if (earlier_ >= 0) {
      // Left as it is while the target is still the file compared with;
      // one put there meanwhile (by another run) is replaced after all.
      struct stat now {};
      struct stat then {};
      if (::lstat(target_.c_str(), &now) == 0 && ::fstat(earlier_, &then) == 0 &&
          now.st_dev == then.st_dev && now.st_ino == then.st_ino) {
        return Status::Ok();
      }
      if (Status e = Differs(); !e.ok()) return e;
      if (Status e = Sync(); !e.ok()) return e;
    }
    if (Status e = Ready(); !e.ok()) return e;
    // The file replaced, held open so that the rename does not wait while
    // the system lets go of its pages and blocks (milliseconds for a file
    // of megabytes); that is done aside, with the folder's sync, while the
    // other outputs are put in place, and waited for when this file goes.
    const int replaced = OpenEarlier(target_);
    {
      // The rename and letting go of the name are one step for a signal.
      const SignalsHeld held;
      if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        if (replaced >= 0) ::close(replaced);
        return Failure(err, target_, "replace");
      }
      committed_ = true;
      ReleasePath(slot_);
      slot_ = -1;
    }
    RunAside(&settling_, [folder = FolderOf(target_), replaced] {
      SyncFolder(folder);
      if (replaced >= 0) ::close(replaced);
    });
    return Status::Ok();
  }

 private:
  static constexpr size_t kBufferSize = 1 << 16;
  static constexpr off_t kWriteBackStep = 1 << 19;

  // Checks that the target can be replaced by a rename, and gives the file
  // the permissions and, where this process may, the owner of the regular
  // file it replaces (a user's 0600 export stays 0600, and theirs).
  Status MatchTarget() {
    struct stat st {};
    if (::lstat(target_.c_str(), &st) != 0) {
      return errno == ENOENT ? Status::Ok() : Failure(errno, target_, "replace");
    }
    if (S_ISDIR(st.st_mode)) return Failure(EISDIR, target_, "replace");
    if (!S_ISREG(st.st_mode)) return Status::Ok();
    if (StickyFolderForbids(target_, st)) return Failure(EPERM, target_, "replace");
    struct stat own {};
    if (::fstat(fd_, &own) == 0 && (own.st_uid != st.st_uid || own.st_gid != st.st_gid)) {
      // Refused where the owner may not be given away; the mode still holds.
      const int refused = ::fchown(fd_, st.st_uid, st.st_gid);
      static_cast<void>(refused);
    }
    if (::fchmod(fd_, st.st_mode & 0777) != 0) return Failure(errno, target_, "replace");
    return Status::Ok();
  }

  // Gives the unnamed file a fresh name beside the target.
  Status LinkIn() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = FreshNameFor(target_);
      int rc = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
      // Without /proc, the descriptor itself (which needs more privilege).
      if (rc != 0 && errno == ENOENT) rc = ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
      if (rc == 0) {
        temp_ = std::move(name);
        return Status::Ok();
      }
      if (errno != EEXIST) return Failure(errno, target_, "write");
    }
    return Failure(EEXIST, target_, "write");
  }

  Status Flush() {
    Status e = WriteAll(buffer_);
    buffer_.clear();
    if (e.ok()) StartWriteBack();
    return e;
  }

  // Asks the system to start putting each half megabyte written on the disk
  // while the run goes on, so that the fsync in Finish waits only for the
  // last of it. A hint: where it is not there or fails, Finish does it all.
  void StartWriteBack() {
#if defined(__linux__)
    // Nothing need reach the disk while the file may yet be dropped.
    if (earlier_ >= 0 || written_ - started_ < kWriteBackStep) return;
    ::sync_file_range(fd_, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
    started_ = written_;
#endif
  }

  Status WriteAll(std::string_view bytes) {
    // Bytes the same as the target's are only counted: a file that comes
    // out the same is never written, and one that does not takes them from
    // the target when it turns out to differ.
    if (earlier_ >= 0 && SameAsEarlier(bytes)) {
      written_ += static_cast<off_t>(bytes.size());
      return Status::Ok();
    }
    if (Status e = Differs(); !e.ok()) return e;
    if (Status e = WriteAllTo(fd_, bytes, target_); !e.ok()) return e;
    written_ += static_cast<off_t>(bytes.size());
    return Status::Ok();
  }

  // True when the target holds `bytes` where they are about to be written.
  bool SameAsEarlier(std::string_view bytes) {
    // Grown only, so that its bytes are not cleared again for every piece.
    if (compared_.size() < bytes.size()) compared_.resize(bytes.size());
    return ReadAllAt(earlier_, written_, compared_.data(), bytes.size()) == 0 &&
           bytes == std::string_view(compared_.data(), bytes.size());
  }

  // The file is no longer compared with the target, and will replace it:
  // the bytes found the same so far, which only the target holds, are
  // copied from it first.
  Status Differs() {
    if (earlier_ < 0) return Status::Ok();
    Status copied = CopySame();
    ::close(std::exchange(earlier_, -1));
    std::string().swap(compared_);
    return copied;
  }

  // Copies the first written_ bytes of the target, found the same as this
  // file's, into the file (still empty). A target written to in place since
  // it was opened (its size or time changed) fails the output rather than
  // lend it bytes this run did not make.
  Status CopySame() {
    if (written_ == 0) return Status::Ok();
    if (!EarlierAsOpened()) return ChangedMeanwhile();
    off_t from = 0;
#if defined(__linux__)
    // Within the system, where the file system lets it; the file's own
    // offset moves on with the bytes copied.
    while (from < written_) {
      const ssize_t n = ::copy_file_range(earlier_, &from, fd_, nullptr,
                                          static_cast<size_t>(written_ - from), 0);
      if (n > 0) continue;
      if (n < 0 && errno == EINTR) continue;
      if (n == 0) return ChangedMeanwhile();  // the target shrank
      if (from != 0 || (errno != EXDEV && errno != ENOSYS && errno != EINVAL &&
                        errno != EOPNOTSUPP)) {
        return Failure(errno, target_, "write");
      }
      break;
    }
#endif
    // Otherwise read and written, a buffer at a time.
    while (from < written_) {
      compared_.resize(static_cast<size_t>(std::min<off_t>(written_ - from, kBufferSize)));
      if (const int err = ReadAllAt(earlier_, from, &compared_); err != 0) {
        return Failure(err, target_, "read");
      }
      if (Status e = WriteAllTo(fd_, compared_, target_); !e.ok()) return e;
      from += static_cast<off_t>(compared_.size());
    }
    return EarlierAsOpened() ? Status::Ok() : ChangedMeanwhile();
  }

  // The failure of an output whose target was written to in place while
  // the run compared with it.
  Status ChangedMeanwhile() const {
    Status changed = Failure(EBUSY, target_, "replace");
    changed.message = "it was written to while this run compared its new bytes with it";
    return changed;
  }

  // True when the target still has the size and modification time it had
  // when opened (its change time moves when it is only renamed over).
  bool EarlierAsOpened() const {
    struct stat now {};
    const struct stat& then = earlier_as_opened_;
    return ::fstat(earlier_, &now) == 0 && now.st_size == then.st_size &&
           now.st_mtim.tv_sec == then.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == then.st_mtim.tv_nsec;
  }

  // The data is on the disk before the name can point at it.
  Status Sync() {
    const int err = SyncError();
    return err == 0 ? Status::Ok() : Failure(err, target_, "write");
  }

  // fsync's errno, or 0; a file system that cannot sync is no failure.
  int SyncError() const {
    if (::fsync(fd_) == 0 || errno == EINVAL || errno == EROFS) return 0;
    return errno;
  }


  int fd_;
  std::string target_;
  std::string temp_;
  int slot_;
  bool committed_ = false;
  std::string buffer_;
  off_t written_ = 0;  // bytes of the file so far (only counted while the target's)
  off_t started_ = 0;  // of which write-back was started for the first
  int earlier_;        // the target, while every byte so far is the same
  struct stat earlier_as_opened_ {};
  std::string compared_;  // its bytes read to compare
  std::thread syncing_;   // the fsync Finish started
  int sync_error_ = 0;    // and its errno
  std::thread settling_;  // after the rename: the folder's sync, the replaced file let go
};

}  // namespace

Status RealDisk::ListFolder(const std::string& path, std::vector<FolderEntry>* entries) {
  entries->clear();
  DIR* dir = ::opendir(FsPath(path).c_str());
  if (dir == nullptr) return Failure(errno, path, "list");
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) break;
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    bool is_folder = entry->d_type == DT_DIR;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat st {};
      const std::string full =
          path.empty() ? name : (path.back() == '/' ? path : path + "/") + name;
      is_folder = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    entries->push_back({name, is_folder});
  }
  const int err = errno;
  ::closedir(dir);
  if (err != 0) {
    entries->clear();
    return Failure(err, path, "list");
  }
  return Status::Ok();
}

namespace {

template <typename String>
PageRead ReadOpened(int fd, std::uint64_t size, const std::string& path, String* bytes,
                    Status* error) {
  bytes->assign(static_cast<size_t>(size), '\0');
  size_t got = 0;
  // A file that states no size (as the kernel's own files do) is still read
  // once, into a byte that is then dropped: a file that cannot be read is
  // told apart, but none of its bytes is taken.
  char probe = 0;
  bool probed = size != 0;
  while (got < bytes->size() || !probed) {
    char* into = got < bytes->size() ? bytes->data() + got : &probe;
    const size_t want = got < bytes->size() ? bytes->size() - got : 1;
    const ssize_t n = ::read(fd, into, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      bytes->clear();
      // Reading would wait for bytes that may never come.
      if (err == EAGAIN || err == EWOULDBLOCK) return PageRead::kCannotOpen;
      *error = Failure(err, path, "read");
      return PageRead::kFailed;
    }
    if (into == &probe) {
      probed = true;
      continue;
    }
    if (n == 0) break;  // it shrank since it was opened
    got += static_cast<size_t>(n);
  }
  bytes->resize(got);
  return PageRead::kRead;
}

template <typename String>
PageRead ReadRegularFile(const std::string& path, String* bytes, Status* error) {
  bytes->clear();
  // O_NONBLOCK keeps a FIFO from blocking the open; fstat then turns away
  // everything that is not a regular file before a byte is read.
  const int fd = ::open(FsPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return PageRead::kCannotOpen;
  const FdCloser closer(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
      static_cast<std::uint64_t>(st.st_size) > kMaxPageBytes) {
    return PageRead::kCannotOpen;
  }
  // Only the bytes it has now: a page that grows while it is read (being
  // saved, or written to without end) still ends.
  return ReadOpened(fd, static_cast<std::uint64_t>(st.st_size), path, bytes, error);
}

}  // namespace

PageRead ReadOpenedPage(int fd, std::uint64_t size, const std::string& path, std::string* bytes,
                        Status* error) {
  return ReadOpened(fd, size, path, bytes, error);
}

PageRead RealDisk::ReadPage(const std::string& path, std::string* bytes, Status* error) {
  return ReadRegularFile(path, bytes, error);
}

PageRead RealDisk::ReadLarge(const std::string& path, LargeString* bytes, Status* error) {
  return ReadRegularFile(path, bytes, error);
}

PageRead Disk::ReadLarge(const std::string& path, LargeString* bytes, Status* error) {
  std::string read;
  const PageRead result = ReadPage(path, &read, error);
  bytes->assign(read);
  return result;
}

Status Disk::FileIdentity(const std::string& path, uint64_t* size, uint64_t* hash) {
  std::string bytes;
  Status error;
  const PageRead read = ReadPage(path, &bytes, &error);
  if (read == PageRead::kFailed) return error;
  if (read == PageRead::kCannotOpen) return Status::FromErrno(ENOENT, path);
  const std::string_view all(bytes);
  const size_t part = std::min<size_t>(all.size(), kIdentityBytes);
  *size = all.size();
  *hash = FileIdentityHash(all.size(), all.substr(0, part), all.substr(all.size() - part));
  return Status::Ok();
}

Status RealDisk::FileIdentity(const std::string& path, uint64_t* size, uint64_t* hash) {
  // Never blocks on a FIFO or device: only a regular file is read.
  const int fd = ::open(FsPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return Status::FromErrno(errno, path);
  struct stat st {};
  Status result;
  if (::fstat(fd, &st) != 0) {
    result = Status::FromErrno(errno, path);
  } else if (!S_ISREG(st.st_mode)) {
    result = Status::FromErrno(EINVAL, path);
  } else {
    const auto file_size = static_cast<uint64_t>(st.st_size);
    const size_t part = static_cast<size_t>(std::min(file_size, kIdentityBytes));
    std::string head(part, '\0');
    std::string tail(part, '\0');
    int err = ReadAllAt(fd, 0, &head);
    if (err == 0) err = ReadAllAt(fd, static_cast<off_t>(file_size - part), &tail);
    if (err != 0) {
      result = Status::FromErrno(err, path);
    } else {
      *size = file_size;
      *hash = FileIdentityHash(file_size, head, tail);
    }
  }
  ::close(fd);
  return result;
}

Status RealDisk::CreatePending(const std::string& target, std::unique_ptr<PendingFile>* file) {
  return Create(target, false, file);
}

Status RealDisk::CreatePendingKeptIfSame(const std::string& target,
                                         std::unique_ptr<PendingFile>* file) {
  return Create(target, true, file);
}

Status RealDisk::Create(const std::string& target, bool keep_same,
                        std::unique_ptr<PendingFile>* file) {
  int through = -1;
  if (Status e = OpenThrough(target, &through); !e.ok()) return e;
  if (through >= 0) {
    *file = std::make_unique<ThroughFile>(through, target);
    return Status::Ok();
  }
  const std::string folder = FolderOf(target);
  // Earlier versions wrote to this fixed name; a run they left behind is
  // cleared away. unlink removes a link itself, never what it points at.
  ::unlink((folder + "." + NameOf(target) + ".tmp").c_str());
  if (unnamed_files_) {
    const int fd = ::open(FsPath(folder).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
      *file =
          std::make_unique<FdPendingFile>(fd, target, "", -1, keep_same ? OpenEarlier(target) : -1);
      return Status::Ok();
    }
    // Only a file system without unnamed files falls back to named ones.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      return Failure(errno, target, "write");
    }
  }
  // The name is made and held for removal with no signal in between.
  const SignalsHeld held;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temp = FreshNameFor(target);
    // O_EXCL with O_CREAT never follows a link; O_NOFOLLOW says so twice.
    const int fd =
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return Failure(errno, target, "write");
    }
    const int slot = HoldPath(temp);
    *file = std::make_unique<FdPendingFile>(fd, target, std::move(temp), slot,
                                            keep_same ? OpenEarlier(target) : -1);
    return Status::Ok();
  }
  return Failure(EEXIST, target, "write");
}

ByteSink& RealDisk::StandardOutput() { return stdout_; }

Status RealDisk::Stdout::Write(std::string_view bytes) {
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
      std::fflush(stdout) != 0) {
    return Status::FromErrno(errno != 0 ? errno : EIO, "-").During("write");
  }
  return Status::Ok();
}

void OpenClosedStandardDescriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    // The lowest free number: this one, as the ones below it are open.
    int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    // Where there is no /dev/null, a folder: reading and writing it fail.
    if (opened < 0) opened = ::open("/", O_RDONLY | O_DIRECTORY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
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
  std::string bytes(line);
  bytes += "\r\n";
  // Straight to the descriptor: a line the reader of standard output is no
  // longer there for is dropped, with nothing kept back to retry.
  std::string_view rest = bytes;
  while (!rest.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    rest.remove_prefix(static_cast<size_t>(n));
  }
}

void RealConsole::ReadLine() {
  for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
  }
}

}  // namespace pdfindex
