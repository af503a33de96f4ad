#include "metadata/cache.h"

#include <charconv>
#include <memory>
#include <utility>

#include "catalogue/signals.h"

namespace pdfindex {

namespace {

constexpr std::string_view kMagic = "pdfindex-cache 1\n";
constexpr std::string_view kEnd = "end";

template <typename Int>
bool ReadNumber(std::string_view* bytes, Int* value) {
  std::string token;
  if (!ReadToken(bytes, &token) || token.empty()) return false;
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), *value);
  return error == std::errc() && end == token.data() + token.size();
}

}  // namespace

bool MetadataCache::Load(Disk& disk) {
  entries_.clear();
  changed_ = false;
  std::string bytes;
  Status error;
  if (disk.ReadPage(std::string(kCacheName), &bytes, &error) != PageRead::kRead) return false;
  std::string_view rest = bytes;
  if (!rest.starts_with(kMagic)) return false;
  rest.remove_prefix(kMagic.size());
  std::map<std::string, Entry> entries;
  for (;;) {
    std::string path;
    if (!ReadToken(&rest, &path)) return false;
    if (path == kEnd) break;
    Entry entry;
    if (!ReadNumber(&rest, &entry.stamp.size) || !ReadNumber(&rest, &entry.stamp.mtime_ns) ||
        !ParseFacts(&rest, &entry.facts)) {
      return false;
    }
    entries[path] = std::move(entry);
  }
  if (!rest.empty()) return false;
  entries_ = std::move(entries);
  return true;
}

void MetadataCache::LoadInBackground(Disk& disk) {
  // The thread takes no signal: the run's own thread handles them.
  const SignalsHeld held;
  loading_ = std::async(std::launch::async, [this, &disk] { return Load(disk); }).share();
}

const PdfFacts* MetadataCache::Find(const std::string& path, const PdfStamp& stamp) {
  AwaitLoad();
  const std::lock_guard<std::mutex> lock(mutex_);
  const auto it = entries_.find(path);
  if (it == entries_.end() || !(it->second.stamp == stamp)) return nullptr;
  it->second.used = true;
  return &it->second.facts;
}

void MetadataCache::Put(const std::string& path, const PdfStamp& stamp, PdfFacts facts) {
  AwaitLoad();
  const std::lock_guard<std::mutex> lock(mutex_);
  Entry& entry = entries_[path];
  entry.stamp = stamp;
  entry.facts = std::move(facts);
  entry.used = true;
  changed_ = true;
}

Status MetadataCache::Save(Disk& disk) {
  AwaitLoad();
  // Entries of PDFs that are gone or were not looked at are dropped.
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (it->second.used) {
      ++it;
    } else {
      it = entries_.erase(it);
      changed_ = true;
    }
  }
  if (!changed_) return Status::Ok();
  std::string bytes(kMagic);
  for (const auto& [path, entry] : entries_) {
    AppendToken(path, &bytes);
    AppendToken(std::to_string(entry.stamp.size), &bytes);
    AppendToken(std::to_string(entry.stamp.mtime_ns), &bytes);
    bytes += SerializeFacts(entry.facts);
  }
  AppendToken(kEnd, &bytes);
  std::unique_ptr<PendingFile> file;
  const std::string target(kCacheName);
  if (Status e = disk.CreatePending(target, &file); !e.ok()) return e;
  if (Status e = file->Write(bytes); !e.ok()) return e;
  if (Status e = file->Finish(); !e.ok()) return e;
  if (Status e = file->Commit(); !e.ok()) return e;
  changed_ = false;
  return Status::Ok();
}

}  // namespace pdfindex
