// The sorted name tree: a folder listing goes in name by name, in any order,
// and comes out as a name list in ascending CompareNoCase order with names
// that differ only in case kept once (the one inserted first).
#ifndef PDFINDEX_COLLECTIONS_TREE_H_
#define PDFINDEX_COLLECTIONS_TREE_H_

#include <string>
#include <string_view>
#include <vector>

#include "collections/utypes.h"

namespace pdfindex {

/// Orders names as the archive's index lists them, the same on every
/// machine: "-" and "'" are ignored first and only break ties, letters
/// compare without case, and the result is 0 only for names equal but for
/// the case of a-z.
int CompareNoCase(std::string_view a, std::string_view b);

/// One node of a name tree. The tree is kept balanced (AVL), so a listing
/// that arrives sorted does not turn it into a chain.
struct arbore {
  std::string s;
  arbore* greater = nullptr;
  arbore* lesser = nullptr;
  int height = 1;
};

/// A name tree: its root node, or none.
struct NameTree {
  arbore* root = nullptr;
};

/// Makes `tree` empty without releasing nodes.
void TreeInit(NameTree& tree);
/// Adds `name` unless it is "", ".", "..", or equal to a name already held.
void TreeInsert(NameTree& tree, const std::string& name);
/// Fills `list` (which must hold no nodes) with the tree's names in ascending
/// order and puts its cursor at the first.
void TreeToList(const NameTree& tree, NameList& list);
/// Releases every node; the root reference is left as it was.
void TreeFree(NameTree& tree);

/// Fills `list` (which must hold no nodes) as TreeToList would after
/// `names` went into an empty tree one by one in their order, with its
/// cursor at the first; made at once, for a whole folder listing, by sorting
/// each name's weights instead of comparing names in a tree.
void ListSortedNames(const std::vector<std::string_view>& names, NameList& list);

}  // namespace pdfindex

#endif  // PDFINDEX_COLLECTIONS_TREE_H_
