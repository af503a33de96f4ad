// Length-prefixed tokens ("5:hello"), the form of the files the program
// keeps between runs (the metadata cache, the citation keys): any bytes
// stand in a token, and a reader never runs past the end of its input.
#ifndef PDFINDEX_TEXT_TOKENS_H_
#define PDFINDEX_TEXT_TOKENS_H_

#include <charconv>
#include <string>
#include <string_view>
#include <system_error>

namespace pdfindex {

/// Appends `value` as a length-prefixed token ("5:hello").
void AppendToken(std::string_view value, std::string* out);

/// Reads one token AppendToken wrote from the front of `*bytes`, which lose
/// it, as a view into them; false when none starts there.
bool ReadTokenView(std::string_view* bytes, std::string_view* value);

/// The same, as a copy.
bool ReadToken(std::string_view* bytes, std::string* value);

/// Reads the whole of `token` as a number in `base` into *value; false when
/// it is empty, holds anything else or does not fit.
template <typename Int>
bool ParseNumber(std::string_view token, Int* value, int base = 10) {
  if (token.empty()) return false;
  const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), *value, base);
  return error == std::errc() && end == token.data() + token.size();
}

}  // namespace pdfindex

#endif  // PDFINDEX_TEXT_TOKENS_H_
