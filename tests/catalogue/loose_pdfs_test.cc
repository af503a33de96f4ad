// PDFs outside issue folders taken by the outputs (--all-pdfs), and likely
// duplicates named in the report and marked in the records.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fake_disk.h"
#include "metadata/enrich.h"
#include "outputs/export.h"
#include "run/duplicates.h"
#include "run/report.h"
#include "test_util.h"

namespace pdfindex {
namespace {

std::string EmboPage() {
  return "<HTML><HEAD><TITLE>T</TITLE></HEAD>\r\n"
         "<DL><DT><A HREF=\"/cgi/reprint/20/1/a1\">\r\n Heading of a1</A><DD>\r\n"
         "<STRONG>Ann Author</STRONG><BR>\r\nJ. Mol. Things 20: 1-10.<NOBR>\r\n</DL></HTML>\r\n";
}

// A saved article page whose tags describe the PDF of its own base name.
std::string TaggedPage(const std::string& title, const std::string& doi) {
  return "<html><head><meta name=\"citation_title\" content=\"" + title +
         "\">\n<meta name=\"citation_doi\" content=\"" + doi + "\"></head></html>\n";
}

// PDFs in the root, directly in publisher folders (one a folder per year),
// and below an issue folder, beside two issue folders.
void ScatteredArchive(FakeDisk& d) {
  d.AddFile("z.pdf");
  d.AddFile("A.PDF");
  d.AddFile(".hidden.pdf");
  d.AddFile("notes.htm");
  d.AddFile("2001/x.pdf");
  d.AddFile("Embo/stray.pdf");
  d.AddFile("Embo/v1/toc.htm", EmboPage());
  d.AddFile("Embo/v1/a1.pdf");
  d.AddFile("Embo/v1/supp/s1.pdf");
  d.AddFile("Embo/v1/supp/deep/d.pdf");
  d.AddFile("Embo/v1/empty/readme.txt");
  d.AddFile("Embo/v1/.cache/h.pdf");
  d.AddFile("Misc/x/q9.pdf");
}

// Hands the records on, and gives each PDF the size of its bytes on `disk`.
class SizedPdfs : public PdfSource {
 public:
  explicit SizedPdfs(FakeDisk& disk) : disk_(disk) {}
  bool Stamp(const std::string& path, PdfStamp* stamp) override {
    if (!disk_.Exists(path)) return false;
    *stamp = {disk_.Contents(path).size(), 1};
    return true;
  }
  std::vector<PdfFacts> Read(const std::vector<std::string>& paths) override {
    return std::vector<PdfFacts>(paths.size());
  }

 private:
  FakeDisk& disk_;
};

struct RunResult {
  std::vector<IssueRecord> records;
  std::string index;
  std::vector<std::string> events;
  RunReport report;
};

// Runs over `disk` with a recording output; `metadata` adds the metadata
// step (the PDFs sized from the disk) and the duplicates across folders.
void RunOver(FakeDisk& disk, bool all_pdfs, bool metadata, int jobs, RunResult* run) {
  FakeConsole console;
  RecordingObserver recorder;
  ObserverList observers;
  observers.Add(&recorder);
  observers.Add(&run->report);
  const OutputRequest keep{
      "records", [run](ByteSink& out) { return std::make_unique<RecordingSink>(out, &run->records); }};
  SizedPdfs sizes(disk);
  MetadataStep step(&sizes, nullptr);
  DuplicateFinder duplicates(step, disk);
  ASSERT_TRUE(RunCatalogue(disk, console, &observers, {keep}, metadata ? &duplicates : nullptr,
                           jobs, IndexTarget(), nullptr, all_pdfs)
                  .ok());
  run->index = disk.Contents("HtmlData.htm");
  run->events = recorder.events;
}

// One line per record: its folder, "loose" or not, and its PDFs.
std::vector<std::string> Shape(const std::vector<IssueRecord>& records) {
  std::vector<std::string> lines;
  for (const IssueRecord& r : records) {
    std::string line = "[" + r.Folder() + "]" + (r.loose ? " loose" : "");
    for (const PdfRecord& pdf : r.pdfs) line += " " + pdf.file;
    lines.push_back(line);
  }
  return lines;
}

TEST(AllPdfsTest, GivesEachFolderOfLoosePdfsARecordInWalkOrderAndLeavesTheIndexAlone) {
  FakeDisk disk;
  ScatteredArchive(disk);
  RunResult without;
  RunOver(disk, false, false, 1, &without);
  EXPECT_EQ(Shape(without.records),
            (std::vector<std::string>{"[Embo/v1/] a1.pdf", "[Misc/x/] q9.pdf"}));
  const std::vector<std::string> expected = {
      "[] loose .hidden.pdf A.PDF z.pdf",
      "[2001/] loose x.pdf",
      "[Embo/] loose stray.pdf",
      "[Embo/v1/] a1.pdf",
      "[Embo/v1/supp/] loose s1.pdf",
      "[Embo/v1/supp/deep/] loose d.pdf",
      "[Misc/x/] q9.pdf",
  };
  for (const bool metadata : {false, true}) {
    for (const int jobs : {1, 3}) {
      SCOPED_TRACE("metadata " + std::to_string(metadata) + ", jobs " + std::to_string(jobs));
      RunResult with;
      RunOver(disk, true, metadata, jobs, &with);
      EXPECT_EQ(Shape(with.records), expected);
      // The index, and what the observer is told, are as without.
      EXPECT_EQ(with.index, without.index);
      EXPECT_EQ(with.events, without.events);
      for (const IssueRecord& r : with.records) {
        if (!r.loose) continue;
        EXPECT_TRUE(r.pages.empty());
        for (const PdfRecord& pdf : r.pdfs) EXPECT_FALSE(pdf.article.found) << pdf.file;
      }
    }
  }
}

TEST(AllPdfsTest, LoosePdfsAreDescribedByTheSavedPagesBesideThem) {
  FakeDisk disk;
  disk.AddFile("Flat/paper.pdf");
  disk.AddFile("Flat/paper.htm", TaggedPage("A Flat Paper", "10.5/flat"));
  disk.AddFile("Flat/other.pdf");
  RunResult run;
  RunOver(disk, true, true, 1, &run);
  ASSERT_EQ(Shape(run.records), (std::vector<std::string>{"[Flat/] loose other.pdf paper.pdf"}));
  const PdfRecord& paper = run.records[0].pdfs[1];
  EXPECT_EQ(paper.article.fields.title, "A Flat Paper");
  EXPECT_EQ(paper.sources.at(Field::kTitle), FieldSource::kMetaTags);
  EXPECT_TRUE(run.records[0].pdfs[0].article.fields.empty());
}

TEST(DuplicatesTest, AreNamedInTheReportAndMarkedInTheRecords) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;
    bool all_pdfs;
    bool metadata;
    std::vector<std::string> report;
  };
  const std::vector<Case> cases = {
      {"names that differ only in case",
       {{"Embo/v1/MT0113.PDF", "a"}, {"Embo/v1/mt0113.pdf", "b"}, {"Embo/v1/mt0114.pdf", ""}},
       false,
       false,
       {"Embo/v1/mt0113.pdf: left out, its name differs only in case from Embo/v1/MT0113.PDF, "
        "which the index took"}},
      {"a browser's copies beside their original, not a name that only looks like one",
       {{"Embo/v1/mt0101.pdf", ""},
        {"Embo/v1/mt0101 (1).pdf", ""},
        {"Embo/v1/MT0101(2).pdf", ""},
        {"Embo/v1/alert(1).pdf", ""},
        {"Embo/v2/mt0102 (1).pdf", ""}},
       false,
       false,
       {"Embo/v1/mt0101 (1).pdf: a browser's copy of Embo/v1/mt0101.pdf",
        "Embo/v1/MT0101(2).pdf: a browser's copy of Embo/v1/mt0101.pdf"}},
      {"the same content across folders, not another of the same size",
       {{"A/v/x.pdf", "%PDF-same"},
        {"B/v/y.pdf", "%PDF-same"},
        {"B/v/z.pdf", "%PDF-diff"},
        {"C/v/e1.pdf", ""},
        {"C/v/e2.pdf", ""}},
       false,
       true,
       {"B/v/y.pdf: same content as A/v/x.pdf"}},
      {"the same content is not compared without --metadata",
       {{"A/v/x.pdf", "%PDF-same"}, {"B/v/y.pdf", "%PDF-same"}},
       false,
       false,
       {}},
      {"the same DOI, without case",
       {{"A/v/p1.pdf", "1"},
        {"A/v/p1.htm", TaggedPage("One", "10.1234/XY")},
        {"B/v/p2.pdf", "22"},
        {"B/v/p2.htm", TaggedPage("Two", "10.1234/xy")}},
       false,
       true,
       {"B/v/p2.pdf: same DOI as A/v/p1.pdf"}},
      {"among loose PDFs",
       {{"x.pdf", "%PDF-1"}, {"x (1).pdf", "%PDF-1"}, {"Pub/old/x.pdf", "%PDF-1"}},
       true,
       true,
       {"x (1).pdf: a browser's copy of x.pdf", "Pub/old/x.pdf: same content as x.pdf"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDisk disk;
    for (const auto& [path, bytes] : c.files) disk.AddFile(path, bytes);
    RunResult run;
    RunOver(disk, c.all_pdfs, c.metadata, 1, &run);
    EXPECT_EQ(run.report.duplicates(), c.report);
    // Each PDF the report names (but the ones left out) is marked with
    // the path of the one it duplicates.
    size_t marked = 0;
    for (const IssueRecord& r : run.records) {
      for (const PdfRecord& pdf : r.pdfs) {
        if (pdf.duplicate_of.empty()) continue;
        ++marked;
        EXPECT_NE(
            std::find(c.report.begin(), c.report.end(),
                      DuplicateLine(r.Folder() + pdf.file, pdf.duplicate_of, pdf.duplicate_why)),
            c.report.end())
            << pdf.file;
      }
    }
    const size_t left_out =
        c.report.empty() || c.report[0].find("left out") == std::string::npos ? 0 : 1;
    EXPECT_EQ(marked + left_out, c.report.size());
    if (!c.report.empty()) {
      EXPECT_NE(run.report.Text().find("\nlikely duplicates (nothing was moved or deleted):\n  " +
                                       c.report[0] + "\n"),
                std::string::npos)
          << run.report.Text();
    }
  }
}

TEST(DuplicatesTest, TheJsonMarksDuplicatesAndLooseFolders) {
  FakeDisk disk;
  disk.AddFile("x.pdf");
  disk.AddFile("Embo/v1/mt0101.pdf");
  disk.AddFile("Embo/v1/mt0101 (1).pdf");
  FakeConsole console;
  const OutputRequest json{"out.json", [](ByteSink& out) { return MakeJsonSink(out, {}); }};
  for (const bool all_pdfs : {false, true}) {
    ASSERT_TRUE(
        RunCatalogue(disk, console, nullptr, {json}, nullptr, 1, IndexTarget(), nullptr, all_pdfs)
            .ok());
    const std::string out = disk.Contents("out.json");
    EXPECT_NE(out.find(", \"duplicate_of\": \"Embo/v1/mt0101.pdf\"}"), std::string::npos) << out;
    EXPECT_EQ(out.find("\"duplicate_of\""), out.rfind("\"duplicate_of\""));
    EXPECT_EQ(out.find("\"publisher\": \"\", \"issue\": \"\", \"folder\": \"\", \"format\": null, "
                       "\"loose\": true") != std::string::npos,
              all_pdfs)
        << out;
  }
}

}  // namespace
}  // namespace pdfindex
