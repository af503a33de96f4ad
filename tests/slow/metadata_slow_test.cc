// The PDF reader on large inputs: a huge PDF and a folder of many, read
// through the worker processes as a run with --metadata reads them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "metadata/pdf/poppler_pdf.h"
#include "metadata/pdf_maker.h"
#include "metadata/pdf_workers.h"

namespace pdfindex {
namespace {

namespace fs = std::filesystem;

class MetadataSlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("pdfindex_slow_" + std::to_string(::getpid()));
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

TEST_F(MetadataSlowTest, ReadsAHugePdfWithoutReadingItAll) {
  PdfSpec spec;
  spec.title = "A Huge Made-Up Article";
  spec.lines = {"doi:10.4321/huge.1"};
  spec.padding = size_t{300} << 20;
  const std::string path = (root_ / "huge.pdf").string();
  std::ofstream(path, std::ios::binary) << MakePdf(spec);
  WorkerLimits limits;
  limits.memory_bytes = size_t{256} << 20;  // far below the file's size
  PdfWorkers workers(ReadPdfFacts, limits);
  const PdfFacts facts = workers.ReadAll({path})[0];
  EXPECT_EQ(facts.outcome, PdfOutcome::kRead);
  EXPECT_EQ(facts.title, "A Huge Made-Up Article");
  EXPECT_EQ(facts.text_doi, "10.4321/huge.1");
}

TEST_F(MetadataSlowTest, ReadsManyPdfsInParallel) {
  std::vector<std::string> paths;
  for (int i = 0; i < 400; ++i) {
    PdfSpec spec;
    spec.title = "Made-Up Article Number " + std::to_string(i);
    spec.lines = {"doi:10.4321/many." + std::to_string(i)};
    paths.push_back((root_ / ("a" + std::to_string(i) + ".pdf")).string());
    std::ofstream(paths.back(), std::ios::binary) << MakePdf(spec);
  }
  WorkerLimits limits;
  limits.workers = 3;
  PdfWorkers workers(ReadPdfFacts, limits);
  const std::vector<PdfFacts> facts = workers.ReadAll(paths);
  for (int i = 0; i < 400; ++i) {
    EXPECT_EQ(facts[i].title, "Made-Up Article Number " + std::to_string(i));
    EXPECT_EQ(facts[i].text_doi, "10.4321/many." + std::to_string(i));
  }
  EXPECT_EQ(workers.started(), 3);
}

}  // namespace
}  // namespace pdfindex
