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

// Moves `step` bytes at a time from the end of `from` to the front of `to`,
// at least once, until `to` holds the tag or `from` is empty.
bool LiteralScanBackFor(std::string& from, std::string& to, std::string_view tag, Pos step) {
  do {
    const size_t n = std::min(from.size(), static_cast<size_t>(step));
    to = from.substr(from.size() - n) + to;
    from.resize(from.size() - n);
  } while (LiteralPosOf(tag, to) == 0 && !from.empty());
  return LiteralPosOf(tag, to) > 0;
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

  // The text split in two at `index` for the backward scan.
  const size_t split = std::min(text.size(), static_cast<size_t>(index < 0 ? -index : index) * 8);
  std::string from = text.substr(0, split);
  std::string to = text.substr(split);
  std::string literal_from = from;
  std::string literal_to = to;
  const bool held = ScanBackFor(from, to, tag, step);
  FUZZ_CHECK(held == LiteralScanBackFor(literal_from, literal_to, tag, step));
  FUZZ_CHECK(from == literal_from && to == literal_to);
}

}  // namespace
}  // namespace pdfindex

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pdfindex::CheckText(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
