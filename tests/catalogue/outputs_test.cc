// The program's outputs as it puts them in place: started without standard
// descriptors, writing to devices and FIFOs, all or nothing, with the modes
// of the files they replace, beside the metadata cache, and with no thread
// to be had.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_util.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PDFINDEX_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define PDFINDEX_SANITIZED 1
#endif
#endif

namespace pdfindex {
namespace {

namespace fs = std::filesystem;

constexpr char kEarlier[] = "earlier";

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

mode_t ModeOf(const fs::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

class OutputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("pdfindex_outputs_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    // An Embo issue with a page and a PDF; a ScienceDirect page that cannot
    // be opened, so that the run writes "eroare" to standard output.
    WriteFile(root_ / "Embo/v1/toc.htm", "<TITLE>T</TITLE>\r\n");
    WriteFile(root_ / "Embo/v1/a1.pdf", "");
    fs::create_directories(root_ / "ScienceDirect/v2");
    fs::create_symlink(root_ / "nowhere", root_ / "ScienceDirect/v2/toc.htm");
    fs::permissions(root_, fs::perms::all);
  }
  void TearDown() override { fs::remove_all(root_); }

  ProgramRun Run(std::vector<std::string> args, ProgramOptions options = {}) {
    options.args = std::move(args);
    return RunProgram(root_, options);
  }

  // The index of the archive as a run with every descriptor open writes it.
  std::string ReferenceIndex() {
    const ProgramRun run = Run({});
    EXPECT_EQ(run.status, 0) << run.err;
    return Slurp(root_ / "HtmlData.htm");
  }

  // The hidden files runs leave beside their outputs: "" when none.
  std::string Leftovers(const fs::path& folder) {
    std::string names;
    for (const auto& e : fs::directory_iterator(folder)) {
      const std::string name = e.path().filename().string();
      // The keys file the exports keep is no leftover.
      if (name[0] == '.' && name != ".pdfindex-keys") names += name + " ";
    }
    return names;
  }

  fs::path root_;
};

TEST_F(OutputsTest, ADescriptorStartedClosedNeverBecomesAnOutput) {
  const std::string reference = ReferenceIndex();
  const bool root = ::geteuid() == 0;
  // A folder that cannot be listed makes the run write to standard error.
  fs::create_directories(root_ / "Locked/v1");
  fs::permissions(root_ / "Locked", fs::perms::none);
  for (const int fd : {0, 1, 2}) {
    fs::remove(root_ / "HtmlData.htm");
    ProgramOptions options;
    options.closed = {fd};
    options.as_nobody = root;  // whom the locked folder binds
    const ProgramRun run = Run({"--json", "catalogue.json"}, options);
    EXPECT_EQ(run.status, 0) << fd << run.err;
    EXPECT_EQ(Slurp(root_ / "HtmlData.htm"), reference) << fd;
    EXPECT_EQ(Slurp(root_ / "catalogue.json").find("eroare"), std::string::npos) << fd;
    EXPECT_EQ(Slurp(root_ / "catalogue.json").find("cannot list"), std::string::npos) << fd;
  }
  fs::permissions(root_ / "Locked", fs::perms::all);
}

TEST_F(OutputsTest, DevicesFifosAndLinksToStandardOutputAreWrittenThrough) {
  const ProgramRun plain = Run({"--json", "-"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  const std::string json = plain.out.substr(plain.out.find("eroare\r\n") + 8);
  ASSERT_TRUE(json.starts_with("{")) << plain.out;

  // A FIFO with a reader gets the JSON and stays a FIFO (the JSON fits in
  // its buffer, so the reader reads it after the run).
  ASSERT_EQ(::mkfifo((root_ / "fifo").c_str(), 0666), 0);
  const int reader = ::open((root_ / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  const ProgramRun to_fifo = Run({"--json", "fifo"});
  std::string read;
  char buffer[4096];
  for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;) {
    read.append(buffer, static_cast<size_t>(n));
  }
  ::close(reader);
  EXPECT_EQ(to_fifo.status, 0) << to_fifo.err;
  EXPECT_EQ(read, json);
  EXPECT_TRUE(S_ISFIFO(ModeOf(root_ / "fifo")));

  // A FIFO that no one reads fails before anything is replaced.
  WriteFile(root_ / "HtmlData.htm", kEarlier);
  const ProgramRun unread = Run({"--json", "fifo"});
  EXPECT_EQ(unread.status, 1);
  // Failures name the file as it was given.
  EXPECT_EQ(unread.err, "pdfindex: cannot write 'fifo': No such device or address\n");
  EXPECT_EQ(Slurp(root_ / "HtmlData.htm"), kEarlier);

  // A link of one's own to the process's standard output, as /dev/stdout.
  fs::create_symlink("/proc/self/fd/1", root_ / "stdout");
  const ProgramRun linked = Run({"--json", "stdout"});
  EXPECT_EQ(linked.status, 0) << linked.err;
  EXPECT_EQ(linked.out, plain.out);
  EXPECT_TRUE(fs::is_symlink(root_ / "stdout"));

  // A device of its own, the system's null device.
  if (::geteuid() == 0) {
    ASSERT_EQ(::mknod((root_ / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    const ProgramRun to_null = Run({"--json", "null", "--bibtex", "null.bib"});
    EXPECT_EQ(to_null.status, 0) << to_null.err;
    EXPECT_TRUE(S_ISCHR(ModeOf(root_ / "null")));
    EXPECT_TRUE(fs::exists(root_ / "null.bib"));
  }
  EXPECT_EQ(Leftovers(root_), "");
}

TEST_F(OutputsTest, EveryFileIsReadyBeforeTheFirstIsReplacedAndStandardOutputComesLast) {
  WriteFile(root_ / "HtmlData.htm", kEarlier);
  WriteFile(root_ / "out/first.json", kEarlier);
  fs::create_directories(root_ / "out/isdir");
  const ProgramRun clash = Run({"--json", "out/first.json", "--bibtex", "out/isdir"});
  EXPECT_EQ(clash.status, 1);
  EXPECT_EQ(clash.err, "pdfindex: cannot replace 'out/isdir': Is a directory\n");
  EXPECT_EQ(Slurp(root_ / "HtmlData.htm"), kEarlier);
  EXPECT_EQ(Slurp(root_ / "out/first.json"), kEarlier);
  EXPECT_EQ(Leftovers(root_) + Leftovers(root_ / "out"), "");

  // Standard output that fails comes after every file, and says so.
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ProgramOptions full;
  full.out = ::open("/dev/full", O_WRONLY);
  const ProgramRun failed = Run({"--json", "out/first.json", "--bibtex", "-"}, full);
  ::close(full.out);
  EXPECT_EQ(failed.status, 1);
  EXPECT_TRUE(failed.err.ends_with(
      "No space left on device; already replaced: 'HtmlData.htm' 'out/first.json'\n"))
      << failed.err;
  EXPECT_NE(Slurp(root_ / "HtmlData.htm"), kEarlier);
  EXPECT_TRUE(Slurp(root_ / "out/first.json").starts_with("{"));
}

TEST_F(OutputsTest, TheMetadataCacheIsNoOutputsPlace) {
  for (const char* option : {"--json", "--bibtex", "--html"}) {
    const ProgramRun run = Run({"--metadata", option, ".pdfindex-cache"});
    EXPECT_EQ(run.status, 2) << option << run.err;
    EXPECT_NE(run.err.find("is written by more than one output"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(root_ / ".pdfindex-cache")) << option;
  }
  // Named from elsewhere, the same file.
  ProgramOptions elsewhere;
  elsewhere.args = {"--metadata", "--ris", (root_ / ".pdfindex-cache").string(), root_.string()};
  const ProgramRun named = RunProgram(root_.parent_path(), elsewhere);
  EXPECT_EQ(named.status, 2) << named.err;
  // Without --metadata there is no cache, and the name is free.
  EXPECT_EQ(Run({"--json", ".pdfindex-cache"}).status, 0);
}

TEST_F(OutputsTest, AReplacedFileKeepsItsModeAndANewOneFollowsTheUmask) {
  WriteFile(root_ / "HtmlData.htm", kEarlier);
  WriteFile(root_ / "private.json", kEarlier);
  fs::permissions(root_ / "HtmlData.htm",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::permissions(root_ / "private.json", fs::perms::owner_read | fs::perms::owner_write);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown((root_ / "private.json").c_str(), 65534, 65534), 0);
  }
  ProgramOptions options;
  options.umask = 002;
  const ProgramRun run = Run({"--json", "private.json", "--ris", "new.ris"}, options);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ModeOf(root_ / "HtmlData.htm") & 07777, 0640u);
  EXPECT_EQ(ModeOf(root_ / "private.json") & 07777, 0600u);
  EXPECT_EQ(ModeOf(root_ / "new.ris") & 07777, 0664u);
  struct stat st {};
  ASSERT_EQ(::stat((root_ / "private.json").c_str(), &st), 0);
  if (root) {
    EXPECT_EQ(st.st_uid, 65534u);  // root replaced a user's file: still theirs
  }
  EXPECT_TRUE(Slurp(root_ / "private.json").starts_with("{"));
}

TEST_F(OutputsTest, ARunThatChangesNothingLeavesItsExportsAsTheyAre) {
  const auto inode = [this](const char* name) {
    struct stat st {};
    return ::lstat((root_ / name).c_str(), &st) == 0 ? st.st_ino : 0;
  };
  const std::vector<std::string> args = {"--json", "c.json", "--html", "c.html"};
  ASSERT_EQ(Run(args).status, 0);
  const std::string json = Slurp(root_ / "c.json");
  const ino_t json_before = inode("c.json");
  const ino_t page_before = inode("c.html");
  const ino_t index_before = inode("HtmlData.htm");
  ASSERT_EQ(Run(args).status, 0);
  EXPECT_EQ(inode("c.json"), json_before);
  EXPECT_EQ(inode("c.html"), page_before);
  EXPECT_NE(inode("HtmlData.htm"), index_before);  // the index is written every run
  EXPECT_EQ(Slurp(root_ / "c.json"), json);
  EXPECT_EQ(Leftovers(root_), "");
}

TEST_F(OutputsTest, NoThreadToBeHadIsNoFailure) {
#if defined(PDFINDEX_SANITIZED)
  GTEST_SKIP() << "the sanitizers need threads of their own";
#endif
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run as a user a process limit binds";
  const std::string reference = ReferenceIndex();
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"-j", "4"}, {"-j", "4", "--json", "c.json"}}) {
    fs::remove(root_ / "HtmlData.htm");
    ProgramOptions options;
    options.as_nobody = true;
    options.process_limit = 1;  // this process alone: no thread more
    const ProgramRun run = Run(args, options);
    EXPECT_EQ(run.status, 0) << args.size() << run.out << run.err << run.signal;
    EXPECT_EQ(Slurp(root_ / "HtmlData.htm"), reference);
  }
}

}  // namespace
}  // namespace pdfindex
