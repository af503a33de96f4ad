#include "oracles/steps.h"

namespace pdfindex {

std::string AmChemSocTitleOracle(const PageSet& pages, const std::string& path) {
  const Page* page = pages.Open(path);
  if (page == nullptr) return "";
  PageCursor c(*page);
  std::string line;
  for (;;) {
    line = ReadPageLine(c);
    if (PosOf("<P>", line) > 0 || PageAtEnd(c)) break;
  }
  DeleteRange(line, 1, PosOf("<P>", line) + 2);
  std::string t = line;
  if (!PageAtEnd(c) && PosOf("<P>", t) == 0) {
    for (;;) {
      const std::string next = ReadPageLine(c);
      t += next;
      if (PosOf("</P>", next) > 0 || PageAtEnd(c)) break;
    }
  }
  DeleteRange(t, PosOf("</P>", t), Len(t));
  if (PosOf("<I>", t) > 0) DeleteRange(t, PosOf("<I>", t), 3);
  bool first_break = false;
  if (PosOf("<BR>", t) > 0) {
    const Pos r = PosOf("<BR>", t);
    DeleteRange(t, r, 4);
    InsertAt("; ", t, r);
    first_break = true;
  }
  if (PosOf("</I>", t) > 0) DeleteRange(t, PosOf("</I>", t), 4);
  if (PosOf("<BR>", t) > 0) DeleteRange(t, PosOf("<BR>", t), 4);
  if (first_break && PosOf(")", t) > 0) DeleteRange(t, PosOf(")", t) + 1, Len(t));
  return t;
}

namespace {

void Regular(std::string t, const std::string& key, std::string& p1, std::string& p2,
                    std::string& p3) {
  DeleteRange(t, PosOf(key, t), Len(t));
  if (PosOf("<A HREF=\"/cgi-bin/jtextd?", t) > 0) {
    DeleteRange(t, PosOf("<A HREF=\"/cgi-bin/jtextd?", t), Len(t));
  }
  if (PosOf("</B>", t) > 0) {
    const Pos b = PosOf("</B>", t);
    const std::string range = CopyRange(t, 1, b - 1);
    DeleteRange(t, 1, b + 3);
    p3 = " pag. " + range + ".";
  }
  bool bold = false;
  if (PosOf("<B>", t) > 0) {
    DeleteRange(t, 1, PosOf("<B>", t) + 2);
    bold = true;
  }
  if (bold && PosOf("</B>", t) > 0) {
    Pos q = PosOf("</B>", t);
    DeleteRange(t, q, 4);
    for (;;) {
      if (PosOf("<B>", t) > 0) DeleteRange(t, PosOf("<B>", t), 3);
      if (PosOf("</B>", t) == 0) break;
      q = PosOf("</B>", t);
      DeleteRange(t, q, 4);
    }
    p2 = CopyRange(t, 1, q - 1);
    DeleteRange(t, 1, q - 1);
    if (!p2.empty()) p2[p2.size() - 1] = ';';
  }
  RemoveEach(t, "<AU><I>");
  RemoveEach(t, "<I><AU>");
  RemoveEach(t, "</I>");
  if (!t.empty()) t[t.size() - 1] = ';';
  p1 = t;
}

bool Choice(std::string t, const std::string& marker, const std::string& b, std::string& p1,
                   std::string& p2, std::string& p3) {
  DeleteRange(t, PosOf(marker, t), Len(t));
  std::string entry;
  do {
    if (t.empty()) break;  // no "<LI>" before the marker: the scan ends here
    const Pos n = std::min<Pos>(10, Len(t));
    entry = CopyRange(t, Len(t) - n + 1, n) + entry;
    DeleteRange(t, Len(t) - n + 1, n);
  } while (PosOf("<LI>", entry) == 0);
  DeleteRange(entry, 1, PosOf("<LI>", entry) + 3);
  bool link = false;
  if (PosOf("(<A HREF=\"", entry) > 0) {
    const Pos a = PosOf("(<A HREF=\"", entry);
    p3 = CopyRange(entry, 1, a - 1);
    if (PosOf("<I>", p3) > 0) DeleteRange(p3, PosOf("<I>", p3), 3);
    if (PosOf("</I>", p3) > 0) DeleteRange(p3, PosOf("</I>", p3), 4);
    const Pos l = PosOf(b + ".pdf\">PDF</A>", entry);
    DeleteRange(entry, 1, l + Len(b) + 13);
    link = true;
  }
  if (PosOf("<BR>", entry) > 0) DeleteRange(entry, PosOf("<BR>", entry) - 1, 6);
  if (PosOf("<I>", entry) > 0 && PosOf("</I>", entry) > 0) {
    const Pos i = PosOf("<I>", entry);
    const Pos e = PosOf("</I>", entry);
    p2 = CopyRange(entry, i + 3, e - i - 3) + ";";
    entry = CopyRange(entry, 1, i - 2) + ";";
  }
  p1 = entry;
  return link;
}

}  // namespace

std::string AmChemSocArticleOracle(const PageSet& pages, const std::string& b,
                                   const std::string& folder, NameList& list, bool* matched) {
  bool found = false;
  const std::string key = "/" + b + "\"";
  std::string upper = b;
  for (char& ch : upper) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
  }
  const std::string marker = "(" + upper + ")";
  std::string p1, p2, p3;
  // Each listed name starts the parts afresh, also one whose page cannot be
  // opened: the walk is written out here.
  ListRewind(list);
  for (;;) {
    const std::string name = ListNext(list);
    if (name.empty()) break;
    p1 = p2 = p3 = "";
    found = false;
    bool choice = false;
    bool match = false;
    const Page* page = pages.Open(folder + name);
    if (page == nullptr) continue;
    PageCursor c(*page);
    std::string t;
    while (!PageAtEnd(c)) {
      if (PosOf("<P>", t) > 0) DeleteRange(t, 1, PosOf("<P>", t) + 2);
      const std::string line = ReadPageLine(c);
      t += line;
      if (PosOf("Choice Articles", t) > 0) choice = true;
      if (PosOf(key, line) > 0) match = true;
      if (choice && PosOf(marker, line) > 0) match = true;
      if (match) break;
    }
    if (!match) continue;  // a Choice page without a match gives nothing either
    found = true;
    if (!choice) {
      Regular(t, key, p1, p2, p3);
      break;
    }
    if (Choice(t, marker, b, p1, p2, p3)) break;
  }
  if (matched != nullptr) *matched = found;
  std::string d = p1 + " " + p2 + p3 + "<BR>";
  RemoveEach(d, "<FONT SIZE=2>");
  RemoveEach(d, "</FONT>");
  RemoveEach(d, "<FONT SIZE=\"-1\">");
  return d;
}

}  // namespace pdfindex
