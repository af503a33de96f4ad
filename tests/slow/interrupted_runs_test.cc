// A --metadata run killed again and again keeps what it read: ten runs over
// 10,000 PDFs, each ended by a signal at a random moment, then one run to
// the end, read each PDF at most twice in all and give the JSON of a run
// never interrupted. The program runs with a counting stand-in for its PDF
// reader module (copied beside a copy of the program), which logs each read.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

size_t Count(const std::string& text, const std::string& piece) {
  size_t n = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

class InterruptedRunsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() / ("pdfindex_interrupted_" + std::to_string(::getpid()));
    fs::remove_all(work_);
    fs::create_directories(work_ / "bin");
    fs::copy_file(PDFINDEX_BINARY, work_ / "bin/pdfindex");
    fs::copy_file(PDFINDEX_COUNTING_MODULE, work_ / "bin/pdfindex-pdf.so");
    root_ = work_ / "archive";
    for (int folder = 0; folder < 100; ++folder) {
      const fs::path dir = root_ / "P" / ("I" + std::to_string(1000 + folder));
      fs::create_directories(dir);
      for (int i = 0; i < 100; ++i) {
        const std::string name = "a" + std::to_string(1000 + i);
        std::ofstream(dir / (name + ".pdf"))
            << "%PDF-1.4\nMade Up Article " << folder << " Number " << i << "\n";
      }
    }
  }
  void TearDown() override { fs::remove_all(work_); }

  pid_t Start(const fs::path& json) const {
    const pid_t pid = ::fork();
    if (pid == 0) {
      const std::string program = (work_ / "bin/pdfindex").string();
      const std::string out = json.string();
      const std::string root = root_.string();
      ::freopen("/dev/null", "w", stdout);
      ::freopen("/dev/null", "w", stderr);
      ::execl(program.c_str(), "pdfindex", "--metadata", "-j", "2", "--json", out.c_str(),
              root.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return pid;
  }
  int Wait(pid_t pid) const {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
  }
  // How many PDFs the cache file holds (each entry names one path).
  size_t CachedPdfs() const { return Count(Slurp(root_ / ".pdfindex-cache"), ".pdf"); }

  fs::path work_, root_;
};

TEST_F(InterruptedRunsTest, SlowKilledRunsKeepWhatTheyRead) {
  const fs::path log = work_ / "bin/reads.log";
  ASSERT_EQ(Wait(Start(work_ / "whole.json")), 0);
  const std::string whole = Slurp(work_ / "whole.json");
  ASSERT_EQ(Count(whole, "Made Up Article"), 10000u);
  fs::remove(root_ / ".pdfindex-cache");
  fs::remove(log);

  std::mt19937 random(26);
  const int signals[] = {SIGKILL, SIGTERM, SIGINT};
  int interrupted = 0;
  for (int run = 0; run < 10; ++run) {
    // Each run is killed once its checkpoints hold every PDF read before it
    // began (it reads those the last run lost first), at a random moment
    // up to 300 ms after that.
    std::set<std::string> read_before;
    {
      std::ifstream in(log);
      for (std::string line; std::getline(in, line);) read_before.insert(line);
    }
    const pid_t pid = Start(work_ / "cut.json");
    bool ended = false;
    bool saved = false;
    // A generous bound: a run saves within seconds.
    for (int i = 0; i < 3000 && !ended && !saved; ++i) {
      saved = CachedPdfs() > read_before.size();
      if (saved) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      ended = ::waitpid(pid, nullptr, WNOHANG) == pid;
    }
    if (ended) break;
    if (!saved) {
      ::kill(pid, SIGKILL);
      Wait(pid);
      FAIL() << "run " << run << " saved nothing of its reading in 30 s";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 300));
    ended = ::waitpid(pid, nullptr, WNOHANG) == pid;
    if (!ended) {
      ::kill(pid, signals[run % 3]);
      Wait(pid);
      ++interrupted;
    }
  }
  ASSERT_EQ(Wait(Start(work_ / "last.json")), 0);
  EXPECT_EQ(Slurp(work_ / "last.json"), whole);
  EXPECT_GE(interrupted, 5);

  std::map<std::string, int> reads;
  std::ifstream in(log);
  for (std::string line; std::getline(in, line);) ++reads[line];
  EXPECT_EQ(reads.size(), 10000u);
  int twice = 0;
  for (const auto& [path, count] : reads) {
    EXPECT_LE(count, 2) << path;
    twice += count == 2;
  }
  std::cout << interrupted << " runs interrupted; " << twice << " PDFs read twice\n";
}

}  // namespace
