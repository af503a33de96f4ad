// The pdfindex program as users run it: the example archive's index byte for
// byte, and the command line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"

// A program built with AddressSanitizer needs far more address space than a
// memory limit leaves it.
#if defined(__SANITIZE_ADDRESS__)
#define PDFINDEX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PDFINDEX_ASAN 1
#endif
#endif

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

struct Result {
  int status;
  std::string out;
  std::string err;
};

// Runs the shell command `command` in folder `cwd`. The output files are
// named after the process, as test processes run side by side.
Result RunCommand(const fs::path& cwd, const std::string& command) {
  const std::string pid = std::to_string(::getpid());
  const fs::path out = fs::temp_directory_path() / ("pdfindex_test_out_" + pid);
  const fs::path err = fs::temp_directory_path() / ("pdfindex_test_err_" + pid);
  const std::string line = "cd '" + cwd.string() + "' && " + command + " </dev/null >'" +
                           out.string() + "' 2>'" + err.string() + "'";
  const int raw = std::system(line.c_str());
  Result result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
  fs::remove(out);
  fs::remove(err);
  return result;
}

// Runs pdfindex with `args` (already quoted for the shell) in folder `cwd`.
Result RunPdfindex(const fs::path& cwd, const std::string& args) {
  return RunCommand(cwd, "'" + std::string(PDFINDEX_BINARY) + "' " + args);
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("pdfindex_test_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path root_;
};

TEST_F(ProgramTest, IndexesTheExampleArchiveByteForByte) {
  const fs::path archive = root_ / "archive";
  fs::copy(fs::path(PDFINDEX_EXAMPLES) / "archive", archive, fs::copy_options::recursive);
  fs::remove(archive / "HtmlData.htm");
  const Result run = RunPdfindex(archive, "");
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(Slurp(archive / "HtmlData.htm"),
            Slurp(fs::path(PDFINDEX_EXAMPLES) / "expected" / "HtmlData.htm"));
  // Started elsewhere with the archive named, it writes the same page there.
  fs::remove(archive / "HtmlData.htm");
  const Result named = RunPdfindex(root_, "archive");
  EXPECT_EQ(named.status, 0) << named.out << named.err;
  EXPECT_EQ(Slurp(archive / "HtmlData.htm"),
            Slurp(fs::path(PDFINDEX_EXAMPLES) / "expected" / "HtmlData.htm"));
}

TEST_F(ProgramTest, CommandLine) {
  fs::create_directories(root_ / "dir");
  std::ofstream(root_ / "file") << "x";
  struct Row {
    const char* args;
    int status;
    const char* out_holds;
    bool err_empty;
  };
  const Row rows[] = {
      {"--help", 0, "usage: pdfindex", true},
      {"--version", 0, "pdfindex ", true},
      {"--bogus", 2, "", false},
      {"file", 2, "", false},
      {"missing", 2, "", false},
      {"dir dir", 2, "", false},
      {"dir", 0, "", true},
      {"-- dir", 0, "", true},
  };
  for (const Row& row : rows) {
    const Result r = RunPdfindex(root_, row.args);
    EXPECT_EQ(r.status, row.status) << row.args;
    EXPECT_NE(r.out.find(row.out_holds), std::string::npos) << row.args;
    EXPECT_EQ(r.err.empty(), row.err_empty) << row.args << ": " << r.err;
    if (!row.err_empty) {
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
      EXPECT_FALSE(fs::exists(root_ / "HtmlData.htm")) << row.args;
    }
  }
  EXPECT_TRUE(fs::exists(root_ / "dir" / "HtmlData.htm"));
}

TEST_F(ProgramTest, AFailedRunReportsOnStdoutAndKeepsTheEarlierIndex) {
  // A limit on the size of files written (a block; the report still fits)
  // makes writing the index fail.
  std::ofstream(root_ / "HtmlData.htm") << "earlier";
  fs::create_directories(root_ / "Embo" / "v1");
  for (int i = 0; i < 100; ++i) std::ofstream(root_ / "Embo" / "v1" / (std::to_string(i) + ".pdf"));
  const Result r = RunCommand(root_, "ulimit -f 1 && '" + std::string(PDFINDEX_BINARY) + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind("Exception EInOutError in module pdfindex at ", 0), 0u) << r.out;
  EXPECT_TRUE(r.out.ends_with(".\r\n")) << r.out;
  EXPECT_EQ(r.err, "pdfindex: cannot write 'HtmlData.htm': File too large\n");
  EXPECT_EQ(Slurp(root_ / "HtmlData.htm"), "earlier");
}

// What the root of a run holds besides its folders: the names of its files.
std::vector<std::string> RootFiles(const fs::path& root) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(root)) {
    if (!e.is_directory()) names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(ProgramTest, RunsAtTheSameTimeEachWriteOneWholeIndexSlow) {
  const fs::path archive = root_ / "archive";
  fs::copy(fs::path(PDFINDEX_EXAMPLES) / "archive", archive, fs::copy_options::recursive);
  // Enough PDFs that two runs overlap for a while.
  fs::create_directories(archive / "Embo" / "many");
  for (int i = 0; i < 2000; ++i) {
    std::ofstream(archive / "Embo" / "many" / ("p" + std::to_string(i) + ".pdf"));
  }
  ASSERT_EQ(RunPdfindex(archive, "").status, 0);
  const std::string index = Slurp(archive / "HtmlData.htm");
  for (int round = 0; round < 10; ++round) {
    pdfindex::ProgramRun second;
    pdfindex::ProgramOptions options;
    options.while_running = [&](pid_t) { second = pdfindex::RunProgram(archive); };
    const pdfindex::ProgramRun first = pdfindex::RunProgram(archive, options);
    EXPECT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_EQ(second.status, 0) << second.out << second.err;
    ASSERT_EQ(Slurp(archive / "HtmlData.htm"), index) << "round " << round;
    EXPECT_EQ(RootFiles(archive), std::vector<std::string>{"HtmlData.htm"});
  }
}

// An archive whose run stops midway: the ScienceDirect page cannot be
// opened, so the run says "eroare" and waits for a line of input.
void ArchiveThatWaits(const fs::path& root) {
  fs::create_directories(root / "Embo" / "v1");
  std::ofstream(root / "Embo" / "v1" / "a.pdf");
  fs::create_directories(root / "ScienceDirect" / "v2");
  fs::create_symlink(root / "nowhere", root / "ScienceDirect" / "v2" / "toc.htm");
  std::ofstream(root / "HtmlData.htm") << "earlier";
}

TEST_F(ProgramTest, ASignalEndsTheRunAndLeavesNothingOfIt) {
  ArchiveThatWaits(root_);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    int input[2];
    int output[2];
    ASSERT_EQ(::pipe(input), 0);
    ASSERT_EQ(::pipe(output), 0);
    pdfindex::ProgramOptions options;
    options.in = input[0];
    options.out = output[1];
    options.while_running = [&](pid_t pid) {
      ::close(input[0]);
      ::close(output[1]);
      std::string said;
      char c = 0;
      while (said.find("eroare") == std::string::npos && ::read(output[0], &c, 1) == 1) said += c;
      ::kill(pid, signal_number);
    };
    const pdfindex::ProgramRun run = pdfindex::RunProgram(root_, options);
    ::close(input[1]);
    ::close(output[0]);
    EXPECT_EQ(run.status, 128 + signal_number) << run.err;
    EXPECT_EQ(Slurp(root_ / "HtmlData.htm"), "earlier");
    EXPECT_EQ(RootFiles(root_), std::vector<std::string>{"HtmlData.htm"});
  }
}

TEST_F(ProgramTest, AConsoleLineNoOneReadsIsDroppedAndTheRunGoesOn) {
  ArchiveThatWaits(root_);
  int output[2];
  ASSERT_EQ(::pipe(output), 0);
  ::close(output[0]);  // the reader of standard output is gone
  pdfindex::ProgramOptions options;
  options.out = output[1];
  const pdfindex::ProgramRun run = pdfindex::RunProgram(root_, options);
  ::close(output[1]);
  EXPECT_EQ(run.status, 0) << run.signal;
  EXPECT_NE(Slurp(root_ / "HtmlData.htm").find("Embo/v1/a.pdf"), std::string::npos);
}

TEST_F(ProgramTest, WhatCouldNotBeDoneIsNamedOnStandardError) {
  const bool root = ::geteuid() == 0;
  struct Row {
    const char* what;
    void (*make)(const fs::path& archive);
    std::vector<std::string> args;
    long long memory_limit;
    int status;
    const char* err;
  };
  std::vector<Row> rows = {
      {"an issue folder and a publisher folder cannot be listed",
       [](const fs::path& a) {
         fs::create_directories(a / "P" / "I");
         fs::create_directories(a / "Q" / "J");
         fs::permissions(a / "P" / "I", fs::perms::none);
         fs::permissions(a / "Q", fs::perms::none);
       },
       {"--report", "archive"},
       -1,
       0,
       "pdfindex: cannot list 'archive/Q/': Permission denied\n"
       "pdfindex: cannot list 'archive/P/I/': Permission denied\n"},
      {"the archive folder cannot be written",
       [](const fs::path& a) {
         fs::permissions(a, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                fs::perms::others_exec);
       },
       {"archive/"},
       -1,
       1,
       "pdfindex: cannot write 'archive/HtmlData.htm': Permission denied\n"},
  };
#if !defined(PDFINDEX_ASAN)
  // A page that does not fit in the memory the run may take.
  rows.push_back({"memory runs out",
                  [](const fs::path& a) {
                    fs::create_directories(a / "Embo" / "v1");
                    std::ofstream(a / "Embo" / "v1" / "big.htm");
                    fs::resize_file(a / "Embo" / "v1" / "big.htm", 600u << 20);
                  },
                  {},
                  300ll << 20,
                  1,
                  "pdfindex: cannot index 'Embo/v1/': Cannot allocate memory\n"});
#endif
  for (const Row& row : rows) {
    const fs::path archive = root_ / "archive";
    fs::create_directories(archive);
    // The permission rows need a user whom permissions bind: not root.
    fs::permissions(root_, fs::perms::all);
    fs::permissions(archive, fs::perms::all);
    row.make(archive);
    pdfindex::ProgramOptions options;
    options.args = row.args;
    options.memory_limit = row.memory_limit;
    options.as_nobody = root;
    const pdfindex::ProgramRun run =
        pdfindex::RunProgram(row.args.empty() ? archive : root_, options);
    EXPECT_EQ(run.status, row.status) << row.what << ": " << run.out;
    EXPECT_TRUE(run.err.starts_with(row.err)) << row.what << ": " << run.err;
    if (row.args.size() > 1) {  // --report: the count and the paths
      EXPECT_NE(run.err.find("\n  folders that could not be listed      2\n"), std::string::npos)
          << run.err;
      EXPECT_TRUE(run.err.ends_with("folders that could not be listed:\n  Q/\n  P/I/\n"))
          << run.err;
    }
    EXPECT_EQ(run.status == 1, run.out.starts_with("Exception EInOutError")) << row.what;
    fs::permissions(archive, fs::perms::all);
    for (const auto& e : fs::recursive_directory_iterator(archive)) {
      if (e.is_directory()) fs::permissions(e.path(), fs::perms::all);
    }
    fs::remove_all(archive);
  }
}

TEST_F(ProgramTest, ReportSummarisesOnStderrAndLeavesTheIndexAsItIs) {
  const fs::path archive = root_ / "archive";
  fs::copy(fs::path(PDFINDEX_EXAMPLES) / "archive", archive, fs::copy_options::recursive);
  fs::remove(archive / "HtmlData.htm");
  const Result plain = RunPdfindex(archive, "");
  ASSERT_EQ(plain.status, 0) << plain.out << plain.err;
  const std::string index = Slurp(archive / "HtmlData.htm");
  fs::remove(archive / "HtmlData.htm");

  const Result reported = RunPdfindex(archive, "--report");
  EXPECT_EQ(reported.status, 0) << reported.out << reported.err;
  EXPECT_EQ(reported.out, "");
  EXPECT_EQ(Slurp(archive / "HtmlData.htm"), index);
  EXPECT_EQ(reported.err.rfind("pdfindex report\n", 0), 0u) << reported.err;
  EXPECT_NE(reported.err.find("\nper publisher format:\n"), std::string::npos) << reported.err;
  // The example's Embo issue holds one PDF that its contents page does not list.
  EXPECT_NE(reported.err.find("\nPDFs whose entry no page held:\n"), std::string::npos);
  EXPECT_NE(reported.err.find("\n  Embo/Vol 20 No 1/mt0199.pdf\n"), std::string::npos)
      << reported.err;
  EXPECT_EQ(reported.err.find("mt0101.pdf"), std::string::npos) << reported.err;
}

TEST_F(ProgramTest, ProgressDrawsOnlyOnATerminal) {
  fs::create_directories(root_ / "Embo" / "v1");
  fs::create_directories(root_ / "Embo" / "v2");
  std::ofstream(root_ / "Embo" / "v1" / "a.pdf") << "%PDF-1.4\n";
  std::ofstream(root_ / "Embo" / "v2" / "b.pdf") << "%PDF-1.4\n";
  std::ofstream(root_ / "Embo" / "v2" / "c.pdf") << "%PDF-1.4\n";
  // A ScienceDirect page that cannot be opened: its reader writes a line to
  // standard output, which must not run into the progress line.
  fs::create_directories(root_ / "ScienceDirect" / "v3");
  fs::create_symlink(root_ / "nowhere", root_ / "ScienceDirect" / "v3" / "toc.htm");
  const Result piped = RunPdfindex(root_, "--progress");
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, "eroare\r\n");
  EXPECT_EQ(piped.err, "");
  const std::string index = Slurp(root_ / "HtmlData.htm");

  // script(1) gives the program a terminal; it is in util-linux, but skip
  // rather than fail where it is missing.
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
  fs::remove(root_ / "HtmlData.htm");
  const Result tty = RunCommand(
      root_,
      "timeout 60 script -qec \"'" + std::string(PDFINDEX_BINARY) + "' --progress\" /dev/null");
  EXPECT_EQ(tty.status, 0) << tty.out;
  // The terminal turns each line feed into a carriage return and line feed.
  EXPECT_EQ(tty.out.rfind("\rpdfindex: 0 of 3 issue folders, 0 PDFs\r", 0), 0u) << tty.out;
  EXPECT_NE(tty.out.find("\rpdfindex: 2 of 3 issue folders, 3 PDFs\r\neroare\r"),
            std::string::npos)
      << tty.out;
  EXPECT_TRUE(tty.out.ends_with("\rpdfindex: 3 of 3 issue folders, 3 PDFs\r\n")) << tty.out;
  EXPECT_EQ(Slurp(root_ / "HtmlData.htm"), index);
}

}  // namespace
