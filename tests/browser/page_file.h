// Writes a searchable page to a file, for the programs that make pages for
// the browser test and the page benchmark.
#ifndef PDFINDEX_TESTS_BROWSER_PAGE_FILE_H_
#define PDFINDEX_TESTS_BROWSER_PAGE_FILE_H_

#include <functional>
#include <string>

#include "core/sink.h"
#include "outputs/search_page.h"

namespace pdfindex {

/// Writes to the file `path` the page whose issue folders `issues` hands,
/// one Issue() call each, to the sink it is given. False when any step or
/// the file fails.
bool WritePageFile(const std::string& path, const SearchPageOptions& options,
                   const std::function<bool(CatalogueSink&)>& issues);

}  // namespace pdfindex

#endif  // PDFINDEX_TESTS_BROWSER_PAGE_FILE_H_
