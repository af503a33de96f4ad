#include "readers/springer.h"

#include <algorithm>
#include <string_view>

#include "text/fields.h"
#include "text/plain_text.h"
#include "text/positions.h"

namespace pdfindex {

namespace {

constexpr std::string_view kPublished = "Online publication:";
constexpr std::string_view kLinkOpen = "<A HREF=\"";
constexpr std::string_view kParagraph = "<P>";
// The walk from the article-page link back to its entry's "<P>" moves this
// many bytes at a time.
constexpr size_t kWalkStep = 10;

std::string ArticlePageKey(const std::string& base) { return "/" + base + ".htm\">"; }
std::string PdfLinkKey(const std::string& base) { return "/" + base + ".pdf\">"; }

// The part of `text` before its first `tag`; all of it when it holds none.
std::string_view BeforeFirst(std::string_view text, std::string_view tag) {
  return text.substr(0, text.find(tag));
}

// `text` less its start through the first `tag`. With no tag the first
// length(tag) - 1 bytes go, as RemoveThrough does on a string.
std::string_view AfterFirst(std::string_view text, std::string_view tag) {
  const size_t at = text.find(tag);
  const size_t drop = at == std::string_view::npos ? tag.size() - 1 : at + tag.size();
  return text.substr(std::min(drop, text.size()));
}

// The offset of the first `key` in `head`, a prefix of the page's joined
// text; npos when `head` holds none. The first occurrence in the whole text
// lies inside `head` whenever any occurrence does.
size_t FirstIn(const Page& page, std::string_view head, const std::string& key) {
  const size_t at = page.Find(key);
  return at != std::string_view::npos && at + key.size() <= head.size() ? at
                                                                        : std::string_view::npos;
}

// The head text of the entry on `page`: the page's lines from the first
// through the line after the first one holding `key` (the further line is
// taken whatever it holds), joined. False when no line holds `key`.
bool HeadText(const Page& page, const std::string& key, std::string_view* head) {
  PageCursor cursor(page);
  bool found = false;
  JoinLinesUntil(cursor, key, &found);
  if (!found) return false;
  if (!PageAtEnd(cursor)) cursor.Seek(cursor.next_line() + 1);
  *head = page.Joined(0, cursor.next_line());
  return true;
}

// The lead text: from the walk's start, cut at the first link, less its start
// through "<P>", cut at "<BR>", its last byte (if any) turned into ";".
std::string LeadText(std::string_view before) {
  // The walk moves ten bytes at a time from the link back to the lead text
  // until the lead text holds "<P>" or nothing is left to move.
  size_t start = before.size();
  ScanBack(before, before.size(), &start, kParagraph, kWalkStep);
  std::string_view lead = before.substr(start);
  lead = BeforeFirst(lead, kLinkOpen);
  lead = AfterFirst(lead, kParagraph);
  lead = BeforeFirst(lead, "<BR>");
  std::string text(lead);
  ReplaceLastByte(text, ';');
  return text;
}

// The link text, from right after the article-page key to the next link,
// with its tags turned into punctuation one first occurrence at a time.
std::string LinkText(std::string_view after) {
  std::string text(BeforeFirst(after, kLinkOpen));
  ReplaceFirst(text, "</A>", ";");
  ReplaceFirst(text, "<BR>", "; ");
  RemoveFirst(text, "</B>");
  ReplaceFirst(text, "<BR>", " ");
  ReplaceFirst(text, "<BR>", ".");
  // The byte before the first "<B>" becomes a comma; a "<B>" that opens the
  // text has no byte before it, and then no comma is written.
  const Pos bold = ReplaceFirst(text, "<B>", " ");
  if (bold > 1) text[static_cast<size_t>(bold - 2)] = ',';
  ReplaceFirst(text, "</B>", ",");
  return text;
}

// The fields of the entry whose text, lines kept apart, is `entry` (from
// its paragraph through the PDF link): the lead names the authors, the link
// text is the title, and after it stand the journal in italics, the volume
// in bold, the issue in parentheses and the page range.
ArticleFields EntryFields(const Page& page, std::string_view entry,
                          const std::string& article_key) {
  ArticleFields fields;
  const size_t link = entry.find(article_key);
  if (link == std::string_view::npos) return fields;
  fields.authors = AuthorList(FieldText(page, Before(After(entry.substr(0, link), "<P>"), "<BR>")));
  const std::string_view rest = entry.substr(link + article_key.size());
  fields.title = FieldText(page, Before(rest, "</A>"));
  const std::string_view source = After(rest, "</A>");
  fields.container = FieldText(page, Between(source, "<I>", "</I>"));
  fields.volume = FieldText(page, Between(source, "<B>", "</B>"));
  const std::string_view issue = After(source, "</B>");
  fields.issue = FieldText(page, Between(issue, "(", ")"));
  SetPageRange(FieldText(page, Between(issue, "<BR>", "<")), &fields);
  return fields;
}

// The description of the entry whose head text (a prefix of the page's
// joined text) is `head`; *fields (when given) gets its fields.
std::string Describe(const Page& page, std::string_view head, const std::string& article_key,
                     const std::string& pdf_key, ArticleFields* fields) {
  // The entry ends at the first PDF-link key.
  const std::string_view text = head.substr(0, FirstIn(page, head, pdf_key));
  // The link text starts right after the first article-page key. When the
  // cut above removed that key, the link text starts at byte length(key) of
  // the text instead, and the whole text lies before the link.
  const size_t link = FirstIn(page, text, article_key);
  const bool keyed = link != std::string_view::npos;
  const size_t after = keyed ? link + article_key.size() : article_key.size() - 1;
  const std::string_view before = keyed ? text.substr(0, link) : text;
  size_t lead = before.size();
  ScanBack(before, before.size(), &lead, kParagraph, kWalkStep);
  if (fields != nullptr)
    *fields = EntryFields(page, LinedText(page, lead, text.size()), article_key);
  return LeadText(before) + " " + LinkText(text.substr(std::min(after, text.size()))) + "<BR>";
}

}  // namespace

TitleRecord SpringerIssueTitle(const Page* page, const std::string& /*page_path*/) {
  if (page == nullptr) return {};
  PageCursor cursor(*page);
  bool found = false;
  std::string title_line = ReadLinesUntil(cursor, "<TITLE>", &found);
  // The publication date is searched for from the line after the title line;
  // a title on the page's last line leaves it empty.
  std::string publication_line;
  if (!PageAtEnd(cursor)) publication_line = ReadLinesUntil(cursor, kPublished, &found);

  std::string date =
      CopyRange(publication_line, PosOf(kPublished, publication_line) + Len(kPublished),
                Len(publication_line));
  CutAt(date, "<BR>");

  std::string title = CopyRange(title_line, PosOf("<TITLE>", title_line) + 7, Len(title_line));
  CutAt(title, "</TITLE>");
  DeleteRange(title, 1, PosOf(":", title));
  RemoveFirst(title, "Table of Contents ");
  // The line is given back first: it and the title can each be nearly the
  // whole page.
  std::string().swap(title_line);
  title += ",";
  title += date;
  return PageTitle(*page, title);
}

ArticleRecord SpringerArticle(const IssuePages& pages, const std::string& base,
                              FinderState& /*state*/) {
  ArticleRecord record;
  const std::string article_key = ArticlePageKey(base);
  const std::string pdf_key = PdfLinkKey(base);
  // Every page is read; each page that holds the entry replaces the
  // description of the pages before it.
  for (const Page* page : pages.pages) {
    std::string_view head;
    if (page == nullptr || !HeadText(*page, article_key, &head)) continue;
    record.found = true;
    ArticleFields* fields = pages.want_fields ? &record.fields : nullptr;
    record.classic = Describe(*page, head, article_key, pdf_key, fields);
    if (fields != nullptr) SetIssueTitleOf(*page, SpringerIssueTitle, fields);
  }
  return record;
}

std::vector<std::string> SpringerArticleKeys(const std::string& base) {
  return {ArticlePageKey(base), PdfLinkKey(base)};
}

}  // namespace pdfindex
