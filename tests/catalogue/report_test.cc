#include "catalogue/report.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "catalogue/dispatch.h"
#include "fake_disk.h"

namespace pdfindex {
namespace {

// An Embo page that holds the entry of the PDF with base name a1.
std::string EmboPage() {
  return "<HTML><HEAD><TITLE>T</TITLE></HEAD>\r\n"
         "<DL><DT><A HREF=\"/cgi/reprint/20/1/a1\">\r\n"
         " Heading of a1</A><DD>\r\n"
         "<STRONG>Ann Author</STRONG><BR>\r\n"
         "J. Mol. Things 20: 1-10.<NOBR> <A "
         "HREF=\"/cgi/content/abstract/20/1/a1\">[Abstract]</A>\r\n"
         "</DL></HTML>\r\n";
}

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

// Every event a run reports, one line each.
class Recorder : public RunObserver {
 public:
  void RunStarted(size_t n) override { events.push_back("run " + std::to_string(n)); }
  void FolderStarted(const std::string& f, std::string_view p) override {
    events.push_back("folder " + f + " " + std::string(p));
  }
  void PageLoaded(const std::string& path, bool opened) override {
    events.push_back((opened ? "page " : "unopenable ") + path);
  }
  void PdfIndexed(const std::string& path, bool described) override {
    events.push_back((described ? "described " : "not held ") + path);
  }
  void FolderFinished(const std::string& f) override { events.push_back("done " + f); }

  std::vector<std::string> events;
};

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

TEST(ObserverListTest, PassesEveryEventToEachInOrder) {
  Recorder first;
  Recorder second;
  ObserverList list;
  EXPECT_TRUE(list.empty());
  list.Add(&first);
  list.Add(&second);
  FakeDisk disk;
  MixedArchive(disk);
  FakeConsole console;
  Recorder direct;
  ASSERT_TRUE(RunCatalogue(disk, console, &direct).ok());
  ASSERT_TRUE(RunCatalogue(disk, console, &list).ok());
  EXPECT_EQ(first.events, direct.events);
  EXPECT_EQ(second.events, direct.events);
}

}  // namespace
}  // namespace pdfindex
