#include "catalogue/text.h"

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
      {"b", "abcb", 2}, {"b", "", 0}, {"", "abc", 0}, {"", "", 0},
      {"B", "abcb", 0}, {"cb", "abcb", 3}, {"abcbx", "abcb", 0}, {"abcb", "abcb", 1},
  };
  for (const Row& r : rows) EXPECT_EQ(PosOf(r.needle, r.text), r.pos) << r.needle << " in " << r.text;
}

TEST(TextTest, CopyRangeClampsAsTheReadersExpect) {
  struct Row {
    const char* text;
    Pos index;
    Pos count;
    const char* out;
  };
  const Row rows[] = {
      {"abcdef", -1, 3, "abc"}, {"abcdef", 0, 3, "abc"},  {"abcdef", 4, 100, "def"},
      {"abcdef", 7, 1, ""},     {"abcdef", 2, -1, ""},    {"abcdef", 2, 0, ""},
      {"", 1, 5, ""},           {"abcdef", 6, 1, "f"},    {"abcdef", 0, 5, "abcde"},
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
      {"abcdef", 0, 4, "abcdef"}, {"abcdef", 3, 100, "ab"}, {"abcdef", 7, 1, "abcdef"},
      {"abcdef", 1, 0, "abcdef"}, {"abcdef", 1, -2, "abcdef"}, {"abcdef", 1, 2, "cdef"},
      {"abcdef", 6, 1, "abcde"},  {"", 1, 1, ""},
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

// ScanBackFor must equal moving the pieces one by one.
TEST(TextTest, ScanBackForMatchesMovingPiecesOneByOne) {
  std::mt19937 rng(5);
  for (int round = 0; round < 5000; ++round) {
    std::string from;
    std::string to;
    const int len = static_cast<int>(rng() % 40);
    for (int i = 0; i < len; ++i) from += "<P>x"[rng() % 4];
    if (rng() % 4 == 0) to = "<P>";
    const Pos step = 1 + static_cast<Pos>(rng() % 12);

    std::string oracle_from = from;
    std::string oracle_to = to;
    do {
      const Pos n = std::min(step, Len(oracle_from));
      oracle_to = oracle_from.substr(oracle_from.size() - static_cast<size_t>(n)) + oracle_to;
      oracle_from.resize(oracle_from.size() - static_cast<size_t>(n));
    } while (PosOf("<P>", oracle_to) == 0 && !oracle_from.empty());

    const bool found = ScanBackFor(from, to, "<P>", step);
    ASSERT_EQ(to, oracle_to);
    ASSERT_EQ(from, oracle_from);
    ASSERT_EQ(found, PosOf("<P>", oracle_to) > 0);
  }
}

}  // namespace
}  // namespace pdfindex
