// Publisher dispatch: the folder names say which publisher's page layout an
// issue folder holds, and these two entry points pick the reader for it.
#ifndef PDFINDEX_CATALOGUE_DISPATCH_H_
#define PDFINDEX_CATALOGUE_DISPATCH_H_

#include <string>
#include <vector>
#include <string_view>

#include "catalogue/disk.h"
#include "catalogue/page.h"
#include "collections/utypes.h"

namespace pdfindex {

/// What every reader call has besides its own arguments: the issue folder's
/// loaded pages and the console (which only the ScienceDirect title reader
/// uses, for a page it cannot open).
struct ReaderContext {
  const PageSet& pages;
  Console& console;
};

/// The issue title of the page at `page_path`, from the reader of the first
/// publisher keyword in the whole path.
std::string IssueTitle(const ReaderContext& context, const std::string& page_path);

/// The description of the PDF with base name `base` in the issue folder
/// `folder` (ending in "/"), from the finder of the first publisher keyword
/// in the folder path; `pages` names the folder's contents pages. *matched,
/// when given, tells whether a page held the PDF's entry.
std::string ArticleDescription(const ReaderContext& context, const std::string& base,
                               const std::string& folder, NameList& pages,
                               bool* matched = nullptr);

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

#endif  // PDFINDEX_CATALOGUE_DISPATCH_H_
