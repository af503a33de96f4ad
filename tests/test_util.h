// Shared helpers of the reader and catalogue tests.
#ifndef PDFINDEX_TESTS_TEST_UTIL_H_
#define PDFINDEX_TESTS_TEST_UTIL_H_

#include <string>

#include "catalogue/page.h"
#include "catalogue/record.h"
#include "collections/utypes.h"

namespace pdfindex {

/// The classic description `finder` gives the PDF `base` among the pages of
/// `pages` named in `list` under `folder`; *found (when given) is set to
/// whether a page held its entry.
template <typename Finder>
std::string Classic(Finder finder, const PageSet& pages, const std::string& base,
                    const std::string& folder, NameList& list, bool* found = nullptr) {
  const ArticleRecord record = finder(pages.InOrder(folder, list), base);
  if (found != nullptr) *found = record.found;
  return record.classic;
}

/// The classic title `reader` gives the page at `path` in `pages`.
template <typename Reader>
std::string TitleOf(Reader reader, const PageSet& pages, const std::string& path) {
  return reader(pages.Open(path), path).classic;
}

}  // namespace pdfindex

#endif  // PDFINDEX_TESTS_TEST_UTIL_H_
