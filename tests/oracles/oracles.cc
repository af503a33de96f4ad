#include "oracles/oracles.h"

#include "oracles/steps.h"

namespace pdfindex {

namespace {

// One row a reader of the registry, in its order, and the general reader's
// last: the Elsevier title steps and the AmInstPhys finder's.
constexpr Oracle kOracles[] = {
    {"ScienceDirect", ScienceDirectTitleOracle, ScienceDirectArticleOracle},
    {"Embo", EmboTitleOracle, EmboArticleOracle},
    {"Springer", SpringerTitleOracle, SpringerArticleOracle},
    {"Elsevier", ElsevierTitleOracle, nullptr},
    {"AmChemSoc", AmChemSocTitleOracle, AmChemSocArticleOracle},
    {"AmInstPhys", AmInstPhysTitleOracle, AmInstPhysArticleOracle},
    {"AmMathSoc", AmMathSocTitleOracle, AmMathSocArticleOracle},
    {"JBCOnline", JBCOnlineTitleOracle, JBCOnlineArticleOracle},
    {"none", ElsevierTitleOracle, AmInstPhysArticleOracle},
};

// Appends lines of `cursor` to *text until one holds `needle` or the page
// ends; true when the last line appended holds it.
bool ReadTextThrough(PageCursor& cursor, const std::string& needle, std::string* text) {
  while (!PageAtEnd(cursor)) {
    const std::string line = ReadPageLine(cursor);
    *text += line;
    if (PosOf(needle, line) > 0) return true;
  }
  return false;
}

}  // namespace

std::span<const Oracle> Oracles() { return kOracles; }

const Oracle* OracleOf(std::string_view keyword) {
  for (const Oracle& oracle : kOracles) {
    if (oracle.keyword == keyword) return &oracle;
  }
  return nullptr;
}

void FillList(NameList& list, const std::vector<std::string>& names) {
  for (auto it = names.rbegin(); it != names.rend(); ++it) ListAdd(list, *it);
}

bool ReadLineHolding(PageCursor& cursor, const std::string& needle, std::string* line) {
  do {
    *line = ReadPageLine(cursor);
  } while (PosOf(needle, *line) == 0 && !PageAtEnd(cursor));
  return PosOf(needle, *line) > 0;
}

PageWalk::PageWalk(const PageSet& pages, const std::string& folder, NameList& list)
    : pages_(pages), folder_(folder), list_(list) {
  ListRewind(list_);
}

bool PageWalk::Next() {
  for (std::string name = ListNext(list_); !name.empty(); name = ListNext(list_)) {
    if (const Page* page = pages_.Open(folder_ + name)) {
      cursor_.emplace(*page);
      text.clear();
      return true;
    }
  }
  return false;
}

bool PageWalk::NextHolding(const std::string& key) {
  while (Next()) {
    if (ReadTextThrough(*cursor_, key, &text)) return true;
  }
  return false;
}

bool ElementText(const PageSet& pages, const std::string& path, const std::string& open,
                 const std::string& close, std::string* text) {
  const Page* page = pages.Open(path);
  if (page == nullptr) return false;
  PageCursor c(*page);
  std::string& line = *text;
  if (!ReadLineHolding(c, close, &line)) return false;
  DeleteRange(line, PosOf(close, line), Len(line));
  if (const Pos t = PosOf(open, line); t > 0) DeleteRange(line, 1, t + Len(open) - 1);
  return true;
}

void RemoveEach(std::string& text, const std::string& tag) {
  while (PosOf(tag, text) > 0) DeleteRange(text, PosOf(tag, text), Len(tag));
}

void RemoveRepeatedly(std::string& text, const std::string& pattern, Pos offset) {
  for (Pos p = PosOf(pattern, text); p > 0; p = PosOf(pattern, text)) {
    DeleteRange(text, p + offset, 1);
  }
}

bool ScanBack(std::string& remaining, std::string& tail, const std::string& tag) {
  for (;;) {
    if (PosOf(tag, tail) > 0) return true;
    if (Len(remaining) <= 10) return false;
    const Pos n = std::min<Pos>(20, Len(remaining));  // 11 to 19 bytes: all of them
    tail = CopyRange(remaining, Len(remaining) - n + 1, n) + tail;
    DeleteRange(remaining, Len(remaining) - n + 1, n);
  }
}

}  // namespace pdfindex
