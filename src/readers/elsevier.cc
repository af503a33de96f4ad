#include "readers/elsevier.h"

#include <utility>

#include "text/plain_text.h"
#include "text/positions.h"

namespace pdfindex {

// The title is what the first line holding "</TITLE>" has before it, from
// after "<TITLE>" when that stands on the same line, and less a free-sample
// note. A page that never closes an upper-case title element is named by its
// path.
TitleRecord ElsevierIssueTitle(const Page* page, const std::string& page_path) {
  if (page == nullptr) return PathTitle(page_path);
  PageCursor cursor(*page);
  bool found = false;
  std::string title = ReadLinesUntil(cursor, "</TITLE>", &found);
  if (!found) return PathTitle(page_path);
  CutAt(title, "</TITLE>");
  RemoveThroughIfHeld(title, "<TITLE>");
  CutAt(title, ": Free Sample Issue.");
  return PageTitle(*page, std::move(title));
}

}  // namespace pdfindex
