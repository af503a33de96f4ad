#include "text/plain_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "text/encoding.h"
#include "text/page.h"
#include "text/tag_removal.h"

namespace pdfindex {

namespace {

// How far into a page its charset declaration is looked for.
constexpr size_t kDeclarationWindow = size_t{64} * 1024;
// How much of a title its plain text is made from.
constexpr size_t kTitleBytes = 4096;

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
    if (blank_) out_.push_back(' ');
    blank_ = false;
    AppendUtf8(out_, c);
  }
  /// Put for each byte of `run`: printable ASCII, blanks only single ones
  /// between other bytes.
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

bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

Charset DeclaredCharset(std::string_view html) {
  // A page declares its charset in its head; a huge page is not read
  // through for it.
  html = html.substr(0, kDeclarationWindow);
  for (size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at + 1)) {
    if (!StartsWithNoCase(html.substr(at + 1), "meta")) continue;
    const size_t end = html.find('>', at);
    const std::string_view tag = html.substr(at, end == std::string_view::npos ? end : end - at);
    const std::string lower = AsciiLower(tag);
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
  // Eight bytes at a time: none has its high bit set in most pieces.
  size_t at = 0;
  for (; at + 8 <= piece.size(); at += 8) {
    uint64_t word = 0;
    std::memcpy(&word, piece.data() + at, 8);
    if ((word & 0x8080808080808080U) != 0) return PageCharset(page);
  }
  for (; at < piece.size(); ++at) {
    if (static_cast<unsigned char>(piece[at]) >= 0x80) return PageCharset(page);
  }
  return Charset::kUtf8;
}

Charset PageCharset(const Page& page) {
  return page.KeptCharset([&page] {
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
  // either charset; one look-up a byte.
  static constexpr std::array<bool, 256> kPlain = [] {
    std::array<bool, 256> plain{};
    for (int b = '!'; b < 0x7F; ++b) plain[static_cast<size_t>(b)] = b != '<' && b != '&';
    return plain;
  }();
  const auto plain = [](char b) { return kPlain[static_cast<unsigned char>(b)]; };
  for (size_t at = 0; at < html.size();) {
    const char c = html[at];
    if (plain(c)) {
      // A single blank between plain bytes goes in with them: the writer
      // would put one blank there all the same.
      const size_t from = at;
      for (;;) {
        while (at < html.size() && plain(html[at])) ++at;
        if (at + 1 >= html.size() || html[at] != ' ' || !plain(html[at + 1])) break;
        at += 2;
      }
      out.PutRun(html.substr(from, at - from));
      continue;
    }
    if (c == '<') {
      if (const MarkupTag tag = ReadMarkupTag(html, at); tag.length != 0) {
        if (tag.unclosed) break;  // a tag cut off ends the text
        if (tag.breaks) out.Blank();
        at += tag.length;
        continue;
      }
    }
    if (c == '&') {
      if (const CharacterReference ref = ReadReference(html, at); ref.length != 0) {
        out.Put(ref.first);
        if (ref.second != 0) out.Put(ref.second);
        at += ref.length;
        continue;
      }
    }
    if (static_cast<unsigned char>(c) < 0x80) {
      // Either charset reads ASCII as itself.
      out.Put(static_cast<unsigned char>(c));
      ++at;
    } else if (charset == Charset::kUtf8) {
      char32_t code = kReplacementCharacter;
      const size_t length = DecodeUtf8(html, at, &code);
      out.Put(length == 0 ? kReplacementCharacter : code);
      at += std::max<size_t>(length, 1);
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

bool IsContentsPage(std::string_view name) {
  return EndsWithNoCase(name, ".htm") || EndsWithNoCase(name, ".html");
}

bool IsPdf(std::string_view name) { return EndsWithNoCase(name, ".pdf"); }

std::string PdfBaseName(std::string_view file) {
  if (IsPdf(file)) file.remove_suffix(4);
  return std::string(file);
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
