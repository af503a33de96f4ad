// Text primitives shared by every page reader.
//
// Page text is bytes, positions are 1-based, and a missing needle gives
// position 0. The readers lean on exactly how these primitives clamp their
// arguments: a cut at position 0 cuts nothing, while a removal from the start
// through "position 0 plus k" still removes k bytes.
#ifndef PDFINDEX_TEXT_POSITIONS_H_
#define PDFINDEX_TEXT_POSITIONS_H_

#include <cstdint>
#include <string>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace pdfindex {

/// A 1-based byte position in a text; 0 means "not found".
using Pos = std::int64_t;

/// Length of `text` as a position.
inline Pos Len(std::string_view text) { return static_cast<Pos>(text.size()); }

/// Position of the first occurrence of `needle` in `text`; 0 when there is
/// none or when either is empty.
Pos PosOf(std::string_view needle, std::string_view text);

/// Up to `count` bytes of `text` from `index`; an index below 1 is taken as 1
/// with the count kept, and an index past the end or a count below 1 gives "".
std::string CopyRange(std::string_view text, Pos index, Pos count);

/// Removes up to `count` bytes of `text` from `index`; does nothing when the
/// index is outside the text or the count is below 1.
void DeleteRange(std::string& text, Pos index, Pos count);

/// Inserts `piece` so that it starts at `index`, clamped to the start or the
/// end of `text`.
void InsertAt(std::string_view piece, std::string& text, Pos index);

// Recurring shapes of the readers' steps, built on the primitives above so
// that they keep the primitives' edge rules.

/// Cuts `text` at the first `tag`: the tag and all after it go. No tag: no cut.
void CutAt(std::string& text, std::string_view tag);

/// Removes the start of `text` through the first `tag`. With no tag this
/// removes the first length(tag) - 1 bytes, as DeleteRange(text, 1,
/// PosOf(tag, text) + length(tag) - 1) does.
void RemoveThrough(std::string& text, std::string_view tag);

/// Removes the start of `text` through the first `tag` only when it holds
/// one (unlike RemoveThrough, a missing tag removes nothing).
void RemoveThroughIfHeld(std::string& text, std::string_view tag);

/// Removes the first `tag` when there is one; returns its position or 0.
Pos RemoveFirst(std::string& text, std::string_view tag);

/// Removes `count` bytes at the first `tag` when there is one; returns its
/// position or 0.
Pos RemoveAtFirst(std::string& text, std::string_view tag, Pos count);

/// Replaces the first `tag` with `with` when there is one; returns its
/// position or 0.
Pos ReplaceFirst(std::string& text, std::string_view tag, std::string_view with);

/// Removes the first `tag` again and again until none is left (a removal that
/// joins a new `tag` removes that one too).
void RemoveAll(std::string& text, std::string_view tag);

/// Replaces the last byte of a non-empty `text` with `c`.
void ReplaceLastByte(std::string& text, char c);

/// True when `text` ends with `suffix`.
inline bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

#ifdef __SSE2__
/// Bit i set where text[i] and text[i + 1] are `first` and `second`, for
/// the sixteen places i from `text` on (reading seventeen bytes): the
/// candidates of a needle searched sixteen places at a time.
inline unsigned PairStarts(const char* text, __m128i first, __m128i second) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 1));
  return static_cast<unsigned>(
      _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, second))));
}
#endif

/// Start of the last `tag` that lies wholly in text[0, end); npos when none.
size_t FindLastBefore(std::string_view text, std::string_view tag, size_t end);

/// The readers' backward scan from a link towards the tag that opens its
/// entry, over text[0, end): the scanned part text[*start, end) grows at its
/// front `step` bytes at a time (all that is left when fewer remain) until it
/// holds `tag` or no more than `floor` bytes are left before it (those are
/// never scanned). The scanned part is tested before each step. Returns the
/// offset of the first `tag` in the scanned part, or npos. The number of
/// steps is worked out from the last `tag` at once, so a long text costs one
/// search, not one copy per step. `floor` must be below `step`.
size_t ScanBack(std::string_view text, size_t end, size_t* start, std::string_view tag, size_t step,
                size_t floor = 0);

/// The step and floor of the scan back from a link to the tags of its entry
/// on the contents pages that set each entry apart with tags a few bytes
/// before its link: 20 bytes at a time, the first 10 bytes of the page's text
/// never looked at.
inline constexpr size_t kEntryScanStep = 20;
inline constexpr size_t kEntryScanFloor = 10;

}  // namespace pdfindex

#endif  // PDFINDEX_TEXT_POSITIONS_H_
