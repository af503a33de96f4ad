#include "text/escape.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace pdfindex {

namespace {

constexpr char kLowerHex[] = "0123456789abcdef";

// The bytes an href holds as they are: all but "&", the bytes escaped below,
// and what is not printable ASCII.
constexpr std::array<bool, 256> kHrefPlain = [] {
  std::array<bool, 256> plain{};
  for (int b = 0x20; b < 0x7F; ++b) plain[static_cast<size_t>(b)] = true;
  for (const char c : std::string_view("&%\"#?\\:")) plain[static_cast<unsigned char>(c)] = false;
  return plain;
}();

// The bytes a path keeps as they are in a URL: ASCII letters, digits and
// "-._~/".
constexpr std::array<bool, 256> kUrlPlain = [] {
  std::array<bool, 256> plain{};
  for (int c = 'A'; c <= 'Z'; ++c) plain[static_cast<size_t>(c)] = true;
  for (int c = 'a'; c <= 'z'; ++c) plain[static_cast<size_t>(c)] = true;
  for (int c = '0'; c <= '9'; ++c) plain[static_cast<size_t>(c)] = true;
  for (const char c : std::string_view("-._~/")) plain[static_cast<unsigned char>(c)] = true;
  return plain;
}();

// True when a byte of the eight in `word` needs an escape in a JSON string:
// a control byte, '"' or '\\'.
bool AnyJsonSpecial(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101U;
  constexpr uint64_t kHighs = 0x8080808080808080U;
  const auto any_zero = [](uint64_t v) { return ((v - kOnes) & ~v & kHighs) != 0; };
  // A byte below 0x20 borrows into its high bit; bytes from 0x80 up are
  // masked by ~word.
  const bool control = ((word - kOnes * 0x20) & ~word & kHighs) != 0;
  return control || any_zero(word ^ (kOnes * '"')) || any_zero(word ^ (kOnes * '\\'));
}

// True when text[at] starts U+2028 or U+2029, which end a line in a script.
bool IsScriptLineEnd(std::string_view text, size_t at) {
  return text.size() - at >= 3 && text[at] == '\xE2' && text[at + 1] == '\x80' &&
         (text[at + 2] == '\xA8' || text[at + 2] == '\xA9');
}

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

std::string EscapeAttribute(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendByRuns(
      out, text,
      [](unsigned char b) { return b != '&' && b != '<' && b != '>' && b != '"' && b != '\''; },
      [](std::string& to, unsigned char b) {
        to += b == '&' ? "&amp;" : b == '<' ? "&lt;" : b == '>' ? "&gt;" : b == '"' ? "&quot;" : "&#39;";
      });
  return out;
}

void AppendJsonEscaped(std::string& out, std::string_view text, JsonEscapes escapes) {
  const bool script = escapes == JsonEscapes::kScript;
  size_t start = 0;  // the run of bytes that need no escape, appended at once
  for (size_t i = 0; i < text.size(); ++i) {
    // Eight bytes at a time while none needs an escape.
    for (uint64_t word = 0; !script && i + 8 <= text.size(); i += 8) {
      std::memcpy(&word, text.data() + i, 8);
      if (AnyJsonSpecial(word)) break;
    }
    if (i >= text.size()) break;
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool special = byte < 0x20 || byte == '"' || byte == '\\' ||
                         (script && (byte == '<' || byte == '>' || byte == '&' || byte == 0x7F ||
                                     IsScriptLineEnd(text, i)));
    if (!special) continue;
    out.append(text, start, i - start);
    start = i + 1;
    switch (byte) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case 0xE2:
        out += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
        i += 2;
        start = i + 1;
        break;
      default:
        out += "\\u00";
        out += kLowerHex[byte >> 4];
        out += kLowerHex[byte & 0xF];
    }
  }
  out.append(text, start, text.size() - start);
}

void AppendJsonString(std::string& out, std::string_view text, JsonEscapes escapes) {
  out += '"';
  AppendJsonEscaped(out, text, escapes);
  out += '"';
}

std::string JsonString(std::string_view text, JsonEscapes escapes) {
  std::string out;
  out.reserve(text.size() + 2);
  AppendJsonString(out, text, escapes);
  return out;
}

void AppendPercentEncodedPath(std::string& out, std::string_view path) {
  AppendByRuns(
      out, path, [](unsigned char b) { return kUrlPlain[b]; }, AppendPercentByte);
}

std::string PercentEncodePath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  AppendPercentEncodedPath(out, path);
  return out;
}

std::string ShownPath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (b < 0x20 || b == 0x7F) {
      out += "\\x";
      out += kLowerHex[b >> 4];
      out += kLowerHex[b & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace pdfindex
