#include "readers/aminstphys.h"

#include <cstdint>
#include <string_view>

#include "catalogue/plain_text.h"
#include "catalogue/text.h"
#include "catalogue/text_index.h"

namespace pdfindex {

namespace {

constexpr std::string_view kSelectionPhrase = "Downloads of Select";
constexpr size_t kNone = std::string_view::npos;

// Selection pages name the issue after the phrase, up to the word that
// counts the articles: "articles" when it begins within the first 100 bytes
// after the phrase, else "Papers"; with neither, the rest of the line stays.
std::string SelectionTitle(std::string_view joined) {
  std::string title(joined.substr(joined.find(kSelectionPhrase) + kSelectionPhrase.size()));
  Pos cut = PosOf("articles", title);
  if (cut > 100 || cut == 0) cut = PosOf("Papers", title);
  DeleteRange(title, cut, Len(title));
  RemoveFirst(title, "<i>");
  RemoveFirst(title, "</i>");
  return title;
}

// Other pages name the issue in their title element, less the trailing words
// that say the page lists PDFs; a page without title tags gives all its text.
std::string TitleElement(std::string_view page_text) {
  std::string title(page_text);
  RemoveThroughIfHeld(title, "<TITLE>");
  CutAt(title, "</TITLE>");
  CutAt(title, "Portable Document Format Articles");
  return title;
}

// One pass gives what the four clean-up steps give one after the other:
// carriage returns go (page lines hold none, but a run of blanks is not
// broken by one), every run of blanks becomes one blank, and that blank goes
// too when "<" follows the run or ">" precedes it. Tabs and other white
// space stay.
std::string CleanUp(std::string_view page) {
  std::string clean;
  clean.reserve(page.size());
  const auto end_run = [&clean](bool blanks, char next) {
    if (blanks && next != '<' && (clean.empty() || clean.back() != '>')) clean.push_back(' ');
  };
  bool blanks = false;
  for (const char c : page) {
    if (c == ' ' || c == '\r') {
      blanks = blanks || c == ' ';
      continue;
    }
    end_run(blanks, c);
    blanks = false;
    clean.push_back(c);
  }
  end_run(blanks, '\0');  // nothing follows the last run
  return clean;
}

// The matched page's clean text, made once for every PDF that the page
// describes, and indexed with the needles the page was indexed with, so that
// the link and marker searches in it are lookups as they are on the page.
IndexedText CleanText(const Page& page) {
  IndexedText clean(CleanUp(page.Text()));
  clean.IndexNeedles(page.IndexedNeedles());
  return clean;
}

// The first page in list order whose text holds the base name; nullptr when
// none does.
const Page* MatchedPage(const IssuePages& pages, const std::string& base) {
  for (const Page* page : pages.pages) {
    if (page != nullptr && !base.empty() && page->Find(base) != kNone) return page;
  }
  return nullptr;
}

std::string LinkKey(const std::string& base) { return base + ".pdf\""; }

std::string MarkerKey(const std::string& base) {
  return "500" + CopyRange(base, 5, Len(base)) + "000";
}

struct NestingTag {
  std::string_view tag;
  int change;
};

constexpr NestingTag kNestingTags[] = {
    {"<sub>", 1}, {"</sub>", -1}, {"<SUB>", 1}, {"</SUB>", -1}, {"<sup>", 1}, {"</sup>", -1},
    {"<SUP>", 1}, {"</SUP>", -1}, {"<i>", 1},   {"</i>", -1},   {"<I>", 1},   {"</I>", -1},
    {"<b>", 1},   {"</b>", -1},   {"<B>", 1},   {"</B>", -1},
};

struct RemovedTag {
  std::string_view tag;
  Pos count;
};

// Line breaks and bold go from a link's text; "<h" takes four bytes as an
// opening heading tag has, and "<H>" takes the byte after it as well.
constexpr RemovedTag kRemovedTags[] = {
    {"<br>", 4}, {"<BR>", 4}, {"<b>", 3}, {"<B>", 3},
    {"</b>", 4}, {"</B>", 4}, {"<h", 4},  {"<H>", 4},
};

// Depth change of the nesting tag that `collected` ends with; 0 for none.
int NestingChange(std::string_view collected) {
  if (collected.empty() || collected.back() != '>') return 0;
  for (const NestingTag& t : kNestingTags) {
    if (EndsWith(collected, t.tag)) return t.change;
  }
  return 0;
}

// The link's text, from its key on: collected byte by byte up to the first
// "</" met outside the counted formatting tags (the link's closing tag), or
// to the end of the text; then the rest of the opening tag and the line
// breaks, bold and heading tags go.
std::string LinkForm(std::string_view rest) {
  std::int64_t depth = 0;
  size_t taken = 0;
  while (taken < rest.size()) {
    ++taken;
    const std::string_view collected = rest.substr(0, taken);
    depth += NestingChange(collected);
    if (depth < 1 && EndsWith(collected, "</")) break;
  }
  std::string text(rest.substr(0, taken));
  if (EndsWith(text, "</")) text.resize(text.size() - 2);
  RemoveThrough(text, ">");
  for (const RemovedTag& r : kRemovedTags) RemoveAtFirst(text, r.tag, r.count);
  return text + "<BR>";
}

// A page that names the PDF without linking it: the text of the first
// "<strong>" element after the marker (or after the page's start), less the
// last byte; without the tags the text runs to the page's end.
std::string MarkerForm(const IndexedText& clean, const std::string& marker) {
  size_t start = clean.Find(marker);
  if (start == kNone) start = 0;
  if (const size_t open = clean.Find("<strong>", start); open != kNone) start = open + 8;
  const size_t close = clean.Find("</strong>", start);
  std::string text(clean.text().substr(start, close == kNone ? kNone : close + 1 - start));
  if (!text.empty()) text.pop_back();
  return text + "<BR>";
}

}  // namespace

TitleRecord AmInstPhysIssueTitle(const Page* page, const std::string& page_path) {
  if (page == nullptr) return PathTitle(page_path);
  PageCursor cursor(*page);
  bool selection = false;
  const std::string_view joined = JoinLinesUntil(cursor, kSelectionPhrase, &selection);
  return PageTitle(*page, selection ? SelectionTitle(joined) : TitleElement(joined));
}

ArticleRecord AmInstPhysArticle(const IssuePages& pages, const std::string& base) {
  ArticleRecord record;
  const Page* page = MatchedPage(pages, base);
  record.found = page != nullptr;
  if (page == nullptr) return record;
  const IndexedText& clean =
      page->Derived<IndexedText>(kNormalisedText, [page] { return CleanText(*page); });
  const size_t link = clean.FindLast(LinkKey(base));
  record.classic =
      link != kNone ? LinkForm(clean.text().substr(link)) : MarkerForm(clean, MarkerKey(base));
  return record;
}

std::vector<std::string> AmInstPhysArticleKeys(const std::string& base) {
  if (base.empty()) return {};
  return {base, LinkKey(base), MarkerKey(base)};
}

}  // namespace pdfindex
