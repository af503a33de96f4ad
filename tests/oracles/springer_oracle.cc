#include "oracles/steps.h"

namespace pdfindex {

std::string SpringerTitleOracle(const PageSet& pages, const std::string& path) {
  const Page* page = pages.Open(path);
  if (page == nullptr) return {};
  PageCursor c(*page);
  std::string t;
  ReadLineHolding(c, "<TITLE>", &t);
  const Pos p = PosOf("<TITLE>", t);
  std::string u;
  Pos q = 0;
  if (!PageAtEnd(c)) {
    ReadLineHolding(c, "Online publication:", &u);
    q = PosOf("Online publication:", u);
  }
  std::string d = CopyRange(u, q + 19, Len(u));
  DeleteRange(d, PosOf("<BR>", d), Len(d));
  std::string n = CopyRange(t, p + 7, Len(t));
  DeleteRange(n, PosOf("</TITLE>", n), Len(n));
  DeleteRange(n, 1, PosOf(":", n));
  if (PosOf("Table of Contents ", n) > 0) DeleteRange(n, PosOf("Table of Contents ", n), 18);
  return n + "," + d;
}

namespace {

// The first `tag` in `x` becomes `with`; nothing happens without one.
Pos Replace(std::string& x, const std::string& tag, const std::string& with) {
  const Pos at = PosOf(tag, x);
  if (at > 0) {
    DeleteRange(x, at, Len(tag));
    InsertAt(with, x, at);
  }
  return at;
}

}  // namespace

// The walk back moves ten bytes at a time.
std::string SpringerArticleOracle(const PageSet& pages, const std::string& b,
                                  const std::string& folder, NameList& list, bool* matched) {
  const std::string kh = "/" + b + ".htm\">";
  const std::string kp = "/" + b + ".pdf\">";
  const Pos l = Len(b);
  std::string result;
  if (matched != nullptr) *matched = false;
  for (PageWalk walk(pages, folder, list); walk.NextHolding(kh);) {
    if (matched != nullptr) *matched = true;
    PageCursor& c = walk.cursor();
    const std::string further = PageAtEnd(c) ? "" : ReadPageLine(c);
    std::string t = walk.text + further;
    DeleteRange(t, PosOf(kp, t), Len(t));
    const Pos k = PosOf(kh, t);
    std::string x = CopyRange(t, k + l + 7, Len(t));
    DeleteRange(t, k, Len(t));
    std::string a;
    do {
      const Pos n = std::min<Pos>(10, Len(t));
      InsertAt(CopyRange(t, Len(t) - n + 1, n), a, 1);
      DeleteRange(t, Len(t) - n + 1, n);
    } while (PosOf("<P>", a) == 0 && !t.empty());
    DeleteRange(a, PosOf("<A HREF=\"", a), Len(a));
    DeleteRange(a, 1, PosOf("<P>", a) + 2);
    DeleteRange(a, PosOf("<BR>", a), Len(a));
    if (!a.empty()) a[a.size() - 1] = ';';
    DeleteRange(x, PosOf("<A HREF=\"", x), Len(x));
    Replace(x, "</A>", ";");
    Replace(x, "<BR>", "; ");
    Replace(x, "</B>", "");
    Replace(x, "<BR>", " ");
    Replace(x, "<BR>", ".");
    const Pos bold = Replace(x, "<B>", " ");
    if (bold > 1) x[static_cast<size_t>(bold - 2)] = ',';
    Replace(x, "</B>", ",");
    result = a + " " + x + "<BR>";
  }
  return result;
}

}  // namespace pdfindex
