#include "readers/sciencedirect.h"

namespace pdfindex {

// Not yet served: ScienceDirect pages get their reader in a later change; until then
// they yield no title and no description.
std::string ScienceDirectIssueTitle(const PageSet& /*pages*/, Console& /*console*/,
                                    const std::string& /*page_path*/) {
  return {};
}

std::string ScienceDirectArticle(const PageSet& /*pages*/, const std::string& /*base*/,
                        const std::string& /*folder*/, NameList& /*list*/, bool* matched) {
  if (matched != nullptr) *matched = false;
  return {};
}

}  // namespace pdfindex
