#include "text/tag_removal.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <limits>
#include <queue>
#include <vector>

#include "text/encoding.h"

namespace pdfindex {

namespace {

bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// True for a tag (its text between "<" and ">", less a leading "/") that
// breaks the text as a line would.
bool BreaksText(std::string_view tag) {
  static constexpr std::string_view kBreaking[] = {
      "br", "p",  "div", "td", "th", "tr", "li", "dt", "dd",    "dl",    "ul",
      "ol", "h1", "h2",  "h3", "h4", "h5", "h6", "hr", "table", "title", "blockquote"};
  char name[12];
  size_t length = 0;
  for (const char c : tag) {
    if (!IsNameByte(c)) break;
    if (length == sizeof name) return false;  // longer than any breaking tag
    name[length++] = AsciiLower(c);
  }
  const std::string_view lower(name, length);
  return std::find(std::begin(kBreaking), std::end(kBreaking), lower) != std::end(kBreaking);
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

template <typename Node>
Pos RemoveTagPairsWith(std::string& text, std::string_view open_tag, std::string_view close_tag) {
  LinkedText<Node> linked(text);
  TagFinder<Node> open(linked, open_tag);
  TagFinder<Node> close(linked, close_tag);
  std::vector<Node> removed;
  Node last_close = RemoveFirstTag(linked, close, open, &removed);
  if (last_close == linked.End()) return 0;
  // The opening tag removed after the last closing one had gone, which no
  // longer counts in that closing tag's position once it is gone too.
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

}  // namespace

MarkupTag ReadMarkupTag(std::string_view html, size_t at) {
  MarkupTag tag;
  if (at + 1 >= html.size() || html[at] != '<') return tag;
  const char next = html[at + 1];
  if (!IsNameByte(next) && next != '/' && next != '!') return tag;
  const size_t end = html.find('>', at);
  if (end == std::string_view::npos) {
    tag.length = html.size() - at;
    tag.unclosed = true;
    return tag;
  }
  tag.length = end + 1 - at;
  std::string_view inside = html.substr(at + 1, end - at - 1);
  if (!inside.empty() && inside[0] == '/') inside.remove_prefix(1);
  tag.breaks = BreaksText(inside);
  return tag;
}

Pos RemoveTagPairs(std::string& text, std::string_view open, std::string_view close) {
  if (open.empty() || close.empty()) return 0;
  if (text.size() < std::numeric_limits<uint32_t>::max() - 2) {
    return RemoveTagPairsWith<uint32_t>(text, open, close);
  }
  return RemoveTagPairsWith<size_t>(text, open, close);
}

}  // namespace pdfindex
