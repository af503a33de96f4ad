#include "metadata/pdf_workers.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "metadata/pdf_maker.h"
#if PDFINDEX_HAVE_POPPLER
#include "metadata/pdf/poppler_pdf.h"
#endif

namespace pdfindex {
namespace {

namespace fs = std::filesystem;

// A parser that misbehaves on purpose, by path: "crash" aborts, "hang"
// sleeps past any limit, "hog" takes address space beyond the memory limit
// (without touching it, so that it meets the limit at once however busy
// the machine), "throw" throws; anything else is read as a title.
PdfFacts MisbehavingParser(const std::string& path) {
  if (path == "crash") std::abort();
  if (path == "hang") std::this_thread::sleep_for(std::chrono::seconds(600));
  if (path == "hog") {
    std::vector<std::string> blocks(64);
    for (std::string& block : blocks) {
      block.reserve(size_t{64} << 20);
      *static_cast<volatile char*>(block.data()) = 'x';  // kept, and touched once
    }
  }
  if (path == "throw") throw std::runtime_error("bad");
  if (path.starts_with("spin:")) {
    // Leaves its process id in the file named after "spin:", then spins.
    std::ofstream(path.substr(5)) << ::getpid() << "\n";
    std::atomic<unsigned long> spins{0};
    for (;;) spins.fetch_add(1, std::memory_order_relaxed);
  }
  PdfFacts facts;
  facts.title = "title of " + path;
  return facts;
}

TEST(PdfWorkersTest, IsolatesMisbehavingPdfs) {
  WorkerLimits limits;
  limits.workers = 2;
  // Long enough for any PDF but the one that hangs on a busy machine.
  limits.milliseconds_per_pdf = 5000;
  limits.memory_bytes = size_t{512} << 20;
  PdfWorkers workers(MisbehavingParser, limits);
  const std::vector<std::string> paths = {"a", "crash", "b", "hang", "c", "throw", "d"};
  const std::vector<PdfFacts> facts = workers.ReadAll(paths);
  const PdfOutcome expected[] = {PdfOutcome::kRead,     PdfOutcome::kCrashed, PdfOutcome::kRead,
                                 PdfOutcome::kTimedOut, PdfOutcome::kRead,    PdfOutcome::kDamaged,
                                 PdfOutcome::kRead};
  ASSERT_EQ(facts.size(), paths.size());
  for (size_t i = 0; i < paths.size(); ++i) {
    EXPECT_EQ(facts[i].outcome, expected[i]) << paths[i];
    if (expected[i] == PdfOutcome::kRead) {
      EXPECT_EQ(facts[i].title, "title of " + paths[i]);
    }
  }
  // A new worker took over after the crash; the live ones serve the next
  // folder without another start.
  const int started = workers.started();
  EXPECT_GE(started, 3);
  EXPECT_EQ(workers.ReadAll({"e"})[0].title, "title of e");
  EXPECT_EQ(workers.started(), started);
}

TEST(PdfWorkersTest, MemoryLimitStopsAHog) {
  if (!MemoryLimitApplies()) GTEST_SKIP() << "no address-space limit beside the sanitizers";
  WorkerLimits limits;
  limits.memory_bytes = size_t{512} << 20;
  limits.milliseconds_per_pdf = 600000;  // stopped by its memory, never by time
  PdfWorkers workers(MisbehavingParser, limits);
  const std::vector<PdfFacts> facts = workers.ReadAll({"hog", "a"});
  EXPECT_EQ(facts[0].outcome, PdfOutcome::kOutOfMemory);
  EXPECT_EQ(facts[1].title, "title of a");
}

// Workers start from the helper made with the set, not from the caller as
// it is later: a caller that has since grown past the memory limit still
// gets its PDFs read.
TEST(PdfWorkersTest, WorkersStartSmallWhateverTheCallerHolds) {
  if (!MemoryLimitApplies()) GTEST_SKIP() << "no address-space limit beside the sanitizers";
  WorkerLimits limits;
  limits.memory_bytes = size_t{512} << 20;
  PdfWorkers workers(MisbehavingParser, limits);
  // 700 MB of address space, as a large page held in memory would take.
  const size_t held = size_t{700} << 20;
  void* page = ::mmap(nullptr, held, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(page, MAP_FAILED);
  EXPECT_EQ(workers.ReadAll({"a"})[0].title, "title of a");
  ::munmap(page, held);
}

// A worker reaching its processor-time limit ends as timed out, long before
// its wall-time limit.
TEST(PdfWorkersTest, CpuLimitEndsASpinningWorker) {
  WorkerLimits limits;
  limits.milliseconds_per_pdf = 600000;
  limits.cpu_seconds_per_pdf = 1;
  PdfWorkers workers(MisbehavingParser, limits);
  const std::string pid_file = testing::TempDir() + "/cpu-" + std::to_string(::getpid());
  const std::vector<PdfFacts> facts = workers.ReadAll({"spin:" + pid_file, "a"});
  EXPECT_EQ(facts[0].outcome, PdfOutcome::kTimedOut);
  EXPECT_EQ(facts[1].title, "title of a");
  std::remove(pid_file.c_str());
}

bool Alive(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  const size_t paren = line.rfind(')');
  return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] != 'Z';
}

// A worker ends with the process that started the set, even while it
// spins inside a PDF and whatever ends that process.
TEST(PdfWorkersTest, WorkersEndWithTheirParent) {
  for (const int signal : {SIGKILL, SIGTERM}) {
    const std::string pid_file =
        testing::TempDir() + "/orphan-" + std::to_string(::getpid()) + "-" + std::to_string(signal);
    std::remove(pid_file.c_str());
    const pid_t run = ::fork();
    ASSERT_GE(run, 0);
    if (run == 0) {
      WorkerLimits limits;
      limits.milliseconds_per_pdf = 600000;
      limits.cpu_seconds_per_pdf = 600;
      PdfWorkers workers(MisbehavingParser, limits);
      workers.ReadAll({"spin:" + pid_file});
      ::_exit(0);
    }
    pid_t worker = -1;
    for (int i = 0; i < 3000 && worker <= 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      std::ifstream(pid_file) >> worker;
    }
    ASSERT_GT(worker, 0);
    ::kill(run, signal);
    ::waitpid(run, nullptr, 0);
    // A generous bound: the worker ends within milliseconds.
    for (int i = 0; i < 1000 && Alive(worker); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(Alive(worker)) << "signal " << signal;
    ::kill(worker, SIGKILL);
    std::remove(pid_file.c_str());
  }
}

// When poll fails, the PDFs not read fail as the worker's failure, not as read and empty, and no busy
// worker's late reply reaches the next call's results.
TEST(PdfWorkersTest, FailingPollLeavesNothingStale) {
  WorkerLimits limits;
  limits.workers = 2;
  PdfWorkers workers(MisbehavingParser, limits);
  ASSERT_EQ(workers.ReadAll({"x", "y"})[1].title, "title of y");
  workers.set_poll([](pollfd*, nfds_t, int) {
    errno = EINVAL;
    return -1;
  });
  for (const PdfFacts& facts : workers.ReadAll({"a", "b", "c"})) {
    EXPECT_EQ(facts.outcome, PdfOutcome::kCrashed);
  }
  workers.set_poll(::poll);
  const std::vector<PdfFacts> facts = workers.ReadAll({"d", "e"});
  EXPECT_EQ(facts[0].title, "title of d");
  EXPECT_EQ(facts[1].title, "title of e");
}

#if PDFINDEX_HAVE_POPPLER
class PdfReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("pdfindex_pdf_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path path = root_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  fs::path root_;
};

TEST_F(PdfReaderTest, ReadsMadeUpPdfs) {
  PdfSpec full;
  full.title = "A Made Up Title";
  full.author = "Ann Able; Bo Baker";
  full.subject = "Made Up J 12 (2003) 1-9, doi:10.2222/subj.7";
  full.producer = "MakerTool 1.0";
  full.xmp = MakeXmp("Xmp Title", {"X One", "Y Two"}, "10.5555/xmp.1", "Xmp J");
  full.lines = {"Made Up Journal 12 (2003) 1-9", "https://doi.org/10.1234/text.55."};
  PdfSpec encrypted = full;
  encrypted.encrypted = true;
  const std::string good = MakePdf(full);

  struct Row {
    const char* name;
    std::string bytes;
    PdfOutcome outcome;
  };
  const Row rows[] = {
      {"full", good, PdfOutcome::kRead},
      {"encrypted", MakePdf(encrypted), PdfOutcome::kEncrypted},
      {"truncated", good.substr(0, good.size() / 3), PdfOutcome::kDamaged},
      {"empty", "", PdfOutcome::kEmpty},
      {"text", "Just some notes, not a PDF.\n", PdfOutcome::kNotPdf},
  };
  std::vector<std::string> paths;
  for (const Row& row : rows) paths.push_back(Write(std::string(row.name) + ".pdf", row.bytes));
  paths.push_back((root_ / "missing.pdf").string());
  PdfWorkers workers(ReadPdfFacts, WorkerLimits{});
  const std::vector<PdfFacts> facts = workers.ReadAll(paths);
  for (size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(facts[i].outcome, rows[i].outcome) << rows[i].name;
  EXPECT_EQ(facts.back().outcome, PdfOutcome::kMissing);

  const PdfFacts& f = facts[0];
  EXPECT_EQ(f.title, "A Made Up Title");
  EXPECT_EQ(f.author, "Ann Able; Bo Baker");
  EXPECT_EQ(f.producer, "MakerTool 1.0");
  EXPECT_EQ(f.info_doi, "10.2222/subj.7");
  EXPECT_EQ(f.xmp.title, "Xmp Title");
  EXPECT_EQ(f.xmp.authors, (std::vector<std::string>{"X One", "Y Two"}));
  EXPECT_EQ(f.xmp.doi, "10.5555/xmp.1");
  EXPECT_EQ(f.xmp.container, "Xmp J");
  EXPECT_EQ(f.text_doi, "10.1234/text.55");
  // A truncated file with a readable first part still names no fields.
  EXPECT_EQ(facts[2].title, "");
}

TEST_F(PdfReaderTest, FindsADoiInTheFootersOfLaterPages) {
  // The DOI the footers from the third page on label, on the most pages,
  // of a page that cites its journal; none where two are labelled as
  // often (a list of references), nor without a journal.
  const std::vector<std::string> article = {"doi: 10.1111/art.1", "Page"};
  const std::vector<std::string> reference = {"[3] A. Smith, doi:10.9999/ref.3"};
  struct Row {
    const char* name;
    std::vector<std::vector<std::string>> footers;
    std::string doi;
  };
  const Row rows[] = {
      {"second page", {article}, "10.1111/art.1"},
      {"from the third", {{"Page 2"}, article, article}, "10.1111/art.1"},
      {"article over reference", {{"x"}, reference, article, article}, "10.1111/art.1"},
      {"two alike", {{"x"}, reference, {"doi:10.8888/other.2"}}, ""},
      {"no journal", {{"Page 2"}, article, article}, ""},
  };
  std::vector<std::string> paths;
  for (const Row& row : rows) {
    PdfSpec spec;
    spec.lines = {"Made Up J 12 (2003) 1-9", "A Made Up Title Without Its DOI",
                  "Ann Able and Bo Baker", "The text of the article begins here and goes on",
                  "for a while, so that the page is no blank one."};
    if (std::string_view(row.name) == "no journal") spec.lines.erase(spec.lines.begin());
    spec.footers = row.footers;
    paths.push_back(Write(std::string(row.name) + ".pdf", MakePdf(spec)));
  }
  PdfWorkers workers(ReadPdfFacts, WorkerLimits{});
  const std::vector<PdfFacts> facts = workers.ReadAll(paths);
  for (size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(facts[i].text_doi, rows[i].doi) << rows[i].name;
}
#endif

}  // namespace
}  // namespace pdfindex
