#include "outputs/search_page_text.h"

#include <string>
#include <vector>

#include "outputs/export_text.h"
#include "text/encoding.h"
#include "text/tag_removal.h"

namespace pdfindex {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

}  // namespace

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
  const std::string text = PageText(html);
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
    if (const MarkupTag tag = c == '<' ? ReadMarkupTag(text, i) : MarkupTag(); tag.length != 0) {
      if (tag.unclosed) break;  // the rest is markup
      if (tag.breaks) blank = true;
      i += tag.length;
    } else if (IsBlank(c)) {
      blank = true;
      ++i;
    } else if (c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') {
      blank = true;  // a no-break space
      i += 2;
    } else if (c == '&') {
      const CharacterReference ref = ReadReference(text, i);
      if (ref.length == 0) {
        put("&");
        ++i;
      } else if (ref.first == 0xA0 || ref.first == ' ') {
        blank = true;
        i += ref.length;
      } else {
        std::string piece;
        AppendReference(piece, ref);
        put(piece);
        i += ref.length;
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
