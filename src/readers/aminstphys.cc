#include "readers/aminstphys.h"

#include <cstdint>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "text/fields.h"
#include "text/plain_text.h"
#include "text/positions.h"
#include "text/text_index.h"

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

// Copies the bytes from `in` up to the next blank or carriage return (or
// `end`) to `out`, moving both on; returns where the copy stopped. Sixteen
// bytes at a time: a whole block is stored, and `out` moves on only by the
// bytes kept. The clean text written so far is never longer than the page
// read so far, so in a buffer the size of the page the store stays within
// it.
const char* CopyKept(const char* in, const char* end, char*& out) {
#ifdef __SSE2__
  const __m128i blank = _mm_set1_epi8(' ');
  const __m128i cr = _mm_set1_epi8('\r');
  while (end - in >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
    const int mask =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, blank), _mm_cmpeq_epi8(v, cr)));
    if (mask != 0) {
      const int kept = __builtin_ctz(static_cast<unsigned>(mask));
      out += kept;
      return in + kept;
    }
    out += 16;
    in += 16;
  }
#endif
  while (in < end && *in != ' ' && *in != '\r') *out++ = *in++;
  return in;
}

// One pass gives what the four clean-up steps give one after the other:
// carriage returns go (page lines hold none, but a run of blanks is not
// broken by one), every run of blanks becomes one blank, and that blank goes
// too when "<" follows the run or ">" precedes it. Tabs and other white
// space stay.
std::string CleanUp(std::string_view page) {
  // Written through a pointer into room for the whole page: the loop runs
  // once per byte of every page of the folder.
  std::string clean(page.size(), '\0');
  char* const first = clean.data();
  char* out = first;
  const char* in = page.data();
  const char* const end = in + page.size();
  while (in < end) {
    in = CopyKept(in, end, out);
    if (in == end) break;
    bool blanks = false;
    for (; in < end && (*in == ' ' || *in == '\r'); ++in) blanks = blanks || *in == ' ';
    // Nothing follows the last run: it is not followed by "<".
    if (blanks && (in == end || *in != '<') && (out == first || out[-1] != '>')) *out++ = ' ';
  }
  clean.resize(static_cast<size_t>(out - first));
  return clean;
}

// The matched page's clean text, made once for every PDF that the page
// describes, and indexed with the needles the page was indexed with, so that
// the link and marker searches in it are lookups as they are on the page.
IndexedText CleanText(const Page& page) {
  IndexedText clean(CleanUp(page.Text()));
  if (page.IndexedNeedles() != nullptr) clean.IndexNeedles(page.IndexedNeedles());
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
    const char c = rest[taken++];
    // Only a tag's end changes the depth, and only a "/" can end "</".
    if (c == '>') {
      depth += NestingChange(rest.substr(0, taken));
    } else if (c == '/' && depth < 1 && taken >= 2 && rest[taken - 2] == '<') {
      break;
    }
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
  // Made in place, with room for the break: the text can be nearly the
  // whole page.
  const std::string_view element =
      clean.text().substr(start, close == kNone ? kNone : close + 1 - start);
  std::string text;
  text.reserve(element.size() + 4);
  text.append(element.substr(0, element.empty() ? 0 : element.size() - 1));
  text += "<BR>";
  return text;
}

// Where the text after a title ends: the next cell, row, item, paragraph
// or term.
constexpr std::string_view kEntryEnds[] = {"</td", "<tr", "<li",     "</li", "</ul",
                                           "<p",   "<dt", "</table", "</dl", "<hr"};
// How far after its title an entry's names are looked for.
constexpr size_t kFollowingBytes = 4096;

// The fields of an entry whose title is the raw page text [title, title_end)
// and whose names follow it: the first piece between breaks after the title
// that is not a page range names the authors (less the base name where the
// page puts it first); a "Pages 101-106" piece gives the page range.
ArticleFields EntryFields(const Page& page, size_t title, size_t title_end, size_t after,
                          const std::string& base) {
  ArticleFields fields;
  fields.title = FieldText(page, LinedText(page, title, title_end));
  const std::string rest = LinedTextBefore(page, after, after + kFollowingBytes, kEntryEnds);
  std::string_view pieces = rest;
  while (!pieces.empty()) {
    const std::string_view html = Before(pieces, "<br>");
    pieces.remove_prefix(std::min(pieces.size(), html.size() + 4));
    std::string text = FieldText(page, WithoutElements(html, "sup"));
    if (text.starts_with(base)) text.erase(0, base.size());
    while (!text.empty() && (text[0] == ' ' || text[0] == '-')) text.erase(0, 1);
    if (text.starts_with("Pages ") || text.starts_with("Page ") || text.starts_with("pp. ")) {
      SetPageRange(text, &fields);
    } else if (!text.empty() && fields.authors.empty()) {
      fields.authors = AuthorList(text);
    }
  }
  return fields;
}

// The fields of the entry linked by `link` (the link key's last place in
// the raw page text), or named after `marker` when no link is there.
ArticleFields FieldsOf(const Page& page, const std::string& base) {
  const std::string_view text = page.Text();
  const size_t link = page.FindLast(LinkKey(base));
  if (link != kNone) {
    const size_t open = text.find('>', link);
    if (open == kNone) return {};
    const std::string_view rest = text.substr(open + 1, kFollowingBytes);
    const size_t close = Before(rest, "</a>").size();
    return EntryFields(page, open + 1, open + 1 + close, open + 1 + close + 4, base);
  }
  size_t marker = page.Find(MarkerKey(base));
  if (marker == kNone) marker = 0;
  const size_t strong = page.Find("<strong>", marker);
  if (strong == kNone) return {};
  const size_t close = page.Find("</strong>", strong);
  if (close == kNone) return {};
  return EntryFields(page, strong + 8, close, close + 9, base);
}

}  // namespace

TitleRecord AmInstPhysIssueTitle(const Page* page, const std::string& page_path) {
  if (page == nullptr) return PathTitle(page_path);
  PageCursor cursor(*page);
  bool selection = false;
  const std::string_view joined = JoinLinesUntil(cursor, kSelectionPhrase, &selection);
  return PageTitle(*page, selection ? SelectionTitle(joined) : TitleElement(joined));
}

ArticleRecord AmInstPhysArticle(const IssuePages& pages, const std::string& base,
                                FinderState& state) {
  ArticleRecord record;
  const Page* page = MatchedPage(pages, base);
  record.found = page != nullptr;
  if (page == nullptr) return record;
  const IndexedText& clean =
      state.normalised_text.Get(*page, [page] { return CleanText(*page); });
  const size_t link = clean.FindLast(LinkKey(base));
  if (pages.want_fields) {
    record.fields = FieldsOf(*page, base);
    SetIssueTitleOf(*page, AmInstPhysIssueTitle, &record.fields);
  }
  record.classic =
      link != kNone ? LinkForm(clean.text().substr(link)) : MarkerForm(clean, MarkerKey(base));
  return record;
}

std::vector<std::string> AmInstPhysArticleKeys(const std::string& base) {
  if (base.empty()) return {};
  return {base, LinkKey(base), MarkerKey(base)};
}

}  // namespace pdfindex
