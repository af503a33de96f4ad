// Escaping text for an output: the bytes the output takes as they are go in
// by whole runs, each other byte as its escape.
#ifndef PDFINDEX_TEXT_ESCAPE_H_
#define PDFINDEX_TEXT_ESCAPE_H_

#include <string>
#include <string_view>

namespace pdfindex {

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

}  // namespace pdfindex

#endif  // PDFINDEX_TEXT_ESCAPE_H_
