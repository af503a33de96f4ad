#include "text/tokens.h"

namespace pdfindex {

void AppendToken(std::string_view value, std::string* out) {
  *out += std::to_string(value.size());
  *out += ':';
  *out += value;
}

bool ReadTokenView(std::string_view* bytes, std::string_view* value) {
  // One to twelve decimal digits, then ":". Read a digit at a time: the
  // length is short, the text after it may be long.
  size_t colon = 0;
  size_t length = 0;
  for (; colon < bytes->size() && colon <= 12; ++colon) {
    const char c = (*bytes)[colon];
    if (c < '0' || c > '9') break;
    length = length * 10 + static_cast<size_t>(c - '0');
  }
  if (colon == 0 || colon > 12 || colon == bytes->size() || (*bytes)[colon] != ':') return false;
  if (length > bytes->size() - colon - 1) return false;
  *value = bytes->substr(colon + 1, length);
  bytes->remove_prefix(colon + 1 + length);
  return true;
}

bool ReadToken(std::string_view* bytes, std::string* value) {
  std::string_view view;
  if (!ReadTokenView(bytes, &view)) return false;
  value->assign(view);
  return true;
}

}  // namespace pdfindex
