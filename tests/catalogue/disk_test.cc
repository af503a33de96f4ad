// The real file system behind the disk seam: what it makes of every kind of
// folder entry a page name can stand for, and of failing writes and renames.
#include "catalogue/disk.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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
      {"link.htm", PageRead::kRead, "<TITLE>T</TITLE>\r\n"},
      {"folder.htm", PageRead::kCannotOpen, ""},
      {"folder-link.htm", PageRead::kCannotOpen, ""},
      {"fifo.htm", PageRead::kCannotOpen, ""},
      {"fifo-link.htm", PageRead::kCannotOpen, ""},
      {"socket.htm", PageRead::kCannotOpen, ""},
      {"dangling.htm", PageRead::kCannotOpen, ""},
      {"loop1.htm", PageRead::kCannotOpen, ""},
      {"zero.htm", PageRead::kCannotOpen, ""},
      {"missing.htm", PageRead::kCannotOpen, ""},
      {"", PageRead::kCannotOpen, ""},  // the root folder itself
  };
  RealDisk disk;
  for (const Row& row : rows) {
    std::string bytes = "left over";
    Status error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(disk.ReadPage(row.path, &bytes, &error), row.read) << row.path;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << row.path;
    EXPECT_EQ(bytes, row.bytes) << row.path;
    EXPECT_TRUE(error.ok()) << row.path;
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
  for (const FolderEntry& e : disk.ListFolder("")) listed.emplace_back(e.name, e.is_folder);
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
  EXPECT_EQ(disk.ListFolder(odd).size(), 0u);
  fs::create_directories("P/I");
  EXPECT_EQ(disk.ListFolder("P/").size(), 1u);
  EXPECT_EQ(disk.ListFolder("P").size(), 1u);
  EXPECT_TRUE(disk.ListFolder("page.htm").empty());
  EXPECT_TRUE(disk.ListFolder("missing/").empty());
  EXPECT_TRUE(disk.ListFolder("loop1.htm/").empty());
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
  RealDisk disk;
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

TEST_F(RealDiskTest, AFileDroppedUncommittedLeavesNothing) {
  RealDisk disk;
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

}  // namespace
}  // namespace pdfindex
