// Reader for the saved contents pages of Embo issue folders.
#ifndef PDFINDEX_READERS_EMBO_H_
#define PDFINDEX_READERS_EMBO_H_

#include <string>
#include <vector>

#include "text/page.h"
#include "core/record.h"
#include "readers/finder_state.h"

namespace pdfindex {

/// The issue title of `page` (nullptr: it cannot be opened), found at `page_path`.
TitleRecord EmboIssueTitle(const Page* page, const std::string& page_path);

/// The description of the PDF with base name `base` from the issue
/// folder's `pages`; `found` tells whether a page held its entry.
ArticleRecord EmboArticle(const IssuePages& pages, const std::string& base,
                          FinderState& state);

/// The texts the finder searches pages for when looking for the PDF with
/// base name `base`.
std::vector<std::string> EmboArticleKeys(const std::string& base);

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_EMBO_H_
