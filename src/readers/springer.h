// Reader for the saved contents pages of Springer issue folders.
#ifndef PDFINDEX_READERS_SPRINGER_H_
#define PDFINDEX_READERS_SPRINGER_H_

#include <string>
#include <vector>

#include "catalogue/page.h"
#include "collections/utypes.h"

namespace pdfindex {

/// The issue title of the page at `page_path`.
std::string SpringerIssueTitle(const PageSet& pages, const std::string& page_path);

/// The description of the PDF with base name `base` from the pages named in
/// `list` under the issue folder `folder`; *matched (when given) tells
/// whether a page held its entry.
std::string SpringerArticle(const PageSet& pages, const std::string& base, const std::string& folder,
                        NameList& list, bool* matched = nullptr);

/// The texts the finder searches pages for when looking for the PDF with base name base.
std::vector<std::string> SpringerArticleKeys(const std::string& base);

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_SPRINGER_H_
