// A text that remembers where needles occur in it, so that the finders of an
// issue folder, which search the same pages once per PDF, pay for one pass
// over each page instead of one pass per PDF.
#ifndef PDFINDEX_CATALOGUE_TEXT_INDEX_H_
#define PDFINDEX_CATALOGUE_TEXT_INDEX_H_

#include <cstddef>
#include <cstdint>
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
  /// Drops every index (keeping the text).
  void ForgetNeedles() const { occurrences_.clear(); }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  /// The listed occurrences of `needle`, indexing it first if need be.
  const ListedOccurrences& Lookup(std::string_view needle) const;

  std::string text_;
  mutable std::unordered_map<std::string, ListedOccurrences, Hash, std::equal_to<>> occurrences_;
};

/// Every occurrence of each of `needles` in `text` in one pass (a string
/// matching automaton over all needles at once): result[i] holds the
/// ascending offsets of needles[i]. Empty needles have no occurrences.
std::vector<std::vector<size_t>> FindAll(std::string_view text,
                                         const std::vector<std::string>& needles);

}  // namespace pdfindex

#endif  // PDFINDEX_CATALOGUE_TEXT_INDEX_H_
