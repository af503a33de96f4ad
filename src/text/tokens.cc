#include "text/tokens.h"

namespace pdfindex {

void AppendToken(std::string_view value, std::string* out) {
  *out += std::to_string(value.size());
  *out += ':';
  *out += value;
}

bool ReadTokenView(std::string_view* bytes, std::string_view* value) {
  const size_t colon = bytes->find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 12) return false;
  size_t length = 0;
  if (!ParseNumber(bytes->substr(0, colon), &length)) return false;
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
