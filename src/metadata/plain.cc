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
