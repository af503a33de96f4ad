#include "oracles/steps.h"

namespace pdfindex {

namespace {

const char* const kLinks[] = {
    "<a href=\"http://www.sciencedirect.com/science",
    "<A href=\"http://www.sciencedirect.com/science",
    "<A HREF=\"http://www.sciencedirect.com/science",
};

// Every run of blanks cut to one blank, one pair at a time.
std::string Squeeze(std::string s) {
  RemoveRepeatedly(s, "  ", 0);
  return s;
}

bool HoldsLink(const std::string& s) {
  for (const char* link : kLinks) {
    if (PosOf(link, s) > 0) return true;
  }
  return false;
}

}  // namespace

std::string ScienceDirectTitleOracle(const PageSet& pages, const std::string& path) {
  std::string line;
  if (!ElementText(pages, path, "<title>", "</title>", &line)) return path;
  const Pos s = PosOf(": Free Sample Issue.", line);
  if (s > 0) DeleteRange(line, s, Len(line));
  return line;
}

// The finder read step by step from every line of every page, with plain
// string copies and the primitives: the oracle the reader must equal.
std::string ScienceDirectArticleOracle(const PageSet& pages, const std::string& b,
                                       const std::string& folder, NameList& list, bool* matched) {
  std::string entry;
  std::string authors;
  if (matched != nullptr) *matched = false;
  for (PageWalk walk(pages, folder, list); walk.Next();) {
    bool found = false;
    bool complete = false;
    PageCursor& c = walk.cursor();
    std::string cell;
    while (!PageAtEnd(c)) {
      const std::string line = Squeeze(ReadPageLine(c));
      if (found && !complete) {
        authors = Squeeze(authors + line);
        if (HoldsLink(authors)) complete = true;
      }
      cell += line;
      if (PosOf("<td", line) > 0) cell = "";
      if (PosOf("Pages " + b + "<", line) > 0 || PosOf("Page " + b + "<", line) > 0) {
        entry = cell;
        found = true;
        if (matched != nullptr) *matched = true;
      }
    }
  }
  // Entry: cut to the last cell opening, five bytes at a time.
  for (const char* tag : {"<TD", "<td"}) {
    if (PosOf(tag, entry) == 0) continue;
    std::string collected;
    while (PosOf(tag, collected) == 0) {
      const Pos n = std::min<Pos>(5, Len(entry));
      collected = CopyRange(entry, Len(entry) - n + 1, n) + collected;
      DeleteRange(entry, Len(entry) - n + 1, n);
    }
    entry = collected;
    break;
  }
  // The page-text end and all after it go.
  DeleteRange(entry, PosOf("</NOBR> </I><BR>", entry), Len(entry));
  DeleteRange(entry, PosOf("</nobr> </i><br>", entry), Len(entry));
  // The title's end tag becomes one blank.
  for (const char* tag : {"</B><I><NOBR>", "</b><i><nobr>"}) {
    const Pos p = PosOf(tag, entry);
    if (p == 0) continue;
    DeleteRange(entry, p, 13);
    if (p > Len(entry) || entry[static_cast<size_t>(p - 1)] != ' ') InsertAt(" ", entry, p);
  }
  // Start at the first cell opening.
  for (const char* tag : {"<TD", "<td"}) {
    if (PosOf(tag, entry) == 0) continue;
    while (PosOf(tag, entry) != 1) DeleteRange(entry, 1, 1);
    break;
  }
  // Drop three bytes at a time while a bold tag is left.
  while (PosOf("<B>", entry) > 0) DeleteRange(entry, 1, 3);
  while (PosOf("<b>", entry) > 0) DeleteRange(entry, 1, 3);
  // The comma before the pages becomes ";".
  Pos p = PosOf(", Pages " + b, entry);
  if (p == 0) p = PosOf(", Page " + b, entry);
  if (p > 0) {
    DeleteRange(entry, p, 1);
    InsertAt(";", entry, p);
  }
  // "Pages" or "Page" becomes "pag.".
  if ((p = PosOf("Pages", entry)) > 0) {
    DeleteRange(entry, p, 5);
    InsertAt("pag.", entry, p);
  } else if ((p = PosOf("Page", entry)) > 0) {
    DeleteRange(entry, p, 4);
    InsertAt("pag.", entry, p);
  }
  // Authors: squeezed, dropped when opened by markup, cut at the link, one
  // <br> and one <BR> removed, dropped when markup is left.
  authors = Squeeze(authors);
  if (!authors.empty() && authors[0] == ' ') DeleteRange(authors, 1, 1);
  if (!authors.empty() && authors[0] == '<') authors = "";
  for (const char* link : kLinks) DeleteRange(authors, PosOf(link, authors), Len(authors));
  if ((p = PosOf("<br>", authors)) > 0) DeleteRange(authors, p, 4);
  if ((p = PosOf("<BR>", authors)) > 0) DeleteRange(authors, p, 4);
  if (PosOf(">", authors) > 0) authors = "";
  return authors + "; " + entry + "." + "<BR>";
}

}  // namespace pdfindex
