#include "catalogue/dispatch.h"

#include "catalogue/text.h"
#include "readers/aminstphys.h"
#include "readers/amchemsoc.h"
#include "readers/ammathsoc.h"
#include "readers/elsevier.h"
#include "readers/embo.h"
#include "readers/jbconline.h"
#include "readers/sciencedirect.h"
#include "readers/springer.h"

namespace pdfindex {

namespace {

using TitleReader = std::string (*)(const ReaderContext&, const std::string&);
using ArticleFinder = std::string (*)(const PageSet&, const std::string&, const std::string&,
                                      NameList&, bool*);
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

template <std::string (*Reader)(const PageSet&, const std::string&)>
std::string TitleFromPages(const ReaderContext& context, const std::string& page_path) {
  return Reader(context.pages, page_path);
}

std::string ScienceDirectTitle(const ReaderContext& context, const std::string& page_path) {
  return ScienceDirectIssueTitle(context.pages, context.console, page_path);
}

// The keywords in the order they are tested: the first one found anywhere in
// the path (byte-exact, case-sensitive) decides.
constexpr Publisher kPublishers[] = {
    {"ScienceDirect", ScienceDirectTitle, ScienceDirectArticle, ScienceDirectArticleKeys},
    {"Embo", TitleFromPages<EmboIssueTitle>, EmboArticle, EmboArticleKeys},
    {"Springer", TitleFromPages<SpringerIssueTitle>, SpringerArticle, SpringerArticleKeys},
    {"Elsevier", TitleFromPages<ElsevierIssueTitle>, nullptr, nullptr},
    {"AmChemSoc", TitleFromPages<AmChemSocIssueTitle>, AmChemSocArticle, AmChemSocArticleKeys},
    {"AmInstPhys", TitleFromPages<AmInstPhysIssueTitle>, AmInstPhysArticle,
     AmInstPhysArticleKeys},
    {"AmMathSoc", TitleFromPages<AmMathSocIssueTitle>, AmMathSocArticle, AmMathSocArticleKeys},
    {"JBCOnline", TitleFromPages<JBCOnlineIssueTitle>, JBCOnlineArticle, JBCOnlineArticleKeys},
};

// What serves a path that holds no keyword: the Elsevier title reader and the
// AmInstPhys finder, the two that rely least on one publisher's markup.
constexpr Publisher kGeneral = {"none", TitleFromPages<ElsevierIssueTitle>, AmInstPhysArticle,
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

std::string_view ArticlePublisher(const std::string& folder) {
  return PublisherOf(folder, true).keyword;
}

std::string IssueTitle(const ReaderContext& context, const std::string& page_path) {
  return PublisherOf(page_path, false).title(context, page_path);
}

std::string ArticleDescription(const ReaderContext& context, const std::string& base,
                               const std::string& folder, NameList& pages, bool* matched) {
  return PublisherOf(folder, true).article(context.pages, base, folder, pages, matched);
}

std::vector<std::string> ArticleKeys(const std::string& folder, const std::string& base) {
  return PublisherOf(folder, true).keys(base);
}

}  // namespace pdfindex
