#include "text/positions.h"

#include <gtest/gtest.h>

#include <random>

namespace pdfindex {
namespace {

TEST(TextTest, PosOfFindsTheFirstOccurrenceOrZero) {
  struct Row {
    const char* needle;
    const char* text;
    Pos pos;
  };
  const Row rows[] = {
      {"b", "abcb", 2}, {"b", "", 0},      {"", "abc", 0},       {"", "", 0},
      {"B", "abcb", 0}, {"cb", "abcb", 3}, {"abcbx", "abcb", 0}, {"abcb", "abcb", 1},
  };
  for (const Row& r : rows)
    EXPECT_EQ(PosOf(r.needle, r.text), r.pos) << r.needle << " in " << r.text;
}

TEST(TextTest, CopyRangeClampsAsTheReadersExpect) {
  struct Row {
    const char* text;
    Pos index;
    Pos count;
    const char* out;
  };
  const Row rows[] = {
      {"abcdef", -1, 3, "abc"}, {"abcdef", 0, 3, "abc"}, {"abcdef", 4, 100, "def"},
      {"abcdef", 7, 1, ""},     {"abcdef", 2, -1, ""},   {"abcdef", 2, 0, ""},
      {"", 1, 5, ""},           {"abcdef", 6, 1, "f"},   {"abcdef", 0, 5, "abcde"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(CopyRange(r.text, r.index, r.count), r.out) << r.index << "," << r.count;
  }
}

TEST(TextTest, DeleteRangeClampsAsTheReadersExpect) {
  struct Row {
    const char* text;
    Pos index;
    Pos count;
    const char* out;
  };
  const Row rows[] = {
      {"abcdef", 0, 4, "abcdef"},  {"abcdef", 3, 100, "ab"},
      {"abcdef", 7, 1, "abcdef"},  {"abcdef", 1, 0, "abcdef"},
      {"abcdef", 1, -2, "abcdef"}, {"abcdef", 1, 2, "cdef"},
      {"abcdef", 6, 1, "abcde"},   {"", 1, 1, ""},
  };
  for (const Row& r : rows) {
    std::string text = r.text;
    DeleteRange(text, r.index, r.count);
    EXPECT_EQ(text, r.out) << r.index << "," << r.count;
  }
}

TEST(TextTest, InsertAtClampsToTheEnds) {
  struct Row {
    const char* piece;
    const char* text;
    Pos index;
    const char* out;
  };
  const Row rows[] = {
      {"X", "abc", 10, "abcX"}, {"X", "abc", 0, "Xabc"}, {"X", "abc", 2, "aXbc"},
      {"X", "abc", 4, "abcX"},  {"", "abc", 2, "abc"},   {"XY", "", 1, "XY"},
  };
  for (const Row& r : rows) {
    std::string text = r.text;
    InsertAt(r.piece, text, r.index);
    EXPECT_EQ(text, r.out);
  }
}

TEST(TextTest, StepShapesKeepThePrimitivesEdgeRules) {
  struct Row {
    const char* what;
    const char* text;
    const char* out;
  };
  auto apply = [](std::string what, std::string text) {
    if (what == "cut <B>") CutAt(text, "<B>");
    if (what == "through <STRONG>") RemoveThrough(text, "<STRONG>");
    if (what == "first <BR>") RemoveFirst(text, "<BR>");
    if (what == "through <B> if held") RemoveThroughIfHeld(text, "<B>");
    if (what == "<BR> to ; ") ReplaceFirst(text, "<BR>", "; ");
    if (what == "all <I>") RemoveAll(text, "<I>");
    if (what == "last ;") ReplaceLastByte(text, ';');
    return text;
  };
  const Row rows[] = {
      {"cut <B>", "ab<B>cd<B>", "ab"},
      {"cut <B>", "abcd", "abcd"},
      {"through <STRONG>", "x<STRONG>y", "y"},
      {"through <STRONG>", "0123456789", "789"},  // no tag: the first seven bytes go
      {"first <BR>", "a<BR>b<BR>", "ab<BR>"},
      {"through <B> if held", "a<B>b<B>", "b<B>"},
      {"through <B> if held", "abcd", "abcd"},
      {"<BR> to ; ", "a<BR>b", "a; b"},
      {"<BR> to ; ", "ab", "ab"},
      {"all <I>", "<I>a<<I>I>b<I>", "ab"},  // a removal that joins a new tag removes it too
      {"last ;", "abc", "ab;"},
      {"last ;", "", ""},
  };
  for (const Row& r : rows) EXPECT_EQ(apply(r.what, r.text), r.out) << r.what << ": " << r.text;
}

// RemoveAll must equal removing the first occurrence until none is left.
TEST(TextTest, RemoveAllMatchesRepeatedFirstRemoval) {
  std::mt19937 rng(3);
  const char* tags[] = {"aba", "ab", "aa", "<I>", "abab"};
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    const int len = static_cast<int>(rng() % 16);
    for (int i = 0; i < len; ++i) text += "ab<I>"[rng() % 5];
    const std::string tag = tags[rng() % 5];
    std::string oracle = text;
    while (PosOf(tag, oracle) > 0) DeleteRange(oracle, PosOf(tag, oracle), Len(tag));
    std::string fast = text;
    RemoveAll(fast, tag);
    ASSERT_EQ(fast, oracle) << text << " without " << tag;
  }
}

// ScanBack must equal moving the pieces one by one, with or without a floor
// of bytes that are never scanned.
TEST(TextTest, ScanBackMatchesMovingPiecesOneByOne) {
  std::mt19937 rng(5);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int len = static_cast<int>(rng() % 60);
    for (int i = 0; i < len; ++i) text += "<P>x"[rng() % 4];
    const size_t step = 1 + rng() % 20;
    const size_t floor = rng() % 2 ? 0 : rng() % step;
    const size_t end = rng() % (text.size() + 1);
    const size_t start0 = end - (end > 0 ? rng() % (end + 1) : 0);

    std::string remaining = text.substr(0, start0);
    std::string tail = text.substr(start0, end - start0);
    while (PosOf("<P>", tail) == 0 && remaining.size() > floor) {
      const size_t n = std::min(step, remaining.size());
      tail = remaining.substr(remaining.size() - n) + tail;
      remaining.resize(remaining.size() - n);
    }
    const Pos in_tail = PosOf("<P>", tail);

    size_t start = start0;
    const size_t found = ScanBack(text, end, &start, "<P>", step, floor);
    ASSERT_EQ(start, remaining.size()) << text << " end " << end << " step " << step;
    ASSERT_EQ(found, in_tail == 0 ? std::string::npos : start + static_cast<size_t>(in_tail - 1));
  }
}

TEST(TextTest, FindLastBeforeFindsTheLastWholeTag) {
  const std::string far = "<P>" + std::string(100000, 'x') + "<P";
  struct Row {
    std::string text;
    size_t end;
    size_t at;
  };
  const Row rows[] = {
      {"a<P>b<P>c", 9, 5},  {"a<P>b<P>c", 7, 1},        {"a<P>b<P>c", 3, std::string::npos},
      {far, far.size(), 0}, {"", 0, std::string::npos},
  };
  for (const Row& r : rows) EXPECT_EQ(FindLastBefore(r.text, "<P>", r.end), r.at) << r.end;
  // Longer texts, searched back many bytes at a time, against the library.
  std::mt19937 rng(17);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const int len = static_cast<int>(rng() % 300);
    for (int i = 0; i < len; ++i) text += "<PP>x"[rng() % 5];
    const size_t end = rng() % (text.size() + 2);
    for (const std::string_view tag : {"<P>", "<P", "PP", "P"}) {
      ASSERT_EQ(FindLastBefore(text, tag, end), std::string_view(text).substr(0, end).rfind(tag))
          << text << " " << tag << " " << end;
    }
  }
}

}  // namespace
}  // namespace pdfindex
