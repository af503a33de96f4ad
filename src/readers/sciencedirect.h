// Reader for the saved contents pages of ScienceDirect issue folders.
//
// Every article of such a page is one table cell: the title in bold, then
// "Pages 12-19" (or "Page 7") directly followed by a tag, the authors on the
// lines after it, and a link into the publisher's article host. The PDFs are
// named after their pages: the article on pages 12-19 is 12-19.pdf.
#ifndef PDFINDEX_READERS_SCIENCEDIRECT_H_
#define PDFINDEX_READERS_SCIENCEDIRECT_H_

#include <string>
#include <vector>

#include "text/page.h"
#include "core/record.h"
#include "readers/finder_state.h"

namespace pdfindex {

/// The issue title of `page` (nullptr: it cannot be opened), found at `page_path`: the text of its
/// lower-case title element, less a ": Free Sample Issue." marker and what follows it. The page
/// path itself when the page holds no "</title>" or cannot be opened.
TitleRecord ScienceDirectIssueTitle(const Page* page, const std::string& page_path);

/// The description of the PDF with base name `base` from the issue
/// folder's `pages`; `found` tells whether a page held its entry. Every page is read: the entry
/// comes from the last line of all pages that holds the PDF's pages, the authors from the lines
/// after the first such line. Never "": with no entry it is
/// "; .<BR>".
ArticleRecord ScienceDirectArticle(const IssuePages& pages, const std::string& base,
                                   FinderState& state);

/// The texts the finder searches pages for when looking for the PDF with base name base.
std::vector<std::string> ScienceDirectArticleKeys(const std::string& base);

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_SCIENCEDIRECT_H_
