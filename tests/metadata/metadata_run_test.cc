// --metadata in a whole run: the records the outputs get, the index page
// unchanged, and the cache that spares the second run every PDF.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "run/run.h"
#include "fake_disk.h"
#include "metadata/enrich.h"
#include "metadata/pdf_maker.h"
#include "test_util.h"

namespace pdfindex {
namespace {

namespace fs = std::filesystem;

class CountingPdfSource : public PdfSource {
 public:
  bool Stamp(const std::string& path, PdfStamp* stamp) override {
    *stamp = {path.size(), 1};
    return true;
  }
  std::vector<PdfFacts> Read(const std::vector<std::string>& paths) override {
    std::vector<PdfFacts> out;
    for (const std::string& p : paths) {
      read.push_back(p);
      PdfFacts f;
      f.text_doi = "10.1234/" + p.substr(p.rfind('/') + 1);
      out.push_back(f);
    }
    return out;
  }
  std::vector<std::string> read;
};

void AddArchive(FakeDisk& disk) {
  disk.AddFile("Embo/v1/toc.htm",
               "<HTML><HEAD><TITLE>T</TITLE></HEAD>\r\n"
               "<DL><DT><A HREF=\"/cgi/reprint/20/1/a1\">\r\n Heading of a1</A><DD>\r\n"
               "<STRONG>Ann Author</STRONG><BR>\r\nJ. Mol. Things 20: 1-10.<NOBR>\r\n"
               "</DL></HTML>\r\n");
  disk.AddFile("Embo/v1/a1.pdf");
  disk.AddFile("Embo/v1/zz.pdf");
  disk.AddFile("Embo/v1/zz.htm",
               "<meta name=\"citation_title\" content=\"Zed\">"
               "<meta name=\"citation_doi\" content=\"10.9999/zz.tag\">");
}

// One run over `disk`: the records the outputs saw, and the PDFs read.
std::vector<IssueRecord> RunOver(FakeDisk& disk, CountingPdfSource* source, bool metadata) {
  std::vector<IssueRecord> issues;
  FakeConsole console;
  const OutputRequest keep{"records",
                           [&](ByteSink& out) { return std::make_unique<RecordingSink>(out, &issues); }};
  MetadataCache cache;
  cache.Load(disk);
  MetadataStep step(source, &cache);
  EXPECT_TRUE(RunCatalogue(disk, console, nullptr, {keep}, metadata ? &step : nullptr).ok());
  EXPECT_TRUE(cache.Save(disk).ok());
  return issues;
}

TEST(MetadataRunTest, EnrichesRecordsAndLeavesTheIndexAlone) {
  FakeDisk disk;
  AddArchive(disk);
  CountingPdfSource source;
  const std::vector<IssueRecord> plain = RunOver(disk, &source, false);
  const std::string index = disk.Contents("HtmlData.htm");
  EXPECT_TRUE(source.read.empty());
  EXPECT_FALSE(disk.Exists(std::string(kCacheName)));
  for (const auto& [path, count] : disk.reads()) EXPECT_FALSE(path.ends_with(".pdf")) << path;

  const std::vector<IssueRecord> rich = RunOver(disk, &source, true);
  EXPECT_EQ(disk.Contents("HtmlData.htm"), index);
  EXPECT_EQ(source.read, (std::vector<std::string>{"Embo/v1/a1.pdf", "Embo/v1/zz.pdf"}));
  ASSERT_EQ(rich.size(), 1u);
  ASSERT_EQ(rich[0].pdfs.size(), 2u);
  const PdfRecord& a1 = rich[0].pdfs[0];
  EXPECT_EQ(a1.article.classic, plain[0].pdfs[0].article.classic);
  EXPECT_EQ(a1.article.fields.doi, "10.1234/a1.pdf");
  EXPECT_EQ(a1.sources.at(Field::kDoi), FieldSource::kFirstPageText);
  const PdfRecord& zz = rich[0].pdfs[1];
  EXPECT_EQ(zz.article.fields.title, "Zed");
  EXPECT_EQ(zz.article.fields.doi, "10.9999/zz.tag");
  EXPECT_EQ(zz.sources.at(Field::kDoi), FieldSource::kMetaTags);

  // The second run over the unchanged archive takes everything from the
  // cache and gives the same records.
  source.read.clear();
  const std::vector<IssueRecord> again = RunOver(disk, &source, true);
  EXPECT_TRUE(source.read.empty());
  EXPECT_EQ(again[0].pdfs[0].article.fields.doi, a1.article.fields.doi);
  EXPECT_EQ(again[0].pdfs[1].sources, zz.sources);
}

#if PDFINDEX_HAVE_POPPLER
// The program on a real archive of made-up PDFs, traced: which PDFs it
// opens, with and without --metadata, and what --report says of them.
class MetadataProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access("/usr/bin/strace", X_OK) != 0) GTEST_SKIP() << "strace is not installed";
    root_ = fs::temp_directory_path() / ("pdfindex_meta_" + std::to_string(::getpid()));
    fs::create_directories(root_ / "Pub" / "v1");
    PdfSpec spec;
    spec.title = "A Made-Up Article";
    Write("Pub/v1/good.pdf", MakePdf(spec));
    Write("Pub/v1/notes.pdf", "plain text, no PDF\n");
    spec.encrypted = true;
    Write("Pub/v1/locked.pdf", MakePdf(spec));
  }
  void TearDown() override { fs::remove_all(root_); }
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(root_ / name, std::ios::binary) << bytes;
  }
  // Runs pdfindex with `args` in the archive under strace; returns the PDFs
  // it opened (one per line, sorted, each once) and puts standard error in
  // *err.
  std::string OpenedPdfs(const std::string& args, std::string* err) {
    const fs::path trace = root_.string() + ".trace";
    const fs::path errors = root_.string() + ".err";
    const std::string command =
        // A sanitizer build's leak check cannot run under a tracer.
        "cd '" + root_.string() + "' && ASAN_OPTIONS=detect_leaks=0 strace -f -qq -e " +
        "trace=open,openat -o '" + trace.string() + "' " + PDFINDEX_BINARY + " " + args + " 2>'" +
        errors.string() + "' </dev/null >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::set<std::string> opened;
    std::ifstream in(trace);
    for (std::string line; std::getline(in, line);) {
      const size_t at = line.find(".pdf\"");
      if (at == std::string::npos || line.find("ENOENT") != std::string::npos) continue;
      const size_t start = line.rfind('"', at);
      opened.insert(line.substr(start + 1, at + 4 - start - 1));
    }
    std::ifstream e(errors);
    std::stringstream text;
    text << e.rdbuf();
    *err = text.str();
    fs::remove(trace);
    fs::remove(errors);
    std::string list;
    for (const std::string& path : opened) list += path + "\n";
    return list;
  }
  fs::path root_;
};

TEST_F(MetadataProgramTest, OpensPdfsOnlyWithMetadataAndOnlyOnce) {
  std::string err;
  EXPECT_EQ(OpenedPdfs("--report", &err), "");
  const std::string first = OpenedPdfs("--metadata --report -j 2", &err);
  for (const char* name : {"good.pdf", "notes.pdf", "locked.pdf"}) {
    EXPECT_NE(first.find(std::string("Pub/v1/") + name), std::string::npos) << first;
  }
  EXPECT_NE(err.find("PDFs opened for their metadata: 3\n"), std::string::npos) << err;
  EXPECT_NE(err.find("\nPDFs whose own metadata could not be read:\n"
                     "  Pub/v1/locked.pdf (encrypted)\n  Pub/v1/notes.pdf (not a PDF)\n"),
            std::string::npos)
      << err;
  EXPECT_EQ(OpenedPdfs("--metadata --report", &err), "");
  EXPECT_NE(err.find("PDFs opened for their metadata: 0\n"), std::string::npos) << err;
  // A changed PDF is read again, and only it.
  Write("Pub/v1/good.pdf", MakePdf(PdfSpec{}) + "\n");
  EXPECT_EQ(OpenedPdfs("--metadata", &err), "Pub/v1/good.pdf\n");
}

// The PDF reader and its libraries are loaded only by a run that reads
// PDFs (not by one that finds them all in the cache); a program without its module still runs,
// reading only page tags.
TEST_F(MetadataProgramTest, LoadsThePdfReaderOnlyToReadPdfs) {
  const auto loads = [this](const std::string& program, const std::string& args) {
    const fs::path trace = root_.string() + ".libs";
    const std::string command =
        "cd '" + root_.string() +
        "' && ASAN_OPTIONS=detect_leaks=0 strace -f -qq -e trace=openat -o '" + trace.string() +
        "' " + program + " " + args + " 2>/dev/null </dev/null >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    // Whether a library of the parser was opened.
    bool loaded = false;
    std::ifstream in(trace);
    for (std::string line; std::getline(in, line);) {
      loaded = loaded || (line.find("libpoppler") != std::string::npos &&
                          line.find("ENOENT") == std::string::npos);
    }
    fs::remove(trace);
    return loaded;
  };
  EXPECT_FALSE(loads(PDFINDEX_BINARY, "--report"));
  EXPECT_TRUE(loads(PDFINDEX_BINARY, "--metadata"));
  // Every PDF is in the cache now: nothing to read, nothing loaded.
  EXPECT_FALSE(loads(PDFINDEX_BINARY, "--metadata"));
  // Alone, away from its module: it reads no PDF, and leaves the cache of
  // what they gave as it was.
  const std::string cache = Slurp(root_ / ".pdfindex-cache");
  EXPECT_NE(cache.find("good.pdf"), std::string::npos);
  const fs::path alone = root_.string() + ".bin";
  fs::create_directories(alone);
  fs::copy_file(PDFINDEX_BINARY, alone / "pdfindex");
  const std::string command = "cd '" + root_.string() + "' && '" + (alone / "pdfindex").string() +
                              "' --metadata 2>'" + (alone / "err").string() + "' >/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::ifstream in(alone / "err");
  std::string line;
  std::getline(in, line);
  EXPECT_NE(line.find("--metadata reads only the saved pages' tags"), std::string::npos) << line;
  EXPECT_EQ(Slurp(root_ / ".pdfindex-cache"), cache);
  fs::remove_all(alone);
}
#endif

}  // namespace
}  // namespace pdfindex
