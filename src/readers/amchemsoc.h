// Reader for the saved contents pages of AmChemSoc issue folders.
//
// Two page layouts occur in these folders: regular contents pages, where each
// article is a paragraph opened by "<P>" (page range, bold title, "<AU>"
// author names, a full-text link and a link ending in the PDF's base name),
// and "Choice Articles" pages, where each article is a list item opened by
// "<LI>" with a "(<A HREF=...base.pdf">PDF</A>)" link and the base name in
// capitals between parentheses at its end.
#ifndef PDFINDEX_READERS_AMCHEMSOC_H_
#define PDFINDEX_READERS_AMCHEMSOC_H_

#include <string>
#include <vector>

#include "text/page.h"
#include "core/record.h"
#include "readers/finder_state.h"

namespace pdfindex {

/// The issue title of `page` (nullptr: it cannot be opened), found at `page_path`.
TitleRecord AmChemSocIssueTitle(const Page* page, const std::string& page_path);

/// The description of the PDF with base name `base` from the issue
/// folder's `pages`; `found` tells whether a page held its entry.
ArticleRecord AmChemSocArticle(const IssuePages& pages, const std::string& base,
                               FinderState& state);

/// The texts the finder searches pages for when looking for the PDF with base name base.
std::vector<std::string> AmChemSocArticleKeys(const std::string& base);

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_AMCHEMSOC_H_
