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

#include "catalogue/page.h"
#include "collections/utypes.h"

namespace pdfindex {

/// The issue title of the page at `page_path`: the first alternative text on
/// it, or the page path when the page cannot be opened or has none.
std::string AmMathSocIssueTitle(const PageSet& pages, const std::string& page_path);

/// The description of the PDF with base name `base` from the pages named in
/// `list` under the issue folder `folder`; *matched (when given) tells
/// whether a page held its entry. The last page holding the entry wins.
std::string AmMathSocArticle(const PageSet& pages, const std::string& base,
                             const std::string& folder, NameList& list, bool* matched = nullptr);

/// The texts the finder searches pages for when looking for the PDF with base name base.
std::vector<std::string> AmMathSocArticleKeys(const std::string& base);

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_AMMATHSOC_H_
