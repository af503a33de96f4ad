#include "outputs/search_page_text.h"

#include <array>
#include <cstdint>
#include <vector>

#include "text/plain_text.h"

namespace pdfindex {
namespace {

// Browsers read a Latin-1 page as windows-1252; a byte windows-1252 leaves
// undefined stays the C1 control of its value.
uint32_t SingleByte(unsigned char c) {
  const char32_t cp = Windows1252(c);
  return cp == 0xFFFD ? c : cp;
}

// Length of the well-formed UTF-8 sequence at text[i], 0 when there is none.
size_t Utf8Length(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char c = byte(i);
  if (c < 0x80) return 1;
  size_t n = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) low = 0xA0;   // overlong
    if (c == 0xED) high = 0x9F;  // surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) low = 0x90;   // overlong
    if (c == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return 0;
  }
  if (i + n > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < n; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return n;
}

struct NamedReference {
  std::string_view name;
  uint32_t cp;
};

// The references saved contents pages use most; others stay as written.
constexpr NamedReference kNamedReferences[] = {
    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},      {"apos", '\''},
    {"nbsp", 0xA0},    {"copy", 0xA9},    {"reg", 0xAE},     {"deg", 0xB0},      {"plusmn", 0xB1},
    {"middot", 0xB7},  {"times", 0xD7},   {"ndash", 0x2013}, {"mdash", 0x2014},  {"lsquo", 0x2018},
    {"rsquo", 0x2019}, {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"hellip", 0x2026}, {"laquo", 0xAB},
    {"raquo", 0xBB},   {"auml", 0xE4},    {"ouml", 0xF6},    {"uuml", 0xFC},     {"Auml", 0xC4},
    {"Ouml", 0xD6},    {"Uuml", 0xDC},    {"szlig", 0xDF},   {"eacute", 0xE9},   {"egrave", 0xE8},
    {"aacute", 0xE1},  {"oacute", 0xF3},  {"iacute", 0xED},  {"uacute", 0xFA},   {"ccedil", 0xE7},
    {"ntilde", 0xF1},  {"alpha", 0x3B1},  {"beta", 0x3B2},   {"gamma", 0x3B3},   {"delta", 0x3B4},
    {"mu", 0x3BC},     {"pi", 0x3C0},     {"sigma", 0x3C3},  {"omega", 0x3C9},
};

// The character reference at text[i] ("&...;"): its code point and length,
// or length 0 when it is none this page decodes.
std::pair<uint32_t, size_t> Reference(std::string_view text, size_t i) {
  const size_t end = text.find(';', i);
  if (end == std::string_view::npos || end - i > 10) return {0, 0};
  const std::string_view body = text.substr(i + 1, end - i - 1);
  if (body.size() >= 2 && body[0] == '#') {
    const bool hex = body[1] == 'x' || body[1] == 'X';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty()) return {0, 0};
    uint32_t cp = 0;
    for (const char c : digits) {
      uint32_t d = 0;
      if (c >= '0' && c <= '9') {
        d = static_cast<uint32_t>(c - '0');
      } else if (hex && c >= 'a' && c <= 'f') {
        d = static_cast<uint32_t>(c - 'a' + 10);
      } else if (hex && c >= 'A' && c <= 'F') {
        d = static_cast<uint32_t>(c - 'A' + 10);
      } else {
        return {0, 0};
      }
      cp = cp * (hex ? 16 : 10) + d;
    }
    if (cp >= 0x80 && cp <= 0x9F) cp = SingleByte(static_cast<unsigned char>(cp));
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    return {cp, end - i + 1};
  }
  for (const NamedReference& ref : kNamedReferences) {
    if (ref.name == body) return {ref.cp, end - i + 1};
  }
  return {0, 0};
}

// True for a tag (its text between "<" and ">") that ends a line or a cell,
// so the words on either side stay apart; inline tags such as <I> or <SUB>
// join what they hold to its neighbours.
bool PartsWords(std::string_view tag) {
  if (!tag.empty() && tag[0] == '/') tag.remove_prefix(1);
  size_t n = 0;
  while (n < tag.size() && ((tag[n] | 0x20) >= 'a' && (tag[n] | 0x20) <= 'z')) ++n;
  std::string name;
  for (size_t k = 0; k < n; ++k) name += static_cast<char>(tag[k] | 0x20);
  if (n < tag.size() && tag[n] >= '1' && tag[n] <= '6' && name == "h") return true;
  static constexpr std::string_view kParting[] = {"br", "p",  "div", "td", "th",    "tr", "li",
                                                  "dt", "dd", "hr",  "dl", "table", "ul", "ol"};
  for (const std::string_view parting : kParting) {
    if (name == parting) return true;
  }
  return false;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

}  // namespace

bool IsUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    const size_t n = Utf8Length(bytes, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string PageTextOfBytes(std::string_view bytes) {
  if (IsUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) AppendUtf8(out, SingleByte(static_cast<unsigned char>(c)));
  return out;
}

std::string PageJsonString(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(utf8.size() + 2);
  out += '"';
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == '<' || c == '>' || c == '&' || c == 0x7F) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else if (c == 0xE2 && i + 2 < utf8.size() && utf8[i + 1] == '\x80' &&
               (utf8[i + 2] == '\xA8' || utf8[i + 2] == '\xA9')) {
      out += utf8[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
      i += 2;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
  return out;
}

std::string PageHtmlText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string PagePercentEncode(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    }
  }
  return out;
}

std::string PageRelativeFolder(std::string_view from, std::string_view to) {
  const auto steps = [](std::string_view path) {
    std::vector<std::string_view> out;
    size_t start = 0;
    while (start <= path.size()) {
      size_t end = path.find('/', start);
      if (end == std::string_view::npos) end = path.size();
      const std::string_view step = path.substr(start, end - start);
      if (step == "..") {
        if (!out.empty()) out.pop_back();
      } else if (!step.empty() && step != ".") {
        out.push_back(step);
      }
      start = end + 1;
    }
    return out;
  };
  const std::vector<std::string_view> a = steps(from);
  const std::vector<std::string_view> b = steps(to);
  size_t common = 0;
  while (common < a.size() && common < b.size() && a[common] == b[common]) ++common;
  std::string out;
  for (size_t i = common; i < a.size(); ++i) out += "../";
  for (size_t i = common; i < b.size(); ++i) {
    out += b[i];
    out += '/';
  }
  return out;
}

std::string PageTextOfHtml(std::string_view html) {
  const std::string text = PageTextOfBytes(html);
  std::string out;
  out.reserve(text.size());
  bool blank = false;  // a blank is owed before the next character
  const auto put = [&](std::string_view piece) {
    if (blank && !out.empty()) out += ' ';
    blank = false;
    out += piece;
  };
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '<') {
      const size_t end = text.find('>', i);
      if (end == std::string::npos) break;  // an unclosed tag: the rest is markup
      if (PartsWords(std::string_view(text).substr(i + 1, end - i - 1))) blank = true;
      i = end + 1;
    } else if (IsBlank(c)) {
      blank = true;
      ++i;
    } else if (c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') {
      blank = true;  // a no-break space
      i += 2;
    } else if (c == '&') {
      const auto [cp, length] = Reference(text, i);
      if (length == 0) {
        put("&");
        ++i;
      } else if (cp == 0xA0 || cp == ' ') {
        blank = true;
        i += length;
      } else {
        std::string piece;
        AppendUtf8(piece, cp);
        put(piece);
        i += length;
      }
    } else {
      put(std::string_view(&text[i], 1));
      ++i;
    }
  }
  for (const char c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80 || (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z')) {
      return out;
    }
  }
  return {};
}

}  // namespace pdfindex
