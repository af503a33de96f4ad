#include "readers/jbconline.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "text/fields.h"
#include "text/plain_text.h"
#include "text/positions.h"

namespace pdfindex {

namespace {

constexpr std::string_view kTitleOpen = "<TITLE>";
constexpr std::string_view kTitleClose = "</TITLE>";

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

// The description of the entry that stands before the key; `before` is the
// page's text up to the key. The entry is before[*begin, *end) (empty when
// there is none).
std::string Description(std::string_view before, size_t* begin, size_t* end) {
  // The definition ends at the first "<BR>" of the step that first brings
  // one in, and the entry starts after the first "<DT>" of the step that
  // first brings one in before that.
  Tail tail{before.size(), before.size()};
  const size_t br = ScanBack(before, tail.end, &tail.cut, "<BR>", kEntryScanStep, kEntryScanFloor);
  if (br != std::string_view::npos) tail.end = br;
  const size_t dt = ScanBack(before, tail.end, &tail.cut, "<DT>", kEntryScanStep, kEntryScanFloor);
  const std::string_view entry =
      dt == std::string_view::npos ? std::string_view() : before.substr(dt + 4, tail.end - dt - 4);
  *begin = dt == std::string_view::npos ? 0 : dt + 4;
  *end = *begin + entry.size();

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

// The fields of the entry, lines kept apart: the term is the title, the
// emphasised names the authors, and what follows them the citation
// ("J. Biocatal. Res. 2004 279: 1021-1030").
ArticleFields EntryFields(const Page& page, std::string_view entry) {
  ArticleFields fields;
  fields.title = FieldText(page, Before(entry, "<DD>"));
  const std::string_view definition = After(entry, "<DD>");
  fields.authors = AuthorList(FieldText(page, Between(definition, "<STRONG>", "</STRONG>")));
  SetCitation(FieldText(page, After(definition, "</STRONG>")), &fields);
  return fields;
}

}  // namespace

TitleRecord JBCOnlineIssueTitle(const Page* page, const std::string& page_path) {
  if (page == nullptr) return PathTitle(page_path);
  PageCursor cursor(*page);
  bool found = false;
  std::string line = ReadLinesUntil(cursor, kTitleClose, &found);
  if (!found) return PathTitle(page_path);
  CutAt(line, kTitleClose);
  // A title element opened on an earlier line leaves the line whole.
  const Pos open = PosOf(kTitleOpen, line);
  if (open > 0) DeleteRange(line, 1, open + Len(kTitleOpen) - 1);
  return PageTitle(*page, std::move(line));
}

ArticleRecord JBCOnlineArticle(const IssuePages& pages, const std::string& base,
                               FinderState& /*state*/) {
  ArticleRecord record;
  const std::string key = ArticleKey(base);
  for (const Page* page : pages.pages) {
    if (page == nullptr) continue;
    PageCursor cursor(*page);
    bool found = false;
    const std::string_view read = JoinLinesUntil(cursor, key, &found);
    if (!found) continue;
    record.found = true;
    // The text read is cut at its first key, which may be one split across
    // a line end before the line that holds the key whole.
    const size_t at = std::min(page->Find(key), read.size());
    // A later page holding the key replaces what an earlier one gave.
    size_t begin = 0;
    size_t end = 0;
    record.classic = Description(read.substr(0, at), &begin, &end);
    if (pages.want_fields) {
      record.fields = EntryFields(*page, LinedText(*page, begin, end));
      SetIssueTitleOf(*page, JBCOnlineIssueTitle, &record.fields);
    }
  }
  return record;
}

std::vector<std::string> JBCOnlineArticleKeys(const std::string& base) {
  return {ArticleKey(base)};
}

}  // namespace pdfindex
