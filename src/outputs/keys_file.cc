#include "outputs/keys_file.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <memory>

#include "text/tokens.h"

namespace pdfindex {

namespace {

constexpr std::string_view kHeader = "pdfindex-keys 1\n";

bool IsKey(std::string_view key) {
  if (key.empty()) return false;
  for (const char c : key) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

// Appends `<length>:` and `value`, as AppendToken does, with no temporary.
void AppendTokenTo(std::string& out, std::string_view value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value.size()).ptr;
  out.append(digits, end);
  out += ':';
  out += value;
}

// Appends one entry's line.
void AppendLine(std::string& out, std::string_view path, uint64_t size, uint64_t hash,
                std::string_view key) {
  AppendTokenTo(out, path);
  char digits[24];
  AppendTokenTo(out, std::string_view(digits, std::to_chars(digits, digits + sizeof digits, size).ptr));
  static constexpr char kHex[] = "0123456789abcdef";
  char hex[16];
  for (int i = 15; i >= 0; --i, hash >>= 4) hex[i] = kHex[hash & 0xF];
  AppendTokenTo(out, std::string_view(hex, sizeof hex));
  AppendTokenTo(out, key);
  out += '\n';
}

constexpr std::string_view kEnd = "3:end\n";

}  // namespace

std::string KeysFileText(std::vector<KeyEntry> entries) {
  std::sort(entries.begin(), entries.end(),
            [](const KeyEntry& a, const KeyEntry& b) { return a.path < b.path; });
  std::string out(kHeader);
  for (const KeyEntry& entry : entries) AppendLine(out, entry.path, entry.size, entry.hash, entry.key);
  out += kEnd;
  return out;
}

bool ParseKeysFile(std::string_view text, std::vector<KeyView, LargeAllocator<KeyView>>* entries) {
  entries->clear();
  if (!text.starts_with(kHeader)) return false;
  text.remove_prefix(kHeader.size());
  // A line takes some sixty bytes and more: room for all with few growths.
  entries->reserve(text.size() / 64);
  std::string_view last_path;
  for (bool first = true;; first = false) {
    std::string_view path;
    if (!ReadTokenView(&text, &path)) break;
    if (path == "end" && (text == "\n")) {
      // One path per key too.
      ViewIndex keys;
      keys.Reserve(entries->size());
      for (const KeyView& entry : *entries) {
        if (!keys.Insert(entry.key, 0)) {
          entries->clear();
          return false;
        }
      }
      return true;
    }
    std::string_view size;
    std::string_view hash;
    KeyView entry;
    if (!ReadTokenView(&text, &size) || !ReadTokenView(&text, &hash) ||
        !ReadTokenView(&text, &entry.key) || !ParseNumber(size, &entry.size) ||
        hash.size() != 16 || !ParseNumber(hash, &entry.hash, 16) || !IsKey(entry.key) ||
        (!first && path <= last_path) || !text.starts_with('\n')) {
      break;
    }
    text.remove_prefix(1);
    last_path = path;
    entry.path = path;
    entries->push_back(entry);
  }
  entries->clear();
  return false;
}

bool ParseKeysFile(std::string_view text, std::vector<KeyEntry>* entries) {
  entries->clear();
  std::vector<KeyView, LargeAllocator<KeyView>> views;
  if (!ParseKeysFile(text, &views)) return false;
  entries->reserve(views.size());
  for (const KeyView& view : views) {
    entries->push_back({std::string(view.path), view.size, view.hash, std::string(view.key)});
  }
  return true;
}

void ViewIndex::Reserve(size_t count) {
  size_t slots = 1024;
  while (slots < 2 * count) slots *= 2;
  if (slots > slots_.size()) Resize(slots);
}

void ViewIndex::Resize(size_t slots) {
  std::vector<Slot, LargeAllocator<Slot>> old(slots);
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.data == nullptr) continue;
    size_t at = slot.hash & mask;
    while (slots_[at].data != nullptr) at = (at + 1) & mask;
    slots_[at] = slot;
  }
}

bool ViewIndex::Insert(std::string_view view, uint32_t value) {
  if (2 * (count_ + 1) > slots_.size()) Resize(std::max<size_t>(1024, 2 * slots_.size()));
  const uint64_t hash = std::hash<std::string_view>()(view);
  const size_t mask = slots_.size() - 1;
  size_t at = hash & mask;
  for (; slots_[at].data != nullptr; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.hash == hash && std::string_view(slot.data, slot.size) == view) return false;
  }
  // A view of no bytes still marks its slot taken.
  static constexpr char kNone = 0;
  slots_[at] = {hash, view.empty() ? &kNone : view.data(), static_cast<uint32_t>(view.size()),
                value};
  ++count_;
  return true;
}

bool ViewIndex::Find(std::string_view view, uint32_t* value) const {
  if (count_ == 0) return false;
  const uint64_t hash = std::hash<std::string_view>()(view);
  const size_t mask = slots_.size() - 1;
  for (size_t at = hash & mask; slots_[at].data != nullptr; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.hash == hash && std::string_view(slot.data, slot.size) == view) {
      *value = slot.value;
      return true;
    }
  }
  return false;
}

void KeyStore::Load(Disk& disk) {
  Status error;
  if (disk.ReadLarge(std::string(kKeysName), &text_, &error) != PageRead::kRead ||
      !ParseKeysFile(std::string_view(text_.data(), text_.size()), &loaded_)) {
    loaded_.clear();
  }
  by_path_ = ViewIndex();
  by_path_.Reserve(loaded_.size());
  for (size_t i = 0; i < loaded_.size(); ++i) {
    by_path_.Insert(loaded_[i].path, static_cast<uint32_t>(i));
  }
  kept_.assign(loaded_.size(), false);
  kept_count_ = 0;
  added_.clear();
}

const KeyView* KeyStore::Find(std::string_view path) const {
  uint32_t at = 0;
  return by_path_.Find(path, &at) ? &loaded_[at] : nullptr;
}

std::vector<const KeyView*> KeyStore::WithIdentity(uint64_t size, uint64_t hash) const {
  std::vector<const KeyView*> found;
  for (const KeyView& entry : loaded_) {
    if (entry.size == size && entry.hash == hash) found.push_back(&entry);
  }
  return found;
}

void KeyStore::Keep(const KeyView& entry) {
  const auto at = static_cast<size_t>(&entry - loaded_.data());
  if (kept_[at]) return;
  kept_[at] = true;
  ++kept_count_;
}

Status KeyStore::Save(Disk& disk) {
  // The keys read, every one kept and none added, are the file as it is.
  if (added_.empty() && kept_count_ == loaded_.size()) return Status::Ok();
  std::sort(added_.begin(), added_.end(),
            [](const KeyEntry& a, const KeyEntry& b) { return a.path < b.path; });
  std::string text(kHeader);
  text.reserve(text_.size() + added_.size() * 80);
  // The kept entries, in byte order of their paths already, merged with
  // the added ones.
  size_t i = 0;
  for (const KeyEntry& entry : added_) {
    for (; i < loaded_.size() && loaded_[i].path < entry.path; ++i) {
      if (kept_[i]) AppendLine(text, loaded_[i].path, loaded_[i].size, loaded_[i].hash, loaded_[i].key);
    }
    AppendLine(text, entry.path, entry.size, entry.hash, entry.key);
  }
  for (; i < loaded_.size(); ++i) {
    if (kept_[i]) AppendLine(text, loaded_[i].path, loaded_[i].size, loaded_[i].hash, loaded_[i].key);
  }
  text += kEnd;
  std::unique_ptr<PendingFile> file;
  if (Status e = disk.CreatePending(std::string(kKeysName), &file); !e.ok()) return e;
  if (Status e = file->Write(text); !e.ok()) return e;
  if (Status e = file->Finish(); !e.ok()) return e;
  return file->Commit();
}

}  // namespace pdfindex
