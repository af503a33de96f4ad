#include "catalogue/text_index.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace pdfindex {

namespace {

// The automaton over all needles: a trie whose nodes fall back, when the
// next byte has no child, to the node of their longest proper suffix that is
// also in the trie. The root's children are a full table, since most bytes
// of a page leave the automaton at or near the root; deeper nodes keep their
// few children in a short list.
class Matcher {
 public:
  explicit Matcher(const std::vector<std::string>& needles) {
    nodes_.emplace_back();
    root_next_.fill(0);
    for (size_t id = 0; id < needles.size(); ++id) Add(needles[id], static_cast<int32_t>(id));
    Link();
  }

  template <typename Report>
  void Scan(std::string_view text, Report report) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    int32_t state = 0;
    for (size_t i = 0; i < n; ++i) {
      if (state == 0) {
        // At the root, skip straight to the next byte that starts a needle.
        while (i < n && !starts_[bytes[i]]) ++i;
        if (i == n) break;
      }
      state = Next(state, bytes[i]);
      for (int32_t s = nodes_[state].needle >= 0 ? state : nodes_[state].output; s > 0;
           s = nodes_[s].output) {
        const Node& node = nodes_[s];
        report(node.needle, i + 1 - node.depth);
      }
    }
  }

 private:
  struct Node {
    std::vector<std::pair<unsigned char, int32_t>> children;
    int32_t fail = 0;
    int32_t output = 0;  // nearest node on the fail chain that ends a needle
    int32_t needle = -1;
    size_t depth = 0;
  };

  int32_t Child(int32_t node, unsigned char c) const {
    if (node == 0) return root_next_[c];
    for (const auto& [byte, child] : nodes_[node].children) {
      if (byte == c) return child;
    }
    return -1;
  }

  int32_t Next(int32_t state, unsigned char c) const {
    for (;;) {
      const int32_t child = Child(state, c);
      if (child > 0) return child;
      if (state == 0) return 0;
      state = nodes_[state].fail;
    }
  }

  void Add(const std::string& needle, int32_t id) {
    if (needle.empty()) return;
    int32_t node = 0;
    for (const char ch : needle) {
      const auto c = static_cast<unsigned char>(ch);
      int32_t child = Child(node, c);
      if (child <= 0) {
        child = static_cast<int32_t>(nodes_.size());
        nodes_.emplace_back();
        nodes_.back().depth = nodes_[static_cast<size_t>(node)].depth + 1;
        if (node == 0) {
          root_next_[c] = child;
        } else {
          nodes_[static_cast<size_t>(node)].children.emplace_back(c, child);
        }
      }
      node = child;
    }
    nodes_[static_cast<size_t>(node)].needle = id;
    starts_[static_cast<unsigned char>(needle[0])] = true;
  }

  void Link() {
    std::vector<int32_t> queue;
    for (int32_t child : root_next_) {
      if (child > 0) queue.push_back(child);
    }
    for (size_t head = 0; head < queue.size(); ++head) {
      const int32_t node = queue[head];
      const Node& parent = nodes_[static_cast<size_t>(node)];
      for (const auto& [c, child] : parent.children) {
        int32_t fail = parent.fail;
        int32_t target = -1;
        for (;;) {
          target = Child(fail, c);
          if (target > 0 || fail == 0) break;
          fail = nodes_[static_cast<size_t>(fail)].fail;
        }
        Node& linked = nodes_[static_cast<size_t>(child)];
        linked.fail = target > 0 ? target : 0;
        const Node& fallback = nodes_[static_cast<size_t>(linked.fail)];
        linked.output = fallback.needle >= 0 ? linked.fail : fallback.output;
        queue.push_back(child);
      }
    }
  }

  std::vector<Node> nodes_;
  std::array<int32_t, 256> root_next_{};
  std::array<bool, 256> starts_{};
};

// Collects the listed occurrences of one needle as they are reported in
// ascending order: an occurrence overlapping the last one listed is left out,
// and past `limit` entries the needle becomes dense and nothing is kept.
class Lister {
 public:
  Lister(size_t needle_size, size_t limit) : size_(needle_size), limit_(limit) {}

  void Report(size_t at) {
    if (listed_.dense || (!listed_.at.empty() && at < next_)) return;
    if (listed_.at.size() == limit_) {
      listed_.dense = true;
      std::vector<uint32_t>().swap(listed_.at);
      return;
    }
    listed_.at.push_back(static_cast<uint32_t>(at));
    next_ = at + size_;
  }
  /// Where the next occurrence worth reporting may start.
  size_t next() const { return next_; }
  bool dense() const { return listed_.dense; }
  ListedOccurrences Take() { return std::move(listed_); }

 private:
  size_t size_;
  size_t limit_;
  size_t next_ = 0;
  ListedOccurrences listed_;
};

// The most occurrences listed for one needle of `text`: a list never takes
// more than an eighth of the text's size (plus a little for short texts).
size_t ListLimit(std::string_view text) {
  return text.size() > UINT32_MAX ? 0 : text.size() / 32 + 256;
}

ListedOccurrences ScanFor(std::string_view text, std::string_view needle) {
  Lister lister(needle.size(), ListLimit(text));
  if (needle.empty()) return lister.Take();
  for (size_t i = text.find(needle); i != std::string_view::npos && !lister.dense();
       i = text.find(needle, lister.next())) {
    lister.Report(i);
  }
  return lister.Take();
}

}  // namespace

std::vector<std::vector<size_t>> FindAll(std::string_view text,
                                         const std::vector<std::string>& needles) {
  // The automaton holds each distinct needle once; copies get its offsets.
  std::unordered_map<std::string_view, size_t> first_of;
  std::vector<std::string> distinct;
  std::vector<size_t> slot(needles.size());
  for (size_t i = 0; i < needles.size(); ++i) {
    const auto [it, fresh] = first_of.emplace(needles[i], distinct.size());
    if (fresh) distinct.push_back(needles[i]);
    slot[i] = it->second;
  }
  std::vector<std::vector<size_t>> found(distinct.size());
  const Matcher matcher(distinct);
  matcher.Scan(text, [&](int32_t id, size_t at) { found[static_cast<size_t>(id)].push_back(at); });
  std::vector<std::vector<size_t>> result(needles.size());
  for (size_t i = 0; i < needles.size(); ++i) result[i] = found[slot[i]];
  return result;
}

const ListedOccurrences& IndexedText::Lookup(std::string_view needle) const {
  auto it = occurrences_.find(needle);
  if (it == occurrences_.end()) {
    it = occurrences_.emplace(std::string(needle), ScanFor(text_, needle)).first;
  }
  return it->second;
}

size_t IndexedText::Find(std::string_view needle, size_t from) const {
  if (needle.empty()) return std::string::npos;
  const ListedOccurrences& listed = Lookup(needle);
  const std::string_view all = text_;
  if (listed.dense) return all.find(needle, from);
  const auto it = std::lower_bound(listed.at.begin(), listed.at.end(), from);
  if (it != listed.at.begin()) {
    // An occurrence left out overlaps the listed one before `from`: it
    // starts less than a needle's length after it.
    const size_t before = *(it - 1);
    if (before + needle.size() > from) {
      const size_t window = std::min(all.size(), before + 2 * needle.size() - 1);
      const size_t at = all.substr(0, window).find(needle, from);
      if (at != std::string::npos) return at;
    }
  }
  return it == listed.at.end() ? std::string::npos : *it;
}

size_t IndexedText::FindLast(std::string_view needle) const {
  if (needle.empty()) return std::string::npos;
  const ListedOccurrences& listed = Lookup(needle);
  const std::string_view all = text_;
  if (listed.dense) return all.rfind(needle);
  if (listed.at.empty()) return std::string::npos;
  // The last occurrence is the last listed one or overlaps it.
  const size_t last = listed.at.back();
  return all.substr(0, std::min(all.size(), last + 2 * needle.size() - 1)).rfind(needle);
}

void IndexedText::IndexNeedles(const std::vector<std::string>& needles) const {
  std::vector<std::string> fresh;
  for (const std::string& needle : needles) {
    if (!needle.empty() && occurrences_.find(needle) == occurrences_.end()) fresh.push_back(needle);
  }
  std::sort(fresh.begin(), fresh.end());
  fresh.erase(std::unique(fresh.begin(), fresh.end()), fresh.end());
  if (fresh.empty()) return;
  std::vector<Lister> listers;
  listers.reserve(fresh.size());
  for (const std::string& needle : fresh) listers.emplace_back(needle.size(), ListLimit(text_));
  const Matcher matcher(fresh);
  matcher.Scan(text_, [&](int32_t id, size_t at) { listers[static_cast<size_t>(id)].Report(at); });
  for (size_t i = 0; i < fresh.size(); ++i) occurrences_.emplace(fresh[i], listers[i].Take());
}

}  // namespace pdfindex
