#include "text/positions.h"

#include <algorithm>
#include <cstring>

namespace pdfindex {

Pos PosOf(std::string_view needle, std::string_view text) {
  if (needle.empty() || text.empty()) return 0;
  const size_t at = text.find(needle);
  return at == std::string_view::npos ? 0 : static_cast<Pos>(at) + 1;
}

std::string CopyRange(std::string_view text, Pos index, Pos count) {
  if (text.empty() || count <= 0) return {};
  if (index < 1) index = 1;
  if (index > Len(text)) return {};
  const Pos available = Len(text) - index + 1;
  return std::string(
      text.substr(static_cast<size_t>(index - 1), static_cast<size_t>(std::min(count, available))));
}

void DeleteRange(std::string& text, Pos index, Pos count) {
  if (text.empty() || index < 1 || index > Len(text) || count <= 0) return;
  const Pos available = Len(text) - index + 1;
  text.erase(static_cast<size_t>(index - 1), static_cast<size_t>(std::min(count, available)));
}

void InsertAt(std::string_view piece, std::string& text, Pos index) {
  if (piece.empty()) return;
  index = std::clamp<Pos>(index, 1, Len(text) + 1);
  text.insert(static_cast<size_t>(index - 1), piece);
}

void CutAt(std::string& text, std::string_view tag) {
  DeleteRange(text, PosOf(tag, text), Len(text));
}

void RemoveThrough(std::string& text, std::string_view tag) {
  DeleteRange(text, 1, PosOf(tag, text) + Len(tag) - 1);
}

void RemoveThroughIfHeld(std::string& text, std::string_view tag) {
  const Pos at = PosOf(tag, text);
  if (at > 0) DeleteRange(text, 1, at + Len(tag) - 1);
}

Pos RemoveFirst(std::string& text, std::string_view tag) {
  return RemoveAtFirst(text, tag, Len(tag));
}

Pos RemoveAtFirst(std::string& text, std::string_view tag, Pos count) {
  const Pos at = PosOf(tag, text);
  if (at > 0) DeleteRange(text, at, count);
  return at;
}

Pos ReplaceFirst(std::string& text, std::string_view tag, std::string_view with) {
  const Pos at = RemoveFirst(text, tag);
  if (at > 0) InsertAt(with, text, at);
  return at;
}

void RemoveAll(std::string& text, std::string_view tag) {
  // Removing the first occurrence until none is left equals one pass that
  // drops the tag whenever the output so far ends with it: the earliest
  // occurrence is always the one that ends first, and a removal can only
  // join a new occurrence across the point where it was made.
  if (tag.empty() || text.find(tag) == std::string::npos) return;
  std::string out;
  out.reserve(text.size());
  // Only the tag's last byte can complete it: the bytes up to the next one
  // are copied at once.
  const char last = tag.back();
  for (size_t i = 0; i < text.size();) {
    const size_t next = text.find(last, i);
    if (next == std::string::npos) {
      out.append(text, i, std::string::npos);
      break;
    }
    out.append(text, i, next + 1 - i);
    if (EndsWith(out, tag)) out.resize(out.size() - tag.size());
    i = next + 1;
  }
  text = std::move(out);
}

void ReplaceLastByte(std::string& text, char c) {
  if (!text.empty()) text.back() = c;
}

size_t FindLastBefore(std::string_view text, std::string_view tag, size_t end) {
  end = std::min(end, text.size());
  if (tag.empty() || end < tag.size()) return std::string_view::npos;
  // Searched forwards in windows that double as they go back from `end`: a
  // forward search is many times faster than a backward one, and a missing
  // tag costs a search back to the start either way.
  size_t starts_end = end - tag.size() + 1;  // the starts still to search: [0, starts_end)
#ifdef __SSE2__
  if (tag.size() >= 2) {
    // Back from `end` sixteen starts at a time, each tested for the tag's
    // first two bytes; the loads end before `end` (lo + 16 <= end - 1).
    const char* t = text.data();
    const __m128i first = _mm_set1_epi8(tag[0]);
    const __m128i second = _mm_set1_epi8(tag[1]);
    for (; starts_end >= 16; starts_end -= 16) {
      const size_t lo = starts_end - 16;
      unsigned mask = PairStarts(t + lo, first, second);
      while (mask != 0) {
        const unsigned bit = 31 - static_cast<unsigned>(__builtin_clz(mask));
        const size_t at = lo + bit;
        if (std::memcmp(t + at + 2, tag.data() + 2, tag.size() - 2) == 0) return at;
        mask &= ~(1u << bit);
      }
    }
    if (starts_end == 0) return std::string_view::npos;
  }
#endif
  for (size_t window = 256;; window *= 2) {
    const size_t lo = starts_end > window ? starts_end - window : 0;
    const std::string_view part = text.substr(lo, starts_end - lo + tag.size() - 1);
    size_t last = std::string_view::npos;
    for (size_t at = part.find(tag); at != std::string_view::npos; at = part.find(tag, at + 1)) {
      last = at;
    }
    if (last != std::string_view::npos) return lo + last;
    if (lo == 0) return std::string_view::npos;
    starts_end = lo;
  }
}

size_t ScanBack(std::string_view text, size_t end, size_t* start, std::string_view tag, size_t step,
                size_t floor) {
  text = text.substr(0, std::min(end, text.size()));
  step = std::max<size_t>(step, 1);
  *start = std::min(*start, text.size());
  // An empty tag is held by no text (as PosOf has it): the scan runs out.
  const size_t first = tag.empty() ? std::string_view::npos : text.find(tag, *start);
  if (first != std::string_view::npos) return first;
  // Whole steps reach the last tag when they fit in what is left.
  const size_t last = FindLastBefore(text, tag, text.size());
  if (last != std::string_view::npos) {
    const size_t steps = (*start - last + step - 1) / step;
    if (steps * step <= *start) {
      *start -= steps * step;
      return text.find(tag, *start);
    }
  }
  // Otherwise the scan runs out: whole steps while a step's worth is left,
  // then the rest in one step when it is more than `floor` bytes.
  const size_t rest = *start % step;
  *start = rest > floor ? 0 : rest;
  return tag.empty() ? std::string_view::npos : text.find(tag, *start);
}

}  // namespace pdfindex
