#include "readers/aminstphys.h"

namespace pdfindex {

// Not yet served: AmInstPhys pages get their reader in a later change; until then
// they yield no title and no description.
std::string AmInstPhysIssueTitle(const PageSet& /*pages*/, const std::string& /*page_path*/) {
  return {};
}

std::string AmInstPhysArticle(const PageSet& /*pages*/, const std::string& /*base*/,
                        const std::string& /*folder*/, NameList& /*list*/, bool* matched) {
  if (matched != nullptr) *matched = false;
  return {};
}

}  // namespace pdfindex
