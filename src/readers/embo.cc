#include "readers/embo.h"

#include <algorithm>
#include <utility>

#include "text/fields.h"
#include "text/plain_text.h"
#include "text/positions.h"

namespace pdfindex {

TitleRecord EmboIssueTitle(const Page* page, const std::string& /*page_path*/) {
  if (page == nullptr) return {};
  PageCursor cursor(*page);
  bool found = false;
  const std::string line = ReadLinesUntil(cursor, "<TITLE>", &found);
  std::string title = CopyRange(line, PosOf("<TITLE>", line) + 7, Len(line));
  CutAt(title, "</TITLE>");
  return PageTitle(*page, std::move(title));
}

namespace {

// The entry text of an Embo entry on `page`, or false when the page does not
// hold the entry opened and closed by `key`. The entry starts two bytes after
// the first line's key and runs through the byte after the next key, which
// must stand in the opening line's rest or in a line appended after it that
// is not the page's last (the line that reaches the page's end is appended
// but never searched).
bool EntryText(const Page& page, const std::string& key, std::string* entry, size_t* from) {
  PageCursor cursor(page);
  bool found = false;
  const std::string line = ReadLinesUntil(cursor, key, &found);
  if (!found) return false;
  const size_t opening = cursor.next_line() - 1;
  const size_t skip = static_cast<size_t>(PosOf(key, line)) + key.size() + 1;
  const size_t start = page.LineStart(opening) + std::min(skip, line.size());

  // The lines appended one by one in the closing search are the joined text
  // that follows, so the search runs once over that text.
  const size_t at = page.Find(key, start);
  if (at == std::string_view::npos) return false;
  const size_t closing = page.LineOf(at + key.size() - 1);
  if (closing != opening && closing + 1 >= page.LineCount()) return false;
  const size_t end = std::min(at + key.size() + 1, page.LineStart(closing + 1));
  *entry = std::string(page.Text().substr(start, end - start));
  *from = start;
  return true;
}

// The link key: the end of a link address whose last segment is the base
// name; it both opens and closes an entry.
std::string LinkKey(const std::string& base) { return "/" + base + "\""; }

// The fields of the entry whose text, lines kept apart, is `entry`: the
// heading is the title, the emphasised names the authors, and the line
// after them the citation ("J. Mol. Things 2001 20: 1-12.").
ArticleFields EntryFields(const Page& page, std::string_view entry) {
  ArticleFields fields;
  fields.title = FieldText(page, Before(entry, "</A>"));
  fields.authors = AuthorList(FieldText(page, Between(entry, "<STRONG>", "</STRONG>")));
  SetCitation(
      FieldText(page, Before(Between(After(entry, "</STRONG>"), "<BR>", "<NOBR>"), "<A HREF")),
      &fields);
  SetIssueTitleOf(page, EmboIssueTitle, &fields);
  return fields;
}

}  // namespace

std::vector<std::string> EmboArticleKeys(const std::string& base) { return {LinkKey(base)}; }

ArticleRecord EmboArticle(const IssuePages& pages, const std::string& base,
                          FinderState& /*state*/) {
  ArticleRecord record;
  const std::string key = LinkKey(base);
  for (const Page* page : pages.pages) {
    std::string entry;
    size_t from = 0;
    if (page == nullptr || !EntryText(*page, key, &entry, &from)) continue;
    record.found = true;
    if (pages.want_fields) {
      record.fields = EntryFields(*page, LinedText(*page, from, from + entry.size()));
    }

    CutAt(entry, "<A HREF=");
    std::string heading = CopyRange(entry, 1, PosOf("<DD>", entry) - 1);
    DeleteRange(heading, Len(heading) - 3, 4);
    RemoveThrough(entry, "<STRONG>");
    const Pos strong_end = PosOf("</STRONG>", entry);
    const std::string emphasised = CopyRange(entry, 1, strong_end - 1);
    DeleteRange(entry, 1, strong_end + 8);
    RemoveThrough(entry, "<BR>");
    CutAt(entry, "<NOBR>");
    const Pos colon = PosOf(":", entry);
    std::string range = CopyRange(entry, colon + 1, Len(entry));
    CutAt(range, ".");
    DeleteRange(entry, colon, Len(entry));
    record.classic = heading + "; " + emphasised + "; " + "pp." + range + "; " + entry + ".<BR>";
    return record;
  }
  return record;
}

}  // namespace pdfindex
