#include "oracles/steps.h"

namespace pdfindex {

std::string EmboTitleOracle(const PageSet& pages, const std::string& path) {
  const Page* page = pages.Open(path);
  if (page == nullptr) return {};
  PageCursor c(*page);
  std::string line;
  ReadLineHolding(c, "<TITLE>", &line);
  std::string t = CopyRange(line, PosOf("<TITLE>", line) + 7, Len(line));
  DeleteRange(t, PosOf("</TITLE>", t), Len(t));
  return t;
}

std::string EmboArticleOracle(const PageSet& pages, const std::string& b,
                              const std::string& folder, NameList& list, bool* matched) {
  const std::string k = "/" + b + "\"";
  const Pos l = Len(b);
  if (matched != nullptr) *matched = false;
  for (PageWalk walk(pages, folder, list); walk.Next();) {
    PageCursor& c = walk.cursor();
    std::string line;
    if (!ReadLineHolding(c, k, &line)) continue;
    std::string e = line;
    DeleteRange(e, 1, PosOf(k, line) + l + 3);
    Pos q = 0;
    bool failed = false;
    while ((q = PosOf(k, e)) == 0) {
      e += ReadPageLine(c);
      if (PageAtEnd(c)) {
        failed = true;
        break;
      }
    }
    if (failed) continue;
    DeleteRange(e, q + l + 3, Len(e));
    DeleteRange(e, PosOf("<A HREF=", e), Len(e));
    std::string h = CopyRange(e, 1, PosOf("<DD>", e) - 1);
    DeleteRange(h, Len(h) - 3, 4);
    DeleteRange(e, 1, PosOf("<STRONG>", e) + 7);
    const Pos s = PosOf("</STRONG>", e);
    const std::string strong = CopyRange(e, 1, s - 1);
    DeleteRange(e, 1, s + 8);
    DeleteRange(e, 1, PosOf("<BR>", e) + 3);
    DeleteRange(e, PosOf("<NOBR>", e), Len(e));
    const Pos k2 = PosOf(":", e);
    std::string r = CopyRange(e, k2 + 1, Len(e));
    DeleteRange(r, PosOf(".", r), Len(r));
    DeleteRange(e, k2, Len(e));
    if (matched != nullptr) *matched = true;
    return h + "; " + strong + "; " + "pp." + r + "; " + e + ".<BR>";
  }
  return {};
}

}  // namespace pdfindex
