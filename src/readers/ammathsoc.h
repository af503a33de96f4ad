// Reader for the saved contents pages of AmMathSoc issue folders.
//
// Such a page names its issue in the alternative text of an image, and lists
// every article as an entry of a definition list in lower-case markup: the
// term "<dt><big><em>" ... "</em></big></dt>", the definition (which names
// the "Reviewer" of a review), a "<br>", a reference line, and a "<br>" that
// opens the links, one of which ends in "=" + the PDF's base name + "\">".
#ifndef PDFINDEX_READERS_AMMATHSOC_H_
#define PDFINDEX_READERS_AMMATHSOC_H_

#include <string>
#include <vector>

#include "text/page.h"
#include "core/record.h"
#include "readers/finder_state.h"

namespace pdfindex {

/// The issue title of `page` (nullptr: it cannot be opened), found at `page_path`: the first
/// alternative text on it, or the page path when the page cannot be opened or has none.
TitleRecord AmMathSocIssueTitle(const Page* page, const std::string& page_path);

/// The description of the PDF with base name `base` from the issue
/// folder's `pages`; `found` tells whether a page held its entry. The last page holding the entry
/// wins.
ArticleRecord AmMathSocArticle(const IssuePages& pages, const std::string& base,
                               FinderState& state);

/// The texts the finder searches pages for when looking for the PDF with base name base.
std::vector<std::string> AmMathSocArticleKeys(const std::string& base);

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_AMMATHSOC_H_
