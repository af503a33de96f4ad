// The citation keys of a run's PDFs, given in walk order once for all the
// outputs that write them (BibTeX keys, CSL-JSON ids and RIS IDs are the
// same keys).
#ifndef PDFINDEX_RUN_CITATION_KEYS_H_
#define PDFINDEX_RUN_CITATION_KEYS_H_

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "core/record.h"
#include "core/status.h"
#include "outputs/export_text.h"
#include "outputs/keys_file.h"
#include "platform/disk.h"

namespace pdfindex {

class KeyBook {
 public:
  KeyBook() = default;
  KeyBook(const KeyBook&) = delete;
  KeyBook& operator=(const KeyBook&) = delete;
  ~KeyBook() { Loaded(); }

  /// Keeps the keys of the archive's keys file, read through `disk` (whose
  /// current folder is the archive root): a PDF there keeps its key, a PDF
  /// that is the same file as one gone from there takes that one's key,
  /// and a new PDF gets the next key of BaseKey's form that no PDF of the
  /// file holds. Without it keys are made afresh in walk order. The file is
  /// read on a thread of its own while the run lists and indexes folders.
  void UseKeysFile(Disk& disk);
  /// Writes the keys given in this run to the keys file (see UseKeysFile).
  Status SaveKeysFile();

  /// Sets the citation key of every PDF of `issue` whose path the keys
  /// file holds not (all without one) to its base key (BaseKey): the others
  /// keep their key in Give. While the file is still being read, every PDF
  /// gets its base key, so that the folders indexed meanwhile wait for
  /// nothing. Needs no other folder and reads nothing that Give changes.
  void GiveNeededBaseKeys(IssueRecord& issue) const;
  /// Makes every PDF's citation key of `issue`, whose keys
  /// GiveNeededBaseKeys set, unique; issue folders in walk order.
  void Give(IssueRecord& issue);

 private:
  /// Replaces `*key`, the base key of the PDF at `path`, by its key, by the
  /// keys file's rules.
  void KeyFor(const std::string& path, std::string* key);

  /// Reads the keys file and takes its keys.
  void Load();
  /// Waits until the keys file is read (UseKeysFile).
  void Loaded() const;

  /// The thread reading the keys file, joined once by Loaded.
  mutable std::thread loader_;
  mutable std::once_flag loaded_;
  /// Set once the keys file is read and taken (store_ and maker_ stay as
  /// they are from then on, but for what Give adds).
  std::atomic<bool> ready_{false};
  KeyMaker maker_;
  Disk* disk_ = nullptr;
  KeyStore store_;
  /// The entries of the keys file whose key a moved PDF has taken.
  std::unordered_map<const KeyView*, bool> claimed_;
  /// The path of the PDF being given its key.
  std::string path_;
};

}  // namespace pdfindex

#endif  // PDFINDEX_RUN_CITATION_KEYS_H_
