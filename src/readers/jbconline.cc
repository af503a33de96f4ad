#include "readers/jbconline.h"

namespace pdfindex {

// Not yet served: JBCOnline pages get their reader in a later change; until then
// they yield no title and no description.
std::string JBCOnlineIssueTitle(const PageSet& /*pages*/, const std::string& /*page_path*/) {
  return {};
}

std::string JBCOnlineArticle(const PageSet& /*pages*/, const std::string& /*base*/,
                        const std::string& /*folder*/, NameList& /*list*/, bool* matched) {
  if (matched != nullptr) *matched = false;
  return {};
}

}  // namespace pdfindex
