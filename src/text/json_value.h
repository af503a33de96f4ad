// A small JSON reader for the data pages embed (JSON-LD in script
// elements): enough of JSON to find an article's fields, and bounded so
// that a hostile page cannot exhaust the stack.
#ifndef PDFINDEX_TEXT_JSON_VALUE_H_
#define PDFINDEX_TEXT_JSON_VALUE_H_

#include <string>
#include <string_view>
#include <vector>

namespace pdfindex {

/// A JSON value, as far as articles need: objects keep member order.
struct Json {
  enum Type { kNull, kBool, kNumber, kString, kArray, kObject } type = kNull;
  std::string text;  // a string's value, or a number as written
  std::vector<Json> items;
  // An object's members: names[k] names values[k].
  std::vector<std::string> names;
  std::vector<Json> values;

  /// The first member named `name`; nullptr when there is none.
  const Json* Member(std::string_view name) const;
};

/// Reads the JSON value at the start of `text` (after white space) into
/// *out; what follows it is not read. False when it is malformed or nested
/// deeper than 64 levels. The escapes of control characters in strings
/// (\n, \t, ...) are read as blanks.
bool ReadJson(std::string_view text, Json* out);

}  // namespace pdfindex

#endif  // PDFINDEX_TEXT_JSON_VALUE_H_
