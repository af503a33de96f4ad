#include "text/encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace pdfindex {

namespace {

// What bytes 0x80 to 0x9F stand for in windows-1252 (the five it leaves
// undefined as the replacement character).
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

// (cppcheck does not see the members read through the lookup's iterator.)
struct NamedReference {
  std::string_view name;
  // cppcheck-suppress unusedStructMember
  char32_t first;
  // cppcheck-suppress unusedStructMember
  char32_t second;
};

// HTML's named character references, sorted by name.
constexpr NamedReference kNamedReferences[] = {
#include "text/entities.inc"
};

constexpr size_t kLongestName = 32;  // "CounterClockwiseContourIntegral"

bool IsAsciiAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The character HTML makes of the numeric reference `value`.
char32_t NumericReference(uint64_t value) {
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) {
    return kReplacementCharacter;
  }
  if (value >= 0x80 && value < 0xA0) {
    // The five numbers windows-1252 leaves undefined stay what they are.
    const char32_t mapped = Windows1252(static_cast<unsigned char>(value));
    return mapped == kReplacementCharacter ? static_cast<char32_t>(value) : mapped;
  }
  return static_cast<char32_t>(value);
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  // Most text is ASCII: eight bytes at a time while no high bit is set,
  // and again after each character that is not.
  size_t at = 0;
  char32_t cp = 0;
  while (at < bytes.size()) {
    for (uint64_t word = 0; at + 8 <= bytes.size(); at += 8) {
      std::memcpy(&word, bytes.data() + at, 8);
      if ((word & 0x8080808080808080U) != 0) break;
    }
    while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) < 0x80) ++at;
    if (at == bytes.size()) break;
    const size_t length = DecodeUtf8(bytes, at, &cp);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

size_t DecodeUtf8(std::string_view text, size_t at, char32_t* cp) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[at + k]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    *cp = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead < 0xE0) {
    length = 2, least = 0x80, *cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3, least = 0x800, *cp = lead & 0x0F;
  } else if (lead >= 0xF0 && lead < 0xF5) {
    length = 4, least = 0x10000, *cp = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
    *cp = (*cp << 6) | (byte(k) & 0x3F);
  }
  if (*cp < least || *cp > 0x10FFFF || (*cp >= 0xD800 && *cp < 0xE000)) return 0;
  return length;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) c = kReplacementCharacter;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    const char bytes[2] = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    out.append(bytes, 2);
  } else if (c < 0x10000) {
    const char bytes[3] = {static_cast<char>(0xE0 | (c >> 12)),
                           static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                           static_cast<char>(0x80 | (c & 0x3F))};
    out.append(bytes, 3);
  } else {
    const char bytes[4] = {
        static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
        static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    out.append(bytes, 4);
  }
}

char32_t Windows1252(unsigned char b) {
  return b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : b;
}

CharacterReference ReadReference(std::string_view text, size_t at) {
  CharacterReference ref;
  size_t i = at + 1;
  if (i < text.size() && text[i] == '#') {
    ++i;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex) ++i;
    const size_t digits = i;
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
      const char c = AsciiLower(text[i]);
      int digit = -1;
      if (c >= '0' && c <= '9') digit = c - '0';
      if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      if (digit < 0) break;
      // Held just past the largest code point, however many digits follow.
      value = std::min<uint64_t>(value * (hex ? 16 : 10) + static_cast<unsigned>(digit), 0x110000);
    }
    if (i == digits) return ref;
    if (i < text.size() && text[i] == ';') ++i;
    ref.first = NumericReference(value);
    ref.length = i - at;
    return ref;
  }
  const size_t start = i;
  while (i < text.size() && i - start <= kLongestName && IsAsciiAlnum(text[i])) ++i;
  if (i >= text.size() || text[i] != ';' || i == start) return ref;
  const std::string_view name = text.substr(start, i - start);
  const auto found =
      std::lower_bound(std::begin(kNamedReferences), std::end(kNamedReferences), name,
                       [](const NamedReference& r, std::string_view n) { return r.name < n; });
  if (found == std::end(kNamedReferences) || found->name != name) return ref;
  ref.first = found->first;
  ref.second = found->second;
  ref.length = i + 1 - at;
  return ref;
}

void AppendReference(std::string& out, const CharacterReference& ref) {
  AppendUtf8(out, ref.first);
  if (ref.second != 0) AppendUtf8(out, ref.second);
}

std::string DecodeReferences(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const size_t amp = text.find('&', at);
    out.append(text.substr(at, amp - at));
    if (amp == std::string_view::npos) break;
    const CharacterReference ref = ReadReference(text, amp);
    if (ref.length == 0) {
      out.push_back('&');
      at = amp + 1;
    } else {
      AppendReference(out, ref);
      at = amp + ref.length;
    }
  }
  return out;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

size_t FindNoCase(std::string_view text, std::string_view needle, size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  const char lower = AsciiLower(needle[0]);
  const char upper = lower >= 'a' && lower <= 'z' ? static_cast<char>(lower - 'a' + 'A') : lower;
  // The next place of either case of the first byte, each found by a fast
  // byte search.
  size_t next_lower = text.find(lower, from);
  size_t next_upper = lower == upper ? next_lower : text.find(upper, from);
  while (true) {
    const size_t at = std::min(next_lower, next_upper);
    if (at == std::string_view::npos || at + needle.size() > text.size()) break;
    if (EqualNoCase(text.substr(at + 1, needle.size() - 1), needle.substr(1))) return at;
    if (at == next_lower) next_lower = text.find(lower, at + 1);
    if (at == next_upper) next_upper = lower == upper ? next_lower : text.find(upper, at + 1);
  }
  return std::string_view::npos;
}

}  // namespace pdfindex
