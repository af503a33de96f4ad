// PDFs outside issue folders (--all-pdfs): in the root, directly in a
// publisher folder, or in folders below an issue folder. Each folder of
// them becomes a record of its own, without contents pages, that every
// output but HtmlData.htm takes.
#ifndef PDFINDEX_RUN_LOOSE_PDFS_H_
#define PDFINDEX_RUN_LOOSE_PDFS_H_

#include <string>
#include <vector>

#include "collections/utypes.h"
#include "core/record.h"
#include "core/status.h"
#include "platform/disk.h"
#include "text/page.h"

namespace pdfindex {

/// How deep below an issue folder PDFs are looked for: a link back up must
/// not lead on for ever.
inline constexpr int kLooseLevels = 8;

/// True for an entry that is a PDF file (a name ending in ".pdf" in any
/// case).
bool IsPdfFile(const FolderEntry& entry);
/// True for an entry that is a folder the walk enters: not a hidden one.
bool IsShownFolder(const FolderEntry& entry);
/// Fills `list` (which must hold no nodes) with the names of the entries
/// `keep` admits, in walk order, each case once.
void ListSorted(const std::vector<FolderEntry>& entries, bool (*keep)(const FolderEntry&),
                NameList& list);

/// The folders below issue folder `folder` (a path ending in "/") that hold
/// PDFs, each ending in "/", in walk order (sorted names, hidden folders
/// skipped), down to `levels` levels; the path of each of their PDFs goes
/// to `pdfs`, in the same order. A folder that cannot be listed is passed
/// over, as the index has always done there.
void FindLooseFoldersBelow(Disk& disk, const std::string& folder, int levels,
                           std::vector<std::string>* folders, std::vector<std::string>* pdfs);
/// The same below a folder whose `entries` are listed already; `folders`
/// may be nullptr where only the PDFs are wanted.
void FindLooseFoldersBelow(Disk& disk, const std::string& folder,
                           const std::vector<FolderEntry>& entries, int levels,
                           std::vector<std::string>* folders, std::vector<std::string>* pdfs);

/// Makes `record` the loose record of `folder` ("" for the root, else
/// ending in "/"): its PDFs in listing order, none described, no contents
/// page. When `pages` is given, the saved pages beside them (*.htm, *.html)
/// are read into it and named in `order`, for the metadata step to match
/// their tags to the PDFs. A page that is there but cannot be read fails.
Status IndexLooseFolder(Disk& disk, const std::string& folder, IssueRecord* record, PageSet* pages,
                        IssuePages* order);

}  // namespace pdfindex

#endif  // PDFINDEX_RUN_LOOSE_PDFS_H_
