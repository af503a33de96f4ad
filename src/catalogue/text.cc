#include "catalogue/text.h"

#include <algorithm>

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
  return std::string(text.substr(static_cast<size_t>(index - 1),
                                 static_cast<size_t>(std::min(count, available))));
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
  for (char c : text) {
    out.push_back(c);
    if (EndsWith(out, tag)) out.resize(out.size() - tag.size());
  }
  text = std::move(out);
}

void ReplaceLastByte(std::string& text, char c) {
  if (!text.empty()) text.back() = c;
}

bool ScanBackFor(std::string& from, std::string& to, std::string_view tag, Pos step) {
  // The passes stop at the first cut point at or before the start of the
  // last tag in from + to, so that cut point is computed at once instead of
  // moving the bytes step by step (which is quadratic on a long text).
  step = std::max<Pos>(step, 1);
  std::string all = from + to;
  const size_t last = tag.empty() ? std::string::npos : all.rfind(tag);
  const Pos length = Len(from);
  Pos cut = 0;
  if (last != std::string::npos) {
    const Pos back = std::max<Pos>(length - static_cast<Pos>(last), 1);
    const Pos passes = (back + step - 1) / step;
    cut = std::max<Pos>(length - passes * step, 0);
  }
  to = all.substr(static_cast<size_t>(cut));
  from.resize(static_cast<size_t>(cut));
  return last != std::string::npos;
}

}  // namespace pdfindex
