// Fuzzes every article finder of the registry. The input is a PDF base name (up to the first
// line feed) and the contents pages of its issue folder, separated by lines
// "----page----"; a page that is exactly "(cannot be opened)" is listed but
// cannot be opened. The finder must not crash, must give the same answer
// every time (also when the pages have indexed its needles beforehand, as the
// run does), must say it found no entry exactly when it gives what it gives
// for a folder without pages, can only have found an entry on a page that holds one of its
// needles, fills its fields with valid UTF-8 only, and gives the description
// and answer its step-by-step oracle gives (on inputs short enough for the
// oracle's copies).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "oracles/oracles.h"
#include "readers/registry.h"
#include "text/plain_text.h"

namespace pdfindex {
namespace {

constexpr std::string_view kPageBreak = "\n----page----\n";
constexpr std::string_view kUnopenable = "(cannot be opened)";
constexpr size_t kMaxPages = 8;
// The oracles copy the text at each step: longer inputs take them too long.
constexpr size_t kMaxOracleBytes = 16 << 10;

void CheckArticle(const Reader& reader, std::string_view data) {
  const size_t line_end = data.find('\n');
  const std::string base(data.substr(0, line_end));
  std::string_view rest =
      line_end == std::string_view::npos ? std::string_view() : data.substr(line_end + 1);

  const std::string folder = std::string(reader.keyword) + "/v1/";
  PageSet pages;
  PageSet indexed;
  std::vector<std::string> names;
  while (!rest.empty() && names.size() < kMaxPages) {
    const size_t cut = rest.find(kPageBreak);
    const std::string_view bytes = rest.substr(0, cut);
    rest =
        cut == std::string_view::npos ? std::string_view() : rest.substr(cut + kPageBreak.size());
    names.push_back("p" + std::to_string(names.size()) + ".htm");
    if (bytes != kUnopenable) {
      pages.Add(folder + names.back(), bytes);
      indexed.Add(folder + names.back(), bytes);
    }
  }
  const std::vector<std::string> keys = reader.keys(base);
  std::vector<const Page*> opened;
  for (const std::string& name : names) {
    if (const Page* page = pages.Open(folder + name)) opened.push_back(page);
    if (const Page* page = indexed.Open(folder + name)) page->IndexNeedles(keys);
  }

  const IssuePages plain = pages.InOrder(folder, names);
  FinderState plain_state;
  const ArticleRecord record = reader.find(plain, base, plain_state);
  const bool matched = record.found;
  const std::string& description = record.classic;
  const ArticleRecord again = reader.find(plain, base, plain_state);
  FUZZ_CHECK(again.classic == description && again.found == matched);

  FinderState indexed_state;
  const ArticleRecord fast = reader.find(indexed.InOrder(folder, names), base, indexed_state);
  FUZZ_CHECK(fast.classic == description && fast.found == matched);
  FUZZ_CHECK(fast.fields.title == record.fields.title);

  const Oracle* oracle = OracleOf(reader.keyword);
  FUZZ_CHECK(oracle != nullptr && oracle->article != nullptr);
  if (data.size() <= kMaxOracleBytes) {
    NameList list;
    FillList(list, names);
    bool oracle_matched = false;
    FUZZ_CHECK(oracle->article(pages, base, folder, list, &oracle_matched) == description);
    FUZZ_CHECK(oracle_matched == matched);
  }

  const ArticleFields& f = record.fields;
  for (const std::string* field : {&f.title, &f.container, &f.volume, &f.issue, &f.year,
                                   &f.first_page, &f.last_page, &f.doi, &f.url}) {
    FUZZ_CHECK(IsValidUtf8(*field));
  }
  for (const std::string& author : f.authors) FUZZ_CHECK(IsValidUtf8(author) && !author.empty());
  if (!matched) FUZZ_CHECK(f.empty());

  if (opened.empty()) FUZZ_CHECK(!matched);
  const IssuePages no_pages = pages.InOrder(folder, std::vector<std::string>());
  FinderState no_pages_state;
  if (!matched) FUZZ_CHECK(description == reader.find(no_pages, base, no_pages_state).classic);
  if (matched) {
    bool holds_key = false;
    for (const std::string& key : keys) {
      for (const Page* page : opened) {
        holds_key = holds_key || (!key.empty() && page->Text().find(key) != std::string::npos);
      }
    }
    FUZZ_CHECK(holds_key);
  }
}

}  // namespace
}  // namespace pdfindex

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const pdfindex::Reader& reader : pdfindex::Readers()) {
    if (reader.find != nullptr) pdfindex::CheckArticle(reader, bytes);
  }
  pdfindex::CheckArticle(pdfindex::GeneralReader(), bytes);
  return 0;
}
