#include "text/text_index.h"

#include <gtest/gtest.h>

#include <random>

#include "text/page.h"

namespace pdfindex {
namespace {

std::vector<size_t> Naive(std::string_view text, std::string_view needle) {
  std::vector<size_t> at;
  for (size_t i = 0; !needle.empty() && i + needle.size() <= text.size(); ++i) {
    if (text.substr(i, needle.size()) == needle) at.push_back(i);
  }
  return at;
}

TEST(TextIndexTest, FindAllMatchesANaiveSearchForEveryNeedle) {
  std::mt19937 rng(9);
  const std::string alphabet = "ab/\"c<>\r\n";
  for (int round = 0; round < 9000; ++round) {
    // In two rounds of three all needles start alike, as a folder's names
    // do: with the same two bytes, or with a few pairs of bytes of a narrow
    // range ("a" to "c"); the texts are then longer than the blocks the
    // search for such a start takes at once.
    const int kind = round % 3;
    std::string text;
    const int len = static_cast<int>(rng() % (kind > 0 ? 120 : 60));
    for (int i = 0; i < len; ++i) text += alphabet[rng() % alphabet.size()];
    std::vector<std::string> needles;
    const int count = static_cast<int>(rng() % (kind == 2 ? 12 : 6));
    for (int k = 0; k < count; ++k) {
      std::string needle = kind == 1 ? "ab" : "";
      if (kind == 2) needle = {"abc"[rng() % 3], "abc"[rng() % 3]};
      const int n = static_cast<int>(rng() % 5);
      for (int i = 0; i < n; ++i) needle += alphabet[rng() % 4];
      needles.push_back(needle);
    }
    const auto found = FindAll(text, needles);
    ASSERT_EQ(found.size(), needles.size());
    for (size_t k = 0; k < needles.size(); ++k) {
      ASSERT_EQ(found[k], Naive(text, needles[k])) << text << " / " << needles[k];
    }
  }
}

TEST(TextIndexTest, IndexedAndLazySearchesAgree) {
  const IndexedText lazy("ab/x1\"/x1\"ab/x12\"");
  const IndexedText batch("ab/x1\"/x1\"ab/x12\"");
  batch.IndexNeedles({"/x1\"", "/x12\"", "ab", "zz"});
  struct Row {
    const char* needle;
    size_t from;
  };
  const Row rows[] = {{"/x1\"", 0}, {"/x1\"", 3}, {"/x1\"", 7}, {"/x12\"", 0},
                      {"ab", 1},    {"zz", 0},    {"", 0}};
  for (const Row& r : rows) {
    EXPECT_EQ(lazy.Find(r.needle, r.from), batch.Find(r.needle, r.from)) << r.needle;
    const size_t expected =
        *r.needle == '\0' ? std::string::npos : lazy.text().find(r.needle, r.from);
    EXPECT_EQ(lazy.Find(r.needle, r.from), expected) << r.needle;
    EXPECT_EQ(lazy.FindLast(r.needle), batch.FindLast(r.needle)) << r.needle;
  }
}

// A needle listed thousands of times, below the limit, beside rare ones:
// the long list is found in full and in order.
TEST(TextIndexTest, LongListsBelowTheLimitAreFoundWhole) {
  std::string text;
  for (int n = 0; n < 5000; ++n) text += "<a>" + std::string(29, n % 7 == 0 ? 'q' : '.');
  text += "rare";
  const IndexedText batch(text);
  batch.IndexNeedles({"<a>", "rare", "qq"});
  for (const char* needle : {"<a>", "rare", "qq"}) {
    for (size_t from = 0; from < text.size(); from += 97) {
      ASSERT_EQ(batch.Find(needle, from), text.find(needle, from)) << needle << " " << from;
    }
    EXPECT_EQ(batch.FindLast(needle), text.rfind(needle)) << needle;
  }
}

// Overlapping runs ("aaaa" for "aa"), needles past the list limit (one in
// two bytes) and sparse ones: every offset's search equals the text's own.
TEST(TextIndexTest, SearchesFromEveryOffsetEqualTheTextsOwn) {
  std::mt19937 rng(21);
  struct Shape {
    std::string alphabet;
    int length;
  };
  const Shape shapes[] = {{"a", 600}, {"ab", 900}, {"aab", 700}, {"abcdefgh", 2000}};
  const std::vector<std::string> needles = {"a", "aa", "aaa", "ab", "aba", "ba", "h", "abcd"};
  for (const Shape& shape : shapes) {
    for (int round = 0; round < 4; ++round) {
      std::string text;
      for (int i = 0; i < shape.length; ++i) text += shape.alphabet[rng() % shape.alphabet.size()];
      const IndexedText lazy(text);
      const IndexedText batch(text);
      batch.IndexNeedles(needles);
      for (const std::string& needle : needles) {
        ASSERT_EQ(lazy.FindLast(needle), text.rfind(needle)) << needle;
        ASSERT_EQ(batch.FindLast(needle), text.rfind(needle)) << needle;
        for (size_t from = 0; from <= text.size() + 1; ++from) {
          ASSERT_EQ(lazy.Find(needle, from), text.find(needle, from)) << needle << " " << from;
          ASSERT_EQ(batch.Find(needle, from), text.find(needle, from)) << needle << " " << from;
        }
      }
    }
  }
}

TEST(TextIndexTest, PageLinesFoundTheSameWithAndWithoutAnIndex) {
  std::mt19937 rng(13);
  const std::string alphabet = "ab/\r\n";
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    const int len = static_cast<int>(rng() % 40);
    for (int i = 0; i < len; ++i) bytes += alphabet[rng() % alphabet.size()];
    const std::string needle = rng() % 2 ? "ab" : "b/a";
    const Page plain(bytes);
    const Page indexed(bytes);
    indexed.IndexNeedles({needle, "/"});
    for (size_t from = 0; from <= plain.LineCount(); ++from) {
      size_t oracle = plain.LineCount();
      for (size_t line = from; line < plain.LineCount(); ++line) {
        if (plain.Line(line).find(needle) != std::string_view::npos) {
          oracle = line;
          break;
        }
      }
      ASSERT_EQ(plain.FindLine(needle, from), oracle) << bytes;
      ASSERT_EQ(indexed.FindLine(needle, from), oracle) << bytes;
    }
  }
}

}  // namespace
}  // namespace pdfindex
