// The tags that saved article pages carry for scholarly search engines:
// Highwire citation_* tags, Dublin Core, PRISM and JSON-LD articles.
#ifndef PDFINDEX_METADATA_PAGE_META_H_
#define PDFINDEX_METADATA_PAGE_META_H_

#include <string>
#include <string_view>

#include "core/record.h"

namespace pdfindex {

/// What one saved page's tags say about the article it shows.
struct PageMeta {
  ArticleFields fields;
  /// The citation_pdf_url value as written; "" when the page has none.
  std::string pdf_url;
  /// True when any tag of the four families was found.
  bool tagged = false;
};

/// The article described by the tags of `page` (raw bytes). Families fill
/// fields in a fixed order, each only those still empty: Highwire, Dublin
/// Core, PRISM, JSON-LD.
PageMeta ParsePageMeta(std::string_view page);

/// True when the page named `page_name` with tags `meta` describes the PDF
/// `pdf_file` (with base name `pdf_base`): the last segment of its
/// citation_pdf_url, percent-decoded, equals the file or base name without
/// case, or the page's own base name equals the PDF's.
bool PageDescribesPdf(const PageMeta& meta, std::string_view page_name, std::string_view pdf_file,
                      std::string_view pdf_base);

}  // namespace pdfindex

#endif  // PDFINDEX_METADATA_PAGE_META_H_
