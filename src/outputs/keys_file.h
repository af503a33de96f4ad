// The citation keys given so far, kept in the archive root so that a PDF
// keeps its key from run to run whatever else the archive gains or loses.
//
// File layout (version 1): the line "pdfindex-keys 1", then per PDF, in byte
// order of the paths, length-prefixed tokens (`<length>:<bytes>`): path
// (relative to the root), size, hash (FileIdentityHash, 16 hex digits) and
// key; a final token `end`.
#ifndef PDFINDEX_OUTPUTS_KEYS_FILE_H_
#define PDFINDEX_OUTPUTS_KEYS_FILE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/status.h"
#include "platform/large_buffer.h"
#include "platform/disk.h"

namespace pdfindex {

/// The keys file's name in the archive root.
inline constexpr std::string_view kKeysName = ".pdfindex-keys";

/// One PDF's key and what tells its file again under another name.
struct KeyEntry {
  std::string path;
  uint64_t size = 0;
  uint64_t hash = 0;
  std::string key;
};

/// The same as views into the text of a keys file.
struct KeyView {
  std::string_view path;
  uint64_t size = 0;
  uint64_t hash = 0;
  std::string_view key;
};

/// The keys file's entries as text: its layout, entries in byte order of
/// their paths.
std::string KeysFileText(std::vector<KeyEntry> entries);

/// Sets *entries from the text of a keys file; false (and no entries) when
/// the text is not a whole keys file of this version with one key per path
/// and one path per key, each key ASCII letters and digits.
bool ParseKeysFile(std::string_view text, std::vector<KeyEntry>* entries);
/// The same in one pass over `text` with no copy: the entries view `text`.
bool ParseKeysFile(std::string_view text, std::vector<KeyView, LargeAllocator<KeyView>>* entries);

/// Distinct strings and a number for each, found by their bytes: open
/// addressing on each string's hash. The strings' bytes stay the caller's.
class ViewIndex {
 public:
  /// Adds `view` with `value`; false (and nothing added) when an equal view
  /// is there already.
  bool Insert(std::string_view view, uint32_t value);
  /// The value of the view equal to `view`; false when there is none.
  bool Find(std::string_view view, uint32_t* value) const;
  /// Makes room for `count` views in all without growing.
  void Reserve(size_t count);

 private:
  struct Slot {
    uint64_t hash = 0;
    const char* data = nullptr;  ///< nullptr: the slot is empty
    uint32_t size = 0;
    uint32_t value = 0;
  };
  void Resize(size_t slots);
  std::vector<Slot, LargeAllocator<Slot>> slots_;
  size_t count_ = 0;
};

/// The keys a run found in the keys file, and the keys it gives.
class KeyStore {
 public:
  KeyStore() = default;
  // The entries view the store's own copy of the file.
  KeyStore(const KeyStore&) = delete;
  KeyStore& operator=(const KeyStore&) = delete;
  ~KeyStore() = default;

  /// Reads `kKeysName` through `disk`; a file that is missing or cannot be
  /// read as a whole leaves the store empty (keys are then given afresh).
  void Load(Disk& disk);
  /// The entries read.
  const std::vector<KeyView, LargeAllocator<KeyView>>& entries() const { return loaded_; }
  /// The entry read for `path`, or nullptr.
  const KeyView* Find(std::string_view path) const;
  /// The entries read whose file has `size` and `hash`.
  std::vector<const KeyView*> WithIdentity(uint64_t size, uint64_t hash) const;
  /// Notes that the PDF of `entry`, one of entries(), has its key in this
  /// run under its path.
  void Keep(const KeyView& entry);
  /// Notes the key a PDF has in this run whose path no entry read holds.
  void Give(KeyEntry entry) { added_.push_back(std::move(entry)); }
  /// Writes the keys given through a pending file that replaces the keys
  /// file, only when they differ from the keys read.
  Status Save(Disk& disk);

 private:
  LargeString text_;
  std::vector<KeyView, LargeAllocator<KeyView>> loaded_;
  ViewIndex by_path_;
  /// Per entry read, whether its PDF kept it in this run.
  std::vector<bool> kept_;
  size_t kept_count_ = 0;
  std::vector<KeyEntry> added_;
};

}  // namespace pdfindex

#endif  // PDFINDEX_OUTPUTS_KEYS_FILE_H_
