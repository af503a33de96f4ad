#include "oracles/steps.h"

namespace pdfindex {

std::string AmMathSocTitleOracle(const PageSet& pages, const std::string& path) {
  const Page* page = pages.Open(path);
  if (page == nullptr) return path;
  PageCursor cursor(*page);
  std::string line;
  Pos p = 0;
  for (;;) {
    line = ReadPageLine(cursor);
    p = PosOf("alt=\"", line);
    if (p == 0) p = PosOf("ALT=\"", line);
    if (p > 0 || PageAtEnd(cursor)) break;
  }
  if (p == 0) return path;
  DeleteRange(line, 1, p + 4);
  if (PosOf("\" ", line) > 0) DeleteRange(line, PosOf("\" ", line), Len(line));
  return line;
}

namespace {

// Scans for `tag`; when found, returns what follows it in the tail and cuts
// the tail there.
std::string Take(std::string& remaining, std::string& tail, const std::string& tag) {
  if (!ScanBack(remaining, tail, tag)) return "";
  const Pos at = PosOf(tag, tail);
  std::string piece = CopyRange(tail, at + Len(tag), Len(tail));
  DeleteRange(tail, at, Len(tail));
  return piece;
}

}  // namespace

std::string AmMathSocArticleOracle(const PageSet& pages, const std::string& base,
                                   const std::string& folder, NameList& list, bool* matched) {
  const std::string key = "=" + base + "\">";
  std::string result;
  if (matched != nullptr) *matched = false;
  for (PageWalk walk(pages, folder, list); walk.NextHolding(key);) {
    if (matched != nullptr) *matched = true;
    std::string& text = walk.text;
    DeleteRange(text, PosOf(key, text), Len(text));
    std::string tail;
    Take(text, tail, "<br><a href=\"");
    std::string reference = Take(text, tail, "<br>");
    if (PosOf("<strong>", reference) > 0) DeleteRange(reference, PosOf("<strong>", reference), 8);
    if (PosOf("</strong>", reference) > 0) DeleteRange(reference, PosOf("</strong>", reference), 9);
    std::string definition = Take(text, tail, "</em></big></dt>");
    RemoveEach(definition, "<br>");
    RemoveEach(definition, "<dd>");
    std::string term = Take(text, tail, "<dt><big><em>");
    if (PosOf("Reviewer", definition) > 0) {
      if (!term.empty()) term[term.size() - 1] = ';';
    } else {
      term += ";";
    }
    result = definition + "; " + term + reference + "<BR>";
  }
  return result;
}

}  // namespace pdfindex
