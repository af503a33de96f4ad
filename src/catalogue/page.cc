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
  std::string text;
  text.reserve(bytes.size());
  starts_.clear();
  starts_.push_back(0);
  size_t i = 0;
  while (i < bytes.size()) {
    // One line: the bytes up to the next line feed, carriage returns dropped.
    const void* lf = std::memchr(bytes.data() + i, '\n', bytes.size() - i);
    const size_t stop =
        lf ? static_cast<size_t>(static_cast<const char*>(lf) - bytes.data()) : bytes.size();
    for (std::string_view chunk = bytes.substr(i, stop - i); !chunk.empty();) {
      const size_t cr = chunk.find('\r');
      text.append(chunk.substr(0, cr));
      if (cr == std::string_view::npos) break;
      chunk.remove_prefix(cr + 1);
    }
    starts_.push_back(text.size());
    i = stop + 1;
  }
  text_ = IndexedText(std::move(text));
}

size_t Page::FindLine(std::string_view needle, size_t from) const {
  if (needle.empty() || from >= LineCount()) return LineCount();
  const std::vector<size_t>& at = text_.Occurrences(needle);
  for (auto it = std::lower_bound(at.begin(), at.end(), starts_[from]); it != at.end(); ++it) {
    // The line the occurrence starts in; one that runs past the line's end
    // spans two lines and is held by neither.
    const size_t line = LineOf(*it);
    if (*it + needle.size() <= starts_[line + 1]) return line;
  }
  return LineCount();
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

IssuePages PageSet::InOrder(const std::string& folder,
                            const std::vector<std::string>& names) const {
  IssuePages pages;
  pages.folder = folder;
  pages.names = names;
  for (const std::string& name : names) pages.pages.push_back(Open(folder + name));
  return pages;
}

IssuePages PageSet::InOrder(const std::string& folder, NameList& list) const {
  std::vector<std::string> names;
  ListRewind(list);
  for (std::string name = ListNext(list); !name.empty(); name = ListNext(list)) {
    names.push_back(name);
  }
  ListRewind(list);
  return InOrder(folder, names);
}

}  // namespace pdfindex
