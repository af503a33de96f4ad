// Removing tags from a text: the markup tags a plain text drops, as every
// output beside HtmlData.htm reads them; and tags removed one at a time,
// each at its first occurrence, as a reader's steps do (a removal can join
// the bytes around it into a new tag, which the next removal then finds).
#ifndef PDFINDEX_TEXT_TAG_REMOVAL_H_
#define PDFINDEX_TEXT_TAG_REMOVAL_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "text/positions.h"

namespace pdfindex {

/// A markup tag of HTML text, from its "<" through its ">".
struct MarkupTag {
  /// Its length; 0 when no tag starts at the place read.
  size_t length = 0;
  /// True when no ">" closes it: the rest of the text is markup.
  bool unclosed = false;
  /// True when it parts the words on either side as a line break does
  /// (<br>, <p>, <td>, ...); inline tags such as <i> or <sub> join what
  /// they hold to its neighbours.
  bool breaks = false;
};

/// The tag at html[at], where a "<" followed by a letter, a digit, "/" or
/// "!" starts one; any other "<" is text.
MarkupTag ReadMarkupTag(std::string_view html, size_t at);

/// Removes the first `close` of `text`, then again and again the first
/// `open` and the first `close` until no `close` is left. Returns the
/// position at which the last `close` removed stood when it was removed (0
/// when there was none). Takes time about linear in the text's length,
/// however the removals join new tags.
Pos RemoveTagPairs(std::string& text, std::string_view open, std::string_view close);

}  // namespace pdfindex

#endif  // PDFINDEX_TEXT_TAG_REMOVAL_H_
