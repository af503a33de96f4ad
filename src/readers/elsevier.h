// Issue titles of Elsevier pages, and of every page whose path names no
// publisher: the text of the page's title element.
#ifndef PDFINDEX_READERS_ELSEVIER_H_
#define PDFINDEX_READERS_ELSEVIER_H_

#include <string>

#include "text/page.h"
#include "core/record.h"

namespace pdfindex {

/// The issue title of `page` (nullptr: it cannot be opened), found at `page_path`; the path itself
/// when the page cannot be opened or closes no title element.
TitleRecord ElsevierIssueTitle(const Page* page, const std::string& page_path);

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_ELSEVIER_H_
