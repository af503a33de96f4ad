// Fuzzes the text primitives against their rules written out step by step.
// The first six input bytes give an index, a count, a tag length, a scan
// step and floor, the end and the start of a backward scan; the tag follows,
// and the rest is the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/positions.h"
#include "fuzz_check.h"

namespace pdfindex {
namespace {

Pos LiteralPosOf(std::string_view needle, std::string_view text) {
  if (needle.empty() || needle.size() > text.size()) return 0;
  for (size_t i = 0; i + needle.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < needle.size() && text[i + k] == needle[k]) ++k;
    if (k == needle.size()) return static_cast<Pos>(i) + 1;
  }
  return 0;
}

std::string LiteralCopyRange(std::string_view text, Pos index, Pos count) {
  std::string out;
  if (index < 1) index = 1;
  for (Pos i = index; i < index + count && i <= Len(text); ++i) {
    out += text[static_cast<size_t>(i - 1)];
  }
  return out;
}

std::string LiteralDeleteRange(std::string_view text, Pos index, Pos count) {
  if (index < 1 || index > Len(text) || count <= 0) return std::string(text);
  std::string out;
  for (Pos i = 1; i <= Len(text); ++i) {
    if (i < index || i >= index + count) out += text[static_cast<size_t>(i - 1)];
  }
  return out;
}

std::string LiteralInsertAt(std::string_view piece, std::string_view text, Pos index) {
  if (index < 1) index = 1;
  if (index > Len(text)) return std::string(text) + std::string(piece);
  return std::string(text.substr(0, static_cast<size_t>(index - 1))) + std::string(piece) +
         std::string(text.substr(static_cast<size_t>(index - 1)));
}

// Removes the first tag again and again, each time from the start.
std::string LiteralRemoveAll(std::string text, std::string_view tag) {
  for (Pos at = LiteralPosOf(tag, text); at > 0; at = LiteralPosOf(tag, text)) {
    text = LiteralDeleteRange(text, at, Len(tag));
  }
  return text;
}

// The start of the last tag wholly in text[0, end), tried at every offset.
size_t LiteralFindLastBefore(std::string_view text, std::string_view tag, size_t end) {
  end = std::min(end, text.size());
  size_t last = std::string_view::npos;
  for (size_t i = 0; !tag.empty() && i + tag.size() <= end; ++i) {
    if (text.substr(i, tag.size()) == tag) last = i;
  }
  return last;
}

// The backward scan one step at a time: the scanned part text[*start, end)
// is searched, and while it holds no tag and more than `floor` bytes are
// left before it, it takes `step` more bytes (or all that are left).
size_t LiteralScanBack(std::string_view text, size_t end, size_t* start, std::string_view tag,
                       size_t step, size_t floor) {
  text = text.substr(0, std::min(end, text.size()));
  step = std::max<size_t>(step, 1);
  *start = std::min(*start, text.size());
  for (;;) {
    const Pos at = LiteralPosOf(tag, text.substr(*start));
    if (at > 0) return *start + static_cast<size_t>(at) - 1;
    if (*start <= floor) return std::string_view::npos;
    *start -= std::min(step, *start);
  }
}

constexpr size_t kShortText = 512;

void CheckText(std::string_view data) {
  if (data.size() < 6) return;
  const Pos index = static_cast<int8_t>(data[0]);
  const Pos count = static_cast<int8_t>(data[1]);
  const size_t tag_size = static_cast<unsigned char>(data[2]) % 8;
  const size_t step = 1 + static_cast<unsigned char>(data[3]) % 16;
  const size_t floor = static_cast<unsigned char>(data[3]) / 16 % step;
  const size_t end = static_cast<size_t>(static_cast<unsigned char>(data[4])) * 4;
  const size_t start = static_cast<size_t>(static_cast<unsigned char>(data[5])) * 2;
  data.remove_prefix(6);
  const std::string_view tag = data.substr(0, tag_size);
  data.remove_prefix(tag.size());
  const std::string text(data);

  FUZZ_CHECK(PosOf(tag, text) == LiteralPosOf(tag, text));
  FUZZ_CHECK(CopyRange(text, index, count) == LiteralCopyRange(text, index, count));
  std::string deleted = text;
  DeleteRange(deleted, index, count);
  FUZZ_CHECK(deleted == LiteralDeleteRange(text, index, count));
  std::string inserted = text;
  InsertAt(tag, inserted, index);
  FUZZ_CHECK(inserted == LiteralInsertAt(tag, text, index));

  // The step-by-step versions below are quadratic; short texts suffice.
  if (text.size() > kShortText) return;
  std::string removed = text;
  RemoveAll(removed, tag);
  FUZZ_CHECK(removed == LiteralRemoveAll(text, tag));

  FUZZ_CHECK(FindLastBefore(text, tag, end) == LiteralFindLastBefore(text, tag, end));
  size_t scanned = start;
  size_t literal_scanned = start;
  FUZZ_CHECK(ScanBack(text, end, &scanned, tag, step, floor) ==
             LiteralScanBack(text, end, &literal_scanned, tag, step, floor));
  FUZZ_CHECK(scanned == literal_scanned);
}

}  // namespace
}  // namespace pdfindex

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pdfindex::CheckText(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
