// Time of one article finder call on a 400-article contents page, per
// publisher layout: with the folder's keys indexed in one pass, as the run
// does, and without (each PDF's key then found by a scan of its own). Then
// the cost of that index itself: the keys of all the folder's PDFs found in
// its pages by the project's automaton (built and run) and, where the build
// found it, by vectorscan (compiled and run, and run alone).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#ifdef PDFINDEX_HAVE_HS
#include <hs/hs.h>
#endif

#include "bench/generator.h"
#include "readers/registry.h"
#include "text/page.h"
#include "text/text_index.h"
#include "collections/utypes.h"

namespace pdfindex::bench {
namespace {

// Every key the finder of `folder` searches for, over all of the issue's PDFs.
std::vector<std::string> FolderKeys(const Issue& issue, const std::string& folder) {
  std::vector<std::string> keys;
  for (const std::string& base : issue.pdfs) {
    for (std::string& k : ArticleKeys(folder, base)) keys.push_back(std::move(k));
  }
  return keys;
}

// The issue's pages loaded afresh, as the run loads them for a folder.
std::unique_ptr<PageSet> Load(const Issue& issue, const std::string& folder, bool indexed) {
  auto pages = std::make_unique<PageSet>();
  for (const auto& [name, text] : issue.pages) pages->Add(folder + name, text);
  if (indexed) {
    const std::vector<std::string> keys = FolderKeys(issue, folder);
    for (const auto& [name, text] : issue.pages) pages->Open(folder + name)->IndexNeedles(keys);
  }
  return pages;
}

void FinderCall(benchmark::State& state, const std::string& publisher, bool indexed) {
  const Issue issue = MakeIssue(publisher, 400, 1, 7);
  const std::string folder = publisher + "/Vol 0001/";
  NameList list;
  for (auto it = issue.pages.rbegin(); it != issue.pages.rend(); ++it) ListAdd(list, it->first);
  std::unique_ptr<PageSet> pages;
  IssuePages listed;
  FinderState finds;
  size_t next = 0;
  for (auto _ : state) {
    if (next % issue.pdfs.size() == 0) {
      // Every pass over the issue's PDFs starts from freshly loaded pages,
      // so that nothing one pass found is reused by the next.
      state.PauseTiming();
      pages = Load(issue, folder, indexed);
      listed = pages->InOrder(folder, list);
      finds = FinderState();
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(ArticleDescription(listed, issue.pdfs[next % issue.pdfs.size()], finds));
    ++next;
  }
  state.counters["page_bytes"] = static_cast<double>(issue.pages[0].second.size());
}

// AmChemSoc pages of long entries, once regular and once a Choice page: 800
// entries with 2,000-byte titles (1.6 MB), each PDF's description in turn.
// Per-PDF work must stay near the entry, not grow with the page.
void AmChemSocLongEntries(benchmark::State& state, bool choice) {
  const std::string folder = "AmChemSoc/v1/";
  std::string page =
      choice ? "<H2>Choice Articles</H2>\r\n<UL>\r\n" : "<HTML>\r\n<P><I>J</I><BR>V (1)</P>\r\n";
  std::vector<std::string> bases;
  for (int i = 0; i < 800; ++i) {
    const std::string b = "ja" + std::to_string(100000 + i);
    bases.push_back(b);
    if (choice) {
      page += "<LI><I>T" + std::string(2000, 'y') + "</I> (<A HREF=\"/x/" + b +
              ".pdf\">PDF</A>) Ann, <BR> <I>J</I> 1 (JA" + b.substr(2) + ")\r\n";
    } else {
      page += "<P>\r\n" + std::to_string(i) + "</B> <B>Title " + std::string(2000, 'x') +
              ".</B>\r\n<AU><I>Ann</I></AU> <A HREF=\"/cgi-bin/jtextd?x\">F</A> <A HREF=\"/p/" + b +
              "\">PDF</A>\r\n";
    }
  }
  PageSet pages;
  pages.Add(folder + "1.htm", page);
  const IssuePages listed = pages.InOrder(folder, std::vector<std::string>{"1.htm"});
  FinderState finds;
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ArticleDescription(listed, bases[next++ % bases.size()], finds));
  }
  state.counters["page_bytes"] = static_cast<double>(page.size());
}

// One AmChemSoc paragraph of 4 MB: 200,000 bold spans before the entry's
// link, read whole for its description. Must stay linear in the paragraph.
void AmChemSocManyTags(benchmark::State& state) {
  const std::string folder = "AmChemSoc/v1/";
  std::string page = "<P>\r\n1</B><B>";
  for (int i = 0; i < 200000; ++i) page += "a</B>b<B>c\r\n";
  page += "</B> <A HREF=\"/p/ja001234\">PDF</A>\r\n";
  PageSet pages;
  pages.Add(folder + "1.htm", page);
  const IssuePages listed = pages.InOrder(folder, std::vector<std::string>{"1.htm"});
  FinderState finds;
  for (auto _ : state) benchmark::DoNotOptimize(ArticleDescription(listed, "ja001234", finds));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

// An issue folder of 400 articles, its keys and its pages' bytes.
struct IndexCase {
  explicit IndexCase(const std::string& publisher)
      : issue(MakeIssue(publisher, 400, 1, 7)), keys(FolderKeys(issue, publisher + "/Vol 0001/")) {
    for (const auto& page : issue.pages) page_bytes += static_cast<double>(page.second.size());
  }
  void Count(benchmark::State& state) const {
    state.counters["keys"] = static_cast<double>(keys.size());
    state.counters["page_bytes"] = page_bytes;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page_bytes));
  }
  Issue issue;
  std::vector<std::string> keys;
  double page_bytes = 0;
};

// The automaton over all the folder's keys, built and run over each page.
void IndexFindAll(benchmark::State& state, const std::string& publisher) {
  const IndexCase c(publisher);
  for (auto _ : state) {
    for (const auto& page : c.issue.pages) benchmark::DoNotOptimize(FindAll(page.second, c.keys));
  }
  c.Count(state);
}

// The same through a page's own index, as the run builds it (the page's
// bytes copied into it first).
void IndexIndexedText(benchmark::State& state, const std::string& publisher) {
  const IndexCase c(publisher);
  for (auto _ : state) {
    for (const auto& page : c.issue.pages) {
      const IndexedText text(page.second);
      text.IndexNeedles(c.keys);
      benchmark::DoNotOptimize(text);
    }
  }
  c.Count(state);
}

#ifdef PDFINDEX_HAVE_HS
// A vectorscan database of the folder's distinct non-empty keys, as literals,
// and the scratch space to run it; matches are collected per key as start
// offsets (end offset less the key's length), as FindAll returns them.
class LiteralDatabase {
 public:
  explicit LiteralDatabase(const std::vector<std::string>& keys) {
    std::unordered_map<std::string_view, unsigned> id_of;
    for (size_t i = 0; i < keys.size(); ++i) {
      if (keys[i].empty()) continue;
      const auto [it, fresh] = id_of.emplace(keys[i], static_cast<unsigned>(distinct_.size()));
      if (fresh) distinct_.push_back(i);
      slot_.push_back({i, it->second});
    }
    std::vector<const char*> literals;
    std::vector<size_t> lengths;
    std::vector<unsigned> ids, flags(distinct_.size(), 0);
    for (size_t k = 0; k < distinct_.size(); ++k) {
      literals.push_back(keys[distinct_[k]].data());
      lengths.push_back(keys[distinct_[k]].size());
      ids.push_back(static_cast<unsigned>(k));
      length_.push_back(keys[distinct_[k]].size());
    }
    hs_compile_error_t* error = nullptr;
    if (hs_compile_lit_multi(literals.data(), flags.data(), ids.data(), lengths.data(),
                             static_cast<unsigned>(literals.size()), HS_MODE_BLOCK, nullptr,
                             &database_, &error) != HS_SUCCESS) {
      error_ = error != nullptr ? error->message : "hs_compile_lit_multi failed";
      hs_free_compile_error(error);
      return;
    }
    if (hs_alloc_scratch(database_, &scratch_) != HS_SUCCESS) error_ = "hs_alloc_scratch failed";
  }
  ~LiteralDatabase() {
    hs_free_scratch(scratch_);
    hs_free_database(database_);
  }
  LiteralDatabase(const LiteralDatabase&) = delete;
  LiteralDatabase& operator=(const LiteralDatabase&) = delete;

  /// Empty when the database and its scratch space were made.
  const std::string& error() const { return error_; }

  /// The start offsets of each of the keys in `text`, indexed as the keys
  /// given to the constructor.
  std::vector<std::vector<size_t>> Scan(std::string_view text, size_t keys) const {
    std::vector<std::vector<size_t>> found(distinct_.size());
    Context context{&found, &length_};
    hs_scan(database_, text.data(), static_cast<unsigned>(text.size()), 0, scratch_, OnMatch,
            &context);
    std::vector<std::vector<size_t>> result(keys);
    for (const auto& [key, id] : slot_) result[key] = found[id];
    return result;
  }

 private:
  struct Context {
    std::vector<std::vector<size_t>>* found;
    const std::vector<size_t>* length;
  };
  static int OnMatch(unsigned id, unsigned long long /*from*/, unsigned long long to,
                     unsigned /*flags*/, void* data) {
    auto* context = static_cast<Context*>(data);
    (*context->found)[id].push_back(static_cast<size_t>(to) - (*context->length)[id]);
    return 0;
  }

  std::vector<size_t> distinct_;                   // key index of each distinct key
  std::vector<std::pair<size_t, unsigned>> slot_;  // (key index, distinct id)
  std::vector<size_t> length_;                     // length of each distinct key
  hs_database_t* database_ = nullptr;
  hs_scratch_t* scratch_ = nullptr;
  std::string error_;
};

// Fails the benchmark unless vectorscan finds exactly the occurrences that
// the automaton finds in the folder's pages.
bool SameAsFindAll(benchmark::State& state, const IndexCase& c, const LiteralDatabase& db) {
  if (!db.error().empty()) {
    state.SkipWithError(db.error().c_str());
    return false;
  }
  for (const auto& page : c.issue.pages) {
    if (db.Scan(page.second, c.keys.size()) != FindAll(page.second, c.keys)) {
      state.SkipWithError("vectorscan and FindAll found different occurrences");
      return false;
    }
  }
  return true;
}

// vectorscan: the database compiled, its scratch space made, and each page
// scanned, all timed together.
void IndexVectorscan(benchmark::State& state, const std::string& publisher) {
  const IndexCase c(publisher);
  if (!SameAsFindAll(state, c, LiteralDatabase(c.keys))) return;
  for (auto _ : state) {
    const LiteralDatabase db(c.keys);
    for (const auto& page : c.issue.pages) {
      benchmark::DoNotOptimize(db.Scan(page.second, c.keys.size()));
    }
  }
  c.Count(state);
}

// vectorscan's scan alone, the database compiled once before.
void IndexVectorscanScan(benchmark::State& state, const std::string& publisher) {
  const IndexCase c(publisher);
  const LiteralDatabase db(c.keys);
  if (!SameAsFindAll(state, c, db)) return;
  for (auto _ : state) {
    for (const auto& page : c.issue.pages) {
      benchmark::DoNotOptimize(db.Scan(page.second, c.keys.size()));
    }
  }
  c.Count(state);
}
#endif

void RegisterAll() {
  for (const std::string& publisher : Publishers()) {
    benchmark::RegisterBenchmark(("Finder/" + publisher + "/indexed").c_str(), FinderCall,
                                 publisher, true);
    benchmark::RegisterBenchmark(("Finder/" + publisher + "/scanning").c_str(), FinderCall,
                                 publisher, false);
  }
  benchmark::RegisterBenchmark("Finder/AmChemSoc/long_entries", AmChemSocLongEntries, false);
  benchmark::RegisterBenchmark("Finder/AmChemSoc/long_choice_entries", AmChemSocLongEntries, true);
  benchmark::RegisterBenchmark("Finder/AmChemSoc/many_tags", AmChemSocManyTags)
      ->Unit(benchmark::kMillisecond);
  for (const std::string& publisher : Publishers()) {
    const std::string name = "Index/" + publisher;
    benchmark::RegisterBenchmark((name + "/automaton").c_str(), IndexFindAll, publisher);
    benchmark::RegisterBenchmark((name + "/indexed_text").c_str(), IndexIndexedText, publisher);
#ifdef PDFINDEX_HAVE_HS
    benchmark::RegisterBenchmark((name + "/vectorscan").c_str(), IndexVectorscan, publisher);
    benchmark::RegisterBenchmark((name + "/vectorscan_scan_only").c_str(), IndexVectorscanScan,
                                 publisher);
#endif
  }
}

}  // namespace
}  // namespace pdfindex::bench

int main(int argc, char** argv) {
  pdfindex::bench::RegisterAll();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
