#include "metadata/plain.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace pdfindex {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct NamedEntity {
  const char* name;
  uint32_t cp;
};

// The named references that turn up in saved article pages' meta values.
constexpr std::array<NamedEntity, 22> kNamed = {{
    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},     {"apos", '\''},
    {"nbsp", 0xA0},    {"ndash", 0x2013}, {"mdash", 0x2014}, {"lsquo", 0x2018}, {"rsquo", 0x2019},
    {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"auml", 0xE4},    {"ouml", 0xF6},    {"uuml", 0xFC},
    {"Auml", 0xC4},    {"Ouml", 0xD6},    {"Uuml", 0xDC},    {"szlig", 0xDF},   {"eacute", 0xE9},
    {"egrave", 0xE8},  {"aacute", 0xE1},
}};

}  // namespace

uint32_t PdfDocCodePoint(uint32_t cp) {
  // PDFDocEncoding differs from Latin-1 at 0x18-0x1F and 0x80-0x9F.
  static constexpr uint16_t kLow[8] = {0x02D8, 0x02C7, 0x02C6, 0x02D9,
                                       0x02DD, 0x02DB, 0x02DA, 0x02DC};
  static constexpr uint16_t kHigh[32] = {
      0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039, 0x203A, 0x2212,
      0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02, 0x0141,
      0x0152, 0x0160, 0x0178, 0x017D, 0x0131, 0x0142, 0x0153, 0x0161, 0x017E, 0xFFFD};
  if (cp >= 0x18 && cp <= 0x1F) return kLow[cp - 0x18];
  if (cp >= 0x80 && cp <= 0x9F) return kHigh[cp - 0x80];
  return cp;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string CollapseSpace(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool blank = false;
  for (char c : text) {
    if (IsSpace(c)) {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

void AppendUtf8(uint32_t cp, std::string* out) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    *out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out += static_cast<char>(0xC0 | (cp >> 6));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out += static_cast<char>(0xE0 | (cp >> 12));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (cp >> 18));
    *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string DecodeEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    const size_t semi = text.find(';', i + 1);
    if (semi == std::string_view::npos || semi - i > 10) {
      out += '&';
      continue;
    }
    const std::string_view ref = text.substr(i + 1, semi - i - 1);
    bool decoded = false;
    if (ref.size() > 1 && ref[0] == '#') {
      const bool hex = ref[1] == 'x' || ref[1] == 'X';
      uint32_t cp = 0;
      size_t digits = 0;
      for (size_t k = hex ? 2 : 1; k < ref.size(); ++k, ++digits) {
        const int v = hex ? HexValue(ref[k]) : (IsDigit(ref[k]) ? ref[k] - '0' : -1);
        if (v < 0 || cp > 0x10FFFF) {
          digits = 0;
          break;
        }
        cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(v);
      }
      if (digits > 0) {
        AppendUtf8(cp, &out);
        decoded = true;
      }
    } else {
      for (const NamedEntity& e : kNamed) {
        if (ref == e.name) {
          AppendUtf8(e.cp, &out);
          decoded = true;
          break;
        }
      }
    }
    if (decoded) {
      i = semi;
    } else {
      out += '&';
    }
  }
  return out;
}

std::string StripMarkup(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    const bool starts_tag = text[i] == '<' && (next == '/' || (next >= 'a' && next <= 'z') ||
                                               (next >= 'A' && next <= 'Z'));
    const size_t close = starts_tag ? text.find_first_of("<>", i + 1) : std::string_view::npos;
    if (close != std::string_view::npos && text[close] == '>') {
      // A break or a new block parts words; inline tags do not.
      const std::string name = AsciiLower(text.substr(i + 1, std::min<size_t>(close - i - 1, 4)));
      if (name.starts_with("br") || name.starts_with("p") || name.starts_with("div") ||
          name.starts_with("li") || name.starts_with("/p") || name.starts_with("/div")) {
        out += ' ';
      }
      i = close;
      continue;
    }
    out += text[i];
  }
  return out;
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int hi = HexValue(text[i + 1]);
      const int lo = HexValue(text[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string YearOf(std::string_view date) {
  for (size_t i = 0; i + 4 <= date.size(); ++i) {
    if (i > 0 && IsDigit(date[i - 1])) continue;
    if (!(date[i] == '1' || date[i] == '2')) continue;
    if (!IsDigit(date[i + 1]) || !IsDigit(date[i + 2]) || !IsDigit(date[i + 3])) continue;
    if (i + 4 < date.size() && IsDigit(date[i + 4])) continue;
    return std::string(date.substr(i, 4));
  }
  return "";
}

std::string FindDoi(std::string_view text) {
  for (size_t at = text.find("10."); at != std::string_view::npos; at = text.find("10.", at + 1)) {
    // "210.1234/..." is not a DOI; the prefix must start at a word boundary.
    if (at > 0 && (IsDigit(text[at - 1]) || text[at - 1] == '.')) continue;
    size_t i = at + 3;
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    // Registrant codes may have sub-parts ("10.1000.10/x").
    while (i + 1 < text.size() && text[i] == '.' && IsDigit(text[i + 1])) {
      ++i;
      while (i < text.size() && IsDigit(text[i])) ++i;
    }
    if (digits < 4 || digits > 9 || i >= text.size() || text[i] != '/') continue;
    const size_t suffix = i + 1;
    size_t end = suffix;
    // A DOI is ASCII: a glyph set right after it ("...2409490\xE5\x85\xB4") ends it.
    while (end < text.size() && !IsSpace(text[end]) && text[end] != '"' && text[end] != '<' &&
           text[end] != '>' && static_cast<unsigned char>(text[end]) < 0x80) {
      ++end;
    }
    // A capitalised word glued to a suffix that ends in digits is the next
    // word of the page ("...0748730414561545JOURNAL").
    size_t word = end;
    while (word > suffix && ((text[word - 1] >= 'a' && text[word - 1] <= 'z') ||
                             (text[word - 1] >= 'A' && text[word - 1] <= 'Z'))) {
      --word;
    }
    if (end - word >= 4 && word > suffix && IsDigit(text[word - 1]) && text[word] >= 'A' &&
        text[word] <= 'Z') {
      const std::string_view rest = text.substr(word + 1, end - word - 1);
      const auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
      if (std::all_of(rest.begin(), rest.end(), upper) || std::none_of(rest.begin(), rest.end(), upper)) {
        end = word;
      }
    }
    // Trailing punctuation belongs to the sentence, but a closing bracket
    // that pairs one inside the suffix belongs to the DOI ("...(95)00123-4").
    while (end > suffix && std::strchr(".,;:)]}'", text[end - 1]) != nullptr) {
      const std::string_view kept = text.substr(suffix, end - suffix);
      if (text[end - 1] == ')' &&
          std::count(kept.begin(), kept.end(), '(') >= std::count(kept.begin(), kept.end(), ')')) {
        break;
      }
      --end;
    }
    if (end == suffix) continue;
    return std::string(text.substr(at, end - at));
  }
  return "";
}

}  // namespace pdfindex
