#include "text/text_index.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "text/positions.h"

namespace pdfindex {

// The automaton over all needles: a trie whose nodes fall back, when the
// next byte has no child, to the node of their longest proper suffix that is
// also in the trie. The root's children are a full table, since most bytes
// of a page leave the automaton at or near the root; deeper nodes keep their
// few children as a list of siblings, all nodes in one array.
class NeedleSet::Matcher {
 public:
  /// The needles of `set`: distinct and non-empty.
  explicit Matcher(const NeedleSet& set) {
    nodes_.reserve(set.bytes_.size() + 1);
    nodes_.emplace_back();
    root_next_.fill(0);
    for (size_t id = 0; id < set.size(); ++id) {
      const std::string_view needle = set.needle(id);
      int32_t node = 0;
      for (const char ch : needle) {
        const auto c = static_cast<unsigned char>(ch);
        const int32_t child = Child(node, c);
        node = child > 0 ? child : AddChild(node, c);
      }
      nodes_[static_cast<size_t>(node)].needle = static_cast<int32_t>(id);
      const size_t first = static_cast<unsigned char>(needle[0]);
      starts_[first] = true;
      if (needle.size() == 1) {
        for (size_t second = 0; second < 256; ++second) pairs_.set(first * 256 + second);
      } else {
        pairs_.set(first * 256 + static_cast<unsigned char>(needle[1]));
      }
    }
    Link();
    // A folder's PDFs are mostly named alike ("ja0010000", "ja0010001",
    // or page ranges such as "1-11", "1009-1019"), and so are its keys: when
    // they start with at most kLeads different pairs of bytes, or with
    // first and second bytes that each lie in a narrow range, the root looks
    // for such a pair many bytes at a time.
    bool pairs = set.size() > 0;
    bool few = true;  // at most kLeads different pairs so far
    std::array<unsigned char, 2> low{255, 255};
    std::array<unsigned char, 2> high{0, 0};
    for (size_t id = 0; id < set.size(); ++id) {
      const std::string_view needle = set.needle(id);
      pairs = needle.size() >= 2;
      if (!pairs) break;  // a one-byte needle can start at any pair
      const std::array<unsigned char, 2> lead{static_cast<unsigned char>(needle[0]),
                                              static_cast<unsigned char>(needle[1])};
      for (size_t k = 0; k < 2; ++k) {
        low[k] = std::min(low[k], lead[k]);
        high[k] = std::max(high[k], lead[k]);
      }
      const auto known = leads_.begin() + static_cast<std::ptrdiff_t>(lead_count_);
      if (few && std::find(leads_.begin(), known, lead) == known) {
        few = lead_count_ < kLeads;
        if (few) leads_[lead_count_++] = lead;
      }
    }
    if (!pairs || !few) lead_count_ = 0;
    ranged_ = pairs && lead_count_ == 0 && high[0] - low[0] < 16 && high[1] - low[1] < 16;
    if (ranged_) {
      low0_ = low[0];
      width0_ = static_cast<unsigned char>(high[0] - low[0]);
      low1_ = low[1];
      width1_ = static_cast<unsigned char>(high[1] - low[1]);
    }
  }

  template <typename Report>
  void Scan(std::string_view text, Report report) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    int32_t state = 0;
    for (size_t i = 0; i < n; ++i) {
      if (state == 0) {
        // At the root, skip straight to the next two bytes that start a
        // needle (or the last byte, when it starts one): from anywhere else
        // the automaton would be back at the root a byte later.
        i = NextStart(bytes, i, n);
        if (i == n) break;
      }
      state = Next(state, bytes[i]);
      for (int32_t s = nodes_[static_cast<size_t>(state)].needle >= 0
                           ? state
                           : nodes_[static_cast<size_t>(state)].output;
           s > 0; s = nodes_[static_cast<size_t>(s)].output) {
        const Node& node = nodes_[static_cast<size_t>(s)];
        report(static_cast<size_t>(node.needle), i + 1 - node.depth);
      }
    }
  }

 private:
  struct Node {
    int32_t first_child = 0;  // 0: none (the root is nobody's child)
    int32_t next_sibling = 0;
    int32_t fail = 0;
    int32_t output = 0;  // nearest node on the fail chain that ends a needle
    int32_t needle = -1;
    uint32_t depth = 0;
    unsigned char byte = 0;
  };

  // The first i' >= i where two bytes start a needle (or the last byte,
  // when it starts one), or n: with leads or ranged_ sixteen bytes at a
  // time, else byte by byte.
  size_t NextStart(const unsigned char* bytes, size_t i, size_t n) const {
#ifdef __SSE2__
    if (lead_count_ > 0) {
      __m128i lead[2 * kLeads] = {};
      for (size_t k = 0; k < lead_count_; ++k) {
        lead[2 * k] = _mm_set1_epi8(static_cast<char>(leads_[k][0]));
        lead[2 * k + 1] = _mm_set1_epi8(static_cast<char>(leads_[k][1]));
      }
      for (; i + 17 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i + 1));
        __m128i found = _mm_setzero_si128();
        for (size_t k = 0; k < lead_count_; ++k) {
          found = _mm_or_si128(found, _mm_and_si128(_mm_cmpeq_epi8(a, lead[2 * k]),
                                                    _mm_cmpeq_epi8(b, lead[2 * k + 1])));
        }
        const int mask = _mm_movemask_epi8(found);
        if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
      }
    }
    if (ranged_) {
      const __m128i low0 = _mm_set1_epi8(static_cast<char>(low0_));
      const __m128i width0 = _mm_set1_epi8(static_cast<char>(width0_));
      const __m128i low1 = _mm_set1_epi8(static_cast<char>(low1_));
      const __m128i width1 = _mm_set1_epi8(static_cast<char>(width1_));
      // Bytes x with x - low <= width, unsigned: the bytes in the range.
      const auto in_range = [](__m128i x, __m128i low, __m128i width) {
        const __m128i above = _mm_sub_epi8(x, low);
        return _mm_cmpeq_epi8(_mm_max_epu8(above, width), width);
      };
      for (; i + 17 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i + 1));
        auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(in_range(a, low0, width0), in_range(b, low1, width1))));
        for (; mask != 0; mask &= mask - 1) {
          const size_t at = i + static_cast<size_t>(__builtin_ctz(mask));
          if (pairs_[size_t{bytes[at]} * 256 + bytes[at + 1]]) return at;
        }
      }
    }
#endif
    for (; i + 1 < n; ++i) {
      if (pairs_[size_t{bytes[i]} * 256 + bytes[i + 1]]) return i;
    }
    return i + 1 == n && starts_[bytes[i]] ? i : n;
  }

  int32_t Child(int32_t node, unsigned char c) const {
    if (node == 0) return root_next_[c];
    for (int32_t child = nodes_[static_cast<size_t>(node)].first_child; child != 0;
         child = nodes_[static_cast<size_t>(child)].next_sibling) {
      if (nodes_[static_cast<size_t>(child)].byte == c) return child;
    }
    return 0;
  }

  int32_t Next(int32_t state, unsigned char c) const {
    for (;;) {
      const int32_t child = Child(state, c);
      if (child > 0) return child;
      if (state == 0) return 0;
      state = nodes_[static_cast<size_t>(state)].fail;
    }
  }

  // A new child of `parent` for byte `c` (which it does not have yet).
  int32_t AddChild(int32_t parent, unsigned char c) {
    const auto child = static_cast<int32_t>(nodes_.size());
    Node node;
    node.byte = c;
    node.depth = nodes_[static_cast<size_t>(parent)].depth + 1;
    if (parent == 0) {
      root_next_[c] = child;
    } else {
      node.next_sibling = nodes_[static_cast<size_t>(parent)].first_child;
      nodes_[static_cast<size_t>(parent)].first_child = child;
    }
    nodes_.push_back(node);
    return child;
  }

  void Link() {
    std::vector<int32_t> queue;
    queue.reserve(nodes_.size());
    for (int32_t child : root_next_) {
      if (child > 0) queue.push_back(child);
    }
    for (size_t head = 0; head < queue.size(); ++head) {
      const int32_t node = queue[head];
      for (int32_t child = nodes_[static_cast<size_t>(node)].first_child; child != 0;
           child = nodes_[static_cast<size_t>(child)].next_sibling) {
        const unsigned char c = nodes_[static_cast<size_t>(child)].byte;
        int32_t fail = nodes_[static_cast<size_t>(node)].fail;
        int32_t target = 0;
        for (;;) {
          target = Child(fail, c);
          if (target > 0 || fail == 0) break;
          fail = nodes_[static_cast<size_t>(fail)].fail;
        }
        Node& linked = nodes_[static_cast<size_t>(child)];
        linked.fail = target;
        const Node& fallback = nodes_[static_cast<size_t>(target)];
        linked.output = fallback.needle >= 0 ? target : fallback.output;
        queue.push_back(child);
      }
    }
  }

  std::vector<Node> nodes_;
  std::array<int32_t, 256> root_next_{};
  std::array<bool, 256> starts_{};
  /// pairs_[b1 * 256 + b2]: some needle starts with b1 b2 (or is b1).
  std::bitset<size_t{256} * 256> pairs_;
  /// The pairs of bytes that start the needles, when there are at most
  /// kLeads of them (and no needle of one byte); else lead_count_ is 0.
  static constexpr size_t kLeads = 4;
  std::array<std::array<unsigned char, 2>, kLeads> leads_{};
  size_t lead_count_ = 0;
  /// Else whether every needle has two bytes or more, its first from low0_ to
  /// low0_ + width0_ and its second from low1_ to low1_ + width1_.
  bool ranged_ = false;
  unsigned char low0_ = 0;
  unsigned char width0_ = 0;
  unsigned char low1_ = 0;
  unsigned char width1_ = 0;
};

namespace {

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

// The first occurrence of `needle` in `text` at or after `from`, or npos;
// for a needle of two bytes or more, sixteen places at a time are tested
// for its first two bytes. Needles searched one by one are mostly tags
// ("<td", "<P>"), whose first byte alone begins every tag of the page.
size_t FindFrom(std::string_view text, std::string_view needle, size_t from) {
#ifdef __SSE2__
  const size_t m = needle.size();
  if (m >= 2 && m <= text.size()) {
    const char* t = text.data();
    const size_t last = text.size() - m;  // the last place it can start
    const __m128i first = _mm_set1_epi8(needle[0]);
    const __m128i second = _mm_set1_epi8(needle[1]);
    // Places i to i + 15 can all start it, and the loads end before the
    // text does (i + 16 <= last + 1 <= size - 1).
    for (; from + 16 <= last + 1; from += 16) {
      for (unsigned mask = PairStarts(t + from, first, second); mask != 0; mask &= mask - 1) {
        const size_t at = from + static_cast<size_t>(__builtin_ctz(mask));
        if (std::memcmp(t + at + 2, needle.data() + 2, m - 2) == 0) return at;
      }
    }
  }
#endif
  return text.find(needle, from);
}

ListedOccurrences ScanFor(std::string_view text, std::string_view needle) {
  Lister lister(needle.size(), ListLimit(text));
  if (needle.empty()) return lister.Take();
  for (size_t i = FindFrom(text, needle, 0); i != std::string_view::npos && !lister.dense();
       i = FindFrom(text, needle, lister.next())) {
    lister.Report(i);
  }
  return lister.Take();
}

}  // namespace

NeedleSet::NeedleSet(const std::vector<std::string>& needles) {
  size_t total = 0;
  for (const std::string& given : needles) total += given.size();
  bytes_.reserve(total);
  starts_.reserve(needles.size() + 1);
  size_t slots = 2;
  while (slots < 2 * needles.size()) slots *= 2;
  slots_.assign(slots, 0);
  for (const std::string& given : needles) {
    if (given.empty() || bytes_.size() + given.size() > UINT32_MAX) continue;
    const size_t slot = Slot(given);
    if (slots_[slot] != 0) continue;  // given before
    slots_[slot] = static_cast<uint32_t>(size() + 1);
    bytes_ += given;
    starts_.push_back(static_cast<uint32_t>(bytes_.size()));
  }
  matcher_ = std::make_unique<Matcher>(*this);
}

namespace {

// A hash of a needle for the set's slots, eight bytes at a time (the last
// eight overlapping the ones before): a folder's keys are short, and every
// search of a page looks one up.
uint64_t NeedleHash(std::string_view needle) {
  constexpr uint64_t kMix = 0x9E3779B97F4A7C15ULL;
  const char* bytes = needle.data();
  const size_t n = needle.size();
  const auto load8 = [bytes](size_t at) {
    uint64_t word = 0;
    std::memcpy(&word, bytes + at, 8);
    return word;
  };
  const auto load4 = [bytes](size_t at) {
    uint32_t word = 0;
    std::memcpy(&word, bytes + at, 4);
    return uint64_t{word};
  };
  const auto load1 = [bytes](size_t at) { return uint64_t{static_cast<unsigned char>(bytes[at])}; };
  uint64_t h = n * kMix;
  const auto mix = [&h](uint64_t word) {
    h = (h ^ word) * kMix;
    h ^= h >> 29;
  };
  if (n >= 8) {
    for (size_t i = 0; i + 8 < n; i += 8) mix(load8(i));
    mix(load8(n - 8));
  } else if (n >= 4) {
    mix(load4(0) << 32 | load4(n - 4));
  } else if (n > 0) {
    mix(load1(0) << 16 | load1(n / 2) << 8 | load1(n - 1));
  }
  h *= kMix;
  return h ^ (h >> 32);
}

}  // namespace

size_t NeedleSet::Slot(std::string_view needle) const {
  const size_t mask = slots_.size() - 1;
  for (size_t slot = NeedleHash(needle) & mask;; slot = (slot + 1) & mask) {
    const uint32_t id = slots_[slot];
    if (id == 0 || this->needle(id - 1) == needle) return slot;
  }
}

size_t NeedleSet::IdOf(std::string_view needle) const {
  const uint32_t id = slots_[Slot(needle)];
  return id == 0 ? std::string_view::npos : id - 1;
}

NeedleSet::~NeedleSet() = default;

void NeedleSet::Scan(std::string_view text,
                     const std::function<void(size_t, size_t)>& report) const {
  matcher_->Scan(text, report);
}

std::vector<std::vector<size_t>> FindAll(std::string_view text,
                                         const std::vector<std::string>& needles) {
  const NeedleSet set(needles);
  std::vector<std::vector<size_t>> found(set.size());
  set.Scan(text, [&](size_t id, size_t at) { found[id].push_back(at); });
  std::vector<std::vector<size_t>> result(needles.size());
  for (size_t i = 0; i < needles.size(); ++i) {
    if (const size_t id = set.IdOf(needles[i]); id != std::string_view::npos) result[i] = found[id];
  }
  return result;
}

IndexedText::Listed IndexedText::Lookup(std::string_view needle) const {
  if (set_ != nullptr) {
    if (const size_t id = set_->IdOf(needle); id != std::string_view::npos) {
      const uint32_t* base = set_at_.data();
      return {base + set_starts_[id], base + set_starts_[id + 1], set_dense_[id]};
    }
  }
  auto it = occurrences_.find(needle);
  if (it == occurrences_.end()) {
    it = occurrences_.emplace(std::string(needle), ScanFor(text_, needle)).first;
  }
  const std::vector<uint32_t>& at = it->second.at;
  return {at.data(), at.data() + at.size(), it->second.dense};
}

size_t IndexedText::Find(std::string_view needle, size_t from) const {
  if (needle.empty()) return std::string::npos;
  const Listed listed = Lookup(needle);
  const std::string_view all = text_;
  if (listed.dense) return all.find(needle, from);
  const uint32_t* it = std::lower_bound(listed.first, listed.last, from);
  if (it != listed.first) {
    // An occurrence left out overlaps the listed one before `from`: it
    // starts less than a needle's length after it.
    const size_t before = *(it - 1);
    if (before + needle.size() > from) {
      const size_t window = std::min(all.size(), before + 2 * needle.size() - 1);
      const size_t at = all.substr(0, window).find(needle, from);
      if (at != std::string::npos) return at;
    }
  }
  return it == listed.last ? std::string::npos : *it;
}

size_t IndexedText::FindLast(std::string_view needle) const {
  if (needle.empty()) return std::string::npos;
  const Listed listed = Lookup(needle);
  const std::string_view all = text_;
  if (listed.dense) return all.rfind(needle);
  if (listed.first == listed.last) return std::string::npos;
  // The last occurrence is the last listed one or overlaps it.
  const size_t last = *(listed.last - 1);
  return FindLastBefore(all, needle, std::min(all.size(), last + 2 * needle.size() - 1));
}

void IndexedText::IndexNeedles(const std::vector<std::string>& needles) const {
  std::vector<std::string> fresh;
  for (const std::string& needle : needles) {
    if (!needle.empty() && occurrences_.find(needle) == occurrences_.end()) fresh.push_back(needle);
  }
  if (fresh.empty()) return;
  IndexNeedles(std::make_shared<const NeedleSet>(fresh));
}

void IndexedText::IndexNeedles(std::shared_ptr<const NeedleSet> set) const {
  const NeedleSet& needles = *set;
  if (set_ != nullptr) {
    // A second set: its needles not indexed yet are listed one by one.
    for (size_t id = 0; id < needles.size(); ++id) Lookup(needles.needle(id));
    return;
  }
  // Occurrences are kept as they are reported (ascending for each needle),
  // with the same rules as for one needle: one that overlaps the needle's
  // last listed one is left out, and past the limit the needle is dense.
  // A needle's first kLight occurrences go to one list shared by all
  // needles; a needle that occurs more often (on a hostile page, nearly every
  // byte) continues in a list of its own, given back when it turns dense.
  constexpr uint32_t kLight = 4096;
  const size_t limit = ListLimit(text_);
  std::vector<uint32_t> next(needles.size(), 0);
  std::vector<uint32_t> count(needles.size(), 0);
  std::vector<bool> dense(needles.size(), limit == 0);
  std::vector<std::pair<uint32_t, uint32_t>> kept;  // (needle, offset)
  std::unordered_map<size_t, std::vector<uint32_t>> heavy;
  set->matcher_->Scan(text_, [&](size_t id, size_t at) {
    if (dense[id] || (count[id] > 0 && at < next[id])) return;
    if (count[id] == limit) {
      dense[id] = true;
      heavy.erase(id);
      return;
    }
    if (count[id] < kLight) {
      kept.emplace_back(static_cast<uint32_t>(id), static_cast<uint32_t>(at));
    } else {
      heavy[id].push_back(static_cast<uint32_t>(at));
    }
    ++count[id];
    next[id] = static_cast<uint32_t>(at + needles.needle(id).size());
  });
  // Grouped by needle, each group still ascending.
  set_starts_.assign(needles.size() + 1, 0);
  for (size_t id = 0; id < needles.size(); ++id) {
    set_starts_[id + 1] = set_starts_[id] + (dense[id] ? 0 : count[id]);
  }
  set_at_.resize(set_starts_.back());
  std::vector<uint32_t> fill(set_starts_.begin(), set_starts_.end() - 1);
  for (const auto& [id, at] : kept) {
    if (!dense[id]) set_at_[fill[id]++] = at;
  }
  std::vector<std::pair<uint32_t, uint32_t>>().swap(kept);
  for (auto& [id, list] : heavy) {
    std::copy(list.begin(), list.end(), set_at_.begin() + fill[id]);
    std::vector<uint32_t>().swap(list);
  }
  set_dense_ = std::move(dense);
  set_ = std::move(set);
}

}  // namespace pdfindex
