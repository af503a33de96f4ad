#include "readers/elsevier.h"

namespace pdfindex {

// Not yet served: Elsevier pages get their reader in a later change; until then
// they yield no title and no description.
std::string ElsevierIssueTitle(const PageSet& /*pages*/, const std::string& /*page_path*/) {
  return {};
}

}  // namespace pdfindex
