// Fuzzes the text primitives against their rules written out step by step.
// The first four input bytes give an index, a count, a tag length and a scan
// step; the tag follows, and the rest is the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/text.h"
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

// Moves `step` bytes at a time (all that is left when fewer) from the end of
// text[0, start) to the front of the scanned part text[start, end), while
// the scanned part lacks `tag` and more than `floor` bytes are left. Returns
// the start of the scanned part and sets *found to where the scanned part
// holds `tag` first (npos when it does not).
size_t LiteralScanBack(std::string_view text, size_t end, size_t start, std::string_view tag,
                       size_t step, size_t floor, size_t* found) {
  std::string remaining(text.substr(0, start));
  std::string scanned(text.substr(start, end - start));
  while (LiteralPosOf(tag, scanned) == 0 && remaining.size() > floor) {
    const size_t n = std::min(remaining.size(), step);
    scanned = remaining.substr(remaining.size() - n) + scanned;
    remaining.resize(remaining.size() - n);
  }
  const Pos at = LiteralPosOf(tag, scanned);
  *found = at == 0 ? std::string_view::npos : remaining.size() + static_cast<size_t>(at - 1);
  return remaining.size();
}

constexpr size_t kShortText = 512;

void CheckText(std::string_view data) {
  if (data.size() < 4) return;
  const Pos index = static_cast<int8_t>(data[0]);
  const Pos count = static_cast<int8_t>(data[1]);
  const size_t tag_size = static_cast<unsigned char>(data[2]) % 8;
  const Pos step = 1 + static_cast<unsigned char>(data[3]) % 16;
  data.remove_prefix(4);
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

  // The backward scan over text[0, end) from `start`, with a floor below
  // the step taken from the count.
  const size_t cut = static_cast<size_t>(count < 0 ? -count : count);
  const size_t end = text.size() - std::min(text.size(), cut);
  const size_t start = std::min(end, static_cast<size_t>(index < 0 ? -index : index) * 8);
  const size_t step_bytes = static_cast<size_t>(step);
  const size_t floor = static_cast<size_t>(count & 0x7F) % step_bytes;
  size_t literal_found = 0;
  const size_t literal_start =
      LiteralScanBack(text, end, start, tag, step_bytes, floor, &literal_found);
  size_t fast_start = start;
  const size_t found = ScanBack(text, end, &fast_start, tag, step_bytes, floor);
  FUZZ_CHECK(fast_start == literal_start);
  FUZZ_CHECK(found == literal_found);
}

}  // namespace
}  // namespace pdfindex

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pdfindex::CheckText(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
