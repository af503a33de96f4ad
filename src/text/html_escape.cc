#include "text/html_escape.h"

#include <algorithm>
#include <array>

#include "text/escape.h"

namespace pdfindex {

namespace {

// The bytes an href holds as they are: all but "&", the bytes escaped below,
// and what is not printable ASCII.
constexpr std::array<bool, 256> kHrefPlain = [] {
  std::array<bool, 256> plain{};
  for (int b = 0x20; b < 0x7F; ++b) plain[static_cast<size_t>(b)] = true;
  for (const char c : std::string_view("&%\"#?\\:")) plain[static_cast<unsigned char>(c)] = false;
  return plain;
}();

}  // namespace

void AppendEscapedHref(std::string_view name, std::string* out) {
  // A browser strips a blank that starts the value.
  if (!name.empty() && name[0] == ' ') {
    *out += "%20";
    name.remove_prefix(1);
  }
  // A browser reads "\" as "/", a first segment "x:" as a scheme, and a
  // byte of 0x80 or more through the page's encoding (which the page does
  // not name). Escaped, each stands for its own byte.
  AppendByRuns(
      *out, name, [](unsigned char b) { return kHrefPlain[b]; },
      [](std::string& to, unsigned char b) {
        if (b == '&') {
          to += "&amp;";
        } else {
          AppendPercentByte(to, b);
        }
      });
}

std::string EscapeHref(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  AppendEscapedHref(name, &out);
  return out;
}

void AppendEscapedText(std::string_view name, std::string* out) {
  for (size_t at = 0; at < name.size();) {
    const size_t special = std::min(name.find_first_of("&<>", at), name.size());
    out->append(name.substr(at, special - at));
    if (special == name.size()) break;
    const char c = name[special];
    *out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : "&gt;";
    at = special + 1;
  }
}

std::string EscapeText(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  AppendEscapedText(name, &out);
  return out;
}

bool IsPdfName(std::string_view name) {
  constexpr std::string_view kSuffix = ".pdf";
  if (name.size() < kSuffix.size()) return false;
  name.remove_prefix(name.size() - kSuffix.size());
  for (size_t i = 0; i < kSuffix.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kSuffix[i]) return false;
  }
  return true;
}

std::string PdfBaseName(std::string_view file) {
  if (IsPdfName(file)) file.remove_suffix(4);
  return std::string(file);
}

}  // namespace pdfindex
