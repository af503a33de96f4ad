#include "outputs/keys_file.h"

#include <algorithm>
#include <memory>
#include <unordered_set>

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

std::string Hex16(uint64_t value) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) out[static_cast<size_t>(i)] = kHex[value & 0xF];
  return out;
}

}  // namespace

std::string KeysFileText(std::vector<KeyEntry> entries) {
  std::sort(entries.begin(), entries.end(),
            [](const KeyEntry& a, const KeyEntry& b) { return a.path < b.path; });
  std::string out(kHeader);
  for (const KeyEntry& entry : entries) {
    AppendToken(entry.path, &out);
    AppendToken(std::to_string(entry.size), &out);
    AppendToken(Hex16(entry.hash), &out);
    AppendToken(entry.key, &out);
    out += '\n';
  }
  AppendToken("end", &out);
  out += '\n';
  return out;
}

bool ParseKeysFile(std::string_view text, std::vector<KeyEntry>* entries) {
  entries->clear();
  if (!text.starts_with(kHeader)) return false;
  text.remove_prefix(kHeader.size());
  std::unordered_set<std::string_view> keys;
  std::string_view last_path;
  for (bool first = true;; first = false) {
    std::string_view path;
    if (!ReadTokenView(&text, &path)) break;
    if (path == "end" && (text == "\n")) return true;
    std::string_view size;
    std::string_view hash;
    std::string_view key;
    KeyEntry entry;
    if (!ReadTokenView(&text, &size) || !ReadTokenView(&text, &hash) || !ReadTokenView(&text, &key) ||
        !ParseNumber(size, &entry.size) || hash.size() != 16 ||
        !ParseNumber(hash, &entry.hash, 16) || !IsKey(key) || (!first && path <= last_path) ||
        !keys.insert(key).second || !text.starts_with('\n')) {
      break;
    }
    text.remove_prefix(1);
    last_path = path;
    entry.path = std::string(path);
    entry.key = std::string(key);
    entries->push_back(std::move(entry));
  }
  entries->clear();
  return false;
}

void KeyStore::Load(Disk& disk) {
  std::string bytes;
  Status error;
  if (disk.ReadPage(std::string(kKeysName), &bytes, &error) != PageRead::kRead ||
      !ParseKeysFile(bytes, &loaded_)) {
    loaded_.clear();
  }
  by_path_.clear();
  for (size_t i = 0; i < loaded_.size(); ++i) by_path_.emplace(loaded_[i].path, i);
}

const KeyEntry* KeyStore::Find(const std::string& path) const {
  const auto at = by_path_.find(path);
  return at == by_path_.end() ? nullptr : &loaded_[at->second];
}

std::vector<const KeyEntry*> KeyStore::WithIdentity(uint64_t size, uint64_t hash) const {
  std::vector<const KeyEntry*> found;
  for (const KeyEntry& entry : loaded_) {
    if (entry.size == size && entry.hash == hash) found.push_back(&entry);
  }
  return found;
}

Status KeyStore::Save(Disk& disk) {
  const std::string text = KeysFileText(given_);
  if (text == KeysFileText(loaded_)) return Status::Ok();
  std::unique_ptr<PendingFile> file;
  if (Status e = disk.CreatePending(std::string(kKeysName), &file); !e.ok()) return e;
  if (Status e = file->Write(text); !e.ok()) return e;
  if (Status e = file->Finish(); !e.ok()) return e;
  return file->Commit();
}

}  // namespace pdfindex
