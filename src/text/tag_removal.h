// Removing tags from a text one at a time, each at its first occurrence, as
// a reader's steps do: a removal can join the bytes around it into a new
// tag, which the next removal then finds.
#ifndef PDFINDEX_TEXT_TAG_REMOVAL_H_
#define PDFINDEX_TEXT_TAG_REMOVAL_H_

#include <string>
#include <string_view>

#include "text/positions.h"

namespace pdfindex {

/// Removes the first `close` of `text`, then again and again the first
/// `open` and the first `close` until no `close` is left. Returns the
/// position at which the last `close` removed stood when it was removed (0
/// when there was none). Takes time about linear in the text's length,
/// however the removals join new tags.
Pos RemoveTagPairs(std::string& text, std::string_view open, std::string_view close);

}  // namespace pdfindex

#endif  // PDFINDEX_TEXT_TAG_REMOVAL_H_
