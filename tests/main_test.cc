// The pdfindex program as users run it: the example archive's index byte for
// byte, and the command line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "test_util.h"

// A program built with AddressSanitizer or ThreadSanitizer needs far more
// address space than a memory limit leaves it.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PDFINDEX_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define PDFINDEX_SANITIZED 1
#endif
#endif

namespace {

namespace fs = std::filesystem;

using pdfindex::Slurp;

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
  fs::create_directories(root_ / "dir" / "Embo" / "v1");
  std::ofstream(root_ / "file") << "x";
  struct Row {
    const char* args;
    int status;
    const char* out_holds;
    bool err_empty;
  };
  const Row rows[] = {
      {"--help", 0, "usage: pdfindex", true},
      {"-h", 0, "usage: pdfindex", true},
      {"--version", 0, "pdfindex ", true},
      {"-V", 0, "pdfindex ", true},
      {"--report --version", 0, "pdfindex ", true},
      {"--version dir", 2, "", false},
      {"--help --version", 2, "", false},
      {"-h x", 2, "", false},
      {"-- --help", 2, "", false},
      {"--bogus", 2, "", false},
      {"-q", 2, "", false},
      {"file", 2, "", false},
      {"missing", 2, "", false},
      {"dir dir", 2, "", false},
      {"--html", 2, "", false},
      {"--html missing/page.html dir", 2, "", false},
      {"dir", 0, "", true},
      {"-- dir", 0, "", true},
      {"--quiet dir", 0, "", true},
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

TEST_F(ProgramTest, WritesTheSearchablePageBesideAnUnchangedIndex) {
  const fs::path archive = root_ / "archive";
  fs::copy(fs::path(PDFINDEX_EXAMPLES) / "archive", archive, fs::copy_options::recursive);
  fs::remove(archive / "HtmlData.htm");
  fs::create_directories(root_ / "out");
  // FILE is taken from where pdfindex started, and its links lead from there.
  const Result run = RunPdfindex(root_ / "out", "--html page.html ../archive");
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(Slurp(archive / "HtmlData.htm"),
            Slurp(fs::path(PDFINDEX_EXAMPLES) / "expected" / "HtmlData.htm"));
  const std::string page = Slurp(root_ / "out" / "page.html");
  EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
  const std::string data = pdfindex::PageDataText(page, "catalogue");
  EXPECT_EQ(data.rfind("../archive/\x1e", 0), 0u);
  EXPECT_NE(data.find("#Embo\x1fVol 20 No 1\x1f"
                      "Embo\x1f"
                      "Embo/Vol%2020%20No%201/"),
            std::string::npos);
  // "-" writes it to standard output, its links leading from the start folder.
  const Result to_stdout = RunPdfindex(root_, "--html - archive");
  EXPECT_EQ(to_stdout.status, 0) << to_stdout.err;
  EXPECT_EQ(pdfindex::PageDataText(to_stdout.out, "catalogue").rfind("archive/\x1e", 0), 0u);
}

TEST_F(ProgramTest, TheIndexGoesElsewhereOrNowhereAndAReadOnlyArchiveIsExported) {
  const fs::path archive = root_ / "archive";
  fs::copy(fs::path(PDFINDEX_EXAMPLES) / "archive", archive, fs::copy_options::recursive);
  fs::remove(archive / "HtmlData.htm");
  fs::create_directories(root_ / "out");
  // Elsewhere, every link leads from the index's folder to its PDF.
  std::string moved = Slurp(fs::path(PDFINDEX_EXAMPLES) / "expected" / "HtmlData.htm");
  for (size_t at = moved.find("<A HREF=\""); at != std::string::npos;
       at = moved.find("<A HREF=\"", at + 1)) {
    moved.insert(at + 9, "../archive/");
  }
  // The archive cannot be written: only the outputs elsewhere are.
  fs::permissions(archive, fs::perms::owner_write | fs::perms::group_write |
                               fs::perms::others_write, fs::perm_options::remove);
  fs::permissions(root_, fs::perms::all);
  fs::permissions(root_ / "out", fs::perms::all);
  pdfindex::ProgramOptions options;
  options.as_nobody = ::geteuid() == 0;
  options.args = {"--index=out/index.htm", "--json", "out/c.json", "archive"};
  const pdfindex::ProgramRun run = pdfindex::RunProgram(root_, options);
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(Slurp(root_ / "out" / "index.htm"), moved);
  EXPECT_NE(Slurp(root_ / "out" / "c.json").find("mt0101.pdf\""), std::string::npos);
  EXPECT_FALSE(fs::exists(archive / "HtmlData.htm"));
  options.args = {"--no-index", "--ris", "-", "archive"};
  const pdfindex::ProgramRun none = pdfindex::RunProgram(root_, options);
  EXPECT_EQ(none.status, 0) << none.err;
  EXPECT_NE(none.out.find("TY  - "), std::string::npos);
  EXPECT_FALSE(fs::exists(archive / "HtmlData.htm"));
  fs::permissions(archive, fs::perms::owner_all);
  // On standard output its links lead from the start folder; in the root
  // itself it is the classic index.
  const Result to_stdout = RunPdfindex(root_, "--index - archive");
  EXPECT_EQ(to_stdout.status, 0) << to_stdout.err;
  EXPECT_NE(to_stdout.out.find("<A HREF=\"archive/Embo/Vol 20 No 1/mt0101.pdf\">"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(archive / "HtmlData.htm"));
  const Result in_root = RunPdfindex(archive, "--index ./HtmlData.htm");
  EXPECT_EQ(in_root.status, 0) << in_root.err;
  EXPECT_EQ(Slurp(archive / "HtmlData.htm"),
            Slurp(fs::path(PDFINDEX_EXAMPLES) / "expected" / "HtmlData.htm"));
  // A file that cannot be made is named as given.
  const Result missing = RunPdfindex(root_, "--bibtex /nonexist/x.bib archive");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "pdfindex: cannot write '/nonexist/x.bib': No such file or directory\n");
}

TEST_F(ProgramTest, HelpAndVersionFailWhenTheirOutputCannotBeWritten) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  for (const char* option : {"--help", "-h", "--version", "-V"}) {
    const Result r = RunCommand(
        root_, "sh -c \"'" + std::string(PDFINDEX_BINARY) + "' " + option + " >/dev/full\"");
    EXPECT_EQ(r.status, 1) << option;
    EXPECT_EQ(r.err, "pdfindex: cannot write the " +
                         std::string(option[1] == 'V' || option[2] == 'v' ? "version" : "help") +
                         ": No space left on device\n")
        << option;
  }
}

TEST_F(ProgramTest, AnArchiveWithoutIssueFoldersIsIndexedAndNoticed) {
  fs::create_directories(root_ / "empty");
  fs::create_directories(root_ / "flat");
  std::ofstream(root_ / "flat" / "a.pdf") << "%PDF-1.4\n";
  std::ofstream(root_ / "flat" / "b.pdf") << "%PDF-1.4\n";
  const Result empty = RunPdfindex(root_, "empty");
  EXPECT_EQ(empty.status, 0) << empty.err;
  EXPECT_EQ(empty.err.rfind("pdfindex: no issue folder found", 0), 0u) << empty.err;
  const std::string empty_index = Slurp(root_ / "empty" / "HtmlData.htm");
  EXPECT_FALSE(empty_index.empty());

  const Result flat = RunPdfindex(root_, "flat");
  EXPECT_EQ(flat.status, 0) << flat.err;
  EXPECT_EQ(flat.out, "");
  EXPECT_EQ(flat.err.rfind(empty.err, 0), 0u) << flat.err;
  EXPECT_TRUE(
      flat.err.ends_with("\npdfindex: 2 PDFs lie outside issue folders (--report lists them)\n"))
      << flat.err;
  EXPECT_EQ(Slurp(root_ / "flat" / "HtmlData.htm"), empty_index);

  // --quiet drops the notice but not the report asked for.
  const Result quiet = RunPdfindex(root_, "--quiet --report flat");
  EXPECT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(quiet.err.rfind("pdfindex report\n", 0), 0u) << quiet.err;
  EXPECT_TRUE(
      quiet.err.ends_with("\nPDFs outside issue folders (not in the index):\n  a.pdf\n  b.pdf\n"))
      << quiet.err;
  EXPECT_EQ(Slurp(root_ / "flat" / "HtmlData.htm"), empty_index);
}

// The option names in `text`: words that begin with "-" or "--" and a letter
// after a blank, a comma, a bracket or the start of a line.
std::set<std::string> OptionNames(const std::string& text) {
  std::set<std::string> names;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '-' ||
        (i > 0 && std::string_view(" \n,[(").find(text[i - 1]) == std::string_view::npos)) {
      continue;
    }
    size_t end = i + (text.compare(i, 2, "--") == 0 ? 2 : 1);
    if (end >= text.size() || !std::isalpha(static_cast<unsigned char>(text[end]))) continue;
    while (end < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '-')) {
      ++end;
    }
    names.insert(text.substr(i, end - i));
    i = end;
  }
  return names;
}

TEST(OptionsTest, EveryOptionIsInTheHelpAndTheManPage) {
  // The options the program accepts: the string literals of its flags and
  // output table that are an option name and nothing else.
  const std::string source = Slurp(fs::path(PDFINDEX_SOURCE) / "src" / "cli" / "flags.cc") +
                             Slurp(fs::path(PDFINDEX_SOURCE) / "src" / "outputs" / "table.cc");
  std::set<std::string> accepted;
  for (size_t at = source.find("\"-"); at != std::string::npos; at = source.find("\"-", at + 1)) {
    const size_t end = source.find('"', at + 1);
    const std::string literal = source.substr(at + 1, end - at - 1);
    if (OptionNames(literal) == std::set<std::string>{literal}) accepted.insert(literal);
  }
  EXPECT_TRUE(accepted.count("--help") && accepted.count("--version") && accepted.count("--quiet") &&
              accepted.count("--html") && accepted.count("--no-index"));

  const Result help = RunPdfindex(fs::temp_directory_path(), "--help");
  ASSERT_EQ(help.status, 0);
  const std::set<std::string> in_help = OptionNames(help.out);
  std::string man = Slurp(fs::path(PDFINDEX_SOURCE) / "doc" / "pdfindex.1");
  for (size_t at = man.find("\\-"); at != std::string::npos; at = man.find("\\-", at)) {
    man.replace(at, 2, "-");
  }
  const std::set<std::string> in_man = OptionNames(man);
  for (const std::string& option : accepted) {
    EXPECT_TRUE(in_help.count(option)) << option << " is not in --help";
    EXPECT_TRUE(in_man.count(option)) << option << " is not in the man page";
  }
  EXPECT_EQ(in_help, in_man) << "--help and the man page name other options";
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
#if !defined(PDFINDEX_SANITIZED)
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

  // A PDF below an issue folder is not in the index, but in the report.
  fs::create_directories(archive / "Embo" / "Vol 20 No 1" / "supplementary" / "data");
  std::ofstream(archive / "Embo" / "Vol 20 No 1" / "supplementary" / "data" / "s1.pdf");
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
  EXPECT_TRUE(reported.err.ends_with("\nPDFs outside issue folders (not in the index):\n"
                                     "  Embo/Vol 20 No 1/supplementary/data/s1.pdf\n"))
      << reported.err;
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
  const Result tty = RunCommand(root_, "timeout 60 script -qec \"'" + std::string(PDFINDEX_BINARY) +
                                           "' --progress\" /dev/null");
  EXPECT_EQ(tty.status, 0) << tty.out;
  // The terminal turns each line feed into a carriage return and line feed.
  EXPECT_EQ(tty.out.rfind("\rpdfindex: 0 of 3 issue folders, 0 PDFs\r", 0), 0u) << tty.out;
  EXPECT_NE(tty.out.find("\rpdfindex: 2 of 3 issue folders, 3 PDFs\r\neroare\r"), std::string::npos)
      << tty.out;
  EXPECT_TRUE(tty.out.ends_with("\rpdfindex: 3 of 3 issue folders, 3 PDFs\r\n")) << tty.out;
  EXPECT_EQ(Slurp(root_ / "HtmlData.htm"), index);
}

}  // namespace
