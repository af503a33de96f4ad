#include "catalogue/page.h"

#include <algorithm>
#include <cstring>

namespace pdfindex {

namespace {
constexpr char kEndMarker = 26;
}  // namespace

Page::Page(std::string_view bytes) {
  const size_t end = bytes.find(kEndMarker);
  if (end != std::string_view::npos) bytes = bytes.substr(0, end);
  text_.reserve(bytes.size());
  starts_.clear();
  starts_.push_back(0);
  size_t i = 0;
  while (i < bytes.size()) {
    // One line: the bytes up to the next line feed, carriage returns dropped.
    const void* lf = std::memchr(bytes.data() + i, '\n', bytes.size() - i);
    const size_t stop = lf ? static_cast<size_t>(static_cast<const char*>(lf) - bytes.data())
                           : bytes.size();
    for (std::string_view chunk = bytes.substr(i, stop - i); !chunk.empty();) {
      const size_t cr = chunk.find('\r');
      text_.append(chunk.substr(0, cr));
      if (cr == std::string_view::npos) break;
      chunk.remove_prefix(cr + 1);
    }
    starts_.push_back(text_.size());
    i = stop + 1;
  }
}

size_t Page::FindLine(std::string_view needle, size_t from) const {
  if (needle.empty()) return LineCount();
  for (size_t line = from; line < LineCount(); ++line) {
    // Search from this line's start to the end of the text once, then map the
    // hit back to its line; a hit that crosses a line end is skipped.
    const size_t at = text_.find(needle, starts_[line]);
    if (at == std::string::npos) return LineCount();
    const auto it = std::upper_bound(starts_.begin() + static_cast<std::ptrdiff_t>(line),
                                     starts_.end(), at);
    line = static_cast<size_t>(it - starts_.begin()) - 1;
    if (at + needle.size() <= starts_[line + 1]) return line;
  }
  return LineCount();
}

size_t Page::Find(std::string_view needle, size_t from) const {
  if (needle.empty() || from > text_.size()) return std::string::npos;
  return text_.find(needle, from);
}

bool PageAtEnd(const PageCursor& page) { return page.next_line() >= page.page().LineCount(); }

std::string ReadPageLine(PageCursor& page) {
  if (PageAtEnd(page)) return {};
  const size_t line = page.next_line();
  page.Seek(line + 1);
  return std::string(page.page().Line(line));
}

std::string ReadLinesUntil(PageCursor& page, std::string_view needle, bool* found) {
  const Page& p = page.page();
  if (PageAtEnd(page)) {
    *found = false;
    return {};
  }
  const size_t hit = p.FindLine(needle, page.next_line());
  *found = hit < p.LineCount();
  const size_t line = *found ? hit : p.LineCount() - 1;
  page.Seek(line + 1);
  return std::string(p.Line(line));
}

std::string_view JoinLinesUntil(PageCursor& page, std::string_view needle, bool* found) {
  const Page& p = page.page();
  const size_t first = page.next_line();
  if (PageAtEnd(page)) {
    *found = false;
    return {};
  }
  const size_t hit = p.FindLine(needle, first);
  *found = hit < p.LineCount();
  const size_t last = *found ? hit + 1 : p.LineCount();
  page.Seek(last);
  return p.Joined(first, last);
}

void PageSet::Add(const std::string& path, std::string_view bytes) {
  pages_.insert_or_assign(path, Page(bytes));
}

void PageSet::AddUnopenable(const std::string& path) { pages_.erase(path); }

const Page* PageSet::Open(const std::string& path) const {
  const auto it = pages_.find(path);
  return it == pages_.end() ? nullptr : &it->second;
}

size_t PageSet::TextBytes() const {
  size_t total = 0;
  for (const auto& [path, page] : pages_) total += page.Text().size();
  return total;
}

}  // namespace pdfindex
