// The pdfindex program as users run it: the example archive's index byte for
// byte, and the command line.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

// Runs pdfindex with `args` (already quoted for the shell) in folder `cwd`.
Result RunPdfindex(const fs::path& cwd, const std::string& args) {
  const fs::path out = fs::temp_directory_path() / "pdfindex_test_out";
  const fs::path err = fs::temp_directory_path() / "pdfindex_test_err";
  const std::string command = "cd '" + cwd.string() + "' && '" + PDFINDEX_BINARY + "' " + args +
                              " </dev/null >'" + out.string() + "' 2>'" + err.string() + "'";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("pdfindex_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
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
  // A folder in the way of the temporary file makes creating it fail.
  fs::create_directories(root_ / ".HtmlData.htm.tmp");
  std::ofstream(root_ / "HtmlData.htm") << "earlier";
  const Result r = RunPdfindex(root_, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.rfind("Exception EInOutError in module pdfindex at ", 0), 0u) << r.out;
  EXPECT_TRUE(r.out.ends_with(".\r\n")) << r.out;
  EXPECT_EQ(Slurp(root_ / "HtmlData.htm"), "earlier");
}

}  // namespace
