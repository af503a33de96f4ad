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

// Publisher keywords in the order they are tested: the first one found
// anywhere in the path (case-sensitive) decides.
enum class Publisher {
  kScienceDirect,
  kEmbo,
  kSpringer,
  kElsevier,
  kAmChemSoc,
  kAmInstPhys,
  kAmMathSoc,
  kJBCOnline,
  kNone,
};

struct Keyword {
  const char* text;
  Publisher publisher;
};

constexpr Keyword kKeywords[] = {
    {"ScienceDirect", Publisher::kScienceDirect},
    {"Embo", Publisher::kEmbo},
    {"Springer", Publisher::kSpringer},
    {"Elsevier", Publisher::kElsevier},
    {"AmChemSoc", Publisher::kAmChemSoc},
    {"AmInstPhys", Publisher::kAmInstPhys},
    {"AmMathSoc", Publisher::kAmMathSoc},
    {"JBCOnline", Publisher::kJBCOnline},
};

// The first keyword held by `path`; `skip_elsevier` leaves "Elsevier" out of
// the search, as the article side has no Elsevier finder.
Publisher PublisherOf(const std::string& path, bool skip_elsevier) {
  for (const Keyword& keyword : kKeywords) {
    if (skip_elsevier && keyword.publisher == Publisher::kElsevier) continue;
    if (PosOf(keyword.text, path) != 0) return keyword.publisher;
  }
  return Publisher::kNone;
}

}  // namespace

std::string_view ArticlePublisher(const std::string& folder) {
  const Publisher publisher = PublisherOf(folder, true);
  for (const Keyword& keyword : kKeywords) {
    if (keyword.publisher == publisher) return keyword.text;
  }
  return "none";
}

std::string IssueTitle(const ReaderContext& context, const std::string& page_path) {
  const PageSet& pages = context.pages;
  switch (PublisherOf(page_path, false)) {
    case Publisher::kScienceDirect:
      return ScienceDirectIssueTitle(pages, context.console, page_path);
    case Publisher::kEmbo:
      return EmboIssueTitle(pages, page_path);
    case Publisher::kSpringer:
      return SpringerIssueTitle(pages, page_path);
    case Publisher::kAmChemSoc:
      return AmChemSocIssueTitle(pages, page_path);
    case Publisher::kAmInstPhys:
      return AmInstPhysIssueTitle(pages, page_path);
    case Publisher::kAmMathSoc:
      return AmMathSocIssueTitle(pages, page_path);
    case Publisher::kJBCOnline:
      return JBCOnlineIssueTitle(pages, page_path);
    case Publisher::kElsevier:
    case Publisher::kNone:
      break;
  }
  return ElsevierIssueTitle(pages, page_path);
}

std::string ArticleDescription(const ReaderContext& context, const std::string& base,
                               const std::string& folder, NameList& pages, bool* matched) {
  const PageSet& set = context.pages;
  switch (PublisherOf(folder, true)) {
    case Publisher::kScienceDirect:
      return ScienceDirectArticle(set, base, folder, pages, matched);
    case Publisher::kEmbo:
      return EmboArticle(set, base, folder, pages, matched);
    case Publisher::kSpringer:
      return SpringerArticle(set, base, folder, pages, matched);
    case Publisher::kAmChemSoc:
      return AmChemSocArticle(set, base, folder, pages, matched);
    case Publisher::kAmMathSoc:
      return AmMathSocArticle(set, base, folder, pages, matched);
    case Publisher::kJBCOnline:
      return JBCOnlineArticle(set, base, folder, pages, matched);
    case Publisher::kAmInstPhys:
    case Publisher::kElsevier:
    case Publisher::kNone:
      break;
  }
  return AmInstPhysArticle(set, base, folder, pages, matched);
}

std::vector<std::string> ArticleKeys(const std::string& folder, const std::string& base) {
  switch (PublisherOf(folder, true)) {
    case Publisher::kScienceDirect:
      return ScienceDirectArticleKeys(base);
    case Publisher::kEmbo:
      return EmboArticleKeys(base);
    case Publisher::kSpringer:
      return SpringerArticleKeys(base);
    case Publisher::kAmChemSoc:
      return AmChemSocArticleKeys(base);
    case Publisher::kAmMathSoc:
      return AmMathSocArticleKeys(base);
    case Publisher::kJBCOnline:
      return JBCOnlineArticleKeys(base);
    case Publisher::kAmInstPhys:
    case Publisher::kElsevier:
    case Publisher::kNone:
      break;
  }
  return AmInstPhysArticleKeys(base);
}

}  // namespace pdfindex
