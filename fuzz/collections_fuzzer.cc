// Fuzzes the name collections: the input is a folder listing, one name per
// line, inserted in that order. The tree's list must equal the names sorted
// by CompareNoCase with those equal to an earlier one dropped, and the tree
// must stay balanced.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collections/tree.h"
#include "collections/utypes.h"
#include "fuzz_check.h"

namespace pdfindex {
namespace {

constexpr size_t kMaxNames = 256;

int Sign(int c) { return (c > 0) - (c < 0); }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualButCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

void CheckListing(std::string_view data) {
  std::vector<std::string> names;
  while (!data.empty() && names.size() < kMaxNames) {
    const size_t cut = data.find('\n');
    names.emplace_back(data.substr(0, cut));
    data = cut == std::string_view::npos ? std::string_view() : data.substr(cut + 1);
  }

  // The comparison: antisymmetric, and 0 only for names equal but for case.
  for (size_t i = 0; i < names.size() && i < 32; ++i) {
    for (size_t j = 0; j < names.size() && j < 32; ++j) {
      const int c = CompareNoCase(names[i], names[j]);
      FUZZ_CHECK(Sign(c) == -Sign(CompareNoCase(names[j], names[i])));
      FUZZ_CHECK((c == 0) == EqualButCase(names[i], names[j]));
    }
  }

  std::vector<std::string> oracle;
  NameTree tree;
  TreeInit(tree);
  for (const std::string& name : names) {
    TreeInsert(tree, name);
    if (name.empty() || name == "." || name == "..") continue;
    const bool known = std::any_of(oracle.begin(), oracle.end(), [&](const std::string& kept) {
      return CompareNoCase(name, kept) == 0;
    });
    if (!known) oracle.push_back(name);
  }
  std::stable_sort(oracle.begin(), oracle.end(), [](const std::string& a, const std::string& b) {
    return CompareNoCase(a, b) < 0;
  });
  for (size_t i = 0; i < oracle.size(); ++i) {
    for (size_t j = i + 1; j < oracle.size(); ++j)
      FUZZ_CHECK(CompareNoCase(oracle[i], oracle[j]) < 0);
  }

  // An AVL tree of n nodes is at most about 1.44 log2(n + 2) high.
  const double bound = 1.45 * std::log2(static_cast<double>(oracle.size()) + 2.0);
  FUZZ_CHECK(tree.root == nullptr ? oracle.empty() : tree.root->height <= bound);

  NameList list;
  TreeToList(tree, list);
  TreeFree(tree);
  // The listing made at once by sorting keys lists the same names.
  NameList at_once;
  ListSortedNames(std::vector<std::string_view>(names.begin(), names.end()), at_once);
  for (int pass = 0; pass < 2; ++pass) {
    for (const std::string& name : oracle) {
      FUZZ_CHECK(ListNext(list) == name);
      FUZZ_CHECK(ListNext(at_once) == name);
    }
    FUZZ_CHECK(ListNext(list).empty() && ListNext(list).empty());
    FUZZ_CHECK(ListNext(at_once).empty());
    ListRewind(list);
    ListRewind(at_once);
  }
}

}  // namespace
}  // namespace pdfindex

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pdfindex::CheckListing(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
