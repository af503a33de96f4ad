// Runs with several threads give what a run with one gives: the same
// outputs, the same events in the same order, the same console, the same
// failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "run/pipeline.h"
#include "run/run.h"
#include "outputs/export.h"
#include "fake_disk.h"
#include "metadata/cache.h"
#include "metadata/enrich.h"
#include "test_util.h"

namespace pdfindex {
namespace {

// Everything a run shows: its status, its outputs, what its observer and
// console were told.
struct Seen {
  std::string status;
  std::string index;
  std::string json;
  std::vector<std::string> events;
  std::string console;
  int lines_read = 0;
};

struct Row {
  const char* what;
  std::function<void(FakeDisk&)> arrange;
  bool json;
  bool metadata;
};

// PDFs whose first page prints a DOI made of their path; their stamps come
// from the path alone, so the source can be asked from several threads.
class PathPdfSource : public PdfSource {
 public:
  bool Stamp(const std::string& path, PdfStamp* stamp) override {
    *stamp = {path.size(), 1};
    return path.find("gone") == std::string::npos;
  }
  std::vector<PdfFacts> Read(const std::vector<std::string>& paths) override {
    std::vector<PdfFacts> facts(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) facts[i].text_doi = "10.1234/" + paths[i];
    return facts;
  }
};

Seen RunWith(const Row& row, int jobs) {
  FakeDisk disk;
  disk.AddRealFiles((std::filesystem::path(PDFINDEX_EXAMPLES) / "archive").string(), "");
  row.arrange(disk);
  FakeConsole console;
  RecordingObserver observer;
  std::vector<OutputRequest> outputs;
  if (row.json) {
    outputs.push_back({"catalogue.json", [](ByteSink& out) {
                         return MakeJsonSink(out, ExportContext{});
                       }});
  }
  // With metadata, PDFs are read through a cache: a first run fills it, the
  // run seen takes from it what it holds.
  PathPdfSource pdfs;
  MetadataCache cache;
  if (row.metadata) {
    MetadataStep first(&pdfs, &cache);
    FakeConsole quiet;
    RunCatalogue(disk, quiet, nullptr, {}, &first, jobs);
    disk.AddFile("Embo/new/toc.htm", "<HTML>");
    disk.AddFile("Embo/new/fresh.pdf");
    disk.AddFile("Embo/new/gone.pdf");
  }
  MetadataStep step(&pdfs, &cache);
  const Status status =
      RunCatalogue(disk, console, &observer, outputs, row.metadata ? &step : nullptr, jobs);
  return {StatusMessage(status) + " " + status.path, disk.Contents("HtmlData.htm"),
          disk.Contents("catalogue.json"),           observer.events,
          console.output + MetadataReportText(step), console.lines_read};
}

TEST(ThreadsTest, EveryThreadCountGivesWhatOneThreadGives) {
  const auto none = [](FakeDisk&) {};
  const Row rows[] = {
      {"the example archive", none, false, false},
      {"with a JSON export", none, true, false},
      {"with the metadata step", none, true, true},
      {"a ScienceDirect page that cannot be opened",
       [](FakeDisk& d) {
         d.AddUnopenable("ScienceDirect/S1/b.htm");
         d.AddFile("ScienceDirect/S1/a.pdf");
         d.AddUnopenable("ScienceDirect/S2/c.htm");
       },
       true, false},
      {"a folder that cannot be listed",
       [](FakeDisk& d) {
         d.AddFile("Embo/v9/x.pdf");
         d.FailList("Embo/v9/", Status::FromErrno(13));
       },
       false, false},
      {"a page that fails mid-run",
       [](FakeDisk& d) {
         d.AddFile("Embo/v5/toc.htm", "<HTML>");
         d.FailRead("Embo/v5/toc.htm", Status::FromErrno(5));
       },
       false, false},
      {"memory running out mid-run",
       [](FakeDisk& d) {
         d.AddFile("Embo/v5/toc.htm", "<HTML>");
         d.ExhaustMemoryOn("Embo/v5/toc.htm");
       },
       true, false},
      {"many small folders",
       [](FakeDisk& d) {
         for (int n = 0; n < 40; ++n) {
           const std::string folder = "Springer/v" + std::to_string(n) + "/";
           d.AddFile(folder + "toc.htm", "<TITLE>Vol " + std::to_string(n) + "</TITLE>");
           d.AddFile(folder + "a" + std::to_string(n) + ".pdf");
         }
       },
       true, false},
  };
  for (const Row& row : rows) {
    const Seen one = RunWith(row, 1);
    for (const int jobs : {2, 3, 8}) {
      const Seen many = RunWith(row, jobs);
      EXPECT_EQ(many.status, one.status) << row.what << ", " << jobs << " threads";
      EXPECT_EQ(many.index, one.index) << row.what << ", " << jobs << " threads";
      EXPECT_EQ(many.json, one.json) << row.what << ", " << jobs << " threads";
      EXPECT_EQ(many.events, one.events) << row.what << ", " << jobs << " threads";
      EXPECT_EQ(many.console, one.console) << row.what << ", " << jobs << " threads";
      EXPECT_EQ(many.lines_read, one.lines_read) << row.what << ", " << jobs << " threads";
    }
  }
}

// A folder whose part of the index outgrows what a thread holds back (a
// description as long as its page) is written straight to the index in its
// turn, between the folders before and after it.
TEST(ThreadsTest, SlowAFolderTooBigToHoldIsWrittenInItsTurn) {
  const auto arrange = [](FakeDisk& d) {
    d.AddFile("Misc/v2/toc.htm", "a <strong>" + std::string(9 << 20, 'x'));
    d.AddFile("Misc/v2/a.pdf");
    for (const char* folder : {"Misc/v1/", "Misc/v3/"}) {
      d.AddFile(std::string(folder) + "toc.htm", "<strong>b</strong>");
      d.AddFile(std::string(folder) + "b.pdf");
    }
  };
  const Row row{"a huge description", arrange, false, false};
  const Seen one = RunWith(row, 1);
  ASSERT_GT(one.index.size(), size_t{9} << 20);
  for (const int jobs : {2, 4}) {
    const Seen many = RunWith(row, jobs);
    EXPECT_EQ(many.status, one.status);
    EXPECT_TRUE(many.index == one.index) << jobs << " threads";
    EXPECT_EQ(many.events, one.events);
  }
}

// Folders' bytes come out in walk order whichever folder writes first: a
// later folder's are held until its turn, and once its turn has come and
// what it held is out, the rest goes straight through.
TEST(ThreadsTest, FolderBytesComeOutInWalkOrder) {
  struct Step {
    size_t folder;
    const char* bytes;  // nullptr: the folder closes
  };
  struct Row {
    const char* name;
    std::vector<Step> steps;
    std::string out;
  };
  const Row rows[] = {
      {"in turn", {{0, "a"}, {0, nullptr}, {1, "b"}, {1, nullptr}}, "ab"},
      {"a later folder closed first", {{1, "b"}, {1, nullptr}, {0, "a"}, {0, nullptr}}, "ab"},
      {"a later folder's turn comes while it writes",
       {{1, "b1"}, {0, "a"}, {2, "c"}, {0, nullptr}, {1, "b2"}, {2, nullptr}, {1, "b3"},
        {1, nullptr}},
       "ab1b2b3c"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StringSink sink;
    OrderedBytes ordered(sink);
    std::vector<std::unique_ptr<FolderBytes>> folders;
    for (size_t k = 0; k < 3; ++k) folders.push_back(std::make_unique<FolderBytes>(ordered, k));
    for (const Step& step : row.steps) {
      FolderBytes& bytes = *folders[step.folder];
      EXPECT_TRUE((step.bytes != nullptr ? bytes.Write(step.bytes) : bytes.Close()).ok());
    }
    EXPECT_EQ(sink.bytes(), row.out);
  }
  // A write that fails at its turn fails the folder's close too.
  StringSink failing;
  failing.writes_before_failure = 0;
  OrderedBytes ordered(failing);
  FolderBytes first(ordered, 0);
  EXPECT_FALSE(first.Write("a").ok());
  EXPECT_FALSE(first.Close().ok());
}

}  // namespace
}  // namespace pdfindex
