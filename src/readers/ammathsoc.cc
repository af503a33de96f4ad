#include "readers/ammathsoc.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "text/fields.h"
#include "text/plain_text.h"
#include "text/positions.h"

namespace pdfindex {

namespace {

constexpr std::string_view kAltLower = "alt=\"";
constexpr std::string_view kAltUpper = "ALT=\"";

// The text before an entry's key while the finder takes it apart. The scans
// move bytes from the end of the remaining text text[0, start) to the front
// of the tail text[start, end); each tag found cuts the tail back to it. Both
// are slices of the page's joined text, so nothing is copied until a piece
// is taken out.
struct EntryText {
  std::string_view text;
  size_t start;
  size_t end;
};

// Scans back for `tag` and, when the tail holds it, cuts the tail there and
// returns what followed the tag in the tail; "" when the tail lacks it.
// *range, when given, gets where that piece lies in the text.
std::string TakeAfter(EntryText& entry, std::string_view tag,
                      std::pair<size_t, size_t>* range = nullptr) {
  const size_t at =
      ScanBack(entry.text, entry.end, &entry.start, tag, kEntryScanStep, kEntryScanFloor);
  if (at == std::string_view::npos) return {};
  const size_t from = at + tag.size();
  if (range != nullptr) *range = {from, entry.end};
  std::string piece(entry.text.substr(from, entry.end - from));
  entry.end = at;
  return piece;
}

// The pieces of an entry as ranges of the page's text ({0, 0} when the
// entry lacks one).
struct PieceRanges {
  std::pair<size_t, size_t> reference;
  std::pair<size_t, size_t> definition;
  std::pair<size_t, size_t> term;
};

// The fields of an entry: the term is the title, the definition the
// authors (a review's reviewer), and the reference the journal in bold, the
// volume, the year in parentheses and the page range.
ArticleFields EntryFields(const Page& page, const PieceRanges& ranges) {
  const auto piece = [&page](std::pair<size_t, size_t> range) {
    return LinedText(page, range.first, range.second);
  };
  ArticleFields fields;
  fields.title = FieldText(page, piece(ranges.term));
  std::string names = FieldText(page, piece(ranges.definition));
  if (names.starts_with("Reviewer:")) {
    names.erase(0, 9);
    if (fields.title.ends_with('.')) fields.title.pop_back();
  }
  fields.authors = AuthorList(names);
  const std::string reference = piece(ranges.reference);
  fields.container = FieldText(page, Between(reference, "<strong>", "</strong>"));
  const std::string source = FieldText(page, After(reference, "</strong>"));
  const size_t open = source.find('(');
  fields.volume = FieldText(page, source.substr(0, std::min(open, source.size())));
  if (open != std::string::npos) {
    fields.year = FieldText(page, Between(source.substr(open), "(", ")"));
    SetPageRange(After(source.substr(open), ")"), &fields);
  }
  return fields;
}

// The description of the entry `key` links from on `page`; false when no
// line of the page holds the key by itself. *fields (when given) gets its
// fields.
bool DescribeEntry(const Page& page, const std::string& key, std::string* description,
                   ArticleFields* fields) {
  if (page.FindLine(key, 0) == page.LineCount()) return false;
  // The entry ends at the key's first occurrence in the lines read through
  // its line, which may be one that spans a line end earlier on.
  const size_t at = page.Find(key);
  EntryText entry{page.Text(), at, at};

  TakeAfter(entry, "<br><a href=\"");
  PieceRanges ranges;
  std::string reference = TakeAfter(entry, "<br>", &ranges.reference);
  RemoveFirst(reference, "<strong>");
  RemoveFirst(reference, "</strong>");
  std::string definition = TakeAfter(entry, "</em></big></dt>", &ranges.definition);
  RemoveAll(definition, "<br>");
  RemoveAll(definition, "<dd>");
  std::string term = TakeAfter(entry, "<dt><big><em>", &ranges.term);
  if (fields != nullptr) *fields = EntryFields(page, ranges);

  // A review's term ends in a full stop, which gives way to the ";" that
  // every other term gets added.
  if (PosOf("Reviewer", definition) > 0) {
    ReplaceLastByte(term, ';');
  } else {
    term += ';';
  }
  *description = definition + "; " + term + reference + "<BR>";
  return true;
}

std::string ArticleKey(const std::string& base) { return "=" + base + "\">"; }

}  // namespace

TitleRecord AmMathSocIssueTitle(const Page* page, const std::string& page_path) {
  if (page == nullptr) return PathTitle(page_path);
  // The first line holding either form; on it the lower-case form is taken
  // when it is there, wherever the upper-case one stands.
  const size_t holding = std::min(page->FindLine(kAltLower, 0), page->FindLine(kAltUpper, 0));
  if (holding == page->LineCount()) return PathTitle(page_path);
  std::string line(page->Line(holding));
  Pos p = PosOf(kAltLower, line);
  if (p == 0) p = PosOf(kAltUpper, line);
  DeleteRange(line, 1, p + Len(kAltLower) - 1);
  // Only a quote followed by a blank closes the value; any other closing
  // quote stays, with the rest of the line.
  CutAt(line, "\" ");
  return PageTitle(*page, std::move(line));
}

ArticleRecord AmMathSocArticle(const IssuePages& pages, const std::string& base,
                               FinderState& /*state*/) {
  ArticleRecord record;
  const std::string key = ArticleKey(base);
  for (const Page* page : pages.pages) {
    ArticleFields* fields = pages.want_fields ? &record.fields : nullptr;
    if (page == nullptr || !DescribeEntry(*page, key, &record.classic, fields)) continue;
    record.found = true;
    if (fields != nullptr) SetIssueTitleOf(*page, AmMathSocIssueTitle, fields);
  }
  return record;
}

std::vector<std::string> AmMathSocArticleKeys(const std::string& base) {
  return {ArticleKey(base)};
}

}  // namespace pdfindex
