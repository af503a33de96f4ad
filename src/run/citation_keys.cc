#include "run/citation_keys.h"

#include <cstdint>
#include <system_error>
#include <utility>

#include "platform/signals.h"

namespace pdfindex {

void KeyBook::GiveNeededBaseKeys(IssueRecord& issue) const {
  // A base key made for a PDF that keeps its key is not used: Give takes
  // the kept one.
  if (disk_ == nullptr || !ready_.load(std::memory_order_acquire)) {
    for (PdfRecord& pdf : issue.pdfs) pdf.citation_key = BaseKey(pdf);
    return;
  }
  const std::string folder = issue.Folder();
  std::string path;
  for (PdfRecord& pdf : issue.pdfs) {
    path.assign(folder).append(pdf.file);
    if (store_.Find(path) == nullptr) pdf.citation_key = BaseKey(pdf);
  }
}

void KeyBook::Give(IssueRecord& issue) {
  if (disk_ == nullptr) {
    for (PdfRecord& pdf : issue.pdfs) pdf.citation_key = maker_.Unique(std::move(pdf.citation_key));
    return;
  }
  Loaded();
  const std::string folder = issue.Folder();
  for (PdfRecord& pdf : issue.pdfs) {
    path_.assign(folder).append(pdf.file);
    KeyFor(path_, &pdf.citation_key);
  }
}

void KeyBook::UseKeysFile(Disk& disk) {
  disk_ = &disk;
  try {
    // The thread takes no signal: the run's own thread handles them.
    const SignalsHeld held;
    loader_ = std::thread([this] { Load(); });
  } catch (const std::system_error&) {
    // No thread to be had: the file is read here.
    Load();
  }
}

void KeyBook::Load() {
  store_.Load(*disk_);
  // Every key of the file stays taken for this run, also one whose PDF is
  // gone: a PDF walked later may still be the one that holds it.
  maker_.Expect(store_.entries().size());
  for (const KeyView& entry : store_.entries()) maker_.Reserve(entry.key);
  ready_.store(true, std::memory_order_release);
}

void KeyBook::Loaded() const {
  std::call_once(loaded_, [this] {
    if (loader_.joinable()) loader_.join();
  });
}

void KeyBook::KeyFor(const std::string& path, std::string* key) {
  if (const KeyView* kept = store_.Find(path)) {
    store_.Keep(*kept);
    key->assign(kept->key);
    return;
  }
  KeyEntry entry;
  entry.path = path;
  if (disk_->FileIdentity(path, &entry.size, &entry.hash).ok()) {
    // A PDF moved or renamed: the same file as one of the keys file whose
    // path holds it no more.
    for (const KeyView* gone : store_.WithIdentity(entry.size, entry.hash)) {
      uint64_t size = 0;
      uint64_t hash = 0;
      if (claimed_[gone] || disk_->FileIdentity(std::string(gone->path), &size, &hash).ok()) {
        continue;
      }
      claimed_[gone] = true;
      entry.key = gone->key;
      break;
    }
  }
  if (entry.key.empty()) entry.key = maker_.Unique(std::move(*key));
  *key = entry.key;
  store_.Give(std::move(entry));
}

Status KeyBook::SaveKeysFile() {
  if (disk_ == nullptr) return Status::Ok();
  Loaded();
  return store_.Save(*disk_);
}

}  // namespace pdfindex
