#include "readers/amchemsoc.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <queue>
#include <string_view>
#include <utility>
#include <vector>

#include "text/fields.h"
#include "text/plain_text.h"
#include "text/positions.h"

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
// order, the end node last. Links take 32 bits (an entry is part of one page,
// and pages are far smaller than 4 GiB); a page too large for that is rare
// enough to be read with 64-bit links.
template <typename Node>
class LinkedText {
 public:
  explicit LinkedText(std::string& text)
      : text_(text),
        end_(static_cast<Node>(text.size())),
        head_(end_ + 1),
        next_(text.size() + 2),
        prev_(text.size() + 2) {
    for (Node i = 0; i <= end_; ++i) {
      next_[i] = i + 1;
      prev_[i] = i == 0 ? head_ : i - 1;
    }
    next_[head_] = 0;
  }

  Node End() const { return end_; }
  Node First() const { return next_[head_]; }
  bool Linked(Node node) const { return prev_[node] != kUnlinked; }
  const std::string& Original() const { return text_; }

  /// The linked node after the linked node `node`.
  Node Next(Node node) const { return next_[node]; }

  /// True when `node` is linked and `tag` starts there.
  bool StartsAt(Node node, std::string_view tag) const {
    if (!Linked(node)) return false;
    for (const char c : tag) {
      if (node == end_ || text_[node] != c) return false;
      node = next_[node];
    }
    return true;
  }

  /// True when the bytes [at, at + size) of the original text are all still
  /// linked (and so still side by side).
  bool Intact(size_t at, size_t size) const {
    for (size_t k = 0; k < size; ++k) {
      if (!Linked(static_cast<Node>(at + k))) return false;
    }
    return true;
  }

  /// Unlinks `count` bytes from `at`, listing them in *removed; returns the
  /// node after them.
  Node Erase(Node at, size_t count, std::vector<Node>* removed) {
    const Node before = prev_[at];
    Node node = at;
    for (size_t k = 0; k < count && node != end_; ++k) {
      const Node following = next_[node];
      prev_[node] = kUnlinked;
      removed->push_back(node);
      node = following;
    }
    next_[before] = node;
    prev_[node] = before;
    return node;
  }

  /// `node` moved back over up to `steps` bytes.
  Node Back(Node node, int steps) const {
    for (; steps > 0 && prev_[node] != head_; --steps) node = prev_[node];
    return node;
  }

  /// The number of bytes left before `node`.
  Pos CountBefore(Node node) const {
    Pos count = 0;
    for (Node at = First(); at < node; at = next_[at]) ++count;
    return count;
  }

  /// Makes the text what is left of it (in place: a byte kept never moves
  /// back past one not yet read).
  void Compact() {
    size_t kept = 0;
    for (Node at = First(); at != end_; at = next_[at]) text_[kept++] = text_[at];
    text_.resize(kept);
  }

 private:
  static constexpr Node kUnlinked = std::numeric_limits<Node>::max();

  std::string& text_;
  Node end_;
  Node head_;
  std::vector<Node> next_;
  std::vector<Node> prev_;
};

// The first occurrence of one tag in a LinkedText, kept up to date as tags
// are removed. An occurrence is either one of the original text whose bytes
// are all still linked, found by a scan that only moves forward, or one that
// a removal made by joining bytes across the gap it left, noted when it is
// made. Each removal costs a constant number of checks and a heap push, so
// removing every tag of a text is not quadratic in its length, however the
// removals join new tags.
template <typename Node>
class TagFinder {
 public:
  TagFinder(const LinkedText<Node>& text, std::string_view tag)
      : text_(text), tag_(tag), original_(text.Original().find(tag)) {}

  /// The node where the first occurrence starts; End() when there is none.
  Node First() {
    while (!joined_.empty() && !text_.StartsAt(joined_.top(), tag_)) joined_.pop();
    while (original_ != std::string::npos && !text_.Intact(original_, tag_.size())) {
      original_ = text_.Original().find(tag_, original_ + 1);
    }
    Node first = text_.End();
    if (original_ != std::string::npos) first = static_cast<Node>(original_);
    if (!joined_.empty()) first = std::min(first, joined_.top());
    return first;
  }

  /// Notes the occurrences a removal that left `after` behind its gap may
  /// have made: they start at most tag size - 1 linked bytes before it.
  void Joined(Node after) {
    const int reach = static_cast<int>(tag_.size()) - 1;
    for (Node node = text_.Back(after, reach); node != after; node = text_.Next(node)) {
      if (text_.StartsAt(node, tag_)) joined_.push(node);
    }
  }

  std::string_view tag() const { return tag_; }

 private:
  const LinkedText<Node>& text_;
  std::string_view tag_;
  size_t original_;
  std::priority_queue<Node, std::vector<Node>, std::greater<>> joined_;
};

// Removes the first tag of `search` and returns the node where it started
// (End() when there is none); both finders then note the tags the removal
// joined.
template <typename Node>
Node RemoveFirstTag(LinkedText<Node>& text, TagFinder<Node>& search, TagFinder<Node>& other,
                    std::vector<Node>* removed) {
  const Node at = search.First();
  if (at == text.End()) return at;
  removed->clear();
  const Node after = text.Erase(at, search.tag().size(), removed);
  search.Joined(after);
  other.Joined(after);
  return at;
}

// Removes the first "</B>", then again and again the first "<B>" and the
// first "</B>" until no "</B>" is left. Returns the position at which the
// last "</B>" removed stood when it was removed (0 when there was none).
template <typename Node>
Pos RemoveBoldTagsWith(std::string& text) {
  LinkedText<Node> linked(text);
  TagFinder<Node> open(linked, "<B>");
  TagFinder<Node> close(linked, "</B>");
  std::vector<Node> removed;
  Node last_close = RemoveFirstTag(linked, close, open, &removed);
  if (last_close == linked.End()) return 0;
  // The "<B>" removed after the last "</B>" had gone, which no longer
  // counts in that "</B>"'s position once it is gone too.
  std::vector<Node> open_after;
  for (;;) {
    open_after.clear();
    if (RemoveFirstTag(linked, open, close, &removed) != linked.End()) open_after = removed;
    const Node at = RemoveFirstTag(linked, close, open, &removed);
    if (at == linked.End()) break;
    last_close = at;
  }
  Pos before = linked.CountBefore(last_close);
  for (Node node : open_after) before += node < last_close ? 1 : 0;
  linked.Compact();
  return before + 1;
}

Pos RemoveBoldTags(std::string& text) {
  if (text.size() < std::numeric_limits<uint32_t>::max() - 2) {
    return RemoveBoldTagsWith<uint32_t>(text);
  }
  return RemoveBoldTagsWith<size_t>(text);
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

ArticleRecord AmChemSocArticle(const IssuePages& pages, const std::string& base) {
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
    if (page == nullptr || !FindMatch(*page, key, marker, &match)) continue;
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
