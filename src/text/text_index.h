// A text that remembers where needles occur in it, so that the finders of an
// issue folder, which search the same pages once per PDF, pay for one pass
// over each page instead of one pass per PDF.
#ifndef PDFINDEX_TEXT_TEXT_INDEX_H_
#define PDFINDEX_TEXT_TEXT_INDEX_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pdfindex {

/// The listed occurrences of one needle in a text: each the first occurrence
/// at or after the end of the one before; `dense` when there are too many to
/// list, and then none is.
struct ListedOccurrences {
  std::vector<uint32_t> at;
  bool dense = false;
};

/// A set of needles made once into one automaton that finds all of them in
/// one pass over a text; an issue folder's pages, and the texts derived from
/// them, share the one made from the folder's keys.
class NeedleSet {
 public:
  /// The distinct non-empty needles of `needles`, each once in the order
  /// first given.
  explicit NeedleSet(const std::vector<std::string>& needles);
  ~NeedleSet();
  NeedleSet(const NeedleSet&) = delete;
  NeedleSet& operator=(const NeedleSet&) = delete;

  /// The number of needles, each counted once.
  size_t size() const { return starts_.size() - 1; }
  /// Needle `id`, 0 <= id < size().
  std::string_view needle(size_t id) const {
    return std::string_view(bytes_).substr(starts_[id], starts_[id + 1] - starts_[id]);
  }
  /// The place of `needle` among the needles, or npos.
  size_t IdOf(std::string_view needle) const;
  /// Calls report(id, offset) for every occurrence in `text` of needles()[id],
  /// by ascending end of the occurrence.
  void Scan(std::string_view text, const std::function<void(size_t, size_t)>& report) const;

 private:
  friend class IndexedText;
  class Matcher;
  /// Where needle id is slotted in slots_ for `needle`, or the empty slot
  /// where it would go.
  size_t Slot(std::string_view needle) const;

  // The needles one after another in bytes_, needle id from starts_[id] to
  // starts_[id + 1]: a folder's set costs a few allocations, not two per
  // needle.
  std::string bytes_;
  std::vector<uint32_t> starts_{0};
  // Open addressing by hash: id + 1 per slot, 0 when empty; a power of two
  // at least twice the needles.
  std::vector<uint32_t> slots_;
  std::unique_ptr<Matcher> matcher_;
};

/// A text and, for each needle searched in it so far, the offsets of its
/// occurrences, ascending. A needle is indexed on its first search by one scan
/// of the text, or together with many others in one pass by IndexNeedles;
/// either way every later search is a lookup. To keep the index smaller than
/// the text whatever the text holds, an occurrence that overlaps the one
/// listed before it is not listed (a search finds it in the few bytes after
/// that one), offsets take 32 bits, and a needle that occurs more than about
/// once in 32 bytes is not listed at all: it is searched in the text, where
/// it is soon found.
class IndexedText {
 public:
  IndexedText() = default;
  explicit IndexedText(std::string text) : text_(std::move(text)) {}

  std::string_view text() const { return text_; }

  /// Offset of the first occurrence of `needle` at or after `from`; npos
  /// when there is none.
  size_t Find(std::string_view needle, size_t from = 0) const;
  /// Offset of the last occurrence of `needle`; npos when there is none.
  size_t FindLast(std::string_view needle) const;

  /// Indexes every needle not indexed yet in one pass over the text.
  void IndexNeedles(const std::vector<std::string>& needles) const;
  /// The same for the needles of `set`, with its automaton; the text keeps
  /// the set.
  void IndexNeedles(std::shared_ptr<const NeedleSet> set) const;
  /// The set last given to IndexNeedles, or nullptr.
  const std::shared_ptr<const NeedleSet>& needle_set() const { return set_; }
  /// Drops every index (keeping the text).
  void ForgetNeedles() const {
    occurrences_.clear();
    set_.reset();
    set_at_.clear();
    set_starts_.clear();
    set_dense_.clear();
  }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  /// The listed occurrences of one needle.
  struct Listed {
    const uint32_t* first = nullptr;
    const uint32_t* last = nullptr;
    bool dense = false;
  };
  /// The listed occurrences of `needle`, indexing it first if need be.
  Listed Lookup(std::string_view needle) const;

  std::string text_;
  /// The needles indexed one by one (or from a second set).
  mutable std::unordered_map<std::string, ListedOccurrences, Hash, std::equal_to<>> occurrences_;
  /// The set indexed in one pass, and its needles' listed occurrences back
  /// to back: those of needle `id` are set_at_[set_starts_[id],
  /// set_starts_[id + 1]).
  mutable std::shared_ptr<const NeedleSet> set_;
  mutable std::vector<uint32_t> set_at_;
  mutable std::vector<uint32_t> set_starts_;
  mutable std::vector<bool> set_dense_;
};

/// Every occurrence of each of `needles` in `text` in one pass (a string
/// matching automaton over all needles at once): result[i] holds the
/// ascending offsets of needles[i]. Empty needles have no occurrences.
std::vector<std::vector<size_t>> FindAll(std::string_view text,
                                         const std::vector<std::string>& needles);

}  // namespace pdfindex

#endif  // PDFINDEX_TEXT_TEXT_INDEX_H_
