#include "readers/elsevier.h"

#include "catalogue/text.h"

namespace pdfindex {

namespace {

// Removes the start of `text` through the first `tag`, only when it holds one.
void RemoveThroughAny(std::string& text, std::string_view tag) {
  const Pos at = PosOf(tag, text);
  if (at > 0) DeleteRange(text, 1, at + Len(tag) - 1);
}

}  // namespace

// The title is what the first line holding "</TITLE>" has before it, from
// after "<TITLE>" when that stands on the same line, and less a free-sample
// note. A page that never closes an upper-case title element is named by its
// path.
std::string ElsevierIssueTitle(const PageSet& pages, const std::string& page_path) {
  const Page* page = pages.Open(page_path);
  if (page == nullptr) return page_path;
  PageCursor cursor(*page);
  bool found = false;
  std::string title = ReadLinesUntil(cursor, "</TITLE>", &found);
  if (!found) return page_path;
  CutAt(title, "</TITLE>");
  RemoveThroughAny(title, "<TITLE>");
  CutAt(title, ": Free Sample Issue.");
  return title;
}

}  // namespace pdfindex
