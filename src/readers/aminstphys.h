// Reader for the saved contents pages of AmInstPhys issue folders. Its
// article finder is also the general one: it serves every folder whose path
// names no publisher with a finder of its own, since it needs no publisher
// markup beyond a link to the PDF's file name.
#ifndef PDFINDEX_READERS_AMINSTPHYS_H_
#define PDFINDEX_READERS_AMINSTPHYS_H_

#include <string>
#include <vector>

#include "catalogue/page.h"
#include "collections/utypes.h"

namespace pdfindex {

/// The issue title of the page at `page_path`; the path itself when the page
/// cannot be opened.
std::string AmInstPhysIssueTitle(const PageSet& pages, const std::string& page_path);

/// The description of the PDF with base name `base` from the first page
/// named in `list` under the issue folder `folder` whose text holds the base
/// name; *matched (when given) tells whether a page held it.
std::string AmInstPhysArticle(const PageSet& pages, const std::string& base,
                              const std::string& folder, NameList& list, bool* matched = nullptr);

/// The texts the finder searches pages for when looking for the PDF with base name base.
std::vector<std::string> AmInstPhysArticleKeys(const std::string& base);

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_AMINSTPHYS_H_
