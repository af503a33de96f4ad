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

#include "catalogue/page.h"
#include "collections/utypes.h"

namespace pdfindex {

/// The issue title of the page at `page_path`.
std::string AmChemSocIssueTitle(const PageSet& pages, const std::string& page_path);

/// The description of the PDF with base name `base` from the pages named in
/// `list` under the issue folder `folder`; *matched (when given) tells
/// whether a page held its entry.
std::string AmChemSocArticle(const PageSet& pages, const std::string& base, const std::string& folder,
                        NameList& list, bool* matched = nullptr);

/// The texts the finder searches pages for when looking for the PDF with base name base.
std::vector<std::string> AmChemSocArticleKeys(const std::string& base);

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_AMCHEMSOC_H_
