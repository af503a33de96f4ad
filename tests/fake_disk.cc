#include "fake_disk.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <new>

namespace pdfindex {

namespace {

std::string Normal(std::string path) {
  while (!path.empty() && path.back() == '/') path.pop_back();
  return path;
}

std::string Parent(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

// Runs with several threads list and read from them at once.
std::mutex& ReadMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

// Holds its bytes apart from the disk's files until committed.
class FakePendingFile : public PendingFile {
 public:
  FakePendingFile(FakeDisk* disk, std::string target) : disk_(disk), target_(std::move(target)) {
    ++disk_->pending_;
  }
  ~FakePendingFile() override { --disk_->pending_; }
  FakePendingFile(const FakePendingFile&) = delete;
  FakePendingFile& operator=(const FakePendingFile&) = delete;

  Status Write(std::string_view bytes) override {
    if (disk_->writes_before_failure >= 0 && disk_->writes_++ >= disk_->writes_before_failure) {
      return disk_->write_error.At(target_);
    }
    bytes_.append(bytes);
    return Status::Ok();
  }
  Status Finish() override { return Status::Ok(); }
  Status Ready() override {
    const auto failure = disk_->ready_failures_.find(target_);
    return failure == disk_->ready_failures_.end() ? Status::Ok() : failure->second.At(target_);
  }
  Status Commit() override {
    if (WritesThrough()) {
      if (!disk_->device_error.ok()) return disk_->device_error.At(target_);
      disk_->device_output[target_] += bytes_;
      return Status::Ok();
    }
    if (Status e = Ready(); !e.ok()) return e;
    if (!disk_->commit_error.ok()) return disk_->commit_error.At(target_);
    disk_->files_[target_] = std::move(bytes_);
    return Status::Ok();
  }
  bool WritesThrough() const override { return disk_->devices_.count(target_) > 0; }

 private:
  FakeDisk* disk_;
  std::string target_;
  std::string bytes_;
};

void FakeDisk::AddFolder(const std::string& path) {
  for (std::string p = Normal(path); !p.empty(); p = Parent(p)) folders_.insert(p);
}

void FakeDisk::AddFile(const std::string& path, const std::string& bytes) {
  AddFolder(Parent(path));
  files_[path] = bytes;
}

void FakeDisk::AddRealFiles(const std::string& real_root, const std::string& folder) {
  namespace fs = std::filesystem;
  for (const auto& file : fs::recursive_directory_iterator(fs::path(real_root) / folder)) {
    if (!file.is_regular_file()) continue;
    std::ifstream in(file.path(), std::ios::binary);
    AddFile(fs::relative(file.path(), real_root).generic_string(),
            std::string(std::istreambuf_iterator<char>(in), {}));
  }
}

void FakeDisk::AddUnopenable(const std::string& path) {
  AddFolder(Parent(path));
  unopenable_.insert(path);
}

std::string FakeDisk::Contents(const std::string& path) const {
  const auto it = files_.find(path);
  return it == files_.end() ? "" : it->second;
}

Status FakeDisk::ListFolder(const std::string& path, std::vector<FolderEntry>* out) {
  const std::lock_guard<std::mutex> lock(ReadMutex());
  out->clear();
  if (const auto f = list_failures_.find(path); f != list_failures_.end()) {
    return f->second.At(path).During("list");
  }
  const std::string folder = Normal(path);
  std::vector<FolderEntry>& entries = *out;
  auto child = [&](const std::string& p) { return p != folder && Parent(p) == folder; };
  for (const std::string& p : folders_) {
    if (child(p)) entries.push_back({p.substr(folder.empty() ? 0 : folder.size() + 1), true});
  }
  for (const auto& [p, bytes] : files_) {
    if (child(p)) entries.push_back({p.substr(folder.empty() ? 0 : folder.size() + 1), false});
  }
  for (const std::string& p : unopenable_) {
    if (child(p)) entries.push_back({p.substr(folder.empty() ? 0 : folder.size() + 1), false});
  }
  return Status::Ok();
}

PageRead FakeDisk::ReadPage(const std::string& path, std::string* bytes, Status* error) {
  const std::lock_guard<std::mutex> lock(ReadMutex());
  ++reads_[path];
  const auto it = files_.find(path);
  if (it == files_.end() || vanished_.count(path) > 0) return PageRead::kCannotOpen;
  if (memory_hogs_.count(path) > 0) throw std::bad_alloc();
  if (const auto f = read_failures_.find(path); f != read_failures_.end()) {
    *error = f->second;
    return PageRead::kFailed;
  }
  *bytes = it->second;
  return PageRead::kRead;
}

Status FakeDisk::CreatePending(const std::string& target, std::unique_ptr<PendingFile>* file) {
  if (!create_error.ok()) return create_error.At(target);
  *file = std::make_unique<FakePendingFile>(this, target);
  return Status::Ok();
}

}  // namespace pdfindex
