#include "metadata/cache.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/signals.h"

namespace pdfindex {

namespace {

constexpr std::string_view kMagic = "pdfindex-cache 3\n";
constexpr std::string_view kEnd = "end";

template <typename Int>
bool ReadNumber(std::string_view* bytes, Int* value) {
  std::string_view token;
  if (!ReadTokenView(bytes, &token) || token.empty()) return false;
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), *value);
  return error == std::errc() && end == token.data() + token.size();
}

}  // namespace

bool MetadataCache::Load(Disk& disk) {
  loaded_.clear();
  put_.clear();
  any_put_ = false;
  changed_ = false;
  Status error;
  const auto failed = [this] {
    loaded_.clear();
    bytes_.clear();
    return false;
  };
  if (disk.ReadLarge(std::string(kCacheName), &bytes_, &error) != PageRead::kRead) {
    return failed();
  }
  std::string_view rest(bytes_.data(), bytes_.size());
  if (!rest.starts_with(kMagic)) return failed();
  rest.remove_prefix(kMagic.size());
  // The entries are counted first, so that the table is made at its size
  // once.
  size_t count = 0;
  for (std::string_view tokens = rest, token; ReadTokenView(&tokens, &token);) ++count;
  loaded_.reserve(count / 4);
  for (;;) {
    Entry entry;
    if (!ReadTokenView(&rest, &entry.path)) return failed();
    if (entry.path == kEnd) break;
    // The facts are one token, taken apart only when looked up: loading
    // reads four tokens per PDF.
    if (!ReadNumber(&rest, &entry.stamp.size) || !ReadNumber(&rest, &entry.stamp.mtime_ns) ||
        !ReadTokenView(&rest, &entry.raw)) {
      return failed();
    }
    // Save writes each path once, in byte order; lookups rely on it.
    if (!loaded_.empty() && !(loaded_.back().path < entry.path)) return failed();
    loaded_.push_back(std::move(entry));
  }
  if (!rest.empty()) return failed();
  return true;
}

void MetadataCache::LoadInBackground(Disk& disk) {
  // The thread takes no signal: the run's own thread handles them.
  const SignalsHeld held;
  try {
    loading_ = std::async(std::launch::async, [this, &disk] { return Load(disk); }).share();
  } catch (const std::system_error&) {
    // No thread to be had: loaded on first use instead.
    loading_ = std::async(std::launch::deferred, [this, &disk] { return Load(disk); }).share();
  }
}

MetadataCache::Entry* MetadataCache::Lookup(const std::string& path, const PdfStamp& stamp) {
  AwaitLoad();
  Entry* entry = nullptr;
  if (any_put_.load(std::memory_order_acquire)) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (const auto it = put_.find(path); it != put_.end()) entry = &it->second;
  }
  if (entry == nullptr) {
    const auto it = std::lower_bound(loaded_.begin(), loaded_.end(), std::string_view(path),
                                     [](const Entry& e, std::string_view p) { return e.path < p; });
    if (it != loaded_.end() && it->path == path) entry = &*it;
  }
  if (entry == nullptr || !(entry->stamp == stamp) || entry->damaged) return nullptr;
  return entry;
}

const PdfFacts* MetadataCache::Find(const std::string& path, const PdfStamp& stamp) {
  Entry* entry = Lookup(path, stamp);
  if (entry == nullptr) return nullptr;
  if (entry->facts == nullptr) {
    // Facts that do not read are as good as none: the PDF is read again.
    auto facts = std::make_unique<PdfFacts>();
    std::string_view raw = entry->raw;
    if (!ParseFacts(&raw, facts.get()) || !raw.empty()) {
      entry->damaged = true;
      return nullptr;
    }
    entry->outcome = facts->outcome;
    entry->facts = std::move(facts);
  }
  entry->used = true;
  return entry->facts.get();
}

bool MetadataCache::Knows(const std::string& path, const PdfStamp& stamp, PdfOutcome* outcome) {
  Entry* entry = Lookup(path, stamp);
  if (entry == nullptr) return false;
  if (entry->facts == nullptr && !FactsOutcome(entry->raw, &entry->outcome)) {
    entry->damaged = true;
    return false;
  }
  entry->used = true;
  *outcome = entry->outcome;
  return true;
}

void MetadataCache::Put(const std::string& path, const PdfStamp& stamp, PdfFacts facts) {
  AwaitLoad();
  const std::lock_guard<std::mutex> lock(mutex_);
  Entry& entry = put_[path];
  entry.stamp = stamp;
  entry.outcome = facts.outcome;
  entry.facts = std::make_unique<PdfFacts>(std::move(facts));
  entry.used = true;
  changed_ = true;
  any_put_.store(true, std::memory_order_release);
}

Status MetadataCache::Save(Disk& disk) {
  AwaitLoad();
  // The entries put, and those loaded that were looked at and not put
  // again; the others (PDFs gone or not looked at) are dropped. An
  // unchanged archive changes nothing, and the file is left as it is.
  for (const Entry& entry : loaded_) changed_ = changed_ || !entry.used;
  if (!changed_) return Status::Ok();
  std::vector<std::pair<std::string_view, const Entry*>> kept;
  kept.reserve(loaded_.size() + put_.size());
  for (const auto& [path, entry] : put_) kept.emplace_back(path, &entry);
  for (const Entry& entry : loaded_) {
    if (entry.used && put_.find(entry.path) == put_.end()) kept.emplace_back(entry.path, &entry);
  }
  // In byte order of the paths, so that the same archive gives the same file.
  std::sort(kept.begin(), kept.end());
  std::string bytes(kMagic);
  for (const auto& [path, entry] : kept) {
    AppendToken(path, &bytes);
    AppendToken(std::to_string(entry->stamp.size), &bytes);
    AppendToken(std::to_string(entry->stamp.mtime_ns), &bytes);
    AppendToken(entry->facts != nullptr ? SerializeFacts(*entry->facts) : entry->raw, &bytes);
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
