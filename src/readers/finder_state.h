// What the finders derive from an issue folder's pages to keep each search
// linear: made once per page, on first use, and kept for the folder's other
// PDFs in a state the run makes for the folder.
#ifndef PDFINDEX_READERS_FINDER_STATE_H_
#define PDFINDEX_READERS_FINDER_STATE_H_

#include <cstddef>
#include <map>
#include <vector>

#include "text/page.h"
#include "text/text_index.h"

namespace pdfindex {

/// Data of type T derived from pages, each page's made once. Pages are told
/// apart by address, so the holder must not outlive the pages.
template <typename T>
class PerPage {
 public:
  /// What `make()` derives from `page`, made on the first call for `page`.
  template <typename Make>
  const T& Get(const Page& page, Make make) {
    auto it = made_.find(&page);
    if (it == made_.end()) it = made_.emplace(&page, make()).first;
    return it->second;
  }

 private:
  std::map<const Page*, T> made_;
};

/// How the AmChemSoc finder's gathered text runs over one page. The finder
/// reads the page line by line, adds each line to a gathered text, and
/// before each line drops the gathered text's start through its first "<P>"
/// (one "<P>" per line, so a line with several lets them pile up). The
/// gathered text is thus always the joined text from some offset to the end
/// of the line just read; these offsets depend on the page alone, so they
/// are worked out once per page.
struct GatheredText {
  /// start[i]: where the gathered text begins in Text() once line i is added.
  std::vector<size_t> start;
  /// The first line after whose addition the gathered text holds "Choice
  /// Articles" (from then on the page is read as a Choice page);
  /// LineCount() when there is none.
  size_t choice_line = 0;
};

/// What the finders of one issue folder derive from its pages, each kind
/// kept by the reader that uses it. The run makes one per folder and drops
/// it no later than the folder's pages.
struct FinderState {
  /// AmChemSoc: where the gathered text starts per line.
  PerPage<GatheredText> gathered_text;
  /// ScienceDirect: the lines that hold "<td".
  PerPage<std::vector<size_t>> cell_opening_lines;
  /// AmInstPhys (also the finder of folders without a keyword): the page's
  /// blank-normalised text.
  PerPage<IndexedText> normalised_text;
};

}  // namespace pdfindex

#endif  // PDFINDEX_READERS_FINDER_STATE_H_
