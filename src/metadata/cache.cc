#include "metadata/cache.h"

#include <algorithm>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/signals.h"

namespace pdfindex {

namespace {

// ---- The file format: its version line and an entry's checksum. ----------
// Version 3 added the first page's fields to the facts, version 4 the
// checksum token after each entry's four tokens; version 5 facts hold a
// cover sheet's citation and a DOI from later pages' margins, which a
// version 4 entry lacks though it reads alike.
constexpr std::string_view kMagic = "pdfindex-cache 5\n";
constexpr std::string_view kEnd = "end";

// FNV-1a over an entry's tokens as written: any one changed byte changes it.
std::string EntryChecksum(std::string_view entry) {
  uint64_t hash = 14695981039346656037ULL;
  for (const char c : entry) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out(16, '0');
  for (int k = 15; k >= 0; --k, hash >>= 4) out[static_cast<size_t>(k)] = kHex[hash & 15];
  return out;
}

// Appends one entry: path, size, mtime, facts, and the checksum of those
// four tokens.
void AppendEntry(std::string_view path, const PdfStamp& stamp, std::string_view facts,
                 std::string* out) {
  const size_t start = out->size();
  AppendToken(path, out);
  AppendToken(std::to_string(stamp.size), out);
  AppendToken(std::to_string(stamp.mtime_ns), out);
  AppendToken(facts, out);
  const std::string sum = EntryChecksum(std::string_view(*out).substr(start));
  AppendToken(sum, out);
}
// ---------------------------------------------------------------------------

// Only what the PDF itself gives is kept: a worker that died or overran, or
// a file that could not be opened, may fare otherwise next time (the OOM
// killer, a load spike, permissions put right), so such a PDF is read again.
bool OutcomeOfThePdf(PdfOutcome outcome) {
  switch (outcome) {
    case PdfOutcome::kRead:
    case PdfOutcome::kEmpty:
    case PdfOutcome::kNotPdf:
    case PdfOutcome::kDamaged:
    case PdfOutcome::kEncrypted:
      return true;
    case PdfOutcome::kCrashed:
    case PdfOutcome::kTimedOut:
    case PdfOutcome::kOutOfMemory:
    case PdfOutcome::kMissing:
      return false;
  }
  return false;
}

template <typename Int>
bool ReadNumber(std::string_view* bytes, Int* value) {
  std::string_view token;
  return ReadTokenView(bytes, &token) && ParseNumber(token, value);
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
  loaded_.reserve(count / 5);
  for (;;) {
    Entry entry;
    const char* start = rest.data();
    if (!ReadTokenView(&rest, &entry.path)) return failed();
    if (entry.path == kEnd) break;
    // The facts are one token, taken apart only when looked up, and the
    // checksum is checked then too: loading reads five tokens per PDF.
    if (!ReadNumber(&rest, &entry.stamp.size) || !ReadNumber(&rest, &entry.stamp.mtime_ns) ||
        !ReadTokenView(&rest, &entry.raw)) {
      return failed();
    }
    entry.written = std::string_view(start, static_cast<size_t>(rest.data() - start));
    if (!ReadTokenView(&rest, &entry.sum)) return failed();
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
  // A loaded entry whose bytes changed since they were written is as good
  // as none: the PDF is read again.
  if (!entry->written.empty() && entry->facts == nullptr && !entry->checked) {
    entry->checked = true;
    entry->damaged = EntryChecksum(entry->written) != entry->sum;
    if (entry->damaged) return nullptr;
  }
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
  if (!OutcomeOfThePdf(facts.outcome)) return;
  AwaitLoad();
  const std::lock_guard<std::mutex> lock(mutex_);
  Entry& entry = put_[path];
  entry.stamp = stamp;
  entry.outcome = facts.outcome;
  entry.facts = std::make_unique<PdfFacts>(std::move(facts));
  entry.used = true;
  changed_ = true;
  put_since_checkpoint_ = true;
  any_put_.store(true, std::memory_order_release);
}

Status MetadataCache::Save(Disk& disk) {
  AwaitLoad();
  // The entries put, and those loaded that were looked at and not put
  // again; the others (PDFs gone or not looked at) are dropped. An
  // unchanged archive changes nothing, and the file is left as it is.
  for (const Entry& entry : loaded_) changed_ = changed_ || !entry.used;
  if (!changed_) return Status::Ok();
  std::string bytes;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    bytes = Serialize(false);
  }
  if (Status e = Write(disk, bytes); !e.ok()) return e;
  changed_ = false;
  return Status::Ok();
}

Status MetadataCache::Checkpoint(Disk& disk) {
  AwaitLoad();
  std::string bytes;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!put_since_checkpoint_) return Status::Ok();
    put_since_checkpoint_ = false;
    bytes = Serialize(true);
  }
  return Write(disk, bytes);
}

std::string MetadataCache::Serialize(bool keep_all_loaded) const {
  // A checkpoint, written while other threads look up, reads of a loaded
  // entry only what Load set (its path, stamp and bytes as written).
  std::vector<std::pair<std::string_view, const Entry*>> kept;
  kept.reserve(loaded_.size() + put_.size());
  for (const auto& [path, entry] : put_) kept.emplace_back(path, &entry);
  for (const Entry& entry : loaded_) {
    if ((keep_all_loaded || entry.used) && put_.find(entry.path) == put_.end()) {
      kept.emplace_back(entry.path, &entry);
    }
  }
  // In byte order of the paths, so that the same archive gives the same file.
  std::sort(kept.begin(), kept.end());
  std::string bytes(kMagic);
  for (const auto& [path, entry] : kept) {
    if (entry->written.empty()) {
      AppendEntry(path, entry->stamp, SerializeFacts(*entry->facts), &bytes);
    } else {
      // As loaded: a damaged entry keeps failing its checksum.
      bytes += entry->written;
      AppendToken(entry->sum, &bytes);
    }
  }
  AppendToken(kEnd, &bytes);
  return bytes;
}

Status MetadataCache::Write(Disk& disk, const std::string& bytes) {
  std::unique_ptr<PendingFile> file;
  const std::string target(kCacheName);
  if (Status e = disk.CreatePending(target, &file); !e.ok()) return e;
  if (Status e = file->Write(bytes); !e.ok()) return e;
  if (Status e = file->Finish(); !e.ok()) return e;
  return file->Commit();
}

}  // namespace pdfindex
