// The run's records and output sinks: what each sink is fed, and that every
// output is put in place together or not at all.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "run/run.h"
#include "fake_disk.h"
#include "test_util.h"

namespace pdfindex {
namespace {


void AddArchive(FakeDisk& disk) {
  disk.AddFile("Embo/v1/toc.htm", EmboPage("T &amp; U"));
  disk.AddUnopenable("Embo/v1/gone.htm");
  disk.AddFile("Embo/v1/a1.pdf");
  disk.AddFile("Embo/v1/zz.PDF");
  disk.AddFolder("Other/v2");
}

TEST(SinkRunTest, EverySinkGetsOneRecordPerIssueFolderInWalkOrder) {
  FakeDisk disk;
  AddArchive(disk);
  FakeConsole console;
  std::vector<IssueRecord> issues;
  const Status error = RunCatalogue(disk, console, nullptr, {Recording("out.txt", &issues)});
  ASSERT_TRUE(error.ok()) << StatusMessage(error);
  EXPECT_EQ(disk.Contents("out.txt"), "begin\nissue Embo/v1/\nissue Other/v2/\nfinish\n");
  ASSERT_EQ(issues.size(), 2u);

  const IssueRecord& embo = issues[0];
  EXPECT_EQ(embo.publisher, "Embo");
  EXPECT_EQ(embo.issue, "v1");
  EXPECT_EQ(embo.format, "Embo");
  ASSERT_EQ(embo.pages.size(), 2u);
  EXPECT_EQ(embo.pages[0].name, "gone.htm");
  EXPECT_FALSE(embo.pages[0].opened);
  EXPECT_EQ(embo.pages[1].name, "toc.htm");
  EXPECT_TRUE(embo.pages[1].opened);
  EXPECT_EQ(embo.pages[1].format, "Embo");
  EXPECT_EQ(embo.pages[1].title.classic, "T &amp; U");
  EXPECT_EQ(embo.pages[1].title.text, "T & U");
  ASSERT_EQ(embo.pdfs.size(), 2u);
  EXPECT_EQ(embo.pdfs[0].file, "a1.pdf");
  EXPECT_EQ(embo.pdfs[0].base, "a1");
  EXPECT_TRUE(embo.pdfs[0].article.found);
  EXPECT_EQ(embo.pdfs[0].article.classic,
            " Heading of a1; Ann Author; pp. 1-10; J. Mol. Things 20.<BR>");
  EXPECT_EQ(embo.pdfs[1].base, "zz");
  EXPECT_FALSE(embo.pdfs[1].article.found);

  EXPECT_EQ(issues[1].format, "none");
  EXPECT_TRUE(issues[1].pages.empty());
  EXPECT_TRUE(issues[1].pdfs.empty());
}

TEST(SinkRunTest, StandardOutputGetsItsBytesOnlyWhenTheRunSucceeds) {
  FakeDisk disk;
  AddArchive(disk);
  FakeConsole console;
  ASSERT_TRUE(RunCatalogue(disk, console, nullptr, {Recording("-")}).ok());
  EXPECT_EQ(disk.standard_output, "begin\nissue Embo/v1/\nissue Other/v2/\nfinish\n");
  EXPECT_FALSE(disk.Exists("-"));

  FakeDisk failing;
  AddArchive(failing);
  EXPECT_FALSE(RunCatalogue(failing, console, nullptr, {Recording("-", nullptr, "finish")}).ok());
  EXPECT_EQ(failing.standard_output, "");
}

TEST(SinkRunTest, AnyFailureLeavesEveryEarlierOutputAndNothingPending) {
  struct Row {
    const char* what;
    std::vector<OutputRequest> outputs;
    void (*inject)(FakeDisk&);
    int code;
  };
  const auto none = [](FakeDisk&) {};
  const Row rows[] = {
      {"a sink fails to begin",
       {Recording("a.txt"), Recording("b.txt", nullptr, "begin")},
       none,
       101},
      {"a sink fails on an issue folder",
       {Recording("a.txt", nullptr, "issue Other/v2/"), Recording("b.txt")},
       none,
       101},
      {"the last sink fails to finish",
       {Recording("a.txt"), Recording("b.txt", nullptr, "finish")},
       none,
       101},
      {"HtmlData.htm fails midway",
       {Recording("a.txt"), Recording("b.txt")},
       [](FakeDisk& d) { d.writes_before_failure = 4; },
       101},
      {"no file can be put in place",
       {Recording("a.txt"), Recording("-")},
       [](FakeDisk& d) { d.commit_error = Status::FromErrno(18); },
       18},
      {"the last file's target cannot be replaced",
       {Recording("a.txt"), Recording("dev"), Recording("b.txt")},
       [](FakeDisk& d) {
         d.AddDevice("dev");
         d.FailReady("b.txt", Status::FromErrno(21));
       },
       21},
      {"a page fails while read",
       {Recording("a.txt"), Recording("-")},
       [](FakeDisk& d) { d.FailRead("Embo/v1/toc.htm", Status::FromErrno(5)); },
       5},
  };
  for (const Row& row : rows) {
    FakeDisk disk;
    AddArchive(disk);
    disk.AddFile("HtmlData.htm", "earlier index");
    disk.AddFile("a.txt", "earlier a");
    disk.AddFile("b.txt", "earlier b");
    row.inject(disk);
    FakeConsole console;
    const Status error = RunCatalogue(disk, console, nullptr, row.outputs);
    EXPECT_EQ(error.code, row.code) << row.what;
    EXPECT_EQ(disk.Contents("HtmlData.htm"), "earlier index") << row.what;
    EXPECT_EQ(disk.Contents("a.txt"), "earlier a") << row.what;
    EXPECT_EQ(disk.Contents("b.txt"), "earlier b") << row.what;
    EXPECT_EQ(disk.standard_output, "") << row.what;
    EXPECT_TRUE(disk.device_output.empty()) << row.what;
    EXPECT_EQ(disk.pending(), 0) << row.what;
  }
}

TEST(SinkRunTest, OutputsWrittenThroughComeAfterEveryFileAndNameThemWhenTheyFail) {
  const std::vector<OutputRequest> outputs = {Recording("dev"), Recording("a.txt"), Recording("-")};
  const std::string bytes = "begin\nissue Embo/v1/\nissue Other/v2/\nfinish\n";
  for (const bool fails : {false, true}) {
    FakeDisk disk;
    AddArchive(disk);
    disk.AddDevice("dev");
    if (fails) disk.device_error = Status::FromErrno(18);
    FakeConsole console;
    std::vector<std::string> replaced = {"left over"};
    const Status error =
        RunCatalogue(disk, console, nullptr, outputs, nullptr, 1, IndexTarget(), &replaced);
    EXPECT_EQ(error.code, fails ? 18 : 0);
    EXPECT_EQ(replaced, (std::vector<std::string>{"HtmlData.htm", "a.txt"})) << fails;
    EXPECT_EQ(disk.Contents("a.txt"), bytes);
    EXPECT_FALSE(disk.Exists("dev"));
    EXPECT_EQ(disk.device_output["dev"], fails ? "" : bytes);
    EXPECT_EQ(disk.standard_output, fails ? "" : bytes);
  }
}

TEST(SinkRunTest, AnUnopenableScienceDirectPageSaysEroareAndWaitsForOneLine) {
  FakeDisk disk;
  disk.AddUnopenable("ScienceDirect/v/a.htm");
  disk.AddUnopenable("ScienceDirect/v/b.htm");
  disk.AddUnopenable("Embo/v/c.htm");
  FakeConsole console;
  ASSERT_TRUE(RunCatalogue(disk, console).ok());
  EXPECT_EQ(console.output, "eroare\r\neroare\r\n");
  EXPECT_EQ(console.lines_read, 2);
}

TEST(SinkRunTest, APagePathUsedAsTitleIsWrittenAsText) {
  FakeDisk disk;
  disk.AddFile("Elsevier/a&b <1>/toc.htm", "no title element");
  FakeConsole console;
  ASSERT_TRUE(RunCatalogue(disk, console).ok());
  EXPECT_NE(disk.Contents("HtmlData.htm").find("<B><BR>Elsevier/a&amp;b &lt;1&gt;/toc.htm<BR></B>"),
            std::string::npos)
      << disk.Contents("HtmlData.htm");
}

}  // namespace
}  // namespace pdfindex
