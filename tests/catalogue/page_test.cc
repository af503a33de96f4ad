#include "text/page.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <vector>

namespace pdfindex {
namespace {

std::vector<std::string> ReadAll(const std::string& bytes, bool* at_end_first) {
  Page page(bytes);
  PageCursor cursor(page);
  *at_end_first = PageAtEnd(cursor);
  std::vector<std::string> lines;
  while (!PageAtEnd(cursor)) lines.push_back(ReadPageLine(cursor));
  EXPECT_EQ(ReadPageLine(cursor), "");
  return lines;
}

TEST(PageTest, SplitsLinesLikeASavedPageIsRead) {
  struct Row {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {"a\r\nb\rc\n", {"a", "bc"}},
      {std::string("a\n\x1a"
                   "b\n"),
       {"a"}},
      {"", {}},
      {"\n", {""}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\rc\r", {"abc"}},  // lone carriage returns neither end a line nor stay
      {"a\n\r", {"a", ""}},    // a trailing lone CR is still a byte to read
      {"\r\n\r\n", {"", ""}},
      {std::string("x\0y\n", 4), {std::string("x\0y", 3)}},
      {std::string("\x1a"
                   "abc"),
       {}},
      // Line ends past the first sixteen bytes, which are searched for at once.
      {std::string(20, 'x') + "\r" + std::string(20, 'y') + "\r\n" + std::string(17, 'z') + "\r",
       {std::string(20, 'x') + std::string(20, 'y'), std::string(17, 'z')}},
      {std::string(15, 'x') + "\r\r\n\n" + std::string(16, 'y') + "\n\r",
       {std::string(15, 'x'), "", std::string(16, 'y'), ""}},
  };
  for (const Row& r : rows) {
    bool at_end_first = false;
    EXPECT_EQ(ReadAll(r.bytes, &at_end_first), r.lines);
    EXPECT_EQ(at_end_first, r.lines.empty());
  }
}

// Random runs of line ends and text, against the simplest reading: lines
// end at each line feed, carriage returns are dropped, and bytes after the
// last line feed make one more line.
TEST(PageTest, SplitsRandomLineEndsLikeTheSimpleReading) {
  std::mt19937 rng(5);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    const size_t size = rng() % 90;
    for (size_t i = 0; i < size; ++i) bytes += "ab\r\n"[rng() % (round % 2 == 0 ? 4 : 3)];
    std::vector<std::string> lines;
    std::string line;
    for (const char c : bytes) {
      if (c == '\n') {
        lines.push_back(line);
        line.clear();
      } else if (c != '\r') {
        line += c;
      }
    }
    if (!bytes.empty() && bytes.back() != '\n') lines.push_back(line);
    bool at_end_first = false;
    ASSERT_EQ(ReadAll(bytes, &at_end_first), lines) << round;
  }
  // Line feeds are counted in byte lanes that hold 255 at most: pages of
  // more than 255 blocks of sixteen line feeds keep every line.
  for (const size_t feeds : {size_t{4080}, size_t{4096}, size_t{9001}}) {
    const Page page(std::string(feeds, '\n') + "end");
    EXPECT_EQ(page.LineCount(), feeds + 1) << feeds;
  }
}

TEST(PageTest, JoinedLinesAreOneText) {
  Page page("ab\r\ncd\nef");
  EXPECT_EQ(page.Text(), "abcdef");
  EXPECT_EQ(page.Joined(1, 3), "cdef");
  EXPECT_EQ(page.Line(2), "ef");
  EXPECT_EQ(page.LineStart(1), 2u);
}

// Lines of every length class (empty, short, 254 to 256 bytes, long) in runs
// that cross the line blocks: each line's start and the line of each byte.
TEST(PageTest, LineStartsAndLinesOfBytesOverLongAndEmptyLines) {
  std::mt19937 rng(5);
  const size_t lengths[] = {0, 0, 1, 7, 254, 255, 256, 1000, 70000};
  for (int round = 0; round < 30; ++round) {
    std::string bytes;
    std::vector<size_t> starts = {0};
    const int lines = static_cast<int>(rng() % 200);
    for (int i = 0; i < lines; ++i) {
      const size_t length = lengths[rng() % std::size(lengths)];
      bytes += std::string(length, 'x') + (rng() % 2 ? "\n" : "\r\n");
      starts.push_back(starts.back() + length);
    }
    const Page page(bytes);
    ASSERT_EQ(page.LineCount(), static_cast<size_t>(lines));
    for (size_t i = 0; i < starts.size(); ++i) ASSERT_EQ(page.LineStart(i), starts[i]) << i;
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
      ASSERT_EQ(page.Line(i).size(), starts[i + 1] - starts[i]);
      for (size_t at = starts[i]; at < starts[i + 1]; at += 97) ASSERT_EQ(page.LineOf(at), i);
      if (starts[i + 1] > starts[i]) {
        ASSERT_EQ(page.LineOf(starts[i + 1] - 1), i);
      }
    }
  }
}

TEST(PageTest, FindLineSeesOnlyWholeLines) {
  Page page("xab\nc\nab\nzab");
  struct Row {
    const char* needle;
    size_t from;
    size_t line;
  };
  const Row rows[] = {
      {"ab", 0, 0}, {"ab", 1, 2}, {"ab", 3, 3},  {"bc", 0, 4},  // "b" + "c" spans a line end
      {"", 0, 4},   {"q", 0, 4},  {"zab", 0, 3},
  };
  for (const Row& r : rows) EXPECT_EQ(page.FindLine(r.needle, r.from), r.line) << r.needle;
}

TEST(PageTest, ReadLinesUntilStopsAtTheHoldingLineOrTheLast) {
  Page page("one\ntwo <T>\nthree");
  PageCursor cursor(page);
  bool found = false;
  EXPECT_EQ(ReadLinesUntil(cursor, "<T>", &found), "two <T>");
  EXPECT_TRUE(found);
  EXPECT_EQ(ReadLinesUntil(cursor, "<T>", &found), "three");
  EXPECT_FALSE(found);
  EXPECT_TRUE(PageAtEnd(cursor));
  EXPECT_EQ(ReadLinesUntil(cursor, "<T>", &found), "");

  Page empty("");
  PageCursor at_end(empty);
  EXPECT_EQ(ReadLinesUntil(at_end, "x", &found), "");
  EXPECT_FALSE(found);

  PageCursor joined(page);
  EXPECT_EQ(JoinLinesUntil(joined, "<T>", &found), "onetwo <T>");
  EXPECT_TRUE(found);
}

TEST(PageSetTest, PagesThatCannotBeOpenedAreAbsent) {
  PageSet pages;
  pages.Add("A/i/a.htm", "x");
  pages.AddUnopenable("A/i/b.htm");
  ASSERT_NE(pages.Open("A/i/a.htm"), nullptr);
  EXPECT_EQ(pages.Open("A/i/a.htm")->Text(), "x");
  EXPECT_EQ(pages.Open("A/i/b.htm"), nullptr);
  EXPECT_EQ(pages.Open("A/i/c.htm"), nullptr);
}

}  // namespace
}  // namespace pdfindex
