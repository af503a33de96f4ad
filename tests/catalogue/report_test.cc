#include "run/report.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "readers/registry.h"
#include "text/escape.h"
#include "fake_disk.h"
#include "test_util.h"

namespace pdfindex {
namespace {


// An archive with a described PDF, PDFs no page holds, a page that cannot be
// opened, an issue folder without pages and a folder without a keyword.
void MixedArchive(FakeDisk& d) {
  d.AddFile("Embo/v1/toc.htm", EmboPage());
  d.AddUnopenable("Embo/v1/bad.htm");
  d.AddFile("Embo/v1/a1.pdf");
  d.AddFile("Embo/v1/zz.pdf");
  d.AddFile("Embo/v2/b.pdf");
  d.AddFile("Misc/x/p.htm", "<TITLE>Misc</TITLE>\r\n");
  d.AddFile("Misc/x/q9.pdf");
}

// PDFs where the index does not look for them: in the root and directly in
// publisher folders, beside one issue folder; a folder named like a PDF is a
// publisher folder like any other.
void PdfsOutsideIssueFolders(FakeDisk& d) {
  d.AddFile("z.pdf");
  d.AddFile("A.PDF");
  d.AddFile(".hidden.pdf");
  d.AddFile("notes.htm");
  d.AddFile("Embo/stray.pdf");
  d.AddFile("Embo/v1/a1.pdf");
  d.AddFile("folder.pdf/v/b.pdf");
}

using Recorder = RecordingObserver;

TEST(RunObserverTest, IsToldOfEveryFolderPageAndPdfInWalkOrder) {
  FakeDisk disk;
  MixedArchive(disk);
  FakeConsole console;
  Recorder recorder;
  ASSERT_TRUE(RunCatalogue(disk, console, &recorder).ok());
  const std::vector<std::string> expected = {
      "run 3",
      "folder Embo/v1/ Embo",
      "unopenable Embo/v1/bad.htm",
      "page Embo/v1/toc.htm",
      "described Embo/v1/a1.pdf",
      "not held Embo/v1/zz.pdf",
      "done Embo/v1/",
      "folder Embo/v2/ Embo",
      "not held Embo/v2/b.pdf",
      "done Embo/v2/",
      "folder Misc/x/ none",
      "page Misc/x/p.htm",
      "not held Misc/x/q9.pdf",
      "done Misc/x/",
  };
  EXPECT_EQ(recorder.events, expected);

  Recorder outside;
  FakeDisk stray;
  PdfsOutsideIssueFolders(stray);
  ASSERT_TRUE(RunCatalogue(stray, console, &outside).ok());
  const std::vector<std::string> expected_outside = {
      "run 2",
      "outside .hidden.pdf",
      "outside A.PDF",
      "outside z.pdf",
      "outside Embo/stray.pdf",
      "folder Embo/v1/ Embo",
      "not held Embo/v1/a1.pdf",
      "done Embo/v1/",
      "folder folder.pdf/v/ none",
      "not held folder.pdf/v/b.pdf",
      "done folder.pdf/v/",
  };
  EXPECT_EQ(outside.events, expected_outside);
}

TEST(RunObserverTest, LeavesTheIndexByteForByteAsWithout) {
  FakeDisk plain;
  MixedArchive(plain);
  FakeDisk watched;
  MixedArchive(watched);
  FakeConsole console;
  ASSERT_TRUE(RunCatalogue(plain, console).ok());
  RunReport report;
  ASSERT_TRUE(RunCatalogue(watched, console, &report).ok());
  EXPECT_EQ(watched.Contents("HtmlData.htm"), plain.Contents("HtmlData.htm"));
  EXPECT_EQ(watched.reads(), plain.reads());
}

TEST(RunReportTest, SummarisesTheRun) {
  struct Row {
    const char* what;
    void (*build)(FakeDisk&);
    std::string expected;
  };
  const std::string zeros =
      "pdfindex report\n"
      "  issue folders                         0\n"
      "  contents pages                        0\n"
      "  pages that could not be opened        0\n"
      "  issue folders without contents pages  0\n"
      "  PDFs                                  0\n"
      "  PDFs described                        0\n"
      "  PDFs whose entry no page held         0\n";
  const Row rows[] = {
      {"empty archive", [](FakeDisk&) {}, zeros},
      {"mixed archive", MixedArchive,
       "pdfindex report\n"
       "  issue folders                         3\n"
       "  contents pages                        3\n"
       "  pages that could not be opened        1\n"
       "  issue folders without contents pages  1\n"
       "  PDFs                                  4\n"
       "  PDFs described                        1\n"
       "  PDFs whose entry no page held         3\n"
       "\n"
       "per publisher format:\n"
       "  format  folders  pages  unopened  no pages  PDFs  described  not held\n"
       "  Embo          2      2         1         1     3          1         2\n"
       "  none          1      1         0         0     1          0         1\n"
       "\n"
       "pages that could not be opened:\n"
       "  Embo/v1/bad.htm\n"
       "\n"
       "issue folders without contents pages:\n"
       "  Embo/v2/\n"
       "\n"
       "PDFs whose entry no page held:\n"
       "  Embo/v1/zz.pdf\n"
       "  Embo/v2/b.pdf\n"
       "  Misc/x/q9.pdf\n"},
      {"folders that cannot be listed are counted and named",
       [](FakeDisk& d) {
         d.AddFolder("Embo/v1");
         d.FailList("Embo/v1/", Status::FromErrno(13));
         d.FailList("Misc/", Status::FromErrno(13));
         d.AddFolder("Misc");
       },
       "pdfindex report\n"
       "  issue folders                         1\n"
       "  contents pages                        0\n"
       "  pages that could not be opened        0\n"
       "  issue folders without contents pages  1\n"
       "  PDFs                                  0\n"
       "  PDFs described                        0\n"
       "  PDFs whose entry no page held         0\n"
       "  folders that could not be listed      2\n"
       "\n"
       "per publisher format:\n"
       "  format  folders  pages  unopened  no pages  PDFs  described  not held\n"
       "  Embo          1      0         0         1     0          0         0\n"
       "\n"
       "issue folders without contents pages:\n"
       "  Embo/v1/\n"
       "\n"
       "folders that could not be listed:\n"
       "  Misc/\n"
       "  Embo/v1/\n"},
      {"a dozen PDFs widen the count column; odd names stay on their line",
       [](FakeDisk& d) {
         for (int i = 10; i < 22; ++i) d.AddFile("ScienceDirect/v/" + std::to_string(i) + ".pdf");
         d.AddFile("ScienceDirect/v/new\nline\\.pdf");
       },
       "pdfindex report\n"
       "  issue folders                          1\n"
       "  contents pages                         0\n"
       "  pages that could not be opened         0\n"
       "  issue folders without contents pages   1\n"
       "  PDFs                                  13\n"
       "  PDFs described                         0\n"
       "  PDFs whose entry no page held         13\n"
       "\n"
       "per publisher format:\n"
       "  format         folders  pages  unopened  no pages  PDFs  described  not held\n"
       "  ScienceDirect        1      0         0         1    13          0        13\n"
       "\n"
       "issue folders without contents pages:\n"
       "  ScienceDirect/v/\n"
       "\n"
       "PDFs whose entry no page held:\n"
       "  ScienceDirect/v/10.pdf\n"
       "  ScienceDirect/v/11.pdf\n"
       "  ScienceDirect/v/12.pdf\n"
       "  ScienceDirect/v/13.pdf\n"
       "  ScienceDirect/v/14.pdf\n"
       "  ScienceDirect/v/15.pdf\n"
       "  ScienceDirect/v/16.pdf\n"
       "  ScienceDirect/v/17.pdf\n"
       "  ScienceDirect/v/18.pdf\n"
       "  ScienceDirect/v/19.pdf\n"
       "  ScienceDirect/v/20.pdf\n"
       "  ScienceDirect/v/21.pdf\n"
       "  ScienceDirect/v/new\\x0aline\\\\.pdf\n"},
      {"PDFs outside issue folders are counted and named", PdfsOutsideIssueFolders,
       "pdfindex report\n"
       "  issue folders                         2\n"
       "  contents pages                        0\n"
       "  pages that could not be opened        0\n"
       "  issue folders without contents pages  2\n"
       "  PDFs                                  2\n"
       "  PDFs described                        0\n"
       "  PDFs whose entry no page held         2\n"
       "  PDFs outside issue folders            4\n"
       "\n"
       "per publisher format:\n"
       "  format  folders  pages  unopened  no pages  PDFs  described  not held\n"
       "  Embo          1      0         0         1     1          0         1\n"
       "  none          1      0         0         1     1          0         1\n"
       "\n"
       "issue folders without contents pages:\n"
       "  Embo/v1/\n"
       "  folder.pdf/v/\n"
       "\n"
       "PDFs whose entry no page held:\n"
       "  Embo/v1/a1.pdf\n"
       "  folder.pdf/v/b.pdf\n"
       "\n"
       "PDFs outside issue folders (not in the index):\n"
       "  .hidden.pdf\n"
       "  A.PDF\n"
       "  z.pdf\n"
       "  Embo/stray.pdf\n"},
  };
  for (const Row& row : rows) {
    FakeDisk disk;
    row.build(disk);
    FakeConsole console;
    RunReport report;
    ASSERT_TRUE(RunCatalogue(disk, console, &report).ok()) << row.what;
    EXPECT_EQ(report.Text(), row.expected) << row.what;
  }
}

TEST(RunReportTest, ShownPathKeepsEachPathOnOneHarmlessLine) {
  struct Row {
    std::string path;
    std::string shown;
  };
  const Row rows[] = {
      {"Embo/Vol 20 No 1/a \"b\" <c> & d#%?.pdf", "Embo/Vol 20 No 1/a \"b\" <c> & d#%?.pdf"},
      {"a\nb\rc\td", "a\\x0ab\\x0dc\\x09d"},
      {"esc\x1b[2J\x7f", "esc\\x1b[2J\\x7f"},
      {"back\\slash", "back\\\\slash"},
      {"caf\xc3\xa9 \xe9\xff", "caf\xc3\xa9 \xe9\xff"},
      {"", ""},
  };
  for (const Row& row : rows) EXPECT_EQ(ShownPath(row.path), row.shown) << row.path;
}

TEST(ArticlePublisherTest, NamesTheKeywordWhoseFinderServesTheFolder) {
  struct Row {
    const char* folder;
    const char* publisher;
  };
  const Row rows[] = {
      {"ScienceDirect/v1/", "ScienceDirect"},
      {"Embo/Springer/", "Embo"},
      {"x/Springer v2/", "Springer"},
      {"AmChemSoc/v/", "AmChemSoc"},
      {"AmMathSoc AmInstPhys/v/", "AmInstPhys"},
      {"AmMathSoc/v/", "AmMathSoc"},
      {"JBCOnline/v/", "JBCOnline"},
      // Elsevier has no finder of its own: the search goes on past it.
      {"Elsevier/v/", "none"},
      {"Elsevier/JBCOnline/", "JBCOnline"},
      {"embo/v/", "none"},
      {"Misc/v/", "none"},
  };
  for (const Row& row : rows) EXPECT_EQ(ArticlePublisher(row.folder), row.publisher) << row.folder;
}

TEST(ProgressLineTest, RedrawsAfterFoldersAndAtMostTenTimesASecondBetween) {
  using std::chrono::milliseconds;
  std::chrono::steady_clock::time_point now{};
  std::vector<std::string> written;
  ProgressLine line([&](std::string_view s) { written.emplace_back(s); }, [&] { return now; });
  struct Step {
    int at_ms;
    void (*event)(ProgressLine&);
    const char* written;  // nullptr: nothing
  };
  const Step steps[] = {
      {0, [](ProgressLine& l) { l.RunStarted(3); }, "\rpdfindex: 0 of 3 issue folders, 0 PDFs"},
      // A shorter text is padded to cover the longer one.
      {100, [](ProgressLine& l) { l.PdfIndexed("a", true); },
       "\rpdfindex: 0 of 3 issue folders, 1 PDF "},
      {150, [](ProgressLine& l) { l.PdfIndexed("b", false); }, nullptr},
      {199, [](ProgressLine& l) { l.PdfIndexed("c", true); }, nullptr},
      {200, [](ProgressLine& l) { l.PdfIndexed("d", true); },
       "\rpdfindex: 0 of 3 issue folders, 4 PDFs"},
      {220, [](ProgressLine& l) { l.FolderFinished("f/"); },
       "\rpdfindex: 1 of 3 issue folders, 4 PDFs"},
      {230, [](ProgressLine& l) { l.FolderFinished("g/"); },
       "\rpdfindex: 2 of 3 issue folders, 4 PDFs"},
      {240, [](ProgressLine& l) { l.Break(); }, "\n"},
      {250, [](ProgressLine& l) { l.Break(); }, nullptr},
      // After a break the line is drawn afresh at once.
      {260, [](ProgressLine& l) { l.PdfIndexed("e", true); },
       "\rpdfindex: 2 of 3 issue folders, 5 PDFs"},
      {270, [](ProgressLine& l) { l.FolderFinished("h/"); },
       "\rpdfindex: 3 of 3 issue folders, 5 PDFs"},
      {280, [](ProgressLine& l) { l.Break(); }, "\n"},
  };
  for (const Step& step : steps) {
    now = std::chrono::steady_clock::time_point{} + milliseconds(step.at_ms);
    written.clear();
    step.event(line);
    if (step.written == nullptr) {
      EXPECT_TRUE(written.empty()) << step.at_ms << ": " << written.front();
    } else {
      EXPECT_EQ(written, std::vector<std::string>{step.written}) << step.at_ms;
    }
  }
}

TEST(LayoutNoticeTest, SaysWhenNoIssueFolderWasFound) {
  const std::string none =
      "pdfindex: no issue folder found, so the index lists no PDFs\n"
      "pdfindex: expected: PUBLISHER/ISSUE/ folders in the archive root, each issue folder "
      "holding its contents pages (*.htm, *.html) and PDFs, e.g. Embo/Vol 20 No 1/mt0101.pdf\n";
  struct Row {
    const char* what;
    void (*build)(FakeDisk&);
    std::string expected;
  };
  const Row rows[] = {
      {"empty folder", [](FakeDisk&) {}, none},
      {"a flat folder of PDFs",
       [](FakeDisk& d) {
         d.AddFile("a.pdf");
         d.AddFile("b.pdf");
         d.AddFile("toc.htm");
       },
       none + "pdfindex: 2 PDFs lie outside issue folders (--report lists them)\n"},
      {"an issue folder given as the archive",
       [](FakeDisk& d) {
         d.AddFile("toc.htm");
         d.AddFile("a.pdf");
         d.AddFolder(".hidden/x");
       },
       none + "pdfindex: 1 PDF lies outside issue folders (--report lists them)\n"},
      {"a publisher folder given as the archive (its issues hold no folder)",
       [](FakeDisk& d) { d.AddFile("Vol 1/a.pdf"); },
       none + "pdfindex: 1 PDF lies outside issue folders (--report lists them)\n"},
      {"an archive with an issue folder, even with PDFs outside it", PdfsOutsideIssueFolders, ""},
      {"an issue folder holding nothing", [](FakeDisk& d) { d.AddFolder("Embo/v1"); }, ""},
  };
  for (const Row& row : rows) {
    FakeDisk disk;
    row.build(disk);
    FakeConsole console;
    LayoutNotice notice;
    ASSERT_TRUE(RunCatalogue(disk, console, &notice).ok()) << row.what;
    EXPECT_EQ(notice.Text(), row.expected) << row.what;
  }
  // A run that fails before it lists the archive says nothing of its layout.
  FakeDisk failing;
  failing.create_error = Status::Code(5);
  FakeConsole console;
  LayoutNotice notice;
  EXPECT_FALSE(RunCatalogue(failing, console, &notice).ok());
  EXPECT_EQ(notice.Text(), "");
}

TEST(ObserverListTest, PassesEveryEventToEachInOrder) {
  Recorder first;
  Recorder second;
  ObserverList list;
  EXPECT_TRUE(list.empty());
  list.Add(&first);
  list.Add(&second);
  FakeDisk disk;
  MixedArchive(disk);
  PdfsOutsideIssueFolders(disk);
  FakeConsole console;
  Recorder direct;
  ASSERT_TRUE(RunCatalogue(disk, console, &direct).ok());
  ASSERT_TRUE(RunCatalogue(disk, console, &list).ok());
  EXPECT_EQ(first.events, direct.events);
  EXPECT_EQ(second.events, direct.events);
}

}  // namespace
}  // namespace pdfindex
