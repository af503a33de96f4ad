// Text primitives shared by every page reader.
//
// Page text is bytes, positions are 1-based, and a missing needle gives
// position 0. The readers lean on exactly how these primitives clamp their
// arguments: a cut at position 0 cuts nothing, while a removal from the start
// through "position 0 plus k" still removes k bytes.
#ifndef PDFINDEX_CATALOGUE_TEXT_H_
#define PDFINDEX_CATALOGUE_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

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

/// Moves the last `step` bytes of `from` (all of it when shorter) to the front
/// of `to`, until `to` holds `tag` or `from` is empty. Returns true when `to`
/// holds `tag`. This is the readers' backward scan from a link towards the
/// tag that opens its entry.
bool ScanBackFor(std::string& from, std::string& to, std::string_view tag, Pos step);

}  // namespace pdfindex

#endif  // PDFINDEX_CATALOGUE_TEXT_H_
