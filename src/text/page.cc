#include "text/page.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace pdfindex {

namespace {
constexpr char kEndMarker = 26;

// The number of line feeds in data[0, size), sixteen bytes at a time.
size_t CountLineFeeds(const char* data, size_t size) {
  size_t count = 0;
  size_t i = 0;
#ifdef __SSE2__
  const __m128i lf = _mm_set1_epi8('\n');
  while (i + 16 <= size) {
    // Each byte lane counts up to 255 line feeds, then the lanes are summed.
    __m128i lanes = _mm_setzero_si128();
    for (int block = 0; block < 255 && i + 16 <= size; ++block, i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
      lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(v, lf));
    }
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
#endif
  for (; i < size; ++i) count += data[i] == '\n' ? 1 : 0;
  return count;
}

// The first i' >= i below `size` where data holds a line feed or a carriage
// return, or `size`: a page's lines are short, and one pass for both bytes
// costs less than a library search for each.
size_t NextLineBreak(const char* data, size_t i, size_t size) {
#ifdef __SSE2__
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  for (; i + 16 <= size; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)));
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < size; ++i) {
    if (data[i] == '\n' || data[i] == '\r') return i;
  }
  return size;
}

}  // namespace

Page::Page(std::string_view bytes) { Split(std::string(bytes)); }

Page Page::Adopt(std::string&& bytes) {
  Page page;
  page.Split(std::move(bytes));
  return page;
}

void Page::Split(std::string bytes) {
  const size_t end = bytes.find(kEndMarker);
  if (end != std::string::npos) bytes.resize(end);
  // The text is built in the bytes' own storage: what is kept of a byte is
  // never after the byte itself.
  char* data = bytes.data();
  const size_t size = bytes.size();
  // The line index is sized once: grown by doubling, a page of line feeds
  // alone would briefly need three times its final size.
  // Bytes after the last line feed make one more line.
  const bool open_end = size > 0 && data[size - 1] != '\n';
  const size_t lines = CountLineFeeds(data, size) + (open_end ? 1 : 0);
  lengths_.reserve(lines);
  block_starts_.reserve(lines / kBlock + 1);
  size_t kept = 0;
  size_t i = 0;
  while (i < size) {
    // One run of bytes kept as they are, up to a line feed (which ends the
    // line), a carriage return (which is dropped) or the end.
    const size_t stop = NextLineBreak(data, i, size);
    if (kept != i && stop != i) std::memmove(data + kept, data + i, stop - i);
    kept += stop - i;
    i = stop + 1;
    if (stop == size) break;
    // A line feed, or the carriage return of a line end: the line ends.
    if (data[stop] == '\r' && i < size && data[i] == '\n') ++i;
    if (data[i - 1] == '\n') AddLine(kept);
  }
  if (open_end) AddLine(kept);
  const size_t dropped = bytes.size() - kept;
  bytes.resize(kept);
  // The bytes of the dropped line ends are given back when they are many
  // (a page of bare carriage returns); a copy of the page for the two bytes
  // in forty of ordinary line ends would cost more than they weigh.
  if (dropped > kept / 4) bytes.shrink_to_fit();
  text_ = IndexedText(std::move(bytes));
}

void Page::AddLine(size_t end) {
  const size_t length = end - line_end_;
  line_end_ = end;
  if (length >= kLong) long_lengths_.emplace_back(lengths_.size(), length);
  lengths_.push_back(static_cast<unsigned char>(std::min<size_t>(length, kLong)));
  if (lengths_.size() % kBlock == 0) block_starts_.push_back(static_cast<uint32_t>(end));
}

size_t Page::LineLength(size_t i) const {
  if (lengths_[i] != kLong) return lengths_[i];
  const auto it =
      std::lower_bound(long_lengths_.begin(), long_lengths_.end(), std::pair<size_t, size_t>(i, 0));
  return it->second;
}

size_t Page::LineStart(size_t i) const {
  size_t line = i - i % kBlock;
  size_t start = block_starts_[line / kBlock];
  for (; line < i; ++line) start += LineLength(line);
  return start;
}

size_t Page::LineOf(size_t offset) const {
  // The last block starting at or before offset, then line by line in it.
  const size_t block =
      static_cast<size_t>(std::upper_bound(block_starts_.begin(), block_starts_.end(), offset) -
                          block_starts_.begin()) -
      1;
  size_t line = block * kBlock;
  for (size_t start = block_starts_[block];; ++line) {
    const size_t next = start + LineLength(line);
    if (offset < next) return line;
    start = next;
  }
}

size_t Page::FindLine(std::string_view needle, size_t from) const {
  if (needle.empty() || from >= LineCount()) return LineCount();
  for (size_t at = Find(needle, LineStart(from)); at != std::string_view::npos;
       at = Find(needle, at + 1)) {
    // The line the occurrence starts in; one that runs past the line's end
    // spans two lines and is held by neither.
    const size_t line = LineOf(at);
    if (at + needle.size() <= LineStart(line + 1)) return line;
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

void PageSet::Adopt(const std::string& path, std::string&& bytes) {
  pages_.insert_or_assign(path, Page::Adopt(std::move(bytes)));
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
