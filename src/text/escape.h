// Escaping text for an output: HTML text and links, JSON strings, URL paths,
// BibTeX's braced LaTeX fields, and paths on a terminal. The bytes an output takes as they are go in by
// whole runs, each other byte as its escape.
#ifndef PDFINDEX_TEXT_ESCAPE_H_
#define PDFINDEX_TEXT_ESCAPE_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace pdfindex {

/// True when a byte of the eight in `word` is a control byte (below 0x20).
inline bool AnyControlByte(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101U;
  // Such a byte borrows into its high bit; bytes from 0x80 up are masked by
  // ~word.
  return ((word - kOnes * 0x20) & ~word & (kOnes * 0x80)) != 0;
}

/// Where, from `from` on, `text` may first hold a byte that `flagged` (a
/// test of eight bytes at once) looks for: the start of the first eight
/// bytes it flags, or text.size() when it flags none and not the last bytes
/// either (fewer than eight, tested as the text's last eight, or with blanks
/// after them in a shorter text; a blank must not be flagged).
template <typename Flagged>
size_t SkipUnflagged(std::string_view text, size_t from, Flagged flagged) {
  uint64_t word = 0;
  for (; from + 8 <= text.size(); from += 8) {
    std::memcpy(&word, text.data() + from, 8);
    if (flagged(word)) return from;
  }
  if (from == text.size()) return from;
  word = 0x2020202020202020U;
  if (text.size() >= 8) {
    std::memcpy(&word, text.data() + text.size() - 8, 8);
  } else {
    // Byte by byte: a memcpy of a length known only here is a call, which
    // costs more than these few bytes. The flagged test looks at each byte
    // on its own, so where in the word each goes does not matter.
    for (size_t k = from; k < text.size(); ++k) {
      const unsigned shift = 8 * static_cast<unsigned>(k - from);
      word = (word & ~(uint64_t{0xFF} << shift)) |
             (uint64_t{static_cast<unsigned char>(text[k])} << shift);
    }
  }
  return flagged(word) ? from : text.size();
}

/// Appends `text` to `out`: each run of bytes `plain(byte)` admits at once,
/// every other byte as `escape(out, byte)` writes it.
template <typename Plain, typename Escape>
void AppendByRuns(std::string& out, std::string_view text, Plain plain, Escape escape) {
  for (size_t at = 0; at < text.size();) {
    const size_t from = at;
    while (at < text.size() && plain(static_cast<unsigned char>(text[at]))) ++at;
    out.append(text, from, at - from);
    if (at == text.size()) break;
    escape(out, static_cast<unsigned char>(text[at++]));
  }
}

/// Appends `byte` as "%XX", upper-case hex, as a URL escapes it.
inline void AppendPercentByte(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const char escape[3] = {'%', kHex[byte >> 4], kHex[byte & 0xF]};
  out.append(escape, 3);
}

/// `name` written for an href value between double quotes, so that a browser
/// finds the file of that name: "%", "\"", "#", "?", "\\", ":", control bytes,
/// bytes from 0x7F up and a blank that starts the name as %XX, "&" as "&amp;".
std::string EscapeHref(std::string_view name);
/// EscapeHref(name) appended to *out.
void AppendEscapedHref(std::string_view name, std::string* out);

/// `name` written as HTML text: "&", "<", ">" as character references.
std::string EscapeText(std::string_view name);
/// EscapeText(name) appended to *out.
void AppendEscapedText(std::string_view name, std::string* out);

/// `text` as HTML text or an attribute value in either quotes: "&", "<",
/// ">", "\"" and "'" as character references.
std::string EscapeAttribute(std::string_view text);

/// Which characters a JSON string escapes beyond those it must.
enum class JsonEscapes {
  kPlain,   ///< '"', '\\' and control bytes
  kScript,  ///< also "<", ">", "&", DEL, U+2028 and U+2029, to stand in a script element
};

/// Appends `text` (UTF-8) escaped for the inside of a JSON string.
void AppendJsonEscaped(std::string& out, std::string_view text,
                       JsonEscapes escapes = JsonEscapes::kPlain);
/// Appends `text` as a double-quoted JSON string.
void AppendJsonString(std::string& out, std::string_view text,
                      JsonEscapes escapes = JsonEscapes::kPlain);
/// `text` as a double-quoted JSON string.
std::string JsonString(std::string_view text, JsonEscapes escapes = JsonEscapes::kPlain);

/// Appends the path bytes `path` percent-encoded for a URL: every byte but
/// ASCII letters, digits, "-", ".", "_", "~" and the separator "/" as %XX.
void AppendPercentEncodedPath(std::string& out, std::string_view path);
/// `path` percent-encoded as AppendPercentEncodedPath does.
std::string PercentEncodePath(std::string_view path);

/// UTF-8 `text` for a braced BibTeX field that pdflatex and biber both
/// read: LaTeX's special characters and the text's braces escaped (no brace
/// of the text stays a brace), letters with marks, Greek letters and
/// mathematical signs as LaTeX commands, everything else kept.
std::string LatexEscape(std::string_view text);
/// Appends LatexEscape(text) to `out`.
void AppendLatexEscaped(std::string& out, std::string_view text);

/// `path` as a report shows it on a terminal: bytes below 0x20 and 0x7F as
/// "\xNN" and a backslash as "\\", so that every path stays on its own line
/// and a terminal shows it without acting on it; other bytes unchanged.
std::string ShownPath(std::string_view path);

}  // namespace pdfindex

#endif  // PDFINDEX_TEXT_ESCAPE_H_
