// The publisher readers as the fuzz targets drive them: both entry points of
// each reader, what it gives for a page it cannot open or an entry it cannot
// find, and the needles its finder searches for. PDFINDEX_FUZZ_READER (set
// per target by the build) picks one.
#ifndef PDFINDEX_FUZZ_READERS_H_
#define PDFINDEX_FUZZ_READERS_H_

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/disk.h"
#include "text/page.h"
#include "collections/utypes.h"
#include "readers/amchemsoc.h"
#include "readers/aminstphys.h"
#include "readers/ammathsoc.h"
#include "readers/elsevier.h"
#include "readers/embo.h"
#include "readers/jbconline.h"
#include "readers/sciencedirect.h"
#include "readers/springer.h"

namespace pdfindex {

using TitleReader = TitleRecord (*)(const Page*, const std::string&);
using ArticleFinder = ArticleRecord (*)(const IssuePages&, const std::string&);
using KeyList = std::vector<std::string> (*)(const std::string&);

struct FuzzedReader {
  std::string_view name;
  /// The publisher folder the reader serves.
  std::string_view keyword;
  TitleReader title;
  /// The title of a page that cannot be opened is its path (else "").
  bool unopenable_title_is_path;
  /// nullptr for a reader without a finder.
  ArticleFinder article;
  /// What the finder gives when no page holds the PDF's entry.
  std::string_view no_entry;
  /// The needles the finder searches for (nullptr for a reader without a
  /// finder).
  KeyList keys;
};

inline constexpr FuzzedReader kFuzzedReaders[] = {
    {"sciencedirect", "ScienceDirect", ScienceDirectIssueTitle, true, ScienceDirectArticle,
     "; .<BR>", ScienceDirectArticleKeys},
    {"embo", "Embo", EmboIssueTitle, false, EmboArticle, "", EmboArticleKeys},
    {"springer", "Springer", SpringerIssueTitle, false, SpringerArticle, "", SpringerArticleKeys},
    {"elsevier", "Elsevier", ElsevierIssueTitle, true, nullptr, "", nullptr},
    {"amchemsoc", "AmChemSoc", AmChemSocIssueTitle, false, AmChemSocArticle, " <BR>",
     AmChemSocArticleKeys},
    {"aminstphys", "AmInstPhys", AmInstPhysIssueTitle, true, AmInstPhysArticle, "",
     AmInstPhysArticleKeys},
    {"ammathsoc", "AmMathSoc", AmMathSocIssueTitle, true, AmMathSocArticle, "",
     AmMathSocArticleKeys},
    {"jbconline", "JBCOnline", JBCOnlineIssueTitle, true, JBCOnlineArticle, "",
     JBCOnlineArticleKeys},
};

/// The reader named `name`; the run stops when there is none.
inline const FuzzedReader& ReaderNamed(std::string_view name) {
  for (const FuzzedReader& reader : kFuzzedReaders) {
    if (reader.name == name) return reader;
  }
  std::abort();
}

}  // namespace pdfindex

#endif  // PDFINDEX_FUZZ_READERS_H_
