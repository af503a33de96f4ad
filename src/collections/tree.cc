#include "collections/tree.h"

#include <algorithm>
#include <array>
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
