#include "readers/jbconline.h"

#include <algorithm>
#include <string_view>

#include "catalogue/text.h"

namespace pdfindex {

namespace {

constexpr std::string_view kTitleOpen = "<TITLE>";
constexpr std::string_view kTitleClose = "</TITLE>";

// The entry is found by walking back from the key in steps of this many
// bytes; a text before the tail of kScanKeep bytes or fewer is never moved.
constexpr size_t kScanStep = 20;
constexpr size_t kScanKeep = 10;

// The link to a PDF holds "/jbc." and the base name less its last two bytes.
std::string ArticleKey(const std::string& base) {
  return "/jbc." + CopyRange(base, 1, Len(base) - 2);
}

// The part of the text before the key that a backward scan has taken so
// far: text[cut, end). What stands before `cut` has not been taken yet.
struct Tail {
  size_t cut;
  size_t end;
};

// Offset of the first `tag` inside the tail, or npos.
size_t FirstIn(std::string_view text, const Tail& tail, std::string_view tag) {
  return text.substr(0, tail.end).find(tag, tail.cut);
}

// Takes `text` into the tail from its back in steps of kScanStep bytes until
// the tail holds `tag` or kScanKeep bytes or fewer are left; a step that
// finds between kScanKeep and kScanStep bytes left takes them all, which
// leaves none, so the scan always ends. Returns the offset of the tail's
// first `tag`, or npos.
//
// The steps stop at the first cut at or before the start of the last `tag`
// before the tail's end, so that cut is computed at once instead of moving
// bytes step by step.
size_t ScanBack(std::string_view text, Tail& tail, std::string_view tag) {
  constexpr size_t kNone = std::string_view::npos;
  const size_t last = text.substr(0, tail.end).rfind(tag);
  if (last == kNone || last < tail.cut) {
    const size_t steps = last == kNone ? 0 : (tail.cut - last + kScanStep - 1) / kScanStep;
    if (last != kNone && steps * kScanStep <= tail.cut) {
      tail.cut -= steps * kScanStep;
    } else {
      // Out of reach of whole steps: they run while a step's worth is left,
      // and a rest of more than kScanKeep bytes then goes in one last step.
      const size_t rest = tail.cut % kScanStep;
      tail.cut = rest > kScanKeep ? 0 : rest;
    }
  }
  return FirstIn(text, tail, tag);
}

// The description of the entry that stands before the key; `before` is the
// page's text up to the key.
std::string Description(std::string_view before) {
  // The definition ends at the first "<BR>" of the step that first brings
  // one in, and the entry starts after the first "<DT>" of the step that
  // first brings one in before that.
  Tail tail{before.size(), before.size()};
  const size_t br = ScanBack(before, tail, "<BR>");
  if (br != std::string_view::npos) tail.end = br;
  const size_t dt = ScanBack(before, tail, "<DT>");
  const std::string_view entry =
      dt == std::string_view::npos ? std::string_view() : before.substr(dt + 4, tail.end - dt - 4);

  // The term loses the three bytes before "<DD>"; without "<DD>" the
  // definition runs from the entry's fourth byte on.
  const Pos dd = PosOf("<DD>", entry);
  const std::string term = CopyRange(entry, 1, dd - 4);
  std::string definition = CopyRange(entry, dd + 4, Len(entry));
  DeleteRange(definition, Len(definition) - 3, 4);
  definition += ".";
  RemoveFirst(definition, "<STRONG>");
  RemoveFirst(definition, "</STRONG>");
  return term + "; " + definition + "<BR>";
}

}  // namespace

std::string JBCOnlineIssueTitle(const PageSet& pages, const std::string& page_path) {
  const Page* page = pages.Open(page_path);
  if (page == nullptr) return page_path;
  PageCursor cursor(*page);
  bool found = false;
  std::string line = ReadLinesUntil(cursor, kTitleClose, &found);
  if (!found) return page_path;
  CutAt(line, kTitleClose);
  // A title element opened on an earlier line leaves the line whole.
  const Pos open = PosOf(kTitleOpen, line);
  if (open > 0) DeleteRange(line, 1, open + Len(kTitleOpen) - 1);
  return line;
}

std::string JBCOnlineArticle(const PageSet& pages, const std::string& base,
                             const std::string& folder, NameList& list, bool* matched) {
  if (matched != nullptr) *matched = false;
  const std::string key = ArticleKey(base);
  std::string description;
  ListRewind(list);
  for (std::string name = ListNext(list); !name.empty(); name = ListNext(list)) {
    const Page* page = pages.Open(folder + name);
    if (page == nullptr) continue;
    PageCursor cursor(*page);
    bool found = false;
    const std::string_view read = JoinLinesUntil(cursor, key, &found);
    if (!found) continue;
    if (matched != nullptr) *matched = true;
    // The text read is cut at its first key, which may be one split across
    // a line end before the line that holds the key whole.
    const size_t at = std::min(page->Find(key), read.size());
    // A later page holding the key replaces what an earlier one gave.
    description = Description(read.substr(0, at));
  }
  return description;
}

std::vector<std::string> JBCOnlineArticleKeys(const std::string& base) {
  return {ArticleKey(base)};
}

}  // namespace pdfindex
