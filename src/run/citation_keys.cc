#include "run/citation_keys.h"

#include <cstdint>
#include <utility>

namespace pdfindex {

void KeyBook::GiveBaseKeys(IssueRecord& issue) {
  for (PdfRecord& pdf : issue.pdfs) pdf.citation_key = BaseKey(pdf);
}

void KeyBook::Give(IssueRecord& issue) {
  for (PdfRecord& pdf : issue.pdfs) {
    pdf.citation_key = disk_ == nullptr ? maker_.Unique(std::move(pdf.citation_key))
                                        : KeyFor(PdfPath(issue, pdf), pdf.citation_key);
  }
}

void KeyBook::UseKeysFile(Disk& disk) {
  disk_ = &disk;
  store_.Load(disk);
  // Every key of the file stays taken for this run, also one whose PDF is
  // gone: a PDF walked later may still be the one that holds it.
  for (const KeyEntry& entry : store_.entries()) maker_.Reserve(entry.key);
}

std::string KeyBook::KeyFor(const std::string& path, const std::string& base) {
  if (const KeyEntry* kept = store_.Find(path)) {
    store_.Give(*kept);
    return kept->key;
  }
  KeyEntry entry;
  entry.path = path;
  if (disk_->FileIdentity(path, &entry.size, &entry.hash).ok()) {
    // A PDF moved or renamed: the same file as one of the keys file whose
    // path holds it no more.
    for (const KeyEntry* gone : store_.WithIdentity(entry.size, entry.hash)) {
      uint64_t size = 0;
      uint64_t hash = 0;
      if (claimed_[gone] || disk_->FileIdentity(gone->path, &size, &hash).ok()) continue;
      claimed_[gone] = true;
      entry.key = gone->key;
      break;
    }
  }
  if (entry.key.empty()) entry.key = maker_.Unique(base);
  store_.Give(entry);
  return entry.key;
}

Status KeyBook::SaveKeysFile() {
  if (disk_ == nullptr) return Status::Ok();
  return store_.Save(*disk_);
}

}  // namespace pdfindex
