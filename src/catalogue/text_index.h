// A text that remembers where needles occur in it, so that the finders of an
// issue folder, which search the same pages once per PDF, pay for one pass
// over each page instead of one pass per PDF.
#ifndef PDFINDEX_CATALOGUE_TEXT_INDEX_H_
#define PDFINDEX_CATALOGUE_TEXT_INDEX_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pdfindex {

/// A text and, for each needle searched in it so far, the offsets of all its
/// occurrences (overlapping ones included), ascending. A needle is indexed on
/// its first search by one scan of the text, or together with many others in
/// one pass by IndexNeedles; either way every later search is a lookup.
class IndexedText {
 public:
  IndexedText() = default;
  explicit IndexedText(std::string text) : text_(std::move(text)) {}

  std::string_view text() const { return text_; }

  /// Offsets of every occurrence of `needle`; none for an empty needle.
  const std::vector<size_t>& Occurrences(std::string_view needle) const;
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
  std::string text_;
  mutable std::unordered_map<std::string, std::vector<size_t>, Hash, std::equal_to<>> occurrences_;
};

/// Every occurrence of each of `needles` in `text` in one pass (a string
/// matching automaton over all needles at once): result[i] holds the
/// ascending offsets of needles[i]. Empty needles have no occurrences.
std::vector<std::vector<size_t>> FindAll(std::string_view text,
                                         const std::vector<std::string>& needles);

}  // namespace pdfindex

#endif  // PDFINDEX_CATALOGUE_TEXT_INDEX_H_
