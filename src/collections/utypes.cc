#include "collections/utypes.h"

namespace pdfindex {

NameList::~NameList() { ListClear(*this); }

void ListInit(NameList& list) { list.head = nullptr; }

void ListAdd(NameList& list, const std::string& name) {
  if (name.empty()) return;
  list.head = new lista{name, list.head};
}

void ListRewind(NameList& list) { list.cursor = list.head; }

std::string ListNext(NameList& list) {
  if (list.cursor == nullptr) return {};
  std::string name = list.cursor->s;
  list.cursor = list.cursor->next;
  return name;
}

void ListClear(NameList& list) {
  list.cursor = nullptr;
  while (list.head != nullptr) {
    lista* next = list.head->next;
    delete list.head;
    list.head = next;
  }
}

}  // namespace pdfindex
