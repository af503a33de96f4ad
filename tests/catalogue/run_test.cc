#include "run/run.h"

#include <gtest/gtest.h>

#include "fake_disk.h"
#include "test_util.h"

namespace pdfindex {
namespace {



std::string IndexOf(FakeDisk& disk, FakeConsole* console = nullptr) {
  FakeConsole fallback;
  const Status error = RunCatalogue(disk, console ? *console : fallback);
  EXPECT_TRUE(error.ok()) << StatusMessage(error);
  EXPECT_EQ(disk.pending(), 0);
  return disk.Contents("HtmlData.htm");
}

TEST(RunTest, WritesTheIndexByteForByte) {
  struct Row {
    const char* what;
    void (*build)(FakeDisk&);
    std::string expected;
  };
  const Row rows[] = {
      {"empty root", [](FakeDisk&) {}, std::string(kIndexHeader) + kIndexFooter},
      {"one Embo issue",
       [](FakeDisk& d) {
         d.AddFile("Embo/v20n1/toc.htm", EmboPage("T"));
         d.AddFile("Embo/v20n1/a1.pdf");
       },
       std::string(kIndexHeader) +
           "<HR><B><BR>T<BR></B>\r\n<BR>\r\n<A HREF=\"Embo/v20n1/a1.pdf\">a1</A> " + kEmboA1 + "\r\n" +
           kIndexFooter},
      {"folder without pages",
       [](FakeDisk& d) {
         d.AddFile("Embo/v1/b.pdf");
         d.AddFile("Embo/v1/a.pdf");
       },
       std::string(kIndexHeader) + "<HR><B><BR>[Embo/v1]</B><BR><BR>\r\n" +
           "<A HREF=\"Embo/v1/a.pdf\">a</A> <A HREF=\"Embo/v1/b.pdf\">b</A> \r\n" + kIndexFooter},
      {"issue folder without PDFs",
       [](FakeDisk& d) { d.AddFile("Embo/v1/toc.htm", EmboPage("T")); },
       std::string(kIndexHeader) + "<HR><B><BR>T<BR></B>\r\n<BR>\r\n\r\n" + kIndexFooter},
      {"publisher folder without issue folders, and a root file",
       [](FakeDisk& d) {
         d.AddFolder("Embo");
         d.AddFile("README");
         d.AddFile("notes.pdf");
       },
       std::string(kIndexHeader) + kIndexFooter},
      {"titles T, T, U, T give three headings",
       [](FakeDisk& d) {
         d.AddFile("Embo/v/1.htm", EmboPage("T"));
         d.AddFile("Embo/v/2.htm", EmboPage("T"));
         d.AddFile("Embo/v/3.htm", EmboPage("U"));
         d.AddFile("Embo/v/4.htm", EmboPage("T"));
       },
       std::string(kIndexHeader) + "<HR><B><BR>T<BR></B>\r\n<B><BR>U<BR></B>\r\n<B><BR>T<BR></B>\r\n" +
           "<BR>\r\n\r\n" + kIndexFooter},
      {"a first page titled \"\" writes no heading",
       [](FakeDisk& d) {
         d.AddFile("Embo/v/1.htm", "<TITLE></TITLE>");
         d.AddFile("Embo/v/2.htm", EmboPage("T"));
       },
       std::string(kIndexHeader) + "<HR><B><BR>T<BR></B>\r\n<BR>\r\n\r\n" + kIndexFooter},
      {"base names drop .pdf in any case; links name the file itself",
       [](FakeDisk& d) {
         d.AddFile("Embo/v/Paper.PDF");
         d.AddFile("Embo/v/a.pdf.pdf");
       },
       std::string(kIndexHeader) + "<HR><B><BR>[Embo/v]</B><BR><BR>\r\n" +
           "<A HREF=\"Embo/v/a.pdf.pdf\">a.pdf</A> <A HREF=\"Embo/v/Paper.PDF\">Paper</A> \r\n" +
           kIndexFooter},
      {"folders in word-sort order, case duplicates once, hidden folders skipped",
       [](FakeDisk& d) {
         d.AddFolder("b/i");
         d.AddFolder("A/i");
         d.AddFolder(".git/i");
         d.AddFolder("Vol. 12/i");
       },
       std::string(kIndexHeader) + "<HR><B><BR>[A/i]</B><BR><BR>\r\n\r\n" +
           "<HR><B><BR>[b/i]</B><BR><BR>\r\n\r\n<HR><B><BR>[Vol. 12/i]</B><BR><BR>\r\n\r\n" +
           kIndexFooter},
      {".html pages count, and page names in any case",
       [](FakeDisk& d) {
         d.AddFile("Embo/v/B.HTML", EmboPage("U"));
         d.AddFile("Embo/v/a.htm", EmboPage("T"));
         d.AddFile("Embo/v/c.txt", EmboPage("V"));
       },
       std::string(kIndexHeader) + "<HR><B><BR>T<BR></B>\r\n<B><BR>U<BR></B>\r\n<BR>\r\n\r\n" + kIndexFooter},
      {"names are written HTML-safe",
       [](FakeDisk& d) {
         d.AddFile("P&Q/v <1>/a \"b\"#%?&.pdf");
         d.AddFile(std::string("P&Q/v <1>/t\x01\x7f\xe9.pdf"));
       },
       std::string(kIndexHeader) + "<HR><B><BR>[P&amp;Q/v &lt;1&gt;]</B><BR><BR>\r\n" +
           "<A HREF=\"P&amp;Q/v <1>/a %22b%22%23%25%3F&amp;.pdf\">a \"b\"#%?&amp;</A> " +
           "<A HREF=\"P&amp;Q/v <1>/t%01%7F%E9.pdf\">t\x01\x7f\xe9</A> \r\n" + kIndexFooter},
      {"a page path standing in for a title is escaped like a folder name",
       [](FakeDisk& d) {
         d.AddFile("<script>/v&1/no title.htm", "no title tag");
         d.AddUnopenable("ScienceDirect/<img src=x>/gone.htm");
         d.AddFile("Misc/v2/own.htm", "<TITLE><I>A & B</I></TITLE>");
       },
       std::string(kIndexHeader) + "<HR><B><BR>&lt;script&gt;/v&amp;1/no title.htm<BR></B>\r\n" +
           "<BR>\r\n\r\n<HR><B><BR><I>A & B</I><BR></B>\r\n<BR>\r\n\r\n" +
           "<HR><B><BR>ScienceDirect/&lt;img src=x&gt;/gone.htm<BR></B>\r\n<BR>\r\n\r\n" + kIndexFooter},
      {"folders that cannot be listed list as empty",
       [](FakeDisk& d) {
         d.AddFile("Embo/v1/a.pdf");
         d.AddFile("Embo/v2/b.pdf");
         d.AddFile("Misc/v1/c.pdf");
         d.FailList("Embo/v2/", Status::FromErrno(13));
         d.FailList("Misc/", Status::FromErrno(13));
       },
       std::string(kIndexHeader) + "<HR><B><BR>[Embo/v1]</B><BR><BR>\r\n" +
           "<A HREF=\"Embo/v1/a.pdf\">a</A> \r\n<HR><B><BR>[Embo/v2]</B><BR><BR>\r\n\r\n" +
           kIndexFooter},
      {"links keep a leading blank, a scheme-like colon and a backslash",
       [](FakeDisk& d) { d.AddFile(" a:b/v\\1/ c d.pdf"); },
       std::string(kIndexHeader) + "<HR><B><BR>[ a:b/v\\1]</B><BR><BR>\r\n" +
           "<A HREF=\"%20a%3Ab/v%5C1/%20c d.pdf\"> c d</A> \r\n" + kIndexFooter},
  };
  for (const Row& row : rows) {
    FakeDisk disk;
    row.build(disk);
    EXPECT_EQ(IndexOf(disk), row.expected) << row.what;
  }
}

TEST(RunTest, ReadsEachPageOnceAndNeverAPdf) {
  FakeDisk disk;
  disk.AddFile("Embo/v/1.htm", EmboPage("T"));
  disk.AddFile("Embo/v/2.htm", EmboPage("U"));
  for (int i = 0; i < 20; ++i) disk.AddFile("Embo/v/p" + std::to_string(i) + ".pdf");
  IndexOf(disk);
  for (const auto& [path, count] : disk.reads()) {
    EXPECT_EQ(count, 1) << path;
    EXPECT_EQ(path.find(".pdf"), std::string::npos) << path;
  }
  EXPECT_EQ(disk.reads().size(), 2u);
}

TEST(RunTest, PagesThatCannotBeOpenedAreSkipped) {
  FakeDisk disk;
  disk.AddUnopenable("Embo/v/0.htm");  // a FIFO, a socket or a dangling link
  disk.AddFolder("Embo/v/dir.htm");    // a folder named like a page
  disk.AddFile("Embo/v/gone.htm", EmboPage("X"));
  disk.Vanish("Embo/v/gone.htm");
  disk.AddFile("Embo/v/page.htm", EmboPage("T"));
  disk.AddFile("Embo/v/a1.pdf");
  EXPECT_EQ(IndexOf(disk), std::string(kIndexHeader) + "<HR><B><BR>T<BR></B>\r\n<BR>\r\n" +
                               "<A HREF=\"Embo/v/a1.pdf\">a1</A> " + kEmboA1 + "\r\n" + kIndexFooter);
}

TEST(RunTest, AFailureLeavesTheEarlierIndexAndNoTemporaryFile) {
  struct Row {
    const char* what;
    void (*inject)(FakeDisk&);
    int code;
  };
  const Row rows[] = {
      {"output cannot be created", [](FakeDisk& d) { d.create_error = Status::Code(5); }, 5},
      {"disk full on the first write", [](FakeDisk& d) { d.writes_before_failure = 0; }, 101},
      {"disk full midway", [](FakeDisk& d) { d.writes_before_failure = 1; }, 101},
      {"rename fails", [](FakeDisk& d) { d.commit_error = Status::FromErrno(18); }, 18},
      {"a page fails while read",
       [](FakeDisk& d) { d.FailRead("Embo/v/page.htm", Status::FromErrno(5)); }, 5},
      {"memory runs out", [](FakeDisk& d) { d.ExhaustMemoryOn("Embo/v/page.htm"); }, 12},
  };
  for (const Row& row : rows) {
    FakeDisk disk;
    disk.AddFile("HtmlData.htm", "earlier index");
    disk.AddFile("Embo/v/page.htm", EmboPage("T"));
    disk.AddFile("Embo/v/a1.pdf");
    row.inject(disk);
    FakeConsole console;
    const Status error = RunCatalogue(disk, console);
    EXPECT_EQ(error.code, row.code) << row.what;
    EXPECT_EQ(disk.Contents("HtmlData.htm"), "earlier index") << row.what;
    EXPECT_EQ(disk.pending(), 0) << row.what;
  }
}

TEST(RunTest, AnEarlierIndexIsReplacedAndNotIndexed) {
  FakeDisk disk;
  disk.AddFile("HtmlData.htm", "earlier index");
  EXPECT_EQ(IndexOf(disk), std::string(kIndexHeader) + kIndexFooter);
}

TEST(FailureReportTest, NamesTheErrorAndTheProgram) {
  struct Row {
    Status error;
    const char* message;
  };
  const Row rows[] = {
      {Status::FromErrno(ENOENT), "File not found."},
      {Status::FromErrno(ENAMETOOLONG), "Invalid filename."},
      {Status::FromErrno(EMFILE), "Too many open files."},
      {Status::FromErrno(EACCES), "File access denied."},
      {Status::FromErrno(ENOSPC), "Disk full."},
      {Status::Code(100), "Read beyond end of file."},
      {Status::Code(106), "Invalid numeric input."},
      {Status::FromErrno(EIO), "I/O error 5."},
      {Status::FromErrno(EXDEV), "I/O error 18."},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FailureReport("/usr/local/bin/pdfindex", row.error),
              std::string("Exception EInOutError in module pdfindex at 00401000.\n") + row.message +
                  "\r\n");
  }
}

}  // namespace
}  // namespace pdfindex
