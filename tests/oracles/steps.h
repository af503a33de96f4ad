// The steps the oracles share, and each reader's oracle as the table in
// oracles.cc names it.
#ifndef PDFINDEX_TESTS_ORACLES_STEPS_H_
#define PDFINDEX_TESTS_ORACLES_STEPS_H_

#include <algorithm>
#include <optional>
#include <string>

#include "oracles/oracles.h"
#include "text/page.h"
#include "text/positions.h"

namespace pdfindex {

/// Reads lines of `cursor` into *line until one holds `needle` or the page
/// ends; true when the last line read holds it.
bool ReadLineHolding(PageCursor& cursor, const std::string& needle, std::string* line);

/// The pages of an issue folder in list order, each read from its start
/// through the first line that holds a key.
class PageWalk {
 public:
  /// Walks `list` from its start over the pages of `pages` under `folder`.
  PageWalk(const PageSet& pages, const std::string& folder, NameList& list);

  /// Moves on to the next page of the list that opens, at its start; false
  /// when the list ends.
  bool Next();

  /// Moves on to the next page of the list that opens and holds `key` in a
  /// line, read through that line; false when the list ends.
  bool NextHolding(const std::string& key);

  /// Where the reading of the page stands.
  PageCursor& cursor() { return *cursor_; }

  /// The page's lines read so far, joined with nothing between them.
  std::string text;

 private:
  const PageSet& pages_;
  const std::string& folder_;
  NameList& list_;
  std::optional<PageCursor> cursor_;
};

/// The text of the first line of the page at `path` that holds `close`, cut
/// there and after the `open` before it (when there is one); false when the
/// page cannot be opened or no line holds `close`.
bool ElementText(const PageSet& pages, const std::string& path, const std::string& open,
                 const std::string& close, std::string* text);

/// Removes every `tag` from `text`, the first one at a time.
void RemoveEach(std::string& text, const std::string& tag);

/// Removes the pattern's byte at `offset` wherever the pattern occurs, again
/// and again, as the clean-up steps are written.
void RemoveRepeatedly(std::string& text, const std::string& pattern, Pos offset);

/// Moves the last 20 bytes of `remaining` to the front of `tail` until the
/// tail holds `tag` or 10 bytes or fewer remain; 11 to 19 remaining bytes
/// move whole. True when the tail holds `tag`.
bool ScanBack(std::string& remaining, std::string& tail, const std::string& tag);

std::string AmChemSocTitleOracle(const PageSet& pages, const std::string& path);
std::string AmChemSocArticleOracle(const PageSet& pages, const std::string& base,
                                   const std::string& folder, NameList& list, bool* matched);
std::string AmInstPhysTitleOracle(const PageSet& pages, const std::string& path);
std::string AmInstPhysArticleOracle(const PageSet& pages, const std::string& base,
                                    const std::string& folder, NameList& list, bool* matched);
std::string AmMathSocTitleOracle(const PageSet& pages, const std::string& path);
std::string AmMathSocArticleOracle(const PageSet& pages, const std::string& base,
                                   const std::string& folder, NameList& list, bool* matched);
std::string ElsevierTitleOracle(const PageSet& pages, const std::string& path);
std::string EmboTitleOracle(const PageSet& pages, const std::string& path);
std::string EmboArticleOracle(const PageSet& pages, const std::string& base,
                              const std::string& folder, NameList& list, bool* matched);
std::string JBCOnlineTitleOracle(const PageSet& pages, const std::string& path);
std::string JBCOnlineArticleOracle(const PageSet& pages, const std::string& base,
                                   const std::string& folder, NameList& list, bool* matched);
std::string ScienceDirectTitleOracle(const PageSet& pages, const std::string& path);
std::string ScienceDirectArticleOracle(const PageSet& pages, const std::string& base,
                                       const std::string& folder, NameList& list, bool* matched);
std::string SpringerTitleOracle(const PageSet& pages, const std::string& path);
std::string SpringerArticleOracle(const PageSet& pages, const std::string& base,
                                  const std::string& folder, NameList& list, bool* matched);

}  // namespace pdfindex

#endif  // PDFINDEX_TESTS_ORACLES_STEPS_H_
