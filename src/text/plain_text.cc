#include "text/plain_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "text/page.h"

namespace pdfindex {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
// How far into a page its charset declaration is looked for.
constexpr size_t kDeclarationWindow = size_t{64} * 1024;
// How much of a title its plain text is made from.
constexpr size_t kTitleBytes = 4096;

// What bytes 0x80 to 0x9F stand for in windows-1252 (the five it leaves
// undefined as the replacement character).
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

// The Latin-1 entities, from U+00A0 on in code point order.
constexpr std::string_view kLatin1Names[] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

// The Greek letters, from U+0391 (capitals) and U+03B1 (small letters) on;
// "" where the alphabet has no letter (the capital final sigma).
constexpr std::string_view kGreekNames[] = {
    "lpha", "eta",   "amma",   "elta", "psilon", "eta",    "ta",   "heta", "ota",
    "appa", "ambda", "u",      "u",    "i",      "micron", "i",    "ho",   "",
    "igma", "au",    "psilon", "hi",   "hi",     "si",     "mega",
};
// The first letter of each Greek name above, capital form.
constexpr std::string_view kGreekInitials = "ABGDEZETIKLMNXOPRSSTUPCPO";

struct NamedEntity {
  std::string_view name;
  char32_t code;
};

// The other entities that journal pages use.
constexpr NamedEntity kOtherEntities[] = {
    {"amp", '&'},       {"lt", '<'},          {"gt", '>'},        {"quot", '"'},
    {"apos", '\''},     {"ndash", 0x2013},    {"mdash", 0x2014},  {"lsquo", 0x2018},
    {"rsquo", 0x2019},  {"sbquo", 0x201A},    {"ldquo", 0x201C},  {"rdquo", 0x201D},
    {"bdquo", 0x201E},  {"dagger", 0x2020},   {"Dagger", 0x2021}, {"bull", 0x2022},
    {"hellip", 0x2026}, {"permil", 0x2030},   {"prime", 0x2032},  {"Prime", 0x2033},
    {"lsaquo", 0x2039}, {"rsaquo", 0x203A},   {"euro", 0x20AC},   {"trade", 0x2122},
    {"minus", 0x2212},  {"thinsp", 0x2009},   {"ensp", 0x2002},   {"emsp", 0x2003},
    {"zwnj", 0x200C},   {"zwj", 0x200D},      {"lrm", 0x200E},    {"rlm", 0x200F},
    {"OElig", 0x0152},  {"oelig", 0x0153},    {"Scaron", 0x0160}, {"scaron", 0x0161},
    {"Yuml", 0x0178},   {"fnof", 0x0192},     {"circ", 0x02C6},   {"tilde", 0x02DC},
    {"sigmaf", 0x03C2}, {"thetasym", 0x03D1}, {"upsih", 0x03D2},  {"piv", 0x03D6},
    {"le", 0x2264},     {"ge", 0x2265},       {"ne", 0x2260},     {"asymp", 0x2248},
    {"equiv", 0x2261},  {"infin", 0x221E},    {"sum", 0x2211},    {"prod", 0x220F},
    {"radic", 0x221A},  {"part", 0x2202},     {"larr", 0x2190},   {"rarr", 0x2192},
    {"uarr", 0x2191},   {"darr", 0x2193},     {"harr", 0x2194},   {"sim", 0x223C},
    {"middot", 0x00B7}, {"deg", 0x00B0},      {"micro", 0x00B5},  {"alefsym", 0x2135},
};

// The code point the entity `name` (without "&" and ";") stands for; 0
// when it is not one known.
char32_t EntityCode(std::string_view name) {
  for (size_t i = 0; i < std::size(kLatin1Names); ++i) {
    if (kLatin1Names[i] == name) return static_cast<char32_t>(0xA0 + i);
  }
  for (const NamedEntity& e : kOtherEntities) {
    if (e.name == name) return e.code;
  }
  if (name.size() >= 2) {
    const char initial = name[0];
    const bool small = initial >= 'a' && initial <= 'z';
    const char capital = small ? static_cast<char>(initial - 'a' + 'A') : initial;
    for (size_t i = 0; i < std::size(kGreekNames); ++i) {
      if (!kGreekNames[i].empty() && kGreekInitials[i] == capital &&
          name.substr(1) == kGreekNames[i]) {
        return static_cast<char32_t>((small ? 0x3B1 : 0x391) + i);
      }
    }
  }
  return 0;
}

}  // namespace

char32_t Windows1252(unsigned char b) {
  return b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : b;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

namespace {

// The code point of the UTF-8 sequence at text[*at], moving *at past it; a
// byte that starts no valid sequence gives the replacement character and
// moves one byte on.
char32_t NextUtf8(std::string_view text, size_t* at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char b = byte(*at);
  size_t length = 0;
  char32_t c = 0;
  char32_t least = 0;
  if (b < 0x80) {
    ++*at;
    return b;
  } else if (b >= 0xC2 && b < 0xE0) {
    length = 2, c = b & 0x1F, least = 0x80;
  } else if (b >= 0xE0 && b < 0xF0) {
    length = 3, c = b & 0x0F, least = 0x800;
  } else if (b >= 0xF0 && b < 0xF5) {
    length = 4, c = b & 0x07, least = 0x10000;
  } else {
    ++*at;
    return kReplacement;
  }
  if (*at + length > text.size()) {
    ++*at;
    return kReplacement;
  }
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(*at + i);
    if ((next & 0xC0) != 0x80) {
      ++*at;
      return kReplacement;
    }
    c = (c << 6) | (next & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
    ++*at;
    return kReplacement;
  }
  *at += length;
  return c;
}

bool IsBlank(char32_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == 0xA0;
}

// Collects code points as UTF-8, each run of white space one blank, and
// none at either end.
class PlainWriter {
 public:
  void Put(char32_t c) {
    if (IsBlank(c)) {
      blank_ = !out_.empty();
      return;
    }
    if (c < 0x20 || c == 0x7F) return;  // control characters carry no text
    if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) c = kReplacement;
    if (blank_) out_.push_back(' ');
    blank_ = false;
    AppendUtf8(out_, c);
  }
  /// Put for each byte of `run`, all printable ASCII but the blank.
  void PutRun(std::string_view run) {
    if (blank_) out_.push_back(' ');
    blank_ = false;
    out_.append(run);
  }
  void Blank() { blank_ = !out_.empty(); }
  void Reserve(size_t bytes) { out_.reserve(bytes); }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
  bool blank_ = false;
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != prefix[i]) return false;
  }
  return true;
}

bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Tags that break the text as a line would: they become a blank.
bool BreaksText(std::string_view tag) {
  static constexpr std::string_view kBreaking[] = {
      "br", "p",  "div", "td", "th", "tr", "li", "dt", "dd",    "dl",    "ul",
      "ol", "h1", "h2",  "h3", "h4", "h5", "h6", "hr", "table", "title", "blockquote"};
  char name[12];
  size_t length = 0;
  for (const char c : tag) {
    if (!IsNameByte(c)) break;
    if (length == sizeof name) return false;  // longer than any breaking tag
    name[length++] = Lower(c);
  }
  const std::string_view lower(name, length);
  return std::find(std::begin(kBreaking), std::end(kBreaking), lower) != std::end(kBreaking);
}

// Decodes the character reference at html[at] ("&...;"); false when it is
// none known, and then the "&" stands for itself.
bool Reference(std::string_view html, size_t at, char32_t* code, size_t* length) {
  size_t i = at + 1;
  if (i < html.size() && html[i] == '#') {
    ++i;
    const bool hex = i < html.size() && (html[i] == 'x' || html[i] == 'X');
    if (hex) ++i;
    const size_t digits = i;
    std::uint64_t value = 0;
    for (; i < html.size(); ++i) {
      const char c = Lower(html[i]);
      int digit = -1;
      if (c >= '0' && c <= '9') digit = c - '0';
      if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      if (digit < 0) break;
      value =
          std::min<std::uint64_t>(value * (hex ? 16 : 10) + static_cast<unsigned>(digit), 0x110000);
    }
    if (i == digits) return false;
    if (i < html.size() && html[i] == ';') ++i;
    // Numeric references to 0x80..0x9F mean the windows-1252 characters, as
    // browsers read them; 0 and what lies beyond Unicode are replaced.
    if (value >= 0x80 && value < 0xA0) {
      *code = Windows1252(static_cast<unsigned char>(value));
    } else if (value == 0 || value > 0x10FFFF) {
      *code = kReplacement;
    } else {
      *code = static_cast<char32_t>(value);
    }
    *length = i - at;
    return true;
  }
  const size_t start = i;
  while (i < html.size() && i - start < 10 && IsNameByte(html[i])) ++i;
  if (i >= html.size() || html[i] != ';') return false;
  const char32_t c = EntityCode(html.substr(start, i - start));
  if (c == 0) return false;
  *code = c;
  *length = i + 1 - at;
  return true;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  // Most text is ASCII: eight bytes at a time while no high bit is set.
  size_t ascii = 0;
  for (uint64_t word = 0; ascii + 8 <= bytes.size(); ascii += 8) {
    std::memcpy(&word, bytes.data() + ascii, 8);
    if ((word & 0x8080808080808080U) != 0) break;
  }
  for (size_t at = ascii; at < bytes.size();) {
    if (static_cast<unsigned char>(bytes[at]) < 0x80) {
      ++at;
      continue;
    }
    const size_t before = at;
    if (NextUtf8(bytes, &at) == kReplacement) {
      // A replacement character written out is valid; a byte that was
      // replaced is not.
      if (at - before != 3 || bytes.substr(before, 3) != "\xEF\xBF\xBD") return false;
    }
  }
  return true;
}

Charset DeclaredCharset(std::string_view html) {
  // A page declares its charset in its head; a huge page is not read
  // through for it.
  html = html.substr(0, kDeclarationWindow);
  for (size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at + 1)) {
    if (!StartsWithNoCase(html.substr(at + 1), "meta")) continue;
    const size_t end = html.find('>', at);
    const std::string_view tag = html.substr(at, end == std::string_view::npos ? end : end - at);
    std::string lower;
    for (char c : tag) lower.push_back(Lower(c));
    const size_t key = lower.find("charset");
    if (key == std::string::npos) continue;
    size_t i = key + 7;
    while (i < lower.size() &&
           (lower[i] == ' ' || lower[i] == '=' || lower[i] == '"' || lower[i] == '\'')) {
      ++i;
    }
    std::string label;
    while (i < lower.size() && (IsNameByte(lower[i]) || lower[i] == '-' || lower[i] == '_')) {
      label.push_back(lower[i++]);
    }
    if (label == "utf-8" || label == "utf8") return Charset::kUtf8;
    // Pages that say Latin-1 or ASCII use the windows-1252 characters in
    // 0x80..0x9F all the same, as browsers read them.
    static constexpr std::string_view kWestern[] = {
        "windows-1252", "cp1252",  "x-cp1252", "iso-8859-1", "iso8859-1", "iso_8859-1",
        "latin1",       "latin-1", "l1",       "us-ascii",   "ascii",     "iso-ir-100"};
    if (std::find(std::begin(kWestern), std::end(kWestern), label) != std::end(kWestern)) {
      return Charset::kWindows1252;
    }
    return Charset::kUndeclared;
  }
  return Charset::kUndeclared;
}

Charset PieceCharset(const Page& page, std::string_view piece) {
  // Every charset reads ASCII alike, so the page's own is only found for a
  // piece that needs it.
  for (const char c : piece) {
    if (static_cast<unsigned char>(c) >= 0x80) return PageCharset(page);
  }
  return Charset::kUtf8;
}

Charset PageCharset(const Page& page) {
  return page.Derived<Charset>(kPageCharset, [&page] {
    const Charset declared = DeclaredCharset(page.Text());
    if (declared != Charset::kUndeclared) return declared;
    return IsValidUtf8(page.Text()) ? Charset::kUtf8 : Charset::kWindows1252;
  });
}

std::string PlainText(std::string_view html, Charset charset) {
  if (charset == Charset::kUndeclared) {
    charset = IsValidUtf8(html) ? Charset::kUtf8 : Charset::kWindows1252;
  }
  PlainWriter out;
  out.Reserve(html.size());
  // Printable ASCII that starts no tag or reference is text as it is, in
  // either charset.
  const auto plain = [](char b) { return b > ' ' && b < 0x7F && b != '<' && b != '&'; };
  for (size_t at = 0; at < html.size();) {
    const char c = html[at];
    if (plain(c)) {
      const size_t from = at;
      while (at < html.size() && plain(html[at])) ++at;
      out.PutRun(html.substr(from, at - from));
      continue;
    }
    if (c == '<' && at + 1 < html.size() &&
        (IsNameByte(html[at + 1]) || html[at + 1] == '/' || html[at + 1] == '!')) {
      const size_t end = html.find('>', at);
      if (end == std::string_view::npos) break;  // a tag cut off ends the text
      std::string_view tag = html.substr(at + 1, end - at - 1);
      if (!tag.empty() && tag[0] == '/') tag.remove_prefix(1);
      if (BreaksText(tag)) out.Blank();
      at = end + 1;
      continue;
    }
    char32_t code = 0;
    size_t length = 0;
    if (c == '&' && Reference(html, at, &code, &length)) {
      out.Put(code);
      at += length;
      continue;
    }
    if (charset == Charset::kUtf8) {
      out.Put(NextUtf8(html, &at));
    } else {
      out.Put(Windows1252(static_cast<unsigned char>(c)));
      ++at;
    }
  }
  return out.Take();
}

std::string FileNameText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  for (char c : bytes) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

TitleRecord PageTitle(const Page& page, std::string classic) {
  TitleRecord title;
  // A title is short; what a page without its closing tag gives instead is
  // not read through.
  const std::string_view shown = std::string_view(classic).substr(0, kTitleBytes);
  title.text = PlainText(shown, PieceCharset(page, shown));
  title.classic = std::move(classic);
  return title;
}

TitleRecord PathTitle(const std::string& path) {
  TitleRecord title;
  title.classic = path;
  title.is_path = true;
  title.text = FileNameText(path);
  return title;
}

}  // namespace pdfindex
