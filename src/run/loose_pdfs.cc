#include "run/loose_pdfs.h"

#include <string_view>
#include <utility>
#include <vector>

#include "collections/tree.h"
#include "collections/utypes.h"
#include "run/duplicates.h"
#include "text/escape.h"
#include "text/plain_text.h"

namespace pdfindex {

void ListSorted(const std::vector<FolderEntry>& entries, bool (*keep)(const FolderEntry&),
                NameList& list) {
  std::vector<std::string_view> names;
  names.reserve(entries.size());
  for (const FolderEntry& entry : entries) {
    if (keep(entry)) names.push_back(entry.name);
  }
  ListSortedNames(names, list);
}

namespace {

// The names of the entries `keep` admits, in walk order, each case once.
std::vector<std::string> Sorted(const std::vector<FolderEntry>& entries,
                                bool (*keep)(const FolderEntry&)) {
  NameList list;
  ListSorted(entries, keep, list);
  std::vector<std::string> names;
  for (std::string n = ListNext(list); !n.empty(); n = ListNext(list))
    names.push_back(std::move(n));
  return names;
}

}  // namespace

bool IsPdfFile(const FolderEntry& entry) { return !entry.is_folder && IsPdf(entry.name); }

bool IsShownFolder(const FolderEntry& entry) {
  return entry.is_folder && !entry.name.empty() && entry.name[0] != '.';
}

void FindLooseFoldersBelow(Disk& disk, const std::string& folder, int levels,
                           std::vector<std::string>* folders, std::vector<std::string>* pdfs) {
  std::vector<FolderEntry> entries;
  if (!disk.ListFolder(folder, &entries).ok()) return;
  FindLooseFoldersBelow(disk, folder, entries, levels, folders, pdfs);
}

void FindLooseFoldersBelow(Disk& disk, const std::string& folder,
                           const std::vector<FolderEntry>& entries, int levels,
                           std::vector<std::string>* folders, std::vector<std::string>* pdfs) {
  for (const std::string& f : Sorted(entries, IsShownFolder)) {
    const std::string path = folder + f + "/";
    std::vector<FolderEntry> below;
    if (!disk.ListFolder(path, &below).ok()) continue;
    const std::vector<std::string> files = Sorted(below, IsPdfFile);
    if (!files.empty() && folders != nullptr) folders->push_back(path);
    for (const std::string& pdf : files) pdfs->push_back(path + pdf);
    if (levels > 1) FindLooseFoldersBelow(disk, path, below, levels - 1, folders, pdfs);
  }
}

Status IndexLooseFolder(Disk& disk, const std::string& folder, IssueRecord* record, PageSet* pages,
                        IssuePages* order) {
  record->loose = true;
  record->format = "none";
  const size_t slash = folder.find('/');
  if (slash != std::string::npos) {
    record->publisher = folder.substr(0, slash);
    record->issue = folder.substr(slash + 1);
    if (!record->issue.empty()) record->issue.pop_back();
  }
  std::vector<FolderEntry> entries;
  // A folder that could be listed a moment ago and no longer can lists as
  // empty.
  (void)disk.ListFolder(folder, &entries);
  for (std::string& file : Sorted(entries, IsPdfFile)) {
    PdfRecord& pdf = record->pdfs.emplace_back();
    pdf.base = std::string(file.substr(0, file.size() - 4));
    pdf.file = std::move(file);
  }
  MarkNameDuplicates(entries, record);
  if (pages == nullptr) return Status::Ok();
  const std::vector<std::string> names =
      Sorted(entries, [](const FolderEntry& e) { return !e.is_folder && IsContentsPage(e.name); });
  std::string bytes;
  for (const std::string& name : names) {
    Status error;
    switch (disk.ReadPage(folder + name, &bytes, &error)) {
      case PageRead::kRead:
        pages->Adopt(folder + name, std::move(bytes));
        break;
      case PageRead::kCannotOpen:
        pages->AddUnopenable(folder + name);
        break;
      case PageRead::kFailed:
        return error.At(folder + name).During("read");
    }
  }
  *order = pages->InOrder(folder, names);
  return Status::Ok();
}

}  // namespace pdfindex
