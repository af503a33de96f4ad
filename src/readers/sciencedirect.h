// Reader for the saved contents pages of ScienceDirect issue folders.
#ifndef PDFINDEX_READERS_SCIENCEDIRECT_H_
#define PDFINDEX_READERS_SCIENCEDIRECT_H_

#include <string>

#include "catalogue/disk.h"
#include "catalogue/page.h"
#include "collections/utypes.h"

namespace pdfindex {

/// The issue title of the page at `page_path`.
std::string ScienceDirectIssueTitle(const PageSet& pages, Console& console,
                                    const std::string& page_path);

/// The description of the PDF with base name `base` from the pages named in
/// `list` under the issue folder `folder`; *matched (when given) tells
/// whether a page held its entry.
std::string ScienceDirectArticle(const PageSet& pages, const std::string& base, const std::string& folder,
                        NameList& list, bool* matched = nullptr);

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_SCIENCEDIRECT_H_
