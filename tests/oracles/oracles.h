// The readers read step by step: for each reader of the registry a plain,
// obviously correct reading of its steps (every line read with ReadPageLine,
// the text kept in whole-string copies and cut with the position
// primitives), slow but easy to check against the steps. The tests and the
// fuzzers hold each reader to what its oracle gives.
#ifndef PDFINDEX_TESTS_ORACLES_ORACLES_H_
#define PDFINDEX_TESTS_ORACLES_ORACLES_H_

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "collections/utypes.h"
#include "text/page.h"

namespace pdfindex {

/// The classic issue title of the page at `path` in `pages`, read step by
/// step.
using TitleOracle = std::string (*)(const PageSet& pages, const std::string& path);

/// The classic description of the PDF with base name `base` among the pages
/// of `list` (in its order) under `folder`, read step by step; *matched
/// (when given) tells whether a page held its entry.
using ArticleOracle = std::string (*)(const PageSet& pages, const std::string& base,
                                      const std::string& folder, NameList& list, bool* matched);

/// One reader's oracle, named by the reader's keyword.
struct Oracle {
  std::string_view keyword;
  TitleOracle title;
  /// nullptr for a reader without a finder of its own.
  ArticleOracle article;
};

/// The oracle of every reader of the registry, and of the general reader
/// (keyword "none").
std::span<const Oracle> Oracles();

/// The oracle of the reader with `keyword`; nullptr when there is none.
const Oracle* OracleOf(std::string_view keyword);

/// Lists `names` in `list` in their order.
void FillList(NameList& list, const std::vector<std::string>& names);

}  // namespace pdfindex

#endif  // PDFINDEX_TESTS_ORACLES_ORACLES_H_
