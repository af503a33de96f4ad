// A reader: one publisher's page layout, the keyword in a folder path that
// selects it, and the steps that read its contents pages.
#ifndef PDFINDEX_READERS_READER_H_
#define PDFINDEX_READERS_READER_H_

#include <string>
#include <string_view>
#include <vector>

#include "core/record.h"
#include "readers/finder_state.h"
#include "text/page.h"

namespace pdfindex {

/// One publisher layout as the run uses it. Readers keep nothing between
/// calls but what a finder derives from a folder's pages, which it keeps in
/// the folder's FinderState.
struct Reader {
  /// The byte-exact word of a folder path that selects the reader
  /// ("ScienceDirect"); "none" for the reader of paths without one.
  std::string_view keyword;
  /// The issue title of `page` (nullptr: it cannot be opened) at `path`.
  TitleRecord (*title)(const Page* page, const std::string& path);
  /// The record of the PDF with base name `base` among an issue folder's
  /// pages; nullptr for a layout whose folders get the general finder.
  /// `state` is the folder's, the same for each of its PDFs.
  ArticleRecord (*find)(const IssuePages& pages, const std::string& base, FinderState& state);
  /// The texts `find` searches the pages for when it looks for `base`, so
  /// that they can be indexed in one pass over each page beforehand.
  std::vector<std::string> (*keys)(const std::string& base);
  /// True when a contents page of the layout that cannot be opened stops
  /// the run until the user answers on the console.
  bool pauses_on_unopenable_page = false;
};

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_READER_H_
