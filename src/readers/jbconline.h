// Reader for the saved contents pages of JBCOnline issue folders.
//
// Every article on such a page is one entry of a definition list: "<DT>"
// opens its term, "<DD>" its definition, a "<BR>" closes the definition, and
// after that the entry links to the PDF through an address holding "/jbc."
// and the PDF's base name less its last two bytes.
#ifndef PDFINDEX_READERS_JBCONLINE_H_
#define PDFINDEX_READERS_JBCONLINE_H_

#include <string>
#include <vector>

#include "text/page.h"
#include "core/record.h"
#include "readers/finder_state.h"

namespace pdfindex {

/// The issue title of `page` (nullptr: it cannot be opened), found at `page_path`: the text of its
/// title element, or the page path when the page cannot be opened or has none.
TitleRecord JBCOnlineIssueTitle(const Page* page, const std::string& page_path);

/// The description of the PDF with base name `base` from the issue
/// folder's `pages`; `found` tells whether a page held its entry. The last page holding the entry
/// wins.
ArticleRecord JBCOnlineArticle(const IssuePages& pages, const std::string& base,
                               FinderState& state);

/// The texts the finder searches pages for when looking for the PDF with base name base.
std::vector<std::string> JBCOnlineArticleKeys(const std::string& base);

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_JBCONLINE_H_
