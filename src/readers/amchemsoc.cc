#include "readers/amchemsoc.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "text/fields.h"
#include "text/plain_text.h"
#include "text/positions.h"
#include "text/tag_removal.h"

namespace pdfindex {

namespace {

constexpr std::string_view kParagraph = "<P>";
constexpr std::string_view kChoiceHeading = "Choice Articles";
constexpr std::string_view kFullTextLink = "<A HREF=\"/cgi-bin/jtextd?";
constexpr std::string_view kListItem = "<LI>";
constexpr std::string_view kChoiceLink = "(<A HREF=\"";
// Follows the base name in a Choice entry's PDF link.
constexpr std::string_view kPdfLinkEnd = ".pdf\">PDF</A>";
// The entry's text before a Choice marker is taken back to its "<LI>" in
// pieces of this many bytes.
constexpr size_t kBackStep = 10;

}  // namespace

TitleRecord AmChemSocIssueTitle(const Page* page, const std::string& /*page_path*/) {
  if (page == nullptr) return {};
  PageCursor cursor(*page);
  bool found = false;
  // The first line holding "<P>" (or the last line), from after that "<P>";
  // without one the line loses its first two bytes.
  std::string text = ReadLinesUntil(cursor, kParagraph, &found);
  RemoveThrough(text, kParagraph);
  // Unless another paragraph opens on that line, the lines through the next
  // one holding "</P>" are added.
  if (!PageAtEnd(cursor) && PosOf(kParagraph, text) == 0) {
    text += JoinLinesUntil(cursor, "</P>", &found);
  }
  CutAt(text, "</P>");
  RemoveFirst(text, "<I>");
  const bool first_break = ReplaceFirst(text, "<BR>", "; ") > 0;
  RemoveFirst(text, "</I>");
  RemoveFirst(text, "<BR>");
  if (first_break) {
    const Pos paren = PosOf(")", text);
    if (paren > 0) DeleteRange(text, paren + 1, Len(text));
  }
  return PageTitle(*page, std::move(text));
}

namespace {

std::string RegularKey(const std::string& base) { return "/" + base + "\""; }

// The base name in capitals (a-z only) between parentheses, as a Choice
// entry ends.
std::string ChoiceMarker(const std::string& base) {
  std::string marker = "(" + base + ")";
  for (char& c : marker) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return marker;
}

// The gathered text of `page` (see GatheredText).
GatheredText MakeGatheredText(const Page& page) {
  const std::string_view text = page.Text();
  const size_t lines = page.LineCount();
  GatheredText gathered;
  gathered.start.resize(lines);
  gathered.choice_line = lines;
  size_t start = 0;
  // The first "<P>" and the first "Choice Articles" at or after start.
  size_t paragraph = text.find(kParagraph);
  size_t heading = text.find(kChoiceHeading);
  for (size_t i = 0; i < lines; ++i) {
    if (paragraph != std::string_view::npos && paragraph + kParagraph.size() <= page.LineStart(i)) {
      start = paragraph + kParagraph.size();
      paragraph = text.find(kParagraph, start);
    }
    gathered.start[i] = start;
    if (gathered.choice_line < lines) continue;
    if (heading != std::string_view::npos && heading < start)
      heading = text.find(kChoiceHeading, start);
    if (heading != std::string_view::npos &&
        heading + kChoiceHeading.size() <= page.LineStart(i + 1)) {
      gathered.choice_line = i;
    }
  }
  return gathered;
}

// The line that ends the finder's reading of a page and the gathered text at
// that moment: Text()[begin, end).
struct Match {
  bool choice = false;
  size_t begin = 0;
  size_t end = 0;
};

// Finds the first line that holds the regular key, or the Choice marker once
// the page has shown itself a Choice page. False when no line does: such a
// page gives nothing, Choice page or not.
bool FindMatch(const Page& page, const std::string& key, const std::string& marker,
               PerPage<GatheredText>& gathered_texts, Match* match) {
  const size_t lines = page.LineCount();
  const size_t key_line = page.FindLine(key, 0);
  size_t marker_line = page.FindLine(marker, 0);
  if (key_line == lines && marker_line == lines) return false;
  const GatheredText& gathered =
      gathered_texts.Get(page, [&page] { return MakeGatheredText(page); });
  // A marker counts only from the line that made the page a Choice page.
  if (marker_line < gathered.choice_line) {
    marker_line =
        gathered.choice_line < lines ? page.FindLine(marker, gathered.choice_line) : lines;
  }
  const size_t line = std::min(key_line, marker_line);
  if (line == lines) return false;
  match->choice = gathered.choice_line <= line;
  match->begin = gathered.start[line];
  match->end = page.LineStart(line + 1);
  return true;
}

// Where the first `needle` of the gathered text starts; its end when the
// gathered text holds none.
size_t CutPoint(const Page& page, const Match& match, const std::string& needle) {
  const size_t at = page.Find(needle, match.begin);
  return at != std::string::npos && at + needle.size() <= match.end ? at : match.end;
}

// The three pieces a description is made of.
struct Pieces {
  std::string first;
  std::string second;
  std::string third;
};

// A regular entry: `text` is the gathered text up to the regular key. The
// pieces are the author names, the bold title and the page range.
Pieces RegularPieces(std::string text) {
  Pieces pieces;
  CutAt(text, kFullTextLink);
  // The page range is what stands before the first "</B>".
  const Pos range_end = PosOf("</B>", text);
  if (range_end > 0) {
    pieces.third = " pag. " + CopyRange(text, 1, range_end - 1) + ".";
    DeleteRange(text, 1, range_end + 3);
  }
  // The title runs from the first "<B>" to the last "</B>" left, bold tags
  // removed; its last byte (a full stop) becomes ";".
  if (PosOf("<B>", text) > 0) {
    RemoveThrough(text, "<B>");
    if (PosOf("</B>", text) > 0) {
      const Pos title_end = RemoveTagPairs(text, "<B>", "</B>");
      pieces.second = CopyRange(text, 1, title_end - 1);
      DeleteRange(text, 1, title_end - 1);
      ReplaceLastByte(pieces.second, ';');
    }
  }
  // The rest holds the author names.
  RemoveAll(text, "<AU><I>");
  RemoveAll(text, "<I><AU>");
  RemoveAll(text, "</I>");
  ReplaceLastByte(text, ';');
  pieces.first = std::move(text);
  return pieces;
}

// A Choice entry: `text` is the gathered text up to the Choice marker. The
// pieces are the text after the PDF link, the italic text, and the text
// before the PDF link. False when the entry holds no PDF link: the finder
// then goes on with the next page.
bool ChoicePieces(std::string_view text, const std::string& base, Pieces* pieces) {
  size_t start = text.size();
  ScanBack(text, text.size(), &start, kListItem, kBackStep);
  std::string entry(text.substr(start));
  RemoveThrough(entry, kListItem);
  const Pos link = PosOf(kChoiceLink, entry);
  if (link > 0) {
    pieces->third = CopyRange(entry, 1, link - 1);
    RemoveFirst(pieces->third, "<I>");
    RemoveFirst(pieces->third, "</I>");
    // Through the link text and the byte after it (the closing parenthesis).
    const std::string link_text = base + std::string(kPdfLinkEnd);
    DeleteRange(entry, 1, PosOf(link_text, entry) + Len(link_text));
  }
  // The break and the byte on either side of it.
  const Pos br = PosOf("<BR>", entry);
  if (br > 0) DeleteRange(entry, br - 1, 6);
  // The italic text is the second piece; before it, less its last byte, the
  // first.
  const Pos italic = PosOf("<I>", entry);
  const Pos italic_end = PosOf("</I>", entry);
  if (italic > 0 && italic_end > 0) {
    pieces->second = CopyRange(entry, italic + 3, italic_end - italic - 3) + ";";
    entry = CopyRange(entry, 1, italic - 2) + ";";
  }
  pieces->first = std::move(entry);
  return link > 0;
}

// The plain text of `html` less a final full stop.
std::string WithoutStop(const Page& page, std::string_view html) {
  std::string text = FieldText(page, html);
  if (text.ends_with('.')) text.pop_back();
  return text;
}

// The fields of a regular entry, lines kept apart: the page range before
// the first "</B>", the bold title after it, and the names between
// "<AU>" tags.
ArticleFields RegularFields(const Page& page, std::string_view entry) {
  ArticleFields fields;
  SetPageRange(FieldText(page, Before(entry, "</B>")), &fields);
  const std::string_view rest = After(entry, "</B>");
  fields.title = WithoutStop(page, Between(rest, "<B>", "</B>"));
  for (std::string_view names = After(After(rest, "<B>"), "</B>"); !After(names, "<AU>").empty();
       names = After(names, "</AU>")) {
    // One <AU> may hold several names ("Kumar R, Varga H").
    for (std::string& name : AuthorList(FieldText(page, Between(names, "<AU>", "</AU>")))) {
      fields.authors.push_back(std::move(name));
    }
  }
  return fields;
}

// The fields of a Choice entry, lines kept apart: the italic title, the
// names after the PDF link, and after the break the journal in italics and
// "2001, 123, 801-809".
ArticleFields ChoiceFields(const Page& page, std::string_view entry) {
  ArticleFields fields;
  const size_t item = entry.rfind(kListItem);
  if (item != std::string_view::npos) entry.remove_prefix(item + kListItem.size());
  fields.title = WithoutStop(page, Between(entry, "<I>", "</I>"));
  fields.authors = AuthorList(FieldText(page, Between(entry, "</A>)", "<BR>")));
  const std::string_view source = After(entry, "<BR>");
  fields.container = FieldText(page, Between(source, "<I>", "</I>"));
  const std::string numbers = FieldText(page, After(source, "</I>"));
  const size_t first = numbers.find(',');
  const size_t second = first == std::string::npos ? first : numbers.find(',', first + 1);
  if (second != std::string::npos) {
    fields.year = FieldText(page, numbers.substr(0, first));
    fields.volume = FieldText(page, numbers.substr(first + 1, second - first - 1));
    SetPageRange(numbers.substr(second + 1), &fields);
  }
  return fields;
}

std::string Description(const Pieces& pieces) {
  std::string description = pieces.first + " " + pieces.second + pieces.third + "<BR>";
  RemoveAll(description, "<FONT SIZE=2>");
  RemoveAll(description, "</FONT>");
  RemoveAll(description, "<FONT SIZE=\"-1\">");
  return description;
}

}  // namespace

ArticleRecord AmChemSocArticle(const IssuePages& pages, const std::string& base,
                                FinderState& state) {
  const std::string key = RegularKey(base);
  const std::string marker = ChoiceMarker(base);
  // Each page taken from the list starts from empty pieces, so when no page
  // ends the search, the pieces are those the last page left.
  Pieces pieces;
  bool from_entry = false;
  ArticleFields fields;
  for (const Page* page : pages.pages) {
    pieces = Pieces();
    from_entry = false;
    fields = ArticleFields();
    Match match;
    if (page == nullptr || !FindMatch(*page, key, marker, state.gathered_text, &match)) continue;
    from_entry = true;
    const std::string_view text = page->Text();
    if (!match.choice) {
      const size_t cut = CutPoint(*page, match, key);
      pieces = RegularPieces(std::string(text.substr(match.begin, cut - match.begin)));
      if (pages.want_fields) {
        fields = RegularFields(*page, LinedText(*page, match.begin, cut));
        SetIssueTitleOf(*page, AmChemSocIssueTitle, &fields);
      }
      break;
    }
    const size_t cut = CutPoint(*page, match, marker);
    const std::string_view entry = text.substr(match.begin, cut - match.begin);
    // Only the last list item before the marker is the entry.
    const size_t item = FindLastBefore(text, kListItem, cut);
    const size_t from = item == std::string_view::npos || item < match.begin ? match.begin : item;
    if (pages.want_fields) {
      fields = ChoiceFields(*page, LinedText(*page, from, cut));
      SetIssueTitleOf(*page, AmChemSocIssueTitle, &fields);
    }
    if (ChoicePieces(entry, base, &pieces)) break;
  }
  ArticleRecord record;
  record.found = from_entry;
  if (from_entry) record.fields = std::move(fields);
  record.classic = Description(pieces);
  return record;
}

std::vector<std::string> AmChemSocArticleKeys(const std::string& base) {
  return {RegularKey(base), ChoiceMarker(base)};
}

}  // namespace pdfindex
