#include "text/escape.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/encoding.h"

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

// True when `byte` needs an escape in a JSON string: a control byte, '"'
// or '\\'.
bool IsJsonSpecialByte(unsigned char byte) { return byte < 0x20 || byte == '"' || byte == '\\'; }

// True when a byte of the eight in `word` needs an escape in a JSON string:
// a control byte, '"' or '\\'.
bool AnyJsonSpecial(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101U;
  constexpr uint64_t kHighs = 0x8080808080808080U;
  const auto any_zero = [](uint64_t v) { return ((v - kOnes) & ~v & kHighs) != 0; };
  return AnyControlByte(word) || any_zero(word ^ (kOnes * '"')) || any_zero(word ^ (kOnes * '\\'));
}

#if defined(__SSE2__)
// One bit per byte of the sixteen at `bytes`, set where the byte needs an
// escape in a JSON string (as AnyJsonSpecial tells).
int JsonSpecialMask(const char* bytes) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x1F)), v);
  const __m128i quote = _mm_cmpeq_epi8(v, _mm_set1_epi8('"'));
  const __m128i backslash = _mm_cmpeq_epi8(v, _mm_set1_epi8('\\'));
  return _mm_movemask_epi8(_mm_or_si128(control, _mm_or_si128(quote, backslash)));
}
#endif

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
  // By runs tested byte by byte: a search for any of the three bytes would
  // search the three for every byte of the name.
  AppendByRuns(
      *out, name, [](unsigned char b) { return b != '&' && b != '<' && b != '>'; },
      [](std::string& to, unsigned char b) { to += b == '&' ? "&amp;" : b == '<' ? "&lt;" : "&gt;"; });
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
  // Most strings are short names and numbers that need no escape: a byte
  // at a time tells it for less than the steps for longer texts cost.
  if (!script && text.size() < 16) {
    size_t i = 0;
    while (i < text.size() && !IsJsonSpecialByte(static_cast<unsigned char>(text[i]))) ++i;
    if (i == text.size()) {
      out.append(text);
      return;
    }
  }
#if defined(__SSE2__)
  // So do most longer ones: sixteen bytes at a time, the last sixteen
  // overlapping those before them, and then the whole text at once.
  if (!script && text.size() >= 16) {
    size_t i = 0;
    while (i + 16 <= text.size() && JsonSpecialMask(text.data() + i) == 0) i += 16;
    if (i + 16 > text.size() &&
        (i == text.size() || JsonSpecialMask(text.data() + text.size() - 16) == 0)) {
      out.append(text);
      return;
    }
  }
#endif
  size_t start = 0;  // the run of bytes that need no escape, appended at once
  for (size_t i = 0; i < text.size(); ++i) {
#if defined(__SSE2__)
    // Sixteen bytes at a time while none needs an escape, then on to the
    // first that does.
    for (; !script && i + 16 <= text.size(); i += 16) {
      if (const int mask = JsonSpecialMask(text.data() + i); mask != 0) {
        i += static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        break;
      }
    }
#endif
    // Eight bytes at a time while none needs an escape.
    if (!script) i = SkipUnflagged(text, i, AnyJsonSpecial);
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

namespace {

// What LaTeX makes of each byte of a braced field: nullptr for the byte
// itself.
constexpr std::array<const char*, 256> kLatex = [] {
  std::array<const char*, 256> escape{};
  // Control bytes would end a line or break the field; a blank does for
  // BibTeX what they did in the text.
  for (size_t c = 0; c < 0x20; ++c) escape[c] = " ";
  escape['\\'] = "\\textbackslash{}";
  // Braces of the text as commands: a "\\{" still counts for BibTeX's
  // balance, and one unbalanced brace breaks the whole file.
  escape['{'] = "\\textbraceleft{}";
  escape['}'] = "\\textbraceright{}";
  escape['$'] = "\\$";
  escape['&'] = "\\&";
  escape['%'] = "\\%";
  escape['#'] = "\\#";
  escape['_'] = "\\_";
  escape['^'] = "\\^{}";
  escape['~'] = "\\~{}";
  return escape;
}();

// The bytes a braced field takes as they are: ASCII that kLatex leaves, one
// look-up a byte where most bytes are.
constexpr std::array<bool, 256> kLatexPlain = [] {
  std::array<bool, 256> plain{};
  for (size_t c = 0; c < 0x80; ++c) plain[c] = kLatex[c] == nullptr;
  return plain;
}();

}  // namespace

namespace {

struct LatexCommand {
  uint32_t cp;
  // cppcheck-suppress unusedStructMember ; read through the lookup's iterator
  const char* latex;
};

// Latin letters with marks, as LaTeX's accent commands write them with
// its default fonts; sorted by code point. Letters that need other fonts
// (eth, thorn, eng, ...) are left as they are.
constexpr LatexCommand kLatexLatin[] = {
    {0xC0, "{\\`A}"},
    {0xC1, "{\\'A}"},
    {0xC2, "{\\^A}"},
    {0xC3, "{\\~A}"},
    {0xC4, "{\\\"A}"},
    {0xC5, "{\\AA}"},
    {0xC6, "{\\AE}"},
    {0xC7, "{\\c{C}}"},
    {0xC8, "{\\`E}"},
    {0xC9, "{\\'E}"},
    {0xCA, "{\\^E}"},
    {0xCB, "{\\\"E}"},
    {0xCC, "{\\`I}"},
    {0xCD, "{\\'I}"},
    {0xCE, "{\\^I}"},
    {0xCF, "{\\\"I}"},
    {0xD1, "{\\~N}"},
    {0xD2, "{\\`O}"},
    {0xD3, "{\\'O}"},
    {0xD4, "{\\^O}"},
    {0xD5, "{\\~O}"},
    {0xD6, "{\\\"O}"},
    {0xD8, "{\\O}"},
    {0xD9, "{\\`U}"},
    {0xDA, "{\\'U}"},
    {0xDB, "{\\^U}"},
    {0xDC, "{\\\"U}"},
    {0xDD, "{\\'Y}"},
    {0xDF, "{\\ss}"},
    {0xE0, "{\\`a}"},
    {0xE1, "{\\'a}"},
    {0xE2, "{\\^a}"},
    {0xE3, "{\\~a}"},
    {0xE4, "{\\\"a}"},
    {0xE5, "{\\aa}"},
    {0xE6, "{\\ae}"},
    {0xE7, "{\\c{c}}"},
    {0xE8, "{\\`e}"},
    {0xE9, "{\\'e}"},
    {0xEA, "{\\^e}"},
    {0xEB, "{\\\"e}"},
    {0xEC, "{\\`\\i}"},
    {0xED, "{\\'\\i}"},
    {0xEE, "{\\^\\i}"},
    {0xEF, "{\\\"\\i}"},
    {0xF1, "{\\~n}"},
    {0xF2, "{\\`o}"},
    {0xF3, "{\\'o}"},
    {0xF4, "{\\^o}"},
    {0xF5, "{\\~o}"},
    {0xF6, "{\\\"o}"},
    {0xF8, "{\\o}"},
    {0xF9, "{\\`u}"},
    {0xFA, "{\\'u}"},
    {0xFB, "{\\^u}"},
    {0xFC, "{\\\"u}"},
    {0xFD, "{\\'y}"},
    {0xFF, "{\\\"y}"},
    {0x100, "{\\=A}"},
    {0x101, "{\\=a}"},
    {0x102, "{\\u{A}}"},
    {0x103, "{\\u{a}}"},
    {0x104, "{\\k{A}}"},
    {0x105, "{\\k{a}}"},
    {0x106, "{\\'C}"},
    {0x107, "{\\'c}"},
    {0x108, "{\\^C}"},
    {0x109, "{\\^c}"},
    {0x10A, "{\\.C}"},
    {0x10B, "{\\.c}"},
    {0x10C, "{\\v{C}}"},
    {0x10D, "{\\v{c}}"},
    {0x10E, "{\\v{D}}"},
    {0x10F, "{\\v{d}}"},
    {0x112, "{\\=E}"},
    {0x113, "{\\=e}"},
    {0x114, "{\\u{E}}"},
    {0x115, "{\\u{e}}"},
    {0x116, "{\\.E}"},
    {0x117, "{\\.e}"},
    {0x118, "{\\k{E}}"},
    {0x119, "{\\k{e}}"},
    {0x11A, "{\\v{E}}"},
    {0x11B, "{\\v{e}}"},
    {0x11C, "{\\^G}"},
    {0x11D, "{\\^g}"},
    {0x11E, "{\\u{G}}"},
    {0x11F, "{\\u{g}}"},
    {0x120, "{\\.G}"},
    {0x121, "{\\.g}"},
    {0x122, "{\\c{G}}"},
    {0x123, "{\\c{g}}"},
    {0x124, "{\\^H}"},
    {0x125, "{\\^h}"},
    {0x128, "{\\~I}"},
    {0x129, "{\\~\\i}"},
    {0x12A, "{\\=I}"},
    {0x12B, "{\\=\\i}"},
    {0x12C, "{\\u{I}}"},
    {0x12D, "{\\u{\\i}}"},
    {0x12E, "{\\k{I}}"},
    {0x12F, "{\\k{\\i}}"},
    {0x130, "{\\.I}"},
    {0x131, "{\\i}"},
    {0x134, "{\\^J}"},
    {0x135, "{\\^\\j}"},
    {0x136, "{\\c{K}}"},
    {0x137, "{\\c{k}}"},
    {0x139, "{\\'L}"},
    {0x13A, "{\\'l}"},
    {0x13B, "{\\c{L}}"},
    {0x13C, "{\\c{l}}"},
    {0x13D, "{\\v{L}}"},
    {0x13E, "{\\v{l}}"},
    {0x141, "{\\L}"},
    {0x142, "{\\l}"},
    {0x143, "{\\'N}"},
    {0x144, "{\\'n}"},
    {0x145, "{\\c{N}}"},
    {0x146, "{\\c{n}}"},
    {0x147, "{\\v{N}}"},
    {0x148, "{\\v{n}}"},
    {0x14C, "{\\=O}"},
    {0x14D, "{\\=o}"},
    {0x14E, "{\\u{O}}"},
    {0x14F, "{\\u{o}}"},
    {0x150, "{\\H{O}}"},
    {0x151, "{\\H{o}}"},
    {0x152, "{\\OE}"},
    {0x153, "{\\oe}"},
    {0x154, "{\\'R}"},
    {0x155, "{\\'r}"},
    {0x156, "{\\c{R}}"},
    {0x157, "{\\c{r}}"},
    {0x158, "{\\v{R}}"},
    {0x159, "{\\v{r}}"},
    {0x15A, "{\\'S}"},
    {0x15B, "{\\'s}"},
    {0x15C, "{\\^S}"},
    {0x15D, "{\\^s}"},
    {0x15E, "{\\c{S}}"},
    {0x15F, "{\\c{s}}"},
    {0x160, "{\\v{S}}"},
    {0x161, "{\\v{s}}"},
    {0x162, "{\\c{T}}"},
    {0x163, "{\\c{t}}"},
    {0x164, "{\\v{T}}"},
    {0x165, "{\\v{t}}"},
    {0x168, "{\\~U}"},
    {0x169, "{\\~u}"},
    {0x16A, "{\\=U}"},
    {0x16B, "{\\=u}"},
    {0x16C, "{\\u{U}}"},
    {0x16D, "{\\u{u}}"},
    {0x16E, "{\\r{U}}"},
    {0x16F, "{\\r{u}}"},
    {0x170, "{\\H{U}}"},
    {0x171, "{\\H{u}}"},
    {0x172, "{\\k{U}}"},
    {0x173, "{\\k{u}}"},
    {0x174, "{\\^W}"},
    {0x175, "{\\^w}"},
    {0x176, "{\\^Y}"},
    {0x177, "{\\^y}"},
    {0x178, "{\\\"Y}"},
    {0x179, "{\\'Z}"},
    {0x17A, "{\\'z}"},
    {0x17B, "{\\.Z}"},
    {0x17C, "{\\.z}"},
    {0x17D, "{\\v{Z}}"},
    {0x17E, "{\\v{z}}"}
};

// Greek letters, mathematical signs and typographic characters pdflatex
// reads only as commands; sorted by code point.
constexpr LatexCommand kLatexSymbols[] = {
    {0xA0, "~"},
    {0xA1, "{!`}"},
    {0xA3, "{\\pounds}"},
    {0xA7, "{\\S}"},
    {0xA9, "{\\textcopyright}"},
    {0xAE, "{\\textregistered}"},
    {0xB0, "{\\ensuremath{^\\circ}}"},
    {0xB1, "{\\ensuremath{\\pm}}"},
    {0xB2, "{\\textsuperscript{2}}"},
    {0xB3, "{\\textsuperscript{3}}"},
    {0xB5, "{\\ensuremath{\\mu}}"},
    {0xB6, "{\\P}"},
    {0xB7, "{\\ensuremath{\\cdot}}"},
    {0xB9, "{\\textsuperscript{1}}"},
    {0xBF, "{?`}"},
    {0xD7, "{\\ensuremath{\\times}}"},
    {0xF7, "{\\ensuremath{\\div}}"},
    {0x391, "{\\ensuremath{\\mathrm{A}}}"},
    {0x392, "{\\ensuremath{\\mathrm{B}}}"},
    {0x393, "{\\ensuremath{\\Gamma}}"},
    {0x394, "{\\ensuremath{\\Delta}}"},
    {0x395, "{\\ensuremath{\\mathrm{E}}}"},
    {0x396, "{\\ensuremath{\\mathrm{Z}}}"},
    {0x397, "{\\ensuremath{\\mathrm{H}}}"},
    {0x398, "{\\ensuremath{\\Theta}}"},
    {0x399, "{\\ensuremath{\\mathrm{I}}}"},
    {0x39A, "{\\ensuremath{\\mathrm{K}}}"},
    {0x39B, "{\\ensuremath{\\Lambda}}"},
    {0x39C, "{\\ensuremath{\\mathrm{M}}}"},
    {0x39D, "{\\ensuremath{\\mathrm{N}}}"},
    {0x39E, "{\\ensuremath{\\Xi}}"},
    {0x39F, "{\\ensuremath{\\mathrm{O}}}"},
    {0x3A0, "{\\ensuremath{\\Pi}}"},
    {0x3A1, "{\\ensuremath{\\mathrm{P}}}"},
    {0x3A3, "{\\ensuremath{\\Sigma}}"},
    {0x3A4, "{\\ensuremath{\\mathrm{T}}}"},
    {0x3A5, "{\\ensuremath{\\Upsilon}}"},
    {0x3A6, "{\\ensuremath{\\Phi}}"},
    {0x3A7, "{\\ensuremath{\\mathrm{X}}}"},
    {0x3A8, "{\\ensuremath{\\Psi}}"},
    {0x3A9, "{\\ensuremath{\\Omega}}"},
    {0x3B1, "{\\ensuremath{\\alpha}}"},
    {0x3B2, "{\\ensuremath{\\beta}}"},
    {0x3B3, "{\\ensuremath{\\gamma}}"},
    {0x3B4, "{\\ensuremath{\\delta}}"},
    {0x3B5, "{\\ensuremath{\\epsilon}}"},
    {0x3B6, "{\\ensuremath{\\zeta}}"},
    {0x3B7, "{\\ensuremath{\\eta}}"},
    {0x3B8, "{\\ensuremath{\\theta}}"},
    {0x3B9, "{\\ensuremath{\\iota}}"},
    {0x3BA, "{\\ensuremath{\\kappa}}"},
    {0x3BB, "{\\ensuremath{\\lambda}}"},
    {0x3BC, "{\\ensuremath{\\mu}}"},
    {0x3BD, "{\\ensuremath{\\nu}}"},
    {0x3BE, "{\\ensuremath{\\xi}}"},
    {0x3BF, "{\\ensuremath{o}}"},
    {0x3C0, "{\\ensuremath{\\pi}}"},
    {0x3C1, "{\\ensuremath{\\rho}}"},
    {0x3C2, "{\\ensuremath{\\varsigma}}"},
    {0x3C3, "{\\ensuremath{\\sigma}}"},
    {0x3C4, "{\\ensuremath{\\tau}}"},
    {0x3C5, "{\\ensuremath{\\upsilon}}"},
    {0x3C6, "{\\ensuremath{\\phi}}"},
    {0x3C7, "{\\ensuremath{\\chi}}"},
    {0x3C8, "{\\ensuremath{\\psi}}"},
    {0x3C9, "{\\ensuremath{\\omega}}"},
    {0x3D1, "{\\ensuremath{\\vartheta}}"},
    {0x3D5, "{\\ensuremath{\\phi}}"},
    {0x2002, " "},
    {0x2003, " "},
    {0x2009, "\\,"},
    {0x2013, "--"},
    {0x2014, "---"},
    {0x2018, "`"},
    {0x2019, "'"},
    {0x201C, "``"},
    {0x201D, "''"},
    {0x2020, "{\\dag}"},
    {0x2021, "{\\ddag}"},
    {0x2022, "{\\textbullet}"},
    {0x2026, "{\\ldots}"},
    {0x2032, "{\\ensuremath{'}}"},
    {0x2122, "{\\texttrademark}"},
    {0x2190, "{\\ensuremath{\\leftarrow}}"},
    {0x2191, "{\\ensuremath{\\uparrow}}"},
    {0x2192, "{\\ensuremath{\\rightarrow}}"},
    {0x2193, "{\\ensuremath{\\downarrow}}"},
    {0x2194, "{\\ensuremath{\\leftrightarrow}}"},
    {0x21D2, "{\\ensuremath{\\Rightarrow}}"},
    {0x21D4, "{\\ensuremath{\\Leftrightarrow}}"},
    {0x2200, "{\\ensuremath{\\forall}}"},
    {0x2202, "{\\ensuremath{\\partial}}"},
    {0x2203, "{\\ensuremath{\\exists}}"},
    {0x2205, "{\\ensuremath{\\emptyset}}"},
    {0x2206, "{\\ensuremath{\\Delta}}"},
    {0x2207, "{\\ensuremath{\\nabla}}"},
    {0x2208, "{\\ensuremath{\\in}}"},
    {0x2211, "{\\ensuremath{\\sum}}"},
    {0x2212, "{\\ensuremath{-}}"},
    {0x2213, "{\\ensuremath{\\mp}}"},
    {0x221A, "{\\ensuremath{\\surd}}"},
    {0x221D, "{\\ensuremath{\\propto}}"},
    {0x221E, "{\\ensuremath{\\infty}}"},
    {0x2227, "{\\ensuremath{\\wedge}}"},
    {0x2228, "{\\ensuremath{\\vee}}"},
    {0x2229, "{\\ensuremath{\\cap}}"},
    {0x222A, "{\\ensuremath{\\cup}}"},
    {0x222B, "{\\ensuremath{\\int}}"},
    {0x223C, "{\\ensuremath{\\sim}}"},
    {0x2245, "{\\ensuremath{\\cong}}"},
    {0x2248, "{\\ensuremath{\\approx}}"},
    {0x2260, "{\\ensuremath{\\neq}}"},
    {0x2261, "{\\ensuremath{\\equiv}}"},
    {0x2264, "{\\ensuremath{\\leq}}"},
    {0x2265, "{\\ensuremath{\\geq}}"},
    {0x226A, "{\\ensuremath{\\ll}}"},
    {0x226B, "{\\ensuremath{\\gg}}"},
    {0x2282, "{\\ensuremath{\\subset}}"},
    {0x2283, "{\\ensuremath{\\supset}}"},
    {0x2286, "{\\ensuremath{\\subseteq}}"},
    {0x2287, "{\\ensuremath{\\supseteq}}"},
    {0x2295, "{\\ensuremath{\\oplus}}"},
    {0x2297, "{\\ensuremath{\\otimes}}"},
    {0x22C5, "{\\ensuremath{\\cdot}}"},
};

// The accent command of a combining mark, "" when it has none.
const char* CombiningAccent(uint32_t cp) {
  switch (cp) {
    case 0x300: return "`";
    case 0x301: return "'";
    case 0x302: return "^";
    case 0x303: return "~";
    case 0x304: return "=";
    case 0x306: return "u";
    case 0x307: return ".";
    case 0x308: return "\"";
    case 0x30A: return "r";
    case 0x30B: return "H";
    case 0x30C: return "v";
    case 0x327: return "c";
    case 0x328: return "k";
    default: return "";
  }
}

const char* LatexOf(uint32_t cp) {
  const auto find = [cp](const auto& table) -> const char* {
    const auto* at = std::lower_bound(std::begin(table), std::end(table), cp,
                                      [](const LatexCommand& c, uint32_t v) { return c.cp < v; });
    return at != std::end(table) && at->cp == cp ? at->latex : nullptr;
  };
  if (cp >= 0xC0 && cp <= 0x17F) {
    if (const char* latex = find(kLatexLatin)) return latex;
  }
  return find(kLatexSymbols);
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

void AppendLatexEscaped(std::string& out, std::string_view text) {
  const auto is_mark_lead = [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b == 0xCC || b == 0xCD;
  };
  for (size_t i = 0; i < text.size();) {
    // The run of ASCII that needs nothing, at once; a letter before a
    // combining mark waits for it.
    size_t run = i;
    while (run < text.size() && kLatexPlain[static_cast<unsigned char>(text[run])]) ++run;
    if (run < text.size() && run > i && is_mark_lead(text[run]) && IsAsciiLetter(text[run - 1])) {
      --run;
    }
    out.append(text, i, run - i);
    i = run;
    if (i == text.size()) break;
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      char32_t mark = 0;
      const size_t len = i + 1 < text.size() ? DecodeUtf8(text, i + 1, &mark) : 0;
      const std::string_view accent = len == 2 ? CombiningAccent(mark) : "";
      if (kLatex[byte] != nullptr) {
        out += kLatex[byte];
        ++i;
      } else if (accent.empty()) {
        out += text[i++];
      } else {
        // A letter and the combining accent after it: "{\'e}".
        const bool letter = IsAsciiLetter(accent[0]);
        out += "{\\";
        out += accent;
        if (letter) out += '{';
        if (text[i] == 'i' || text[i] == 'j') out += '\\';
        out += text[i];
        if (letter) out += '}';
        out += '}';
        i += 1 + len;
      }
      continue;
    }
    char32_t cp = 0;
    const size_t len = DecodeUtf8(text, i, &cp);
    if (len == 0) {  // not UTF-8: callers give text, so this does not happen
      out += text[i++];
      continue;
    }
    if (const char* latex = LatexOf(cp)) {
      out += latex;
    } else {
      out.append(text, i, len);
    }
    i += len;
  }
}

std::string LatexEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendLatexEscaped(out, text);
  return out;
}

}  // namespace pdfindex
