// The name list: a singly linked list of names with a read cursor. Folder
// listings arrive as name lists, and the article finders read an issue's
// contents-page names from one, from its start on every call.
#ifndef PDFINDEX_COLLECTIONS_UTYPES_H_
#define PDFINDEX_COLLECTIONS_UTYPES_H_

#include <string>

namespace pdfindex {

/// One node of a name list.
struct lista {
  std::string s;
  lista* next = nullptr;
};

/// A name list: its first node and the node the next read returns.
struct NameList {
  lista* head = nullptr;
  lista* cursor = nullptr;

  NameList() = default;
  NameList(const NameList&) = delete;
  NameList& operator=(const NameList&) = delete;
  ~NameList();
};

/// Makes `list` empty without releasing nodes (for a list that holds none).
void ListInit(NameList& list);
/// Puts a non-empty `name` in front of the list; "" is ignored.
void ListAdd(NameList& list, const std::string& name);
/// Moves the cursor to the first name.
void ListRewind(NameList& list);
/// The name at the cursor, moving the cursor on; "" when no name is left.
std::string ListNext(NameList& list);
/// Releases every node and leaves the list empty.
void ListClear(NameList& list);

}  // namespace pdfindex

#endif  // PDFINDEX_COLLECTIONS_UTYPES_H_
