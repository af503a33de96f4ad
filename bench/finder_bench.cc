// Time of one article finder call on a 400-article contents page, per
// publisher layout: with the folder's keys indexed in one pass, as the run
// does, and without (each PDF's key then found by a scan of its own).
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/generator.h"
#include "catalogue/dispatch.h"
#include "catalogue/page.h"
#include "collections/utypes.h"

namespace pdfindex::bench {
namespace {

// The issue's pages loaded afresh, as the run loads them for a folder.
std::unique_ptr<PageSet> Load(const Issue& issue, const std::string& folder, bool indexed) {
  auto pages = std::make_unique<PageSet>();
  for (const auto& [name, text] : issue.pages) pages->Add(folder + name, text);
  if (indexed) {
    std::vector<std::string> keys;
    for (const std::string& base : issue.pdfs) {
      for (std::string& k : ArticleKeys(folder, base)) keys.push_back(std::move(k));
    }
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
  size_t next = 0;
  for (auto _ : state) {
    if (next % issue.pdfs.size() == 0) {
      // Every pass over the issue's PDFs starts from freshly loaded pages,
      // so that nothing one pass found is reused by the next.
      state.PauseTiming();
      pages = Load(issue, folder, indexed);
      listed = pages->InOrder(folder, list);
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(ArticleDescription(listed, issue.pdfs[next % issue.pdfs.size()]));
    ++next;
  }
  state.counters["page_bytes"] = static_cast<double>(issue.pages[0].second.size());
}

void RegisterAll() {
  for (const std::string& publisher : Publishers()) {
    benchmark::RegisterBenchmark(("Finder/" + publisher + "/indexed").c_str(), FinderCall,
                                 publisher, true);
    benchmark::RegisterBenchmark(("Finder/" + publisher + "/scanning").c_str(), FinderCall,
                                 publisher, false);
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
