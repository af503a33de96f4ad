// The pdfindex program on archives that grew over years: pages that are not
// files, huge and empty pages, odd names, crowded folders, and failing disks.
// Nothing may crash, block or cost the user the index they had.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "run/run.h"
#include "fake_disk.h"
#include "test_util.h"

namespace pdfindex {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

constexpr char kEarlier[] = "the index of an earlier run";

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}


// Runs pdfindex in `cwd` with no input, killing it after `limit`; a signal
// that ends it gives the status 128 + its number, as a shell shows it.
ProgramRun RunPdfindex(const fs::path& cwd, seconds limit = seconds(60),
                       ProgramOptions options = {}) {
  options.limit = limit;
  ProgramRun run = RunProgram(cwd, options);
  if (run.status == -2) run.status = 128 + run.signal;
  return run;
}

// The hidden files of runs left in `root`: "" when there are none.
std::string Leftovers(const fs::path& root) {
  std::string names;
  for (const auto& entry : fs::directory_iterator(root)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".HtmlData.htm")) names += name + " ";
  }
  return names;
}

// The index RunCatalogue writes for an in-memory archive.
std::string IndexOf(FakeDisk& disk) {
  FakeConsole console;
  EXPECT_TRUE(RunCatalogue(disk, console).ok());
  return disk.Contents("HtmlData.htm");
}

// Leaves a Unix socket file at `name` in the current folder's `folder`.
void MakeSocket(const fs::path& folder, const std::string& name) {
  const fs::path previous = fs::current_path();
  fs::current_path(folder);  // a relative address stays short
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::copy(name.begin(), name.end(), address.sun_path);
  EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
  fs::current_path(previous);
}

class ReliabilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("pdfindex_reliability_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    fs::remove_all(root_);
    fs::remove(root_.string() + ".out");
    fs::remove(root_.string() + ".err");
  }

  // Runs pdfindex in the root and expects it to succeed quietly.
  std::string Index(seconds limit = seconds(60)) {
    const ProgramRun run = RunPdfindex(root_, limit);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Leftovers(root_), "");
    return Slurp(root_ / "HtmlData.htm");
  }

  fs::path root_;
};

TEST_F(ReliabilityTest, EntriesThatAreNotFilesAreSkippedWithoutBlocking) {
  // The same odd entries in a folder whose reader titles an unopenable page
  // "" (Embo) and in one whose reader titles it by its path (no keyword).
  FakeDisk fake;
  for (const std::string folder : {"Embo/v1/", "Misc/v1/"}) {
    const fs::path dir = root_ / folder;
    fs::create_directories(dir / "folder.htm");
    ASSERT_EQ(::mkfifo((dir / "fifo.htm").c_str(), 0644), 0);
    MakeSocket(dir, "socket.htm");
    fs::create_symlink("nowhere.htm", dir / "dangling.htm");
    fs::create_symlink("loop-b.htm", dir / "loop-a.htm");
    fs::create_symlink("loop-a.htm", dir / "loop-b.htm");
    fs::create_symlink("/dev/zero", dir / "zero.htm");
    fs::create_symlink("/dev/null", dir / "null.htm");
    for (const char* name : {"folder.htm", "fifo.htm", "socket.htm", "dangling.htm", "loop-a.htm",
                             "loop-b.htm", "zero.htm", "null.htm"}) {
      fake.AddUnopenable(folder + name);
    }
    WriteFile(dir / "page.htm", EmboPage("T"));
    WriteFile(dir / "a1.pdf", "%PDF-1.4\n%%EOF\n");
    fake.AddFile(folder + "page.htm", EmboPage("T"));
    fake.AddFile(folder + "a1.pdf");
  }
  const std::string index = Index();
  EXPECT_EQ(index, IndexOf(fake));
  EXPECT_NE(index.find(std::string("a1</A> ") + kEmboA1), std::string::npos) << index;
}

TEST_F(ReliabilityTest, EmptyPagesPagesWithNulBytesAndAHugeOneLinePageSlow) {
  // A saved page of 100 MB without a line end, shared (hard-linked) by an
  // issue folder of every publisher; the article's entry is at its end.
  const std::string chunk =
      "<TR><TD><P><B>Filler</B> <I>x</I><AU>A. B.</AU><DT><DD><LI>Pages 1-2 "
      "<A HREF=\"/cgi/reprint/0/0/z\">[PDF]</A></TD></TR>";
  const fs::path big = root_ / "huge.htm";  // a file in the root is not indexed
  {
    std::ofstream out(big, std::ios::binary);
    out << "<HTML><HEAD><TITLE>Huge</TITLE></HEAD><BODY>";
    std::string block;
    while (block.size() < (1 << 20)) block += chunk;
    for (size_t written = 0; written < (100u << 20); written += block.size()) out << block;
    out << "<DT><A HREF=\"/cgi/reprint/20/1/a1\"> Heading of a1</A><DD><STRONG>Ann</STRONG><BR>"
           "J. 20: 1-10.<NOBR></DL></BODY></HTML>";
  }
  const std::vector<std::string> publishers = {"ScienceDirect", "Embo",      "Springer",
                                               "Elsevier",      "AmChemSoc", "AmInstPhys",
                                               "AmMathSoc",     "JBCOnline", "Misc"};
  for (const std::string& p : publishers) {
    fs::create_directories(root_ / p / "v1");
    fs::create_hard_link(big, root_ / p / "v1" / "huge.htm");
    WriteFile(root_ / p / "v1" / "a1.pdf", "");
  }
  // Zero-byte pages and NUL bytes in a title and in an entry.
  WriteFile(root_ / "Nul/v1/empty.htm", "");
  constexpr char kNulPage[] = "<TITLE>A\0B</TITLE>\r\n<A HREF=\"a1.pdf\">x\0y</A>";
  WriteFile(root_ / "Nul/v1/nul.htm", std::string(kNulPage, sizeof kNulPage - 1));
  WriteFile(root_ / "Nul/v1/a1.pdf", "");
  WriteFile(root_ / "Embo/v2/empty.htm", "");
  WriteFile(root_ / "Embo/v2/a1.pdf", "");

  const auto start = std::chrono::steady_clock::now();
  const std::string index = Index(seconds(600));
  std::cout << "[ timing   ] nine issue folders with a 100 MB page: "
            << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
            << " s\n";
  ASSERT_TRUE(index.starts_with(kIndexHeader) && index.ends_with(kIndexFooter)) << index.substr(0, 500);
  for (const std::string& p : publishers) {
    EXPECT_NE(index.find("<A HREF=\"" + p + "/v1/a1.pdf\">a1</A> "), std::string::npos) << p;
  }
  EXPECT_NE(index.find("<B><BR>Huge<BR></B>"), std::string::npos);  // the Elsevier title
  constexpr char kNulTitle[] = "<B><BR>A\0B<BR></B>";
  EXPECT_NE(index.find(std::string(kNulTitle, sizeof kNulTitle - 1)), std::string::npos);
  // An empty page has no title: in an Embo folder "" (no heading), else its path.
  EXPECT_NE(index.find("<HR><BR>\r\n<A HREF=\"Embo/v2/a1.pdf\">a1</A> \r\n"), std::string::npos);
  EXPECT_NE(index.find("<B><BR>Nul/v1/empty.htm<BR></B>"), std::string::npos);
}

// The text of an attribute value or element: character references decoded.
std::string DecodeReferences(const std::string& html) {
  static const std::pair<std::string, char> kReferences[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
  std::string text;
  for (size_t i = 0; i < html.size(); ++i) {
    const auto* ref =
        std::find_if(std::begin(kReferences), std::end(kReferences),
                     [&](const auto& r) { return html.compare(i, r.first.size(), r.first) == 0; });
    if (ref == std::end(kReferences)) {
      text += html[i];
    } else {
      text += ref->second;
      i += ref->first.size() - 1;
    }
  }
  return text;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSchemeByte(char c) {
  return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The bytes a URL parser gets from bytes of 0x80 or more standing in the page
// as they are: the characters the page's encoding makes of them, in UTF-8.
// The page names no encoding; `utf8` says whether it is read as UTF-8 (else
// as a single-byte code page, where each byte is the character of its number).
std::string AsDecoded(const std::string& text, bool utf8) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out += text[i];
    } else if (!utf8) {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    } else {
      size_t n = b >= 0xF0 && b < 0xF5   ? 4
                 : b >= 0xE0 && b < 0xF0 ? 3
                 : b >= 0xC2 && b < 0xE0 ? 2
                                         : 0;
      for (size_t k = 1; k < n; ++k) {
        if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) n = 0;
      }
      if (n == 0) {
        out += "\xEF\xBF\xBD";  // not UTF-8: the replacement character
      } else {
        out += text.substr(i, n);
        i += n - 1;
      }
    }
  }
  return out;
}

// What a browser makes of an href value of HtmlData.htm, as the path of a
// file relative to the page's folder: the character references and the page
// encoding decoded, blanks and controls at the ends stripped, tabs and line
// ends dropped, "\" read as "/", query and fragment cut off, and the percent
// escapes decoded. "" when the href names no such path (it has a scheme, or
// starts at the root).
std::string BrowserPath(const std::string& href, bool utf8) {
  std::string url = AsDecoded(DecodeReferences(href), utf8);
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!url.empty() && blank(url.front())) url.erase(url.begin());
  while (!url.empty() && blank(url.back())) url.pop_back();
  std::erase_if(url, [](char c) { return c == '\t' || c == '\n' || c == '\r'; });
  std::replace(url.begin(), url.end(), '\\', '/');
  const size_t colon = url.find(':');
  if (colon != std::string::npos && colon > 0 && IsAsciiLetter(url[0]) &&
      std::all_of(url.begin(), url.begin() + static_cast<std::ptrdiff_t>(colon), IsSchemeByte)) {
    return "";
  }
  if (url.empty() || url[0] == '/') return "";
  url = url.substr(0, url.find_first_of("?#"));
  std::string path;
  for (size_t i = 0; i < url.size(); ++i) {
    if (url[i] == '%' && i + 2 < url.size() && HexValue(url[i + 1]) >= 0 &&
        HexValue(url[i + 2]) >= 0) {
      path += static_cast<char>(HexValue(url[i + 1]) * 16 + HexValue(url[i + 2]));
      i += 2;
    } else {
      path += url[i];
    }
  }
  return path;
}

// The href values and link texts of the index's links.
std::vector<std::pair<std::string, std::string>> Links(const std::string& index) {
  std::vector<std::pair<std::string, std::string>> links;
  const std::string open = "<A HREF=\"";
  for (size_t at = index.find(open); at != std::string::npos; at = index.find(open, at + 1)) {
    const size_t value = at + open.size();
    const size_t quote = index.find('"', value);
    const size_t text_end = index.find("</A>", quote);
    if (quote == std::string::npos || text_end == std::string::npos || index[quote + 1] != '>') {
      ADD_FAILURE() << "broken link at " << at;
      break;
    }
    links.emplace_back(index.substr(value, quote - value),
                       index.substr(quote + 2, text_end - quote - 2));
  }
  return links;
}

TEST_F(ReliabilityTest, LinksToOddlyNamedFilesResolveInABrowser) {
  const std::vector<std::string> publishers = {
      "Odd & <Names> #1", " Leading blank", "Caf\xe9 \"Q\"", "a:b", "back\\slash", "Embo"};
  const std::vector<std::string> issues = {"50% off?", "tab\there",         "line\nend",
                                           "\xff\xfe", "\xc3\xa9t\xc3\xa9", "v1;x=1+2"};
  const std::vector<std::string> files = {
      "a b.pdf",    "q\"uote.pdf", "lt<gt>.pdf", "amp&amp;.pdf", "hash#.pdf",
      "pct%41.pdf", "que?.pdf",    "\xe9.pdf",   "\x80\xff.pdf", "back\\.pdf",
      "x:y.pdf",    "Upper.PDF",   " lead.pdf",  "%2e%2e.pdf",   "\x01\x7f.pdf"};
  std::set<std::string> pdfs;
  for (size_t p = 0; p < publishers.size(); ++p) {
    const std::string folder = publishers[p] + "/" + issues[p] + "/";
    for (const std::string& f : files) {
      WriteFile(root_ / (folder + f), "%PDF-1.4\n%%EOF\n");
      pdfs.insert(folder + f);
    }
  }
  const std::string index = Index();
  std::set<std::string> resolved;
  for (const auto& [href, text] : Links(index)) {
    for (bool utf8 : {true, false}) {
      const std::string path = BrowserPath(href, utf8);
      EXPECT_TRUE(pdfs.count(path) > 0)
          << "href \"" << href << "\" leads to \"" << path << "\" (page read as "
          << (utf8 ? "UTF-8" : "a single-byte code page") << ")";
      resolved.insert(path);
    }
    // The link text, read back, is the file's name less ".pdf".
    const std::string shown = DecodeReferences(text);
    EXPECT_TRUE(std::any_of(pdfs.begin(), pdfs.end(),
                            [&](const std::string& pdf) {
                              return pdf.ends_with("/" + shown + ".pdf") ||
                                     pdf.ends_with("/" + shown + ".PDF");
                            }))
        << "link text \"" << text << "\"";
  }
  EXPECT_EQ(resolved, pdfs);
}

TEST_F(ReliabilityTest, AnIssueFolderWithAHundredThousandPdfs) {
  const fs::path folder = root_ / "Embo" / "v1";
  fs::create_directories(folder);
  WriteFile(folder / "page.htm", EmboPage("T"));
  constexpr int kPdfs = 100000;
  for (int i = 0; i < kPdfs; ++i) {
    // Written in a scrambled order, named so that the sorted order is known.
    const int n = static_cast<int>((static_cast<long long>(i) * 7919) % kPdfs);
    char name[32];
    std::snprintf(name, sizeof name, "a%06d.pdf", n);
    const int fd = ::open((folder / name).c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
  }
  fs::rename(folder / "a000001.pdf", folder / "a1.pdf");  // the one the page describes
  const std::string index = Index(seconds(600));  // a hang guard, even under a sanitizer
  std::vector<std::string> links;
  for (const auto& [href, text] : Links(index)) links.push_back(text);
  ASSERT_EQ(links.size(), static_cast<size_t>(kPdfs));
  EXPECT_TRUE(std::is_sorted(links.begin(), links.end()));
  EXPECT_EQ(links.front(), "a000000");
  EXPECT_EQ(links.back(), "a1");  // "a1" sorts after every "a0....."
  EXPECT_NE(index.find(std::string("a1</A> ") + kEmboA1), std::string::npos);
}

TEST_F(ReliabilityTest, AnEarlierIndexAndAStaleTemporaryFileAreReplaced) {
  WriteFile(root_ / "HtmlData.htm", kEarlier);
  WriteFile(root_ / kIndexTempName, "left by a run that was killed");
  WriteFile(root_ / "Embo/v1/page.htm", EmboPage("T"));
  WriteFile(root_ / "Embo/v1/a1.pdf", "");
  // An archive copied into an issue folder brings its own index page along,
  // which reads as one more contents page there.
  WriteFile(root_ / "Embo/v1/HtmlData.htm", std::string(kIndexHeader) + kIndexFooter);
  const std::string first = Index();
  EXPECT_EQ(first, std::string(kIndexHeader) + "<HR><B><BR>Quor's PDF Articles Database<BR></B>\r\n" +
                       "<B><BR>T<BR></B>\r\n<BR>\r\n" + "<A HREF=\"Embo/v1/a1.pdf\">a1</A> " + kEmboA1 +
                       "\r\n" + kIndexFooter);
  EXPECT_EQ(Index(), first);  // the index does not index itself
}

TEST_F(ReliabilityTest, AFailingDiskEndsTheRunAndKeepsTheEarlierIndex) {
  struct Row {
    const char* what;
    void (*make)(const fs::path& root);
    long long file_size_limit;
    const char* message;
    const char* line;  // on standard error
  };
  const Row rows[] = {
      {"a write fails: no room is left for the file", [](const fs::path&) {}, 100, "Disk full.",
       "pdfindex: cannot write 'HtmlData.htm': File too large\n"},
      {"the final rename fails",
       [](const fs::path& root) {
         fs::remove(root / "HtmlData.htm");
         WriteFile(root / "HtmlData.htm" / "kept", kEarlier);
       },
       -1, "I/O error 21.", "pdfindex: cannot replace 'HtmlData.htm': Is a directory\n"},
      {"a read fails on an opened page",
       [](const fs::path& root) { fs::create_symlink("/proc/self/mem", root / "Embo/v1/mem.htm"); },
       -1, "I/O error 5.", "pdfindex: cannot read 'Embo/v1/mem.htm': Input/output error\n"},
  };
  for (const Row& row : rows) {
    fs::remove_all(root_);
    WriteFile(root_ / "HtmlData.htm", kEarlier);
    WriteFile(root_ / "Embo/v1/page.htm", EmboPage("T"));
    WriteFile(root_ / "Embo/v1/a1.pdf", "");
    row.make(root_);
    ProgramOptions options;
    options.file_size_limit = row.file_size_limit;
    const ProgramRun run = RunPdfindex(root_, seconds(60), options);
    EXPECT_EQ(run.status, 1) << row.what;
    EXPECT_EQ(run.out, std::string("Exception EInOutError in module pdfindex at 00401000.\n") +
                           row.message + "\r\n")
        << row.what;
    EXPECT_EQ(run.err, row.line) << row.what;
    const fs::path earlier =
        fs::is_directory(root_ / "HtmlData.htm") ? root_ / "HtmlData.htm" / "kept" : root_ / "HtmlData.htm";
    EXPECT_EQ(Slurp(earlier), kEarlier) << row.what;
    EXPECT_EQ(Leftovers(root_), "") << row.what;
  }
}

TEST_F(ReliabilityTest, AFullFileSystemEndsTheRunAndKeepsTheEarlierIndex) {
  // A small file system of its own, which the index cannot fit on.
  const fs::path mount = root_ / "small";
  fs::create_directories(mount);
  if (::geteuid() != 0 || ::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "mounting a small file system needs root";
  }
  WriteFile(mount / "HtmlData.htm", kEarlier);
  WriteFile(mount / "Embo/v1/page.htm", EmboPage("T"));
  // Empty PDFs take no space, but their links do: over 64 KiB of them.
  for (int i = 0; i < 3000; ++i)
    WriteFile(mount / "Embo/v1" / ("a" + std::to_string(i) + ".pdf"), "");
  const ProgramRun run = RunPdfindex(mount);
  const std::string earlier = Slurp(mount / "HtmlData.htm");
  const bool temp_left = !Leftovers(mount).empty();
  ::umount2(mount.c_str(), MNT_DETACH);
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_EQ(run.out, "Exception EInOutError in module pdfindex at 00401000.\nDisk full.\r\n");
  EXPECT_EQ(earlier, kEarlier);
  EXPECT_FALSE(temp_left);
}

}  // namespace
}  // namespace pdfindex
