// Contents pages as the readers see them: split into lines once, read line by
// line through a cursor, and shared by every reader call of an issue folder.
#ifndef PDFINDEX_TEXT_PAGE_H_
#define PDFINDEX_TEXT_PAGE_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/record.h"
#include "text/encoding.h"
#include "text/text_index.h"
#include "collections/utypes.h"

namespace pdfindex {

/// The lines of one contents page. A byte 26 ends the page's data; a line
/// ends at a line feed; a carriage return is never part of a line (before a
/// line feed it belongs to the line end, elsewhere it is dropped). The lines
/// are stored back to back, so any run of lines is also one joined text.
/// Where each line starts is kept in about a byte and a half per line (a
/// page of line feeds alone must not cost several times its size): one byte
/// of length per line, the longer lengths aside, and the start of every
/// kBlock-th line in 32 bits (the disk opens no page of 4 GiB or more).
class Page {
 public:
  Page() = default;
  /// Splits the raw bytes of a page into its lines.
  explicit Page(std::string_view bytes);
  /// The same page, made in the storage of `bytes` (no copy of the page).
  static Page Adopt(std::string&& bytes);

  /// Number of lines; the final bytes after the last line feed make a line
  /// even when they are only carriage returns.
  size_t LineCount() const { return lengths_.size(); }
  /// Line `i` (0-based) without its line end.
  std::string_view Line(size_t i) const { return Joined(i, i + 1); }
  /// Lines [first, last) joined with nothing between them.
  std::string_view Joined(size_t first, size_t last) const {
    const size_t start = LineStart(first);
    return Text().substr(start, LineStart(last) - start);
  }
  /// All lines joined with nothing between them.
  std::string_view Text() const { return text_.text(); }
  /// Offset of line `i` in Text(); LineStart(LineCount()) is its length.
  size_t LineStart(size_t i) const;
  /// Length of line `i` (below LineCount()), without its line end; cheaper
  /// than LineStart for walking on from one line to the next.
  size_t LineLength(size_t i) const;

  /// The line that holds the byte at `offset` of Text() (offset below the
  /// text's length).
  size_t LineOf(size_t offset) const;

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
    IndexNeedles(std::make_shared<const NeedleSet>(needles));
  }
  /// The same with the automaton of `needles`, made once for the folder.
  void IndexNeedles(std::shared_ptr<const NeedleSet> needles) const {
    text_.IndexNeedles(std::move(needles));
  }
  /// The needles last given to IndexNeedles (nullptr when none were), for
  /// a derived text to index the same way.
  const std::shared_ptr<const NeedleSet>& IndexedNeedles() const { return text_.needle_set(); }

  // Facts the text layer derives from the page once and shares between all
  // the readers' calls on it: each is made by `make()` on first use and kept
  // as long as the page. A page is read by one thread at a time (an issue
  // folder goes through the run's stages one after another), so no lock.

  /// The charset the page is decoded by (see PageCharset).
  template <typename Make>
  Charset KeptCharset(Make make) const {
    if (!charset_) charset_ = make();
    return *charset_;
  }
  /// What the page's issue title gives an entry's fields (see
  /// SetIssueTitleOf).
  template <typename Make>
  const ArticleFields& KeptIssueTitleFields(Make make) const {
    if (!issue_title_fields_) issue_title_fields_ = std::make_shared<const ArticleFields>(make());
    return *issue_title_fields_;
  }

 private:
  static constexpr size_t kBlock = 8;
  /// A length byte that stands for a length kept in long_lengths_.
  static constexpr unsigned char kLong = 255;

  /// Splits `bytes` into the page's text and lines, in their own storage.
  void Split(std::string bytes);
  /// Records a line ending at `end` of the text built so far.
  void AddLine(size_t end);

  IndexedText text_;
  /// lengths_[i]: the length of line i, or kLong.
  std::vector<unsigned char> lengths_;
  /// (line, length) of every line of kLong bytes or more, by line.
  std::vector<std::pair<size_t, size_t>> long_lengths_;
  /// block_starts_[b]: LineStart(b * kBlock).
  std::vector<uint32_t> block_starts_{0};
  size_t line_end_ = 0;
  mutable std::optional<Charset> charset_;
  mutable std::shared_ptr<const ArticleFields> issue_title_fields_;
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
  /// Makes `bytes` the page at `path`, taking their storage for its text.
  void Adopt(const std::string& path, std::string&& bytes);
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
    if (pages_.empty()) return;
    const auto set = std::make_shared<const NeedleSet>(needles);
    for (const auto& [path, page] : pages_) page.IndexNeedles(set);
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

#endif  // PDFINDEX_TEXT_PAGE_H_
