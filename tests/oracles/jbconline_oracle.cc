#include "oracles/steps.h"

namespace pdfindex {

std::string JBCOnlineTitleOracle(const PageSet& pages, const std::string& path) {
  std::string line;
  if (!ElementText(pages, path, "<TITLE>", "</TITLE>", &line)) return path;
  return line;
}

std::string JBCOnlineArticleOracle(const PageSet& pages, const std::string& base,
                                   const std::string& folder, NameList& list, bool* matched) {
  if (matched != nullptr) *matched = false;
  std::string result;
  const std::string key = "/jbc." + CopyRange(base, 1, Len(base) - 2);
  for (PageWalk walk(pages, folder, list); walk.NextHolding(key);) {
    if (matched != nullptr) *matched = true;
    std::string& text = walk.text;
    DeleteRange(text, PosOf(key, text), Len(text));
    std::string tail;
    ScanBack(text, tail, "<BR>");
    if (PosOf("<BR>", tail) > 0) DeleteRange(tail, PosOf("<BR>", tail), Len(tail));
    ScanBack(text, tail, "<DT>");
    std::string entry;
    const Pos d = PosOf("<DT>", tail);
    if (d > 0) entry = CopyRange(tail, d + 4, Len(tail));
    const Pos q = PosOf("<DD>", entry);
    const std::string term = CopyRange(entry, 1, q - 4);
    std::string definition = CopyRange(entry, q + 4, Len(entry));
    DeleteRange(definition, Len(definition) - 3, 4);
    definition += ".";
    if (PosOf("<STRONG>", definition) > 0)
      DeleteRange(definition, PosOf("<STRONG>", definition), 8);
    if (PosOf("</STRONG>", definition) > 0) {
      DeleteRange(definition, PosOf("</STRONG>", definition), 9);
    }
    result = term + "; " + definition + "<BR>";
  }
  return result;
}

}  // namespace pdfindex
