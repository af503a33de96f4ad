#include "readers/ammathsoc.h"

namespace pdfindex {

// Not yet served: AmMathSoc pages get their reader in a later change; until then
// they yield no title and no description.
std::string AmMathSocIssueTitle(const PageSet& /*pages*/, const std::string& /*page_path*/) {
  return {};
}

std::string AmMathSocArticle(const PageSet& /*pages*/, const std::string& /*base*/,
                        const std::string& /*folder*/, NameList& /*list*/, bool* matched) {
  if (matched != nullptr) *matched = false;
  return {};
}

}  // namespace pdfindex
