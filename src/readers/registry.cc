#include "readers/registry.h"

#include "readers/amchemsoc.h"
#include "readers/aminstphys.h"
#include "readers/ammathsoc.h"
#include "readers/elsevier.h"
#include "readers/embo.h"
#include "readers/jbconline.h"
#include "readers/sciencedirect.h"
#include "readers/springer.h"
#include "text/positions.h"

namespace pdfindex {

namespace {

// The one list of readers. Elsevier has no finder of its own: its folders
// get the general one. A ScienceDirect page that cannot be opened has the
// user fetch it again before the run goes on.
constexpr Reader kReaders[] = {
    {"ScienceDirect", ScienceDirectIssueTitle, ScienceDirectArticle, ScienceDirectArticleKeys,
     true},
    {"Embo", EmboIssueTitle, EmboArticle, EmboArticleKeys},
    {"Springer", SpringerIssueTitle, SpringerArticle, SpringerArticleKeys},
    {"Elsevier", ElsevierIssueTitle, nullptr, nullptr},
    {"AmChemSoc", AmChemSocIssueTitle, AmChemSocArticle, AmChemSocArticleKeys},
    {"AmInstPhys", AmInstPhysIssueTitle, AmInstPhysArticle, AmInstPhysArticleKeys},
    {"AmMathSoc", AmMathSocIssueTitle, AmMathSocArticle, AmMathSocArticleKeys},
    {"JBCOnline", JBCOnlineIssueTitle, JBCOnlineArticle, JBCOnlineArticleKeys},
};

// What serves a path that holds no keyword: the Elsevier title reader and the
// AmInstPhys finder, the two that rely least on one publisher's markup.
constexpr Reader kGeneral = {"none", ElsevierIssueTitle, AmInstPhysArticle,
                             AmInstPhysArticleKeys};

// The reader of the first keyword in `path`; `finders_only` skips the
// readers without a finder.
const Reader& ReaderOf(const std::string& path, bool finders_only) {
  for (const Reader& reader : kReaders) {
    if (finders_only && reader.find == nullptr) continue;
    if (PosOf(reader.keyword, path) != 0) return reader;
  }
  return kGeneral;
}

}  // namespace

std::span<const Reader> Readers() { return kReaders; }

const Reader& GeneralReader() { return kGeneral; }

const Reader& TitleReaderOf(const std::string& page_path) { return ReaderOf(page_path, false); }

const Reader& FinderOf(const std::string& folder) { return ReaderOf(folder, true); }

std::string_view TitlePublisher(const std::string& page_path) {
  return TitleReaderOf(page_path).keyword;
}

std::string_view ArticlePublisher(const std::string& folder) { return FinderOf(folder).keyword; }

TitleRecord IssueTitle(const Page* page, const std::string& page_path) {
  return TitleReaderOf(page_path).title(page, page_path);
}

ArticleRecord ArticleDescription(const IssuePages& pages, const std::string& base,
                                 FinderState& state) {
  return FinderOf(pages.folder).find(pages, base, state);
}

std::vector<std::string> ArticleKeys(const std::string& folder, const std::string& base) {
  return FinderOf(folder).keys(base);
}

}  // namespace pdfindex
