// Publisher dispatch: the folder names say which publisher's page layout an
// issue folder holds, and these two entry points pick the reader for it.
#ifndef PDFINDEX_READERS_REGISTRY_H_
#define PDFINDEX_READERS_REGISTRY_H_

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/record.h"
#include "readers/finder_state.h"
#include "readers/reader.h"
#include "text/page.h"

namespace pdfindex {

/// Every reader that a keyword selects, in the order the keywords are tested:
/// the first one found anywhere in a path (byte-exact) decides.
std::span<const Reader> Readers();

/// The reader of paths that hold no keyword.
const Reader& GeneralReader();

/// The reader whose title reader reads the page at `page_path`.
const Reader& TitleReaderOf(const std::string& page_path);

/// The reader whose finder describes the PDFs of the issue folder `folder`
/// (always one with a finder).
const Reader& FinderOf(const std::string& folder);

/// The issue title of `page` (nullptr: it cannot be opened) at `page_path`,
/// from the reader of the first publisher keyword in the whole path.
TitleRecord IssueTitle(const Page* page, const std::string& page_path);

/// The record of the PDF with base name `base` among the issue folder's
/// `pages`, from the finder of the first publisher keyword in the folder
/// path. `state` is made once for the folder and given to each of its calls,
/// so that what the finder derives from a page is made once.
ArticleRecord ArticleDescription(const IssuePages& pages, const std::string& base,
                                 FinderState& state);

/// The publisher keyword whose issue-title reader reads the page at
/// `page_path` ("ScienceDirect", "Embo", ...), or "none" when the path holds
/// no keyword (the Elsevier reader then serves it).
std::string_view TitlePublisher(const std::string& page_path);

/// The publisher keyword whose article finder describes the PDFs of the
/// issue folder `folder` ("ScienceDirect", "Embo", ...), or "none" when the
/// folder path holds none that has a finder (its PDFs then get the finder
/// of folders without a keyword).
std::string_view ArticlePublisher(const std::string& folder);

/// The texts the finder for `folder` searches pages for when it looks for
/// the PDF with base name `base`; indexing them in one pass over each page
/// before the finder runs makes each of its searches a lookup.
std::vector<std::string> ArticleKeys(const std::string& folder, const std::string& base);

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_REGISTRY_H_
