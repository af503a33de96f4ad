// Characters and their bytes: UTF-8, windows-1252, HTML character
// references, and ASCII case. Every reader and output decodes with these, so
// that one text reads the same wherever it is shown.
#ifndef PDFINDEX_TEXT_ENCODING_H_
#define PDFINDEX_TEXT_ENCODING_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace pdfindex {

/// How the bytes of a page are to be decoded.
enum class Charset {
  kUndeclared,   ///< none (or none known): UTF-8 when valid, else windows-1252
  kUtf8,         ///< utf-8
  kWindows1252,  ///< windows-1252, and iso-8859-1, latin1, us-ascii, which pages use alike
};

/// The character that stands for bytes or references that decode to none.
inline constexpr char32_t kReplacementCharacter = 0xFFFD;

/// True when `bytes` is valid UTF-8 (no overlong forms, surrogates or code
/// points above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

/// Length of the valid UTF-8 sequence at text[at] (below text.size()), with
/// its code point in *cp; 0 when none starts there.
size_t DecodeUtf8(std::string_view text, size_t at, char32_t* cp);

/// Appends the UTF-8 bytes of `c`; U+FFFD for a surrogate or a value above
/// U+10FFFF.
void AppendUtf8(std::string& out, char32_t c);

/// The character windows-1252 gives byte `b` (U+FFFD for the five bytes it
/// leaves undefined); browsers read pages labelled ISO-8859-1 or ASCII so.
char32_t Windows1252(unsigned char b);

/// A character reference as HTML reads it: one or two characters, and how
/// many bytes of the text it takes (0: no reference starts there).
struct CharacterReference {
  char32_t first = 0;
  char32_t second = 0;  ///< 0 unless the name stands for two characters
  size_t length = 0;
};

/// The reference at text[at] (an "&"): a name of HTML's list ended by ";"
/// ("&oacute;"), or a decimal or hexadecimal number, its ";" optional
/// ("&#150;", "&#x2013"). Numbers 0x80 to 0x9F mean the windows-1252
/// characters, as in HTML; 0, surrogates and values above U+10FFFF give
/// U+FFFD. Length 0 for an unknown name or an "&" that starts none.
CharacterReference ReadReference(std::string_view text, size_t at);

/// Appends the characters of `ref` as UTF-8.
void AppendReference(std::string& out, const CharacterReference& ref);

/// `text` with every character reference decoded; an "&" that starts none
/// stays as written.
std::string DecodeReferences(std::string_view text);

/// `c` as a lower-case ASCII letter when it is an upper-case one.
inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

/// `text` with ASCII letters made lower case; other bytes unchanged.
std::string AsciiLower(std::string_view text);

// The three below are asked of every name of every folder listed: inline,
// they cost a few compares for a short suffix.

/// True when `a` and `b` are equal with ASCII letters compared without case.
inline bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

/// True when `text` starts with `prefix`, ASCII letters in any case.
inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

/// True when `text` ends with `suffix`, ASCII letters in any case.
inline bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualNoCase(text.substr(text.size() - suffix.size()), suffix);
}

/// Offset of `needle` in `text` at or after `from`, ASCII letters in any
/// case; npos when there is none.
size_t FindNoCase(std::string_view text, std::string_view needle, size_t from = 0);

}  // namespace pdfindex

#endif  // PDFINDEX_TEXT_ENCODING_H_
