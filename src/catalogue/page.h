// Contents pages as the readers see them: split into lines once, read line by
// line through a cursor, and shared by every reader call of an issue folder.
#ifndef PDFINDEX_CATALOGUE_PAGE_H_
#define PDFINDEX_CATALOGUE_PAGE_H_

#include <algorithm>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/record.h"
#include "catalogue/text_index.h"
#include "collections/utypes.h"

namespace pdfindex {

/// The lines of one contents page. A byte 26 ends the page's data; a line
/// ends at a line feed; a carriage return is never part of a line (before a
/// line feed it belongs to the line end, elsewhere it is dropped). The lines
/// are stored back to back, so any run of lines is also one joined text.
class Page {
 public:
  Page() = default;
  /// Splits the raw bytes of a page into its lines.
  explicit Page(std::string_view bytes);

  /// Number of lines; the final bytes after the last line feed make a line
  /// even when they are only carriage returns.
  size_t LineCount() const { return starts_.size() - 1; }
  /// Line `i` (0-based) without its line end.
  std::string_view Line(size_t i) const { return Joined(i, i + 1); }
  /// Lines [first, last) joined with nothing between them.
  std::string_view Joined(size_t first, size_t last) const {
    return Text().substr(starts_[first], starts_[last] - starts_[first]);
  }
  /// All lines joined with nothing between them.
  std::string_view Text() const { return text_.text(); }
  /// Offset of line `i` in Text(); LineStart(LineCount()) is its length.
  size_t LineStart(size_t i) const { return starts_[i]; }

  /// The line that holds the byte at `offset` of Text() (offset below the
  /// text's length).
  size_t LineOf(size_t offset) const {
    return static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), offset) -
                               starts_.begin()) -
           1;
  }

  /// The first line at or after `from` that holds `needle`; LineCount() when
  /// none does (an empty needle is held by no line).
  size_t FindLine(std::string_view needle, size_t from) const;

  /// Offset of the first occurrence of `needle` in Text() at or after
  /// `from`, lines joined; npos when there is none.
  size_t Find(std::string_view needle, size_t from = 0) const { return text_.Find(needle, from); }
  /// Offset of the last occurrence of `needle` in Text(); npos when none.
  size_t FindLast(std::string_view needle) const { return text_.FindLast(needle); }

  /// Indexes `needles` (the keys the folder's finder will search for) in one
  /// pass, so that each PDF's search is a lookup; they are also kept for
  /// texts derived from the page, which can index them the same way.
  void IndexNeedles(const std::vector<std::string>& needles) const {
    text_.IndexNeedles(needles);
    needles_ = needles;
  }
  /// The needles last given to IndexNeedles.
  const std::vector<std::string>& IndexedNeedles() const { return needles_; }

  /// Data a reader derives from this page once and shares between all its
  /// calls on the page (for example a normalised text): made by `make()` on
  /// first use of `slot`, then kept as long as the page.
  template <typename T, typename Make>
  const T& Derived(int slot, Make make) const {
    std::shared_ptr<const void>& held = derived_[slot];
    if (!held) held = std::make_shared<const T>(make());
    return *static_cast<const T*>(held.get());
  }

 private:
  IndexedText text_;
  std::vector<size_t> starts_{0};
  mutable std::vector<std::string> needles_;
  mutable std::map<int, std::shared_ptr<const void>> derived_;
};

/// Slots of Page::Derived, one per kind of derived data (each slot always
/// holds the same type).
enum DerivedSlot : int {
  kNormalisedText = 1,  ///< the general finder's blank-normalised text
  kGatheredTextStarts,  ///< AmChemSoc: where the gathered text starts per line
  kCellOpeningLines,    ///< ScienceDirect: the lines that hold "<td"
  kPageCharset,         ///< the charset the page declares
};

/// An open page read line by line, as a reader reads a saved page.
class PageCursor {
 public:
  explicit PageCursor(const Page& page) : page_(&page) {}

  const Page& page() const { return *page_; }
  /// Index of the line the next read returns.
  size_t next_line() const { return next_; }
  /// Moves the cursor so that the next read returns line `line`.
  void Seek(size_t line) { next_ = line; }

 private:
  const Page* page_;
  size_t next_ = 0;
};

/// True when no line is left to read.
bool PageAtEnd(const PageCursor& page);

/// The next line, or "" at the end of the page.
std::string ReadPageLine(PageCursor& page);

/// Reads lines until one holds `needle` or the page ends; at least one line is
/// read. Returns the last line read; *found tells whether it holds `needle`.
std::string ReadLinesUntil(PageCursor& page, std::string_view needle, bool* found);

/// Like ReadLinesUntil, while the page is not at its end (so possibly no line
/// is read), and returns all lines read joined with nothing between them.
std::string_view JoinLinesUntil(PageCursor& page, std::string_view needle, bool* found);

/// The contents pages of one issue folder, each read from disk once and
/// looked up by path (issue folder path followed by the page name).
class PageSet {
 public:
  /// Makes `bytes` the page at `path`.
  void Add(const std::string& path, std::string_view bytes);
  /// Records that the page at `path` cannot be opened (the same as never
  /// adding it; kept for clarity at the call site).
  void AddUnopenable(const std::string& path);
  /// The page at `path`, or nullptr when it cannot be opened.
  const Page* Open(const std::string& path) const;
  /// Releases every page.
  void Clear() { pages_.clear(); }
  /// True when no page is held.
  bool empty() const { return pages_.empty(); }
  /// Indexes `needles` on every page (see Page::IndexNeedles).
  void IndexNeedles(const std::vector<std::string>& needles) const {
    for (const auto& [path, page] : pages_) page.IndexNeedles(needles);
  }
  /// Sum of the bytes held by the pages' texts.
  size_t TextBytes() const;
  /// The pages named `names` under `folder` (ending in "/"), in that order,
  /// as the readers get them.
  IssuePages InOrder(const std::string& folder, const std::vector<std::string>& names) const;
  /// The same for the names in `list`, which is left rewound.
  IssuePages InOrder(const std::string& folder, NameList& list) const;

 private:
  std::map<std::string, Page, std::less<>> pages_;
};

}  // namespace pdfindex

#endif  // PDFINDEX_CATALOGUE_PAGE_H_
