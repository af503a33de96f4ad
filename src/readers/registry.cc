#include "readers/registry.h"

#include "text/positions.h"
#include "readers/amchemsoc.h"
#include "readers/aminstphys.h"
#include "readers/ammathsoc.h"
#include "readers/elsevier.h"
#include "readers/embo.h"
#include "readers/jbconline.h"
#include "readers/sciencedirect.h"
#include "readers/springer.h"

namespace pdfindex {

namespace {

using TitleReader = TitleRecord (*)(const Page*, const std::string&);
using ArticleFinder = ArticleRecord (*)(const IssuePages&, const std::string&);
using KeyList = std::vector<std::string> (*)(const std::string&);

// A publisher keyword and the readers it selects. Elsevier has no finder of
// its own: the article side skips it, and its folders get the general one.
// (cppcheck does not see the members called through PublisherOf's result.)
struct Publisher {
  std::string_view keyword;
  // cppcheck-suppress unusedStructMember
  TitleReader title;
  ArticleFinder article;
  // cppcheck-suppress unusedStructMember
  KeyList keys;
};

// The keywords in the order they are tested: the first one found anywhere in
// the path (byte-exact, case-sensitive) decides.
constexpr Publisher kPublishers[] = {
    {"ScienceDirect", ScienceDirectIssueTitle, ScienceDirectArticle, ScienceDirectArticleKeys},
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
constexpr Publisher kGeneral = {"none", ElsevierIssueTitle, AmInstPhysArticle,
                                AmInstPhysArticleKeys};

// The publisher of the first keyword in `path`; `finders_only` skips the
// keywords that select no finder.
const Publisher& PublisherOf(const std::string& path, bool finders_only) {
  for (const Publisher& publisher : kPublishers) {
    if (finders_only && publisher.article == nullptr) continue;
    if (PosOf(publisher.keyword, path) != 0) return publisher;
  }
  return kGeneral;
}

}  // namespace

std::string_view TitlePublisher(const std::string& page_path) {
  return PublisherOf(page_path, false).keyword;
}

bool PausesOnUnopenablePage(std::string_view keyword) { return keyword == "ScienceDirect"; }

std::string_view ArticlePublisher(const std::string& folder) {
  return PublisherOf(folder, true).keyword;
}

TitleRecord IssueTitle(const Page* page, const std::string& page_path) {
  return PublisherOf(page_path, false).title(page, page_path);
}

ArticleRecord ArticleDescription(const IssuePages& pages, const std::string& base) {
  return PublisherOf(pages.folder, true).article(pages, base);
}

std::vector<std::string> ArticleKeys(const std::string& folder, const std::string& base) {
  return PublisherOf(folder, true).keys(base);
}

}  // namespace pdfindex
