// The searchable index page: the whole catalogue in one self-contained
// HTML5 file (UTF-8, no network, no other file), with counts, a contents
// list, one row per PDF and a filter that narrows the rows as one types.
#ifndef PDFINDEX_OUTPUTS_SEARCH_PAGE_H_
#define PDFINDEX_OUTPUTS_SEARCH_PAGE_H_

#include <memory>
#include <string>

#include "core/sink.h"

namespace pdfindex {

/// Where the page stands relative to the archive, so its links work from
/// wherever it is written.
struct SearchPageOptions {
  /// The archive root, an absolute folder path with symbolic links resolved.
  std::string root;
  /// The folder the page is written to, absolute, with symbolic links
  /// resolved.
  std::string page_folder;
};

/// A sink that writes the searchable page to `out`. The page's data is
/// written folder by folder as the run goes (the sink keeps nothing of a
/// folder once it is written); its counts are worked out in the page.
std::unique_ptr<CatalogueSink> MakeSearchPage(ByteSink& out, const SearchPageOptions& options);

}  // namespace pdfindex

#endif  // PDFINDEX_OUTPUTS_SEARCH_PAGE_H_
