#include "collections/tree.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace pdfindex {

namespace {

// Weights of the word sort: control bytes, then the symbols in the order
// below, then 0x7F, digits, letters without case, then bytes 0x80-0xFF.
// "'" and "-" are skipped by the first comparison and weigh most in the
// tie-break.
constexpr std::string_view kSymbolOrder = " !\"#$%&()*,./:;?@[\\]^_`{|}~+<=>";

constexpr std::array<int, 256> MakeWeights() {
  std::array<int, 256> w{};
  int next = 0;
  for (int b = 0; b < 0x20; ++b) w[b] = next++;
  for (char c : kSymbolOrder) w[static_cast<unsigned char>(c)] = next++;
  w[0x7F] = next++;
  for (int b = '0'; b <= '9'; ++b) w[b] = next++;
  for (int b = 'A'; b <= 'Z'; ++b) {
    w[b] = next;
    w[b + ('a' - 'A')] = next++;
  }
  for (int b = 0x80; b < 0x100; ++b) w[b] = next++;
  w['\''] = next++;
  w['-'] = next;
  return w;
}

constexpr std::array<int, 256> kWeight = MakeWeights();

constexpr bool WeightsFitInABytePlusOne() {
  for (int w : kWeight) {
    if (w < 0 || w > 254) return false;
  }
  return true;
}
static_assert(WeightsFitInABytePlusOne(), "a sort key holds weight + 1 in one byte");

int Weight(char c) { return kWeight[static_cast<unsigned char>(c)]; }
bool Ignored(char c) { return c == '-' || c == '\''; }

// Compares by weight, a prefix first; with `skip_dashes` "-" and "'" are
// left out of both names.
int CompareWeights(std::string_view a, std::string_view b, bool skip_dashes) {
  size_t i = 0;
  size_t j = 0;
  // Equal bytes weigh alike, and with `skip_dashes` both are skipped alike:
  // a shared start decides nothing (names in a folder often share long ones).
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  j = i;
  for (;;) {
    if (skip_dashes) {
      while (i < a.size() && Ignored(a[i])) ++i;
      while (j < b.size() && Ignored(b[j])) ++j;
    }
    if (i == a.size() || j == b.size()) {
      return (i == a.size() ? 0 : 1) - (j == b.size() ? 0 : 1);
    }
    const int d = Weight(a[i]) - Weight(b[j]);
    if (d != 0) return d < 0 ? -1 : 1;
    ++i;
    ++j;
  }
}

int Height(const arbore* node) { return node == nullptr ? 0 : node->height; }

void Update(arbore* node) {
  node->height = 1 + std::max(Height(node->lesser), Height(node->greater));
}

// Rotates `node` so that its `up` child takes its place.
void Rotate(arbore*& node, bool greater_up) {
  arbore* top = greater_up ? node->greater : node->lesser;
  if (greater_up) {
    node->greater = top->lesser;
    top->lesser = node;
  } else {
    node->lesser = top->greater;
    top->greater = node;
  }
  Update(node);
  Update(top);
  node = top;
}

void Rebalance(arbore*& node) {
  Update(node);
  const int balance = Height(node->greater) - Height(node->lesser);
  if (balance > 1) {
    if (Height(node->greater->lesser) > Height(node->greater->greater)) {
      Rotate(node->greater, false);
    }
    Rotate(node, true);
  } else if (balance < -1) {
    if (Height(node->lesser->greater) > Height(node->lesser->lesser)) {
      Rotate(node->lesser, true);
    }
    Rotate(node, false);
  }
}

// Writes the sort key of `name` at `key` and returns its end: weight + 1
// of each byte but "-" and "'". Compared bytewise (unsigned, a prefix
// first), keys order as the first comparison of CompareNoCase orders the
// names; equal keys leave the order to its tie-break.
unsigned char* WriteSortKey(std::string_view name, unsigned char* key) {
  for (const char c : name) {
    *key = static_cast<unsigned char>(Weight(c) + 1);
    key += Ignored(c) ? 0 : 1;
  }
  return key;
}

}  // namespace

int CompareNoCase(std::string_view a, std::string_view b) {
  const int primary = CompareWeights(a, b, true);
  return primary != 0 ? primary : CompareWeights(a, b, false);
}

void TreeInit(NameTree& tree) { tree.root = nullptr; }

void TreeInsert(NameTree& tree, const std::string& name) {
  if (name.empty() || name == "." || name == "..") return;
  // The links walked, kept on the stack: a balanced tree of even 2^64
  // names is less than 93 deep.
  std::array<arbore**, 128> walked{};
  size_t depth = 0;
  arbore** link = &tree.root;
  while (*link != nullptr) {
    const int c = CompareNoCase(name, (*link)->s);
    if (c == 0) return;  // the name inserted first stays
    walked[depth++] = link;
    link = c < 0 ? &(*link)->lesser : &(*link)->greater;
  }
  *link = new arbore{name};
  while (depth > 0) {
    arbore*& node = *walked[--depth];
    Rebalance(node);
  }
}

void TreeToList(const NameTree& tree, NameList& list) {
  ListInit(list);
  // Greatest to least, each put in front, so the list reads least first.
  std::vector<arbore*> stack;
  arbore* node = tree.root;
  while (node != nullptr || !stack.empty()) {
    while (node != nullptr) {
      stack.push_back(node);
      node = node->greater;
    }
    node = stack.back();
    stack.pop_back();
    ListAdd(list, node->s);
    node = node->lesser;
  }
  ListRewind(list);
}

void ListSortedNames(const std::vector<std::string_view>& names, NameList& list) {
  ListInit(list);
  // Every name's key, back to back in one buffer.
  size_t room = 0;
  for (const std::string_view name : names) room += name.size();
  std::vector<unsigned char> keys(room);
  struct Keyed {
    const unsigned char* key;
    size_t size;
    size_t name;        // place in `names`
    uint64_t lead = 0;  // the key's 8 bytes after the start all keys share
  };
  std::vector<Keyed> keyed;
  keyed.reserve(names.size());
  unsigned char* end = keys.data();
  for (size_t n = 0; n < names.size(); ++n) {
    const std::string_view name = names[n];
    if (name.empty() || name == "." || name == "..") continue;
    unsigned char* const start = end;
    end = WriteSortKey(name, start);
    keyed.push_back({start, static_cast<size_t>(end - start), n});
  }
  // A folder's names mostly share a long start ("JAT00100..."), which
  // decides nothing: the 8 key bytes after the start all keys share, read
  // as one number, order most pairs in one comparison. A key that ends
  // within them is padded with 0, which orders it before the keys it
  // begins, as it should be.
  size_t shared = keyed.empty() ? 0 : keyed[0].size;
  for (const Keyed& k : keyed) {
    shared = std::min(shared, k.size);
    shared = static_cast<size_t>(std::mismatch(k.key, k.key + shared, keyed[0].key).first - k.key);
  }
  for (Keyed& k : keyed) {
    for (size_t i = shared; i < shared + 8; ++i) k.lead = k.lead << 8 | (i < k.size ? k.key[i] : 0);
  }
  const auto compare = [&names](const Keyed& a, const Keyed& b) {
    if (a.lead != b.lead) return a.lead < b.lead ? -1 : 1;
    const int c = std::memcmp(a.key, b.key, std::min(a.size, b.size));
    if (c != 0) return c;
    if (a.size != b.size) return a.size < b.size ? -1 : 1;
    return CompareNoCase(names[a.name], names[b.name]);
  };
  // Equal names in the order given, so that the first leads its run and is
  // the one kept, as in the tree.
  std::sort(keyed.begin(), keyed.end(), [&compare](const Keyed& a, const Keyed& b) {
    const int c = compare(a, b);
    return c != 0 ? c < 0 : a.name < b.name;
  });
  // Greatest to least, each put in front, so the list reads least first.
  for (size_t k = keyed.size(); k-- > 0;) {
    if (k > 0 && compare(keyed[k - 1], keyed[k]) == 0) continue;
    list.head = new lista{std::string(names[keyed[k].name]), list.head};
  }
  ListRewind(list);
}

void TreeFree(NameTree& tree) {
  std::vector<arbore*> stack;
  if (tree.root != nullptr) stack.push_back(tree.root);
  while (!stack.empty()) {
    arbore* node = stack.back();
    stack.pop_back();
    if (node->greater != nullptr) stack.push_back(node->greater);
    if (node->lesser != nullptr) stack.push_back(node->lesser);
    delete node;
  }
}

}  // namespace pdfindex
