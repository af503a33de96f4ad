// Reader for the saved contents pages of AmInstPhys issue folders. Its
// article finder is also the general one: it serves every folder whose path
// names no publisher with a finder of its own, since it needs no publisher
// markup beyond a link to the PDF's file name.
#ifndef PDFINDEX_READERS_AMINSTPHYS_H_
#define PDFINDEX_READERS_AMINSTPHYS_H_

#include <string>
#include <vector>

#include "text/page.h"
#include "core/record.h"
#include "readers/finder_state.h"

namespace pdfindex {

/// The issue title of `page` (nullptr: it cannot be opened), found at `page_path`; the path itself
/// when the page cannot be opened.
TitleRecord AmInstPhysIssueTitle(const Page* page, const std::string& page_path);

/// The description of the PDF with base name `base` from the first page
/// of the issue folder's `pages` whose text holds the base name; `found`
/// tells whether a page held it.
ArticleRecord AmInstPhysArticle(const IssuePages& pages, const std::string& base,
                                FinderState& state);

/// The texts the finder searches pages for when looking for the PDF with base name base.
std::vector<std::string> AmInstPhysArticleKeys(const std::string& base);

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_AMINSTPHYS_H_
