#include "oracles/steps.h"

namespace pdfindex {

namespace {

constexpr char kPhrase[] = "Downloads of Select";

}  // namespace

std::string AmInstPhysTitleOracle(const PageSet& pages, const std::string& path) {
  const Page* page = pages.Open(path);
  if (page == nullptr) return path;
  PageCursor c(*page);
  std::string joined, line;
  do {
    line = ReadPageLine(c);
    joined += line;
  } while (PosOf(kPhrase, line) == 0 && !PageAtEnd(c));
  if (PosOf(kPhrase, line) > 0) {
    DeleteRange(joined, 1, PosOf(kPhrase, joined) + 18);
    Pos a = PosOf("articles", joined);
    if (a > 100 || a == 0) a = PosOf("Papers", joined);
    DeleteRange(joined, a, Len(joined));
    if (PosOf("<i>", joined) > 0) DeleteRange(joined, PosOf("<i>", joined), 3);
    if (PosOf("</i>", joined) > 0) DeleteRange(joined, PosOf("</i>", joined), 4);
    return joined;
  }
  if (const Pos t = PosOf("<TITLE>", joined); t > 0) DeleteRange(joined, 1, t + 6);
  if (const Pos e = PosOf("</TITLE>", joined); e > 0) DeleteRange(joined, e, Len(joined));
  if (const Pos g = PosOf("Portable Document Format Articles", joined); g > 0) {
    DeleteRange(joined, g, Len(joined));
  }
  return joined;
}

std::string AmInstPhysArticleOracle(const PageSet& pages, const std::string& base,
                                    const std::string& folder, NameList& list, bool* matched) {
  // A page holding the base name is the entry's: it always gives "<BR>" at
  // least.
  if (matched != nullptr) *matched = false;
  PageWalk walk(pages, folder, list);
  std::string& text = walk.text;
  for (;;) {
    if (!walk.Next()) return "";
    while (!PageAtEnd(walk.cursor())) text += ReadPageLine(walk.cursor());
    if (PosOf(base, text) > 0) break;
  }
  if (matched != nullptr) *matched = true;
  RemoveRepeatedly(text, "\r", 0);
  RemoveRepeatedly(text, "  ", 0);
  RemoveRepeatedly(text, " <", 0);
  RemoveRepeatedly(text, "> ", 1);
  const std::string key = base + ".pdf\"";
  if (PosOf(key, text) > 0) {
    Pos last = 0;
    for (Pos p = PosOf(key, text); p > 0; p = PosOf(key, CopyRange(text, last + 1, Len(text)))) {
      last += p;
    }
    std::string rest = CopyRange(text, last, Len(text)), collected;
    const char* opens[] = {"<sub>", "<SUB>", "<sup>", "<SUP>", "<i>", "<I>", "<b>", "<B>"};
    int depth = 0;
    while (true) {
      collected += rest[0];
      DeleteRange(rest, 1, 1);
      for (const std::string open : opens) {
        if (EndsWith(collected, open)) ++depth;
        if (EndsWith(collected, "</" + open.substr(1))) --depth;
      }
      if (EndsWith(collected, "</") && depth < 1) break;
      if (rest.empty()) break;
    }
    if (EndsWith(collected, "</")) DeleteRange(collected, Len(collected) - 1, 2);
    if (PosOf(">", collected) > 0) DeleteRange(collected, 1, PosOf(">", collected));
    const std::pair<const char*, Pos> removed[] = {{"<br>", 4}, {"<BR>", 4}, {"<b>", 3},
                                                   {"<B>", 3},  {"</b>", 4}, {"</B>", 4},
                                                   {"<h", 4},   {"<H>", 4}};
    for (const auto& [tag, count] : removed) {
      if (PosOf(tag, collected) > 0) DeleteRange(collected, PosOf(tag, collected), count);
    }
    return collected + "<BR>";
  }
  std::string w = text;
  const std::string marker = "500" + CopyRange(base, 5, Len(base)) + "000";
  if (const Pos m = PosOf(marker, w); m > 0) w = CopyRange(w, m, Len(w));
  if (const Pos s = PosOf("<strong>", w); s > 0) w = CopyRange(w, s + 8, Len(w));
  if (const Pos e = PosOf("</strong>", w); e > 0) w = CopyRange(w, 1, e);
  if (!w.empty()) DeleteRange(w, Len(w), 1);
  return w + "<BR>";
}

}  // namespace pdfindex
