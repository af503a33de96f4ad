// Fuzzes how a page is split into lines and searched. The first input byte
// gives a needle length and a start line, the needle follows, and the rest
// is the page. Everything is compared with a byte-by-byte reading of the
// page (byte 26 ends the data, a line feed ends a line, a carriage return is
// never part of a line) and with plain searches of its text, before and after
// the page has indexed its needles.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/page.h"
#include "text/positions.h"
#include "text/text_index.h"
#include "fuzz_check.h"

namespace pdfindex {
namespace {

std::vector<std::string> LiteralLines(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t i = 0;
  while (i < bytes.size() && bytes[i] != 26) {
    std::string line;
    for (; i < bytes.size() && bytes[i] != 26 && bytes[i] != '\n'; ++i) {
      if (bytes[i] != '\r') line += bytes[i];
    }
    lines.push_back(line);
    if (i < bytes.size() && bytes[i] == '\n') ++i;
  }
  return lines;
}

bool Holds(const std::string& line, std::string_view needle) { return PosOf(needle, line) > 0; }

// The searches, from line `from` on.
void CheckSearches(const Page& page, const std::vector<std::string>& lines, const std::string& text,
                   std::string_view needle, size_t from) {
  size_t hit = lines.size();
  for (size_t i = from; i < lines.size() && hit == lines.size(); ++i) {
    if (Holds(lines[i], needle)) hit = i;
  }
  FUZZ_CHECK(page.FindLine(needle, from) == hit);
  const size_t offset = from <= text.size() ? from : text.size() + 1;
  const size_t found_at =
      needle.empty() || offset > text.size() ? std::string::npos : text.find(needle, offset);
  FUZZ_CHECK(page.Find(needle, offset) == found_at);

  PageCursor until(page);
  until.Seek(from);
  bool found = true;
  std::string last;
  if (from < lines.size()) {
    size_t i = from;
    do {
      last = lines[i++];
    } while (!Holds(last, needle) && i < lines.size());
  }
  FUZZ_CHECK(ReadLinesUntil(until, needle, &found) == last);
  FUZZ_CHECK(found == Holds(last, needle));
  FUZZ_CHECK(until.next_line() == (hit < lines.size() ? hit + 1 : std::max(from, lines.size())));

  PageCursor join(page);
  join.Seek(from);
  std::string joined;
  bool joined_found = false;
  for (size_t i = from; i < lines.size() && !joined_found; ++i) {
    joined += lines[i];
    joined_found = Holds(lines[i], needle);
  }
  FUZZ_CHECK(JoinLinesUntil(join, needle, &found) == joined);
  FUZZ_CHECK(found == joined_found);
}

void CheckPage(std::string_view data) {
  if (data.empty()) return;
  const size_t needle_size = static_cast<unsigned char>(data[0]) % 8;
  const size_t from = static_cast<unsigned char>(data[0]) / 8;
  data.remove_prefix(1);
  const std::string_view needle = data.substr(0, needle_size);
  data.remove_prefix(needle.size());

  const Page page(data);
  const std::vector<std::string> lines = LiteralLines(data);
  FUZZ_CHECK(page.LineCount() == lines.size());
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    FUZZ_CHECK(page.LineStart(i) == text.size());
    FUZZ_CHECK(page.Line(i) == lines[i]);
    text += lines[i];
  }
  FUZZ_CHECK(page.Text() == text);
  FUZZ_CHECK(page.LineStart(lines.size()) == text.size());

  // Read line by line as a reader does.
  PageCursor cursor(page);
  for (const std::string& line : lines) {
    FUZZ_CHECK(!PageAtEnd(cursor));
    FUZZ_CHECK(ReadPageLine(cursor) == line);
  }
  FUZZ_CHECK(PageAtEnd(cursor));
  FUZZ_CHECK(ReadPageLine(cursor).empty() && PageAtEnd(cursor));

  // Every occurrence of some needles at once: the needle, and pieces of the
  // text (which occur at least once).
  std::vector<std::string> needles = {std::string(needle)};
  for (size_t at = 0; at < text.size() && needles.size() < 6; at += 1 + text.size() / 4) {
    needles.push_back(text.substr(at, 1 + (at + from) % 5));
  }
  const std::vector<std::vector<size_t>> all = FindAll(text, needles);
  FUZZ_CHECK(all.size() == needles.size());
  for (size_t n = 0; n < needles.size(); ++n) {
    std::vector<size_t> expected;
    for (size_t at = text.find(needles[n]); !needles[n].empty() && at != std::string::npos;
         at = text.find(needles[n], at + 1)) {
      expected.push_back(at);
    }
    FUZZ_CHECK(all[n] == expected);
  }
  FUZZ_CHECK(page.FindLast(needle) == (needle.empty() ? std::string::npos : text.rfind(needle)));
  // Searched as they come, and with the needles indexed in one pass first.
  CheckSearches(page, lines, text, needle, from);
  const Page indexed(data);
  indexed.IndexNeedles(needles);
  CheckSearches(indexed, lines, text, needle, from);
}

}  // namespace
}  // namespace pdfindex

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pdfindex::CheckPage(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
