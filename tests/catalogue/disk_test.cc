// The real file system behind the disk seam: what it makes of every kind of
// folder entry a page name can stand for, and of failing writes and renames.
#include "platform/disk.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/signals.h"
#include "test_util.h"

namespace pdfindex {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Leaves a Unix socket file at `path` (nothing listens on it).
void MakeSocket(const fs::path& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string name = path.string();  // relative, to stay short
  ASSERT_LT(name.size(), sizeof address.sun_path);
  std::copy(name.begin(), name.end(), address.sun_path);
  ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
}

// The entries of `path`; empty when it cannot be listed.
std::vector<FolderEntry> Listed(RealDisk& disk, const std::string& path) {
  std::vector<FolderEntry> entries;
  (void)disk.ListFolder(path, &entries);
  return entries;
}

// Each test runs in a folder of its own, which is the disk's root.
class RealDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    root_ = fs::temp_directory_path() /
            ("pdfindex_disk_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
    fs::current_path(root_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(root_);
  }

  // Every kind of entry a contents page's name can stand for.
  void MakeEveryKind() {
    WriteFile("page.htm", "<TITLE>T</TITLE>\r\n");
    WriteFile("empty.htm", "");
    WriteFile("nul.htm", std::string("a\0b\r\n\0", 6));
    fs::create_directory("folder.htm");
    ASSERT_EQ(::mkfifo("fifo.htm", 0644), 0);
    MakeSocket("socket.htm");
    fs::create_symlink("nowhere.htm", "dangling.htm");
    fs::create_symlink("loop2.htm", "loop1.htm");
    fs::create_symlink("loop1.htm", "loop2.htm");
    fs::create_symlink("page.htm", "link.htm");
    fs::create_symlink("folder.htm", "folder-link.htm");
    fs::create_symlink("fifo.htm", "fifo-link.htm");
    fs::create_symlink("/dev/zero", "zero.htm");  // would never end if read
  }

  fs::path previous_;
  fs::path root_;
};

TEST_F(RealDiskTest, ReadsRegularFilesOnlyAndNeverBlocks) {
  MakeEveryKind();
  std::string big(300000, 'x');
  for (size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>(i % 256);
  WriteFile("big.htm", big);
  // Large enough for ReadLarge to map a buffer of its own.
  const std::string large = big + std::string(3 << 20, 'y') + big;
  WriteFile("large.htm", large);
  // Over the size limit, but sparse: it takes no room on the disk.
  WriteFile("huge.htm", "");
  fs::resize_file("huge.htm", kMaxPageBytes + 1);
  struct Row {
    const char* path;
    PageRead read;
    std::string bytes;
  };
  const Row rows[] = {
      {"page.htm", PageRead::kRead, "<TITLE>T</TITLE>\r\n"},
      {"empty.htm", PageRead::kRead, ""},
      {"nul.htm", PageRead::kRead, std::string("a\0b\r\n\0", 6)},
      {"big.htm", PageRead::kRead, big},
      {"large.htm", PageRead::kRead, large},
      {"link.htm", PageRead::kRead, "<TITLE>T</TITLE>\r\n"},
      {"folder.htm", PageRead::kCannotOpen, ""},
      {"folder-link.htm", PageRead::kCannotOpen, ""},
      {"fifo.htm", PageRead::kCannotOpen, ""},
      {"fifo-link.htm", PageRead::kCannotOpen, ""},
      {"socket.htm", PageRead::kCannotOpen, ""},
      {"dangling.htm", PageRead::kCannotOpen, ""},
      {"loop1.htm", PageRead::kCannotOpen, ""},
      {"zero.htm", PageRead::kCannotOpen, ""},
      {"huge.htm", PageRead::kCannotOpen, ""},
      {"missing.htm", PageRead::kCannotOpen, ""},
      {"", PageRead::kCannotOpen, ""},  // the root folder itself
  };
  RealDisk disk;
  for (const Row& row : rows) {
    std::string bytes = "left over";
    Status error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(disk.ReadPage(row.path, &bytes, &error), row.read) << row.path;
    // A hang guard only: a read that waited for a writer would take long.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(120)) << row.path;
    EXPECT_EQ(bytes, row.bytes) << row.path;
    EXPECT_TRUE(error.ok()) << row.path;
    // The same into a large buffer.
    LargeString held = "left over";
    EXPECT_EQ(disk.ReadLarge(row.path, &held, &error), row.read) << row.path;
    EXPECT_EQ(std::string_view(held.data(), held.size()), row.bytes) << row.path;
  }
}

TEST_F(RealDiskTest, AFifoWithAWriterIsNotRead) {
  ASSERT_EQ(::mkfifo("fifo.htm", 0644), 0);
  const int reader = ::open("fifo.htm", O_RDONLY | O_NONBLOCK);
  const int writer = ::open("fifo.htm", O_WRONLY | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::write(writer, "data", 4), 4);
  RealDisk disk;
  std::string bytes;
  Status error;
  EXPECT_EQ(disk.ReadPage("fifo.htm", &bytes, &error), PageRead::kCannotOpen);
  ::close(writer);
  ::close(reader);
}

TEST_F(RealDiskTest, AReadThatFailsAfterTheOpenIsAFailure) {
  // Opening the process's own memory works; reading its first page does not.
  fs::create_symlink("/proc/self/mem", "mem.htm");
  RealDisk disk;
  std::string bytes = "left over";
  Status error;
  ASSERT_EQ(disk.ReadPage("mem.htm", &bytes, &error), PageRead::kFailed);
  EXPECT_EQ(StatusMessage(error), "I/O error 5");
  EXPECT_EQ(bytes, "");
}

TEST_F(RealDiskTest, ListsEveryEntryAndKnowsFoldersThroughLinks) {
  MakeEveryKind();
  const std::string odd = "a \"b\" <c> & #%?\\:\xe9\xff\t\n";
  WriteFile(odd + ".pdf", "");
  fs::create_directory(odd);
  fs::create_symlink("dangling.htm", "chain.htm");
  RealDisk disk;
  std::vector<std::pair<std::string, bool>> listed;
  for (const FolderEntry& e : Listed(disk, "")) listed.emplace_back(e.name, e.is_folder);
  std::sort(listed.begin(), listed.end());
  const std::vector<std::pair<std::string, bool>> expected = {
      {odd, true},           {odd + ".pdf", false},
      {"chain.htm", false},  {"dangling.htm", false},
      {"empty.htm", false},  {"fifo-link.htm", false},
      {"fifo.htm", false},   {"folder-link.htm", true},
      {"folder.htm", true},  {"link.htm", false},
      {"loop1.htm", false},  {"loop2.htm", false},
      {"nul.htm", false},    {"page.htm", false},
      {"socket.htm", false}, {"zero.htm", false},
  };
  EXPECT_EQ(listed, expected);
  // A sub-folder, with and without its final "/"; what is not a folder lists
  // as empty.
  EXPECT_EQ(Listed(disk, odd).size(), 0u);
  fs::create_directories("P/I");
  EXPECT_EQ(Listed(disk, "P/").size(), 1u);
  EXPECT_EQ(Listed(disk, "P").size(), 1u);
  EXPECT_TRUE(Listed(disk, "page.htm").empty());
  EXPECT_TRUE(Listed(disk, "missing/").empty());
  EXPECT_TRUE(Listed(disk, "loop1.htm/").empty());
}

TEST_F(RealDiskTest, OutputFailuresCarryTheirCode) {
  fs::create_directories("HtmlData.htm/inside");  // a folder where a file is renamed to
  struct Row {
    const char* what;
    Status (*act)(RealDisk&);
    const char* message;
  };
  const Row rows[] = {
      {"create in a missing folder",
       [](RealDisk& d) {
         std::unique_ptr<PendingFile> f;
         return d.CreatePending("missing/out", &f);
       },
       "File not found"},
      {"commit over a folder that is not empty",
       [](RealDisk& d) {
         std::unique_ptr<PendingFile> f;
         if (Status e = d.CreatePending("HtmlData.htm", &f); !e.ok()) return e;
         if (Status e = f->Finish(); !e.ok()) return e;
         return f->Commit();
       },
       "I/O error 21"},
  };
  for (const Row& row : rows) {
    RealDisk disk;
    EXPECT_EQ(StatusMessage(row.act(disk)), row.message) << row.what;
  }
  EXPECT_TRUE(fs::is_directory("HtmlData.htm/inside"));
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
}

TEST_F(RealDiskTest, WritesAndCommits) {
  for (const bool unnamed : {true, false}) {
    RealDisk disk(unnamed);
    WriteFile("index", "earlier");
    std::unique_ptr<PendingFile> file;
    ASSERT_TRUE(disk.CreatePending("index", &file).ok());
    const std::string big(200000, 'b');
    for (const std::string& piece : {std::string("head\r\n"), big, std::string("tail")}) {
      ASSERT_TRUE(file->Write(piece).ok());
    }
    ASSERT_TRUE(file->Finish().ok());
    std::string bytes;
    Status error;
    ASSERT_EQ(disk.ReadPage("index", &bytes, &error), PageRead::kRead);
    EXPECT_EQ(bytes, "earlier");  // nothing changes before the commit
    ASSERT_TRUE(file->Commit().ok());
    file.reset();
    ASSERT_EQ(disk.ReadPage("index", &bytes, &error), PageRead::kRead);
    EXPECT_EQ(bytes, "head\r\n" + big + "tail");
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
  }
}

TEST_F(RealDiskTest, AFileDroppedUncommittedLeavesNothing) {
  for (const bool unnamed : {true, false}) {
    RealDisk disk(unnamed);
    WriteFile("index", "earlier");
    std::unique_ptr<PendingFile> file;
    ASSERT_TRUE(disk.CreatePending("index", &file).ok());
    ASSERT_TRUE(file->Write("half an index").ok());
    file.reset();
    std::string bytes;
    Status error;
    ASSERT_EQ(disk.ReadPage("index", &bytes, &error), PageRead::kRead);
    EXPECT_EQ(bytes, "earlier");
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
  }
}

// A pipe whose read end never blocks: `bytes` wait in it, and the write end
// stays open (more may come) unless `closed`.
struct TestPipe {
  int read_end = -1;
  int write_end = -1;
  TestPipe(const std::string& bytes, bool closed) {
    int fds[2];
    EXPECT_EQ(::pipe2(fds, O_NONBLOCK), 0);
    read_end = fds[0];
    write_end = fds[1];
    EXPECT_EQ(::write(write_end, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    if (closed) {
      ::close(write_end);
      write_end = -1;
    }
  }
  ~TestPipe() {
    ::close(read_end);
    if (write_end >= 0) ::close(write_end);
  }
};

// The names in the current folder, sorted.
std::vector<std::string> Names() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(".")) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The identity of the file at `path` (0 when there is none).
ino_t Inode(const char* path) {
  struct stat st {};
  return ::lstat(path, &st) == 0 ? st.st_ino : 0;
}

// Writes `bytes` as an output that keeps its target when the same, in
// pieces that do not fall on the file's buffer, and commits it.
void WriteKeptIfSame(RealDisk& disk, const std::string& target, const std::string& bytes) {
  std::unique_ptr<PendingFile> file;
  ASSERT_TRUE(disk.CreatePendingKeptIfSame(target, &file).ok());
  for (size_t at = 0; at < bytes.size(); at += 70001) {
    ASSERT_TRUE(file->Write(std::string_view(bytes).substr(at, 70001)).ok());
  }
  ASSERT_TRUE(file->Finish().ok());
  ASSERT_TRUE(file->Commit().ok());
}

TEST_F(RealDiskTest, AnOutputThatComesOutTheSameLeavesItsTargetAsItIs) {
  const std::string big(300000, 'b');
  std::string late = big;
  late.back() = 'c';
  std::string early = big;
  early[1] = 'c';
  struct Case {
    std::string earlier, now;
    bool kept;
  };
  const Case cases[] = {
      {"catalogue", "catalogue", true},
      {big, big, true},
      {"", "", true},
      {big, late, false},   // the last byte differs
      {big, early, false},  // so does an early one
      {big, big + "b", false},
      {big, big.substr(0, 200000), false},
      {"", "x", false},
  };
  for (const bool unnamed : {true, false}) {
    RealDisk disk(unnamed);
    for (const Case& c : cases) {
      const std::string what = std::to_string(c.earlier.size()) + " to " +
                               std::to_string(c.now.size()) + (unnamed ? " unnamed" : " named");
      WriteFile("out", c.earlier);
      const ino_t before = Inode("out");
      WriteKeptIfSame(disk, "out", c.now);
      EXPECT_EQ(Slurp("out"), c.now) << what;
      EXPECT_EQ(Inode("out") == before, c.kept) << what;
      EXPECT_EQ(Names(), std::vector<std::string>{"out"}) << what;
    }
  }
}

TEST_F(RealDiskTest, AnOutputIsComparedOnlyWithTheFileItWouldReplace) {
  RealDisk disk;
  // A link is replaced by the file itself, whatever it leads to.
  WriteFile("elsewhere", "same");
  fs::create_symlink("elsewhere", "linked");
  WriteKeptIfSame(disk, "linked", "same");
  EXPECT_FALSE(fs::is_symlink("linked"));
  EXPECT_EQ(Slurp("linked"), "same");
  // A file put at the target while the output was written (by another
  // run) is replaced: the output compared equal to the one before it.
  WriteFile("out", "same");
  std::unique_ptr<PendingFile> file;
  ASSERT_TRUE(disk.CreatePendingKeptIfSame("out", &file).ok());
  ASSERT_TRUE(file->Write("same").ok());
  ASSERT_TRUE(file->Finish().ok());
  WriteFile("other", "another run's");
  fs::rename("other", "out");
  ASSERT_TRUE(file->Commit().ok());
  file.reset();
  EXPECT_EQ(Slurp("out"), "same");
  EXPECT_EQ(Names(), (std::vector<std::string>{"elsewhere", "linked", "out"}));
  // The bytes found the same are taken from the target once the output
  // differs: a target written to in place meanwhile lends none of its own,
  // and the output fails, leaving it as that writer left it.
  const std::string big(300000, 'b');
  WriteFile("out", big);
  ASSERT_TRUE(disk.CreatePendingKeptIfSame("out", &file).ok());
  ASSERT_TRUE(file->Write(std::string_view(big).substr(0, 200000)).ok());
  std::string edited = big;
  edited[10] = 'e';
  WriteFile("out", edited);
  const struct timespec times[2] = {{0, UTIME_OMIT}, {12345, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, "out", times, 0), 0);  // the time, whatever the clock's step
  Status failed = file->Write(std::string(100000, 'c'));
  if (failed.ok()) failed = file->Finish();
  EXPECT_FALSE(failed.ok());
  file.reset();
  EXPECT_EQ(Slurp("out"), edited);
  EXPECT_EQ(Names(), (std::vector<std::string>{"elsewhere", "linked", "out"}));
}

TEST_F(RealDiskTest, OutputFilesAreEachRunsOwnAndNeverFollowLinks) {
  for (const bool unnamed : {true, false}) {
    fs::remove_all("elsewhere");
    fs::create_directories("elsewhere");
    WriteFile("elsewhere/victim", "victim");
    WriteFile("elsewhere/earlier", "earlier");
    // Planted where earlier versions wrote, and an index that links away.
    fs::create_symlink("elsewhere/victim", ".HtmlData.htm.tmp");
    fs::create_symlink("elsewhere/earlier", "HtmlData.htm");
    RealDisk disk(unnamed);
    std::unique_ptr<PendingFile> first;
    std::unique_ptr<PendingFile> second;
    ASSERT_TRUE(disk.CreatePending("HtmlData.htm", &first).ok());
    ASSERT_TRUE(disk.CreatePending("HtmlData.htm", &second).ok());
    ASSERT_TRUE(first->Write(std::string(100000, '1')).ok());
    ASSERT_TRUE(second->Write(std::string(70000, '2')).ok());
    ASSERT_TRUE(first->Write("one").ok());
    ASSERT_TRUE(first->Finish().ok());
    ASSERT_TRUE(second->Finish().ok());
    // Unnamed files have no name yet; named ones have one each.
    EXPECT_EQ(Names().size(), unnamed ? 2u : 4u) << unnamed;
    ASSERT_TRUE(first->Commit().ok());
    EXPECT_EQ(Slurp("HtmlData.htm"), std::string(100000, '1') + "one") << unnamed;
    ASSERT_TRUE(second->Commit().ok());
    first.reset();
    second.reset();
    EXPECT_EQ(Slurp("HtmlData.htm"), std::string(70000, '2')) << unnamed;
    EXPECT_FALSE(fs::is_symlink("HtmlData.htm")) << unnamed;
    EXPECT_EQ(Slurp("elsewhere/victim"), "victim") << unnamed;
    EXPECT_EQ(Slurp("elsewhere/earlier"), "earlier") << unnamed;
    EXPECT_EQ(Names(), (std::vector<std::string>{"HtmlData.htm", "elsewhere"})) << unnamed;
    fs::remove("HtmlData.htm");
  }
}

TEST_F(RealDiskTest, AFolderThatCannotBeListedSaysWhy) {
  WriteFile("page.htm", "");
  fs::create_directories("locked");
  fs::permissions("locked", fs::perms::none);
  struct Row {
    const char* path;
    const char* message;
  };
  std::vector<Row> rows = {{"missing/", "No such file or directory"},
                           {"page.htm/", "Not a directory"}};
  if (::geteuid() != 0) rows.push_back({"locked/", "Permission denied"});
  RealDisk disk;
  for (const Row& row : rows) {
    std::vector<FolderEntry> entries = {{"stale", false}};
    const Status error = disk.ListFolder(row.path, &entries);
    EXPECT_EQ(error.message, row.message) << row.path;
    EXPECT_EQ(error.path, row.path);
    EXPECT_EQ(error.operation, "list");
    EXPECT_TRUE(entries.empty()) << row.path;
  }
  fs::permissions("locked", fs::perms::owner_all);
}

TEST_F(RealDiskTest, ASignalRemovesNamedOutputFilesAndExitsWith128PlusIt) {
  WriteFile("HtmlData.htm", "earlier");
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    for (const bool during_commit : {false, true}) {
      const pid_t pid = ::fork();
      if (pid == 0) {
        InstallSignalHandlers();
        RealDisk disk(false);
        std::unique_ptr<PendingFile> file;
        if (!disk.CreatePending("HtmlData.htm", &file).ok() || !file->Write("new").ok() ||
            !file->Finish().ok()) {
          ::_exit(1);
        }
        if (during_commit) {
          // A signal that comes while the file is put in place waits.
          const SignalsHeld held;
          ::raise(signal_number);
          if (!file->Commit().ok()) ::_exit(1);
        } else {
          ::raise(signal_number);
        }
        ::_exit(0);
      }
      int raw = 0;
      ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
      EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 128 + signal_number) << raw;
      EXPECT_EQ(Slurp("HtmlData.htm"), during_commit ? "new" : "earlier") << signal_number;
      EXPECT_EQ(Names(), std::vector<std::string>{"HtmlData.htm"}) << signal_number;
      WriteFile("HtmlData.htm", "earlier");
    }
  }
}

TEST(ReadOpenedPageTest, ReadsWhatThePageHadWhenOpenedAndNeverWaits) {
  struct Row {
    const char* what;
    std::string waiting;
    bool closed;
    std::uint64_t size;
    PageRead read;
    std::string bytes;
  };
  const Row rows[] = {
      {"it grew since it was opened: the rest is not read", "abcdef", false, 3, PageRead::kRead,
       "abc"},
      {"it shrank since it was opened", "ab", true, 5, PageRead::kRead, "ab"},
      {"reading would wait", "", false, 4, PageRead::kCannotOpen, ""},
      {"reading would wait, for a page of no stated size", "", false, 0, PageRead::kCannotOpen, ""},
      {"a page of no stated size gives none of its bytes", "xyz", false, 0, PageRead::kRead, ""},
  };
  for (const Row& row : rows) {
    const TestPipe pipe(row.waiting, row.closed);
    std::string bytes = "stale";
    Status error;
    EXPECT_EQ(ReadOpenedPage(pipe.read_end, row.size, "p.htm", &bytes, &error), row.read)
        << row.what;
    EXPECT_EQ(bytes, row.bytes) << row.what;
  }
}

}  // namespace
}  // namespace pdfindex
