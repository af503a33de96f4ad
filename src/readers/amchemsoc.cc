#include "readers/amchemsoc.h"

namespace pdfindex {

// Not yet served: AmChemSoc pages get their reader in a later change; until then
// they yield no title and no description.
std::string AmChemSocIssueTitle(const PageSet& /*pages*/, const std::string& /*page_path*/) {
  return {};
}

std::string AmChemSocArticle(const PageSet& /*pages*/, const std::string& /*base*/,
                        const std::string& /*folder*/, NameList& /*list*/, bool* matched) {
  if (matched != nullptr) *matched = false;
  return {};
}

}  // namespace pdfindex
