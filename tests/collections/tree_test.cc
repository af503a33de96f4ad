#include "collections/tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string_view>
#include <vector>

namespace pdfindex {
namespace {

std::vector<std::string> Read(NameList& list) {
  std::vector<std::string> out;
  for (std::string n = ListNext(list); !n.empty(); n = ListNext(list)) out.push_back(n);
  return out;
}

// The tree's listing of `names`; the listing made at once by sorting keys
// must be the same.
std::vector<std::string> Sorted(const std::vector<std::string>& names) {
  NameTree tree;
  TreeInit(tree);
  for (const std::string& n : names) TreeInsert(tree, n);
  NameList list;
  TreeToList(tree, list);
  TreeFree(tree);
  NameList at_once;
  ListSortedNames(std::vector<std::string_view>(names.begin(), names.end()), at_once);
  std::vector<std::string> out = Read(list);
  EXPECT_EQ(Read(at_once), out);
  return out;
}

TEST(CompareNoCaseTest, OrdersLikeTheWordSort) {
  struct Row {
    const char* a;
    const char* b;
    int sign;
  };
  const Row rows[] = {
      {"abc", "ABC", 0},       {"a", "B", -1},         {"b", "A", 1},
      {"ab", "abc", -1},       {"coop", "co-op", -1},  {"co-op", "coop", 1},
      {"foo", "-foo", -1},     {"it's", "its", 1},     {"a'b", "a-b", -1},
      {"a b", "a!b", -1},      {"a_b", "a1b", -1},     {"a~b", "a+b", -1},
      {"a>b", "a\x7f" "b", -1}, {"a9", "aa", -1},      {"az", "a\x80", -1},
      {"a\x01", "a ", -1},     {"Z", "\xe9", -1},      {"v1-2", "v12", 1},
      {"v1-3", "v12", 1},      {"a-c", "ab", 1},       {"Vol. 12", "Vol 12", 1},
      {"x", "X", 0},           {"", "a", -1},
  };
  for (const Row& row : rows) {
    const int c = CompareNoCase(row.a, row.b);
    const int sign = (c > 0) - (c < 0);
    EXPECT_EQ(sign, row.sign) << row.a << " vs " << row.b;
    const int back = CompareNoCase(row.b, row.a);
    EXPECT_EQ((back > 0) - (back < 0), -row.sign) << row.b << " vs " << row.a;
  }
}

TEST(NameTreeTest, ListsSortedWithoutDuplicates) {
  struct Row {
    std::vector<std::string> in;
    std::vector<std::string> out;
  };
  const Row rows[] = {
      {{"b", "A", "a", "c"}, {"A", "b", "c"}},
      {{".", "..", ""}, {}},
      {{"x", "X"}, {"x"}},
      {{"X", "x"}, {"X"}},
      {{"co-op", "coop", "Coop"}, {"coop", "co-op"}},
      {{"v2", "v10", "v1"}, {"v1", "v10", "v2"}},
      {{".hidden", "a"}, {".hidden", "a"}},
  };
  for (const Row& row : rows) EXPECT_EQ(Sorted(row.in), row.out);
}

TEST(NameTreeTest, LargeSortedAndShuffledListingsMatchASortedUniqueOracle) {
  std::vector<std::string> names;
  for (int i = 0; i < 100000; ++i) names.push_back("n" + std::to_string(1000000 + i));
  // Already sorted input must neither go quadratic nor recurse deeply.
  EXPECT_EQ(Sorted(names), names);
  std::vector<std::string> shuffled = names;
  std::mt19937 rng(7);
  std::shuffle(shuffled.begin(), shuffled.end(), rng);
  std::vector<std::string> with_dupes = shuffled;
  for (int i = 0; i < 1000; ++i) with_dupes.push_back("N" + std::to_string(1000000 + i));
  EXPECT_EQ(Sorted(with_dupes), names);
}

TEST(NameTreeTest, RandomNamesKeepTheFirstOfEachCaseFoldedName) {
  std::mt19937 rng(11);
  const std::string alphabet = "aAbB-' .1";
  for (int round = 0; round < 200; ++round) {
    std::vector<std::string> in;
    for (int i = 0; i < 30; ++i) {
      std::string n;
      const int len = 1 + static_cast<int>(rng() % 4);
      for (int k = 0; k < len; ++k) n += alphabet[rng() % alphabet.size()];
      in.push_back(n);
    }
    std::vector<std::string> oracle;
    for (const std::string& n : in) {
      if (n == "." || n == "..") continue;
      bool seen = false;
      for (const std::string& o : oracle) seen = seen || CompareNoCase(o, n) == 0;
      if (!seen) oracle.push_back(n);
    }
    std::stable_sort(oracle.begin(), oracle.end(),
                     [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
    EXPECT_EQ(Sorted(in), oracle);
  }
}

TEST(NameListTest, ReadsToTheEndAndAgainAfterRewind) {
  NameList list;
  ListAdd(list, "c");
  ListAdd(list, "");
  ListAdd(list, "b");
  ListAdd(list, "a");
  ListRewind(list);
  std::string read;
  for (std::string n = ListNext(list); !n.empty(); n = ListNext(list)) read += n;
  EXPECT_EQ(read, "abc");
  EXPECT_EQ(ListNext(list), "");
  EXPECT_EQ(ListNext(list), "");
  ListRewind(list);
  EXPECT_EQ(ListNext(list), "a");
  ListClear(list);
  EXPECT_EQ(list.head, nullptr);
  EXPECT_EQ(ListNext(list), "");
}

}  // namespace
}  // namespace pdfindex
