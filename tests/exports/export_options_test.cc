#include "outputs/export_options.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "test_util.h"

namespace pdfindex {
namespace {

TEST(ExportOptionsTest, NamesEachExport) {
  EXPECT_EQ(ExportFactoryFor("--json"), MakeJsonSink);
  EXPECT_EQ(ExportFactoryFor("--bibtex"), MakeBibtexSink);
  EXPECT_EQ(ExportFactoryFor("--csl-json"), MakeCslJsonSink);
  EXPECT_EQ(ExportFactoryFor("--ris"), MakeRisSink);
  for (const char* other : {"--report", "--JSON", "--json=x", "-", ""}) {
    EXPECT_EQ(ExportFactoryFor(other), nullptr) << other;
  }
}

TEST(ExportOptionsTest, TargetsAreAbsolute) {
  EXPECT_EQ(AbsoluteTarget("-"), "-");
  const std::string here = CurrentFolder();
  ASSERT_FALSE(here.empty());
  EXPECT_EQ(here.back(), '/');
  EXPECT_EQ(AbsoluteTarget("out.bib"), here + "out.bib");
  EXPECT_EQ(AbsoluteTarget("./out.bib"), here + "out.bib");
  EXPECT_EQ(AbsoluteTarget(here + "out.bib"), here + "out.bib");
  // A folder that is not there is kept as written; creating the file fails later.
  EXPECT_EQ(AbsoluteTarget("/no/such/folder/x.ris"), "/no/such/folder/x.ris");
}

TEST(ExportOptionsTest, RequestsSayTheRootOnlyOutsideIt) {
  struct Row {
    std::vector<ExportOption> exports;
    std::string clash;
    std::vector<bool> says_root;
  };
  const Row rows[] = {
      {{{MakeRisSink, "/a/c.ris"}, {MakeRisSink, "-"}, {MakeRisSink, "/b/c.ris"}},
       "",
       {false, false, true}},
      {{{MakeJsonSink, "/a/c.json"}, {MakeBibtexSink, "/a/c.json"}},
       "'/a/c.json' is written by more than one output",
       {}},
      {{{MakeJsonSink, "-"}, {MakeRisSink, "-"}}, "'-' is written by more than one output", {}},
      {{{MakeJsonSink, "/a/HtmlData.htm"}},
       "'/a/HtmlData.htm' is written by more than one output",
       {}},
      {{{MakeJsonSink, "/b/HtmlData.htm"}}, "", {true}},
  };
  IssueRecord issue;
  issue.publisher = "P";
  issue.issue = "I";
  issue.pdfs.push_back({"x.pdf", "x", {}, {}, {}});
  for (const Row& row : rows) {
    std::vector<OutputRequest> requests;
    EXPECT_EQ(ExportRequests(row.exports, "/a", &requests), row.clash);
    if (!row.clash.empty()) continue;
    ASSERT_EQ(requests.size(), row.exports.size());
    for (size_t i = 0; i < requests.size(); ++i) {
      EXPECT_EQ(requests[i].target, row.exports[i].target);
      StringSink out;
      auto sink = requests[i].make(out);
      ASSERT_TRUE(sink->Begin().ok() && sink->Issue(issue).ok() && sink->Finish().ok());
      EXPECT_EQ(out.bytes().find("/a/") != std::string::npos, row.says_root[i]) << out.bytes();
    }
  }
}

}  // namespace
}  // namespace pdfindex
