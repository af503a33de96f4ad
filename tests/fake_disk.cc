#include "fake_disk.h"

#include <filesystem>
#include <fstream>
#include <iterator>

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

}  // namespace

class FakeOutputFile : public OutputFile {
 public:
  FakeOutputFile(FakeDisk* disk, std::string path) : disk_(disk), path_(std::move(path)) {}
  Status Write(std::string_view bytes) override {
    if (disk_->writes_before_failure >= 0 && disk_->writes_++ >= disk_->writes_before_failure) {
      return disk_->write_error;
    }
    disk_->files_[path_].append(bytes);
    return Status::Ok();
  }
  Status Close() override { return Status::Ok(); }

 private:
  FakeDisk* disk_;
  std::string path_;
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

std::vector<FolderEntry> FakeDisk::ListFolder(const std::string& path) {
  const std::string folder = Normal(path);
  std::vector<FolderEntry> entries;
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
  return entries;
}

PageRead FakeDisk::ReadPage(const std::string& path, std::string* bytes, Status* error) {
  ++reads_[path];
  const auto it = files_.find(path);
  if (it == files_.end() || vanished_.count(path) > 0) return PageRead::kCannotOpen;
  if (const auto f = read_failures_.find(path); f != read_failures_.end()) {
    *error = f->second;
    return PageRead::kFailed;
  }
  *bytes = it->second;
  return PageRead::kRead;
}

Status FakeDisk::CreateOutput(const std::string& path, std::unique_ptr<OutputFile>* file) {
  if (!create_error.ok()) return create_error;
  files_[path].clear();
  *file = std::make_unique<FakeOutputFile>(this, path);
  return Status::Ok();
}

Status FakeDisk::Rename(const std::string& from, const std::string& to) {
  if (!rename_error.ok()) return rename_error;
  files_[to] = files_[from];
  files_.erase(from);
  return Status::Ok();
}

}  // namespace pdfindex
