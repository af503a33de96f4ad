#include "readers/sciencedirect.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "text/encoding.h"
#include "text/fields.h"
#include "text/plain_text.h"
#include "text/positions.h"

namespace pdfindex {

TitleRecord ScienceDirectIssueTitle(const Page* page, const std::string& page_path) {
  if (page == nullptr) return PathTitle(page_path);
  PageCursor cursor(*page);
  bool found = false;
  std::string line = ReadLinesUntil(cursor, "</title>", &found);
  if (!found) return PathTitle(page_path);
  CutAt(line, "</title>");
  const Pos open = PosOf("<title>", line);
  if (open > 0) DeleteRange(line, 1, open + 6);
  CutAt(line, ": Free Sample Issue.");
  return PageTitle(*page, std::move(line));
}

namespace {

constexpr char kBlank = ' ';
constexpr size_t kNone = std::string_view::npos;

// The start of a link into the publisher's article host, in the three
// spellings that end an entry's authors.
constexpr std::string_view kArticleLinks[] = {
    "<a href=\"http://www.sciencedirect.com/science",
    "<A href=\"http://www.sciencedirect.com/science",
    "<A HREF=\"http://www.sciencedirect.com/science",
};

// The finder reads every line with its runs of blanks cut to one blank.
void AppendSqueezed(std::string& out, std::string_view raw) {
  bool after_blank = false;
  for (const char c : raw) {
    if (c == kBlank && after_blank) continue;
    after_blank = c == kBlank;
    out.push_back(c);
  }
}

// What marks an article's entry on a page: its pages, in one of two forms,
// directly followed by "<", on a line whose blank runs are cut to one blank.
struct PageKeys {
  std::string range;   // "Pages " + base + "<"
  std::string single;  // "Page " + base + "<"
  // The keys' common end from their last blank on, which every raw line that
  // holds a key holds too; "" when no line can hold a key.
  std::string needle;
};

PageKeys KeysOf(const std::string& base) {
  PageKeys keys{"Pages " + base + "<", "Page " + base + "<", {}};
  // A line with its blank runs cut never holds two blanks in a row.
  if (keys.range.find("  ") == kNone) keys.needle = keys.range.substr(keys.range.rfind(kBlank));
  return keys;
}

// True when `line`, with its blank runs cut to one blank, holds `key` ending
// where line[0, end) ends. The key starts and ends with other bytes than
// blanks and holds no two blanks in a row, so each of its blanks stands for
// a whole run of blanks in the line.
bool HoldsKeyEndingAt(std::string_view line, size_t end, std::string_view key) {
  for (size_t i = key.size(); i-- > 0;) {
    if (end == 0 || line[end - 1] != key[i]) return false;
    --end;
    if (key[i] == kBlank) {
      while (end > 0 && line[end - 1] == kBlank) --end;
    }
  }
  return true;
}

bool IsKeyLine(const Page& page, size_t line, const PageKeys& keys) {
  const size_t start = page.LineStart(line);
  const size_t stop = page.LineStart(line + 1);
  for (size_t at = page.Find(keys.needle, start); at != kNone && at + keys.needle.size() <= stop;
       at = page.Find(keys.needle, at + 1)) {
    const size_t end = at + keys.needle.size() - start;
    if (HoldsKeyEndingAt(page.Line(line), end, keys.range) ||
        HoldsKeyEndingAt(page.Line(line), end, keys.single)) {
      return true;
    }
  }
  return false;
}

// The first and the last line of `page` that hold a key; false when none does.
bool FindKeyLines(const Page& page, const PageKeys& keys, size_t* first, size_t* last) {
  if (keys.needle.empty()) return false;
  bool found = false;
  for (size_t line = page.FindLine(keys.needle, 0); line < page.LineCount();
       line = page.FindLine(keys.needle, line + 1)) {
    if (!IsKeyLine(page, line, keys)) continue;
    if (!found) *first = line;
    *last = line;
    found = true;
  }
  return found;
}

// The lines of `page` that hold "<td": each empties the cell text, so an
// entry's cell starts after the last of them before its key line.
std::vector<size_t> CellOpeningLines(const Page& page) {
  std::vector<size_t> lines;
  for (size_t line = page.FindLine("<td", 0); line < page.LineCount();
       line = page.FindLine("<td", line + 1)) {
    lines.push_back(line);
  }
  return lines;
}

// The line that holds byte `pos` of the page's text (pos < its length).
size_t LineOf(const Page& page, size_t pos) {
  size_t low = 0;
  size_t high = page.LineCount();  // LineStart(low) <= pos < LineStart(high)
  while (high - low > 1) {
    const size_t middle = low + (high - low) / 2;
    (page.LineStart(middle) <= pos ? low : high) = middle;
  }
  return low;
}

// Lines first..last, each squeezed, joined with nothing between them.
std::string SqueezedLines(const Page& page, size_t first, size_t last) {
  std::string out;
  for (size_t line = first; line <= last; ++line) AppendSqueezed(out, page.Line(line));
  return out;
}

// The squeezed text from byte `pos` (not a blank) through the end of line
// `last`, each line squeezed on its own.
std::string SqueezedFrom(const Page& page, size_t pos, size_t last) {
  const size_t line = LineOf(page, pos);
  std::string out;
  AppendSqueezed(out, page.Text().substr(pos, page.LineStart(line + 1) - pos));
  if (line < last) out += SqueezedLines(page, line + 1, last);
  return out;
}

// The last `count` bytes (all when there are fewer) of the squeezed text of
// lines first.. that stands before byte `pos` (not a blank), read backwards
// so that only those bytes are looked at.
std::string SqueezedBefore(const Page& page, size_t first, size_t pos, size_t count) {
  const std::string_view text = page.Text();
  std::string reversed;
  size_t end = pos;
  for (size_t line = LineOf(page, pos);; --line) {
    const size_t start = page.LineStart(line);
    while (end > start && reversed.size() < count) {
      const char c = text[--end];
      reversed.push_back(c);
      if (c == kBlank) {
        while (end > start && text[end - 1] == kBlank) --end;
      }
    }
    if (reversed.size() >= count || line == first) break;
    end = start;
  }
  return {reversed.rbegin(), reversed.rend()};
}

// The entry text of the key line `key`: the squeezed lines after the last
// line that holds "<td" through the key line, joined. It is cut to begin at
// most four bytes before its last cell opening, "<TD" or else "<td", as
// moving its end five bytes at a time to a collected text until that holds
// the opening does; only the part from the opening on is ever squeezed.
// `openings`: the page's CellOpeningLines.
std::string EntryFromLastCellOpening(const Page& page, const std::vector<size_t>& openings,
                                     size_t key) {
  const auto after = std::upper_bound(openings.begin(), openings.end(), key);
  const size_t first = after == openings.begin() ? 0 : *(after - 1) + 1;
  if (first > key) return {};  // the key line itself holds "<td"
  const size_t start = page.LineStart(first);
  const std::string_view cell = page.Text().substr(start, page.LineStart(key + 1) - start);
  for (const std::string_view opening : {std::string_view("<TD"), std::string_view("<td")}) {
    const size_t last = FindLastBefore(cell, opening, cell.size());
    if (last == kNone) continue;
    std::string text =
        SqueezedBefore(page, first, start + last, 4) + SqueezedFrom(page, start + last, key);
    size_t from = text.size();
    ScanBack(text, text.size(), &from, opening, 5);
    return text.substr(from);
  }
  return SqueezedLines(page, first, key);
}

// Replaces the first `tag` by one blank, unless a blank follows it already.
void TagToBlank(std::string& text, std::string_view tag) {
  const Pos at = RemoveFirst(text, tag);
  if (at > 0 && (at > Len(text) || text[static_cast<size_t>(at - 1)] != kBlank)) {
    InsertAt(" ", text, at);
  }
}

// Deletes the first three bytes as long as `tag` is left: the text then
// starts 3 * (p / 3 + 1) bytes in, p being where its last tag starts.
void DropThreesWhileHolding(std::string& text, std::string_view tag) {
  const size_t last = text.rfind(tag);
  if (last != kNone) DeleteRange(text, 1, static_cast<Pos>((last / 3 + 1) * 3));
}

// Turns the entry text, cut to its last cell opening, into the description's
// title and pages: "Cell growth ; pag. 12-19".
void FinishEntry(std::string& entry, const std::string& base) {
  CutAt(entry, "</NOBR> </I><BR>");
  CutAt(entry, "</nobr> </i><br>");
  TagToBlank(entry, "</B><I><NOBR>");
  TagToBlank(entry, "</b><i><nobr>");
  if (PosOf("<TD", entry) > 0) {
    DeleteRange(entry, 1, PosOf("<TD", entry) - 1);
  } else if (PosOf("<td", entry) > 0) {
    DeleteRange(entry, 1, PosOf("<td", entry) - 1);
  }
  DropThreesWhileHolding(entry, "<B>");
  DropThreesWhileHolding(entry, "<b>");
  Pos comma = PosOf(", Pages " + base, entry);
  if (comma == 0) comma = PosOf(", Page " + base, entry);
  if (comma > 0) entry[static_cast<size_t>(comma - 1)] = ';';
  if (PosOf("Pages", entry) > 0) {
    ReplaceFirst(entry, "Pages", "pag.");
  } else {
    ReplaceFirst(entry, "Page", "pag.");
  }
}

bool EndsWithArticleLink(std::string_view text) {
  return std::any_of(std::begin(kArticleLinks), std::end(kArticleLinks),
                     [text](std::string_view link) { return EndsWith(text, link); });
}

// The authors text: the lines after the first key line of each page that
// holds one, joined with their blank runs cut to one blank, up to the line
// at which it first holds an article-host link. Only what can still change
// the finished text is kept: the text ends right after that link (finishing
// cuts the link and all after it), and once it holds three ">" before any
// link it finishes as "" whatever follows, since finishing takes away at
// most two ">" before it drops a text that still holds one.
class AuthorsText {
 public:
  void Collect(const Page& page, size_t key_line) {
    if (settled_) return;
    for (const char c : page.Text().substr(page.LineStart(key_line + 1))) {
      if (c == kBlank && !text_.empty() && text_.back() == kBlank) continue;
      text_.push_back(c);
      if (c == '>' && ++closings_ == 3) {
        text_.clear();
        settled_ = true;
        return;
      }
      if (c == 'e' && EndsWithArticleLink(text_)) {
        settled_ = true;
        return;
      }
    }
  }

  // The authors as the description shows them: "" when the text begins with
  // markup or holds markup other than one "<br>" and one "<BR>".
  std::string Finished() const {
    std::string authors = text_;  // its blank runs are cut already
    if (!authors.empty() && authors.front() == kBlank) authors.erase(0, 1);
    if (!authors.empty() && authors.front() == '<') authors.clear();
    for (const std::string_view link : kArticleLinks) CutAt(authors, link);
    RemoveFirst(authors, "<br>");
    RemoveFirst(authors, "<BR>");
    if (PosOf(">", authors) > 0) authors.clear();
    return authors;
  }

 private:
  std::string text_;
  int closings_ = 0;
  bool settled_ = false;
};

// How far after its key line an entry's names are looked for.
constexpr size_t kNamesBytes = 4096;

// LinedText(page, start, start + kNamesBytes) made line by line up to the
// line that holds the first "<br>" or "<a " (any case), where the names end:
// what follows those is never read.
std::string NamesText(const Page& page, size_t start) {
  const std::string_view text = page.Text();
  const size_t end = std::min(start + kNamesBytes, text.size());
  std::string out;
  if (start >= end) return out;
  size_t line = page.LineOf(start);
  for (size_t line_start = page.LineStart(line); line < page.LineCount(); ++line) {
    const size_t next = line_start + page.LineLength(line);
    const size_t from = std::max(start, line_start);
    const size_t to = std::min(end, next);
    if (from >= to) break;
    // An "<a" at the end of the lines so far meets the blank put after it.
    const size_t look = out.size() < 3 ? 0 : out.size() - 3;
    if (!out.empty()) out.push_back(' ');
    out.append(text.substr(from, to - from));
    if (FindNoCase(out, "<br>", look) != kNone || FindNoCase(out, "<a ", look) != kNone) break;
    line_start = next;
  }
  return out;
}

// The fields of the entry whose key line is `key`: the bold text of its cell
// is the title, the lines after the key line up to the first break or link
// the authors (affiliation marks dropped, lines kept apart), and the key the
// page range. `openings`: the page's CellOpeningLines.
ArticleFields EntryFields(const Page& page, const std::vector<size_t>& openings, size_t key,
                          const std::string& base) {
  ArticleFields fields;
  const auto after = std::upper_bound(openings.begin(), openings.end(), key);
  const size_t first = after == openings.begin() ? 0 : *(after - 1);
  const std::string cell = LinedText(page, page.LineStart(first), page.LineStart(key + 1));
  std::string_view bold = cell;
  for (size_t at = bold.find("<td"); at != kNone; at = bold.find("<td")) bold.remove_prefix(at + 3);
  for (size_t at = bold.find("<TD"); at != kNone; at = bold.find("<TD")) bold.remove_prefix(at + 3);
  fields.title = FieldText(page, Between(bold, "<b>", "</b>"));
  // The authors stand on the lines after the key line; a few lines hold them.
  const size_t start = page.LineStart(key + 1);
  const std::string rest = NamesText(page, start);
  const std::string names = WithoutElements(Before(Before(rest, "<br>"), "<a "), "sup");
  fields.authors = AuthorList(FieldText(page, names));
  SetPageRange(base, &fields);
  SetIssueTitleOf(page, ScienceDirectIssueTitle, &fields);
  return fields;
}

}  // namespace

ArticleRecord ScienceDirectArticle(const IssuePages& pages, const std::string& base,
                                   FinderState& state) {
  const PageKeys keys = KeysOf(base);
  AuthorsText authors;
  const Page* entry_page = nullptr;
  size_t entry_line = 0;
  for (const Page* page : pages.pages) {
    size_t first = 0;
    size_t last = 0;
    if (page == nullptr || !FindKeyLines(*page, keys, &first, &last)) continue;
    authors.Collect(*page, first);
    entry_page = page;  // a later key line replaces the entry
    entry_line = last;
  }
  ArticleRecord record;
  record.found = entry_page != nullptr;
  std::string entry;
  if (entry_page != nullptr) {
    const std::vector<size_t>& openings = state.cell_opening_lines.Get(
        *entry_page, [entry_page] { return CellOpeningLines(*entry_page); });
    entry = EntryFromLastCellOpening(*entry_page, openings, entry_line);
    if (pages.want_fields) record.fields = EntryFields(*entry_page, openings, entry_line, base);
  }
  FinishEntry(entry, base);
  record.classic = authors.Finished() + "; " + entry + "." + "<BR>";
  return record;
}

std::vector<std::string> ScienceDirectArticleKeys(const std::string& base) {
  PageKeys keys = KeysOf(base);
  if (keys.needle.empty()) return {};
  return {std::move(keys.needle)};
}

}  // namespace pdfindex
