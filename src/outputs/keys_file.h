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
#include <unordered_map>
#include <vector>

#include "core/status.h"
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

/// The keys file's entries as text: its layout, entries in byte order of
/// their paths.
std::string KeysFileText(std::vector<KeyEntry> entries);

/// Sets *entries from the text of a keys file; false (and no entries) when
/// the text is not a whole keys file of this version with one key per path
/// and one path per key, each key ASCII letters and digits.
bool ParseKeysFile(std::string_view text, std::vector<KeyEntry>* entries);

/// The keys a run found in the keys file, and the keys it gives.
class KeyStore {
 public:
  /// Reads `kKeysName` through `disk`; a file that is missing or cannot be
  /// read as a whole leaves the store empty (keys are then given afresh).
  void Load(Disk& disk);
  /// The entries read.
  const std::vector<KeyEntry>& entries() const { return loaded_; }
  /// The entry read for `path`, or nullptr.
  const KeyEntry* Find(const std::string& path) const;
  /// The entries read whose file has `size` and `hash`.
  std::vector<const KeyEntry*> WithIdentity(uint64_t size, uint64_t hash) const;
  /// Notes the key a PDF has in this run.
  void Give(KeyEntry entry) { given_.push_back(std::move(entry)); }
  /// Writes the keys given through a pending file that replaces the keys
  /// file, only when they differ from the keys read.
  Status Save(Disk& disk);

 private:
  std::vector<KeyEntry> loaded_;
  std::unordered_map<std::string, size_t> by_path_;
  std::vector<KeyEntry> given_;
};

}  // namespace pdfindex

#endif  // PDFINDEX_OUTPUTS_KEYS_FILE_H_
