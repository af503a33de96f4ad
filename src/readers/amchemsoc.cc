#include "readers/amchemsoc.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/plain_text.h"
#include "catalogue/text.h"

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

// How the finder's gathered text runs over one page. The finder reads the
// page line by line, adds each line to a gathered text, and before each line
// drops the gathered text's start through its first "<P>" (one "<P>" per
// line, so a line with several lets them pile up). The gathered text is thus
// always the joined text from some offset to the end of the line just read;
// these offsets depend on the page alone, so they are worked out once per
// page.
struct GatheredText {
  /// start[i]: where the gathered text begins in Text() once line i is added.
  std::vector<size_t> start;
  /// The first line after whose addition the gathered text holds "Choice
  /// Articles" (from then on the page is read as a Choice page);
  /// LineCount() when there is none.
  size_t choice_line = 0;
};

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
bool FindMatch(const Page& page, const std::string& key, const std::string& marker, Match* match) {
  const size_t lines = page.LineCount();
  const size_t key_line = page.FindLine(key, 0);
  size_t marker_line = page.FindLine(marker, 0);
  if (key_line == lines && marker_line == lines) return false;
  const GatheredText& gathered =
      page.Derived<GatheredText>(kGatheredTextStarts, [&page] { return MakeGatheredText(page); });
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

// A text from which tags are removed one at a time, each at its first
// occurrence. The bytes stay where they are, linked in text order, so a
// removal does not move the bytes behind it; nodes are numbered in text
// order, the end node last.
class LinkedText {
 public:
  explicit LinkedText(std::string_view text)
      : bytes_(text),
        end_(text.size()),
        head_(text.size() + 1),
        next_(text.size() + 2),
        prev_(text.size() + 2),
        linked_(text.size() + 1, true) {
    for (size_t i = 0; i <= end_; ++i) {
      next_[i] = i + 1;
      prev_[i] = i == 0 ? head_ : i - 1;
    }
    next_[head_] = 0;
  }

  size_t End() const { return end_; }
  size_t First() const { return next_[head_]; }
  bool Linked(size_t node) const { return linked_[node]; }

  /// The first node at or after `from` where `tag` starts; End() when none.
  size_t Find(std::string_view tag, size_t from) const {
    for (size_t at = from; at != end_; at = next_[at]) {
      size_t node = at;
      size_t k = 0;
      while (k < tag.size() && node != end_ && bytes_[node] == tag[k]) {
        node = next_[node];
        ++k;
      }
      if (k == tag.size()) return at;
    }
    return end_;
  }

  /// Unlinks `count` bytes from `at`, listing them in *removed; returns the
  /// node after them.
  size_t Erase(size_t at, size_t count, std::vector<size_t>* removed) {
    const size_t before = prev_[at];
    size_t node = at;
    for (size_t k = 0; k < count && node != end_; ++k, node = next_[node]) {
      linked_[node] = false;
      removed->push_back(node);
    }
    next_[before] = node;
    prev_[node] = before;
    return node;
  }

  /// `node` moved back over up to `steps` bytes.
  size_t Back(size_t node, int steps) const {
    for (; steps > 0 && prev_[node] != head_; --steps) node = prev_[node];
    return node;
  }

  /// The number of bytes left before `node`.
  Pos CountBefore(size_t node) const {
    Pos count = 0;
    for (size_t at = First(); at < node; at = next_[at]) ++count;
    return count;
  }

  std::string Text() const {
    std::string text;
    for (size_t at = First(); at != end_; at = next_[at]) text.push_back(bytes_[at]);
    return text;
  }

 private:
  std::string_view bytes_;
  size_t end_;
  size_t head_;
  std::vector<size_t> next_;
  std::vector<size_t> prev_;
  std::vector<bool> linked_;
};

// A tag and the node before which it does not occur.
struct TagSearch {
  std::string_view tag;
  size_t from;
};

// Removes the first `search.tag` and returns the node where it started
// (End() when there is none). A removal can only make a new tag of either
// kind across the point where it was made, so both searches go back to at
// most three bytes before that point, and no further.
size_t RemoveFirstTag(LinkedText& text, TagSearch& search, TagSearch& other,
                      std::vector<size_t>* removed) {
  const size_t at = text.Find(search.tag, search.from);
  search.from = at;
  if (at == text.End()) return at;
  removed->clear();
  const size_t after = text.Erase(at, search.tag.size(), removed);
  const size_t join = text.Back(after, 3);
  for (TagSearch* s : {&search, &other}) {
    if (!text.Linked(s->from)) s->from = after;
    s->from = std::min(s->from, join);
  }
  return at;
}

// Removes the first "</B>", then again and again the first "<B>" and the
// first "</B>" until no "</B>" is left. Returns the position at which the
// last "</B>" removed stood when it was removed (0 when there was none).
Pos RemoveBoldTags(std::string& text) {
  LinkedText linked(text);
  TagSearch open{"<B>", linked.First()};
  TagSearch close{"</B>", linked.First()};
  std::vector<size_t> removed;
  size_t last_close = RemoveFirstTag(linked, close, open, &removed);
  if (last_close == linked.End()) return 0;
  // The "<B>" removed after the last "</B>" had gone, which no longer
  // counts in that "</B>"'s position once it is gone too.
  std::vector<size_t> open_after;
  for (;;) {
    open_after.clear();
    if (RemoveFirstTag(linked, open, close, &removed) != linked.End()) open_after = removed;
    const size_t at = RemoveFirstTag(linked, close, open, &removed);
    if (at == linked.End()) break;
    last_close = at;
  }
  Pos before = linked.CountBefore(last_close);
  for (size_t node : open_after) before += node < last_close ? 1 : 0;
  text = linked.Text();
  return before + 1;
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
      const Pos title_end = RemoveBoldTags(text);
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

std::string Description(const Pieces& pieces) {
  std::string description = pieces.first + " " + pieces.second + pieces.third + "<BR>";
  RemoveAll(description, "<FONT SIZE=2>");
  RemoveAll(description, "</FONT>");
  RemoveAll(description, "<FONT SIZE=\"-1\">");
  return description;
}

}  // namespace

ArticleRecord AmChemSocArticle(const IssuePages& pages, const std::string& base) {
  const std::string key = RegularKey(base);
  const std::string marker = ChoiceMarker(base);
  // Each page taken from the list starts from empty pieces, so when no page
  // ends the search, the pieces are those the last page left.
  Pieces pieces;
  bool from_entry = false;
  for (const Page* page : pages.pages) {
    pieces = Pieces();
    from_entry = false;
    Match match;
    if (page == nullptr || !FindMatch(*page, key, marker, &match)) continue;
    from_entry = true;
    const std::string_view text = page->Text();
    if (!match.choice) {
      pieces = RegularPieces(
          std::string(text.substr(match.begin, CutPoint(*page, match, key) - match.begin)));
      break;
    }
    const std::string_view entry =
        text.substr(match.begin, CutPoint(*page, match, marker) - match.begin);
    if (ChoicePieces(entry, base, &pieces)) break;
  }
  ArticleRecord record;
  record.found = from_entry;
  record.classic = Description(pieces);
  return record;
}

std::vector<std::string> AmChemSocArticleKeys(const std::string& base) {
  return {RegularKey(base), ChoiceMarker(base)};
}

}  // namespace pdfindex
