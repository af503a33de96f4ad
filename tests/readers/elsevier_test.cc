#include "readers/elsevier.h"

#include <gtest/gtest.h>

#include <random>

#include "run/run.h"
#include "fake_disk.h"
#include "oracles/oracles.h"
#include "test_util.h"

namespace pdfindex {
namespace {

constexpr char kPath[] = "Elsevier/v/t.htm";

const Oracle& kOracle = *OracleOf("Elsevier");

TEST(ElsevierTest, IssueTitle) {
  const std::string big(10'000'000, 'x');
  struct Row {
    std::string page;
    std::string title;
  };
  const Row rows[] = {
      {"<HEAD><TITLE>Journal of Examples, Volume 12, Issue 3</TITLE></HEAD>",
       "Journal of Examples, Volume 12, Issue 3"},
      {"<TITLE>Journal of Examples: Free Sample Issue.</TITLE>", "Journal of Examples"},
      {"<TITLE>Journal: Free Sample Issue. Extra</TITLE>", "Journal"},
      {"<TITLE>Journal: Free Sample Issue</TITLE>", "Journal: Free Sample Issue"},
      {"<HTML>\r\n<TITLE>Journal of Examples,\r\nVolume 12</TITLE>\r\n", "Volume 12"},
      {"<TITLE>Journal\r\n</TITLE>\r\n", ""},
      {"<TITLE> Journal </TITLE>", " Journal "},
      {"<TITLE>A &amp; <i>B</i></TITLE>", "A &amp; <i>B</i>"},
      {"<TITLE>A</TITLE>\r\n<TITLE>B</TITLE>", "A"},
      {"x</TITLE><TITLE>y</TITLE>", "x"},
      {"<title>Journal</title>", kPath},
      {"", kPath},
      {"<HTML>\r<TITLE>T\r</TITLE>\r", "T"},
      {"<TITLE>T\x1a</TITLE>", kPath},
      {big, kPath},
      {big + "</TITLE>", big},
  };
  for (const Row& r : rows) {
    PageSet pages;
    pages.Add(kPath, r.page);
    EXPECT_EQ(TitleOf(ElsevierIssueTitle, pages, kPath), r.title) << r.page.substr(0, 80);
    EXPECT_EQ(kOracle.title(pages, kPath), r.title) << r.page.substr(0, 80);
  }
  EXPECT_EQ(TitleOf(ElsevierIssueTitle, PageSet(), kPath), kPath);
}

TEST(ElsevierTest, MatchesTheStepByStepReadingOnRandomPages) {
  std::mt19937 rng(37);
  const std::vector<std::string> pieces = {
      "<TITLE>", "</TITLE>", ": Free Sample Issue.",
      ": Free",  "<title>",  "</title>",
      "\r\n",    "\n",       "\r",
      " ",       "Journal",  "\x1a",
  };
  for (int round = 0; round < 3000; ++round) {
    std::string page;
    const int n = static_cast<int>(rng() % 20);
    for (int i = 0; i < n; ++i) page += pieces[rng() % pieces.size()];
    PageSet pages;
    pages.Add(kPath, page);
    ASSERT_EQ(TitleOf(ElsevierIssueTitle, pages, kPath), kOracle.title(pages, kPath)) << page;
  }
}

// Elsevier folders take their titles here and their descriptions from the
// general finder; a page that cannot be opened stands as its own path.
TEST(ElsevierTest, WholeRun) {
  FakeDisk disk;
  disk.AddUnopenable("Elsevier/Vol 5/bad.htm");
  disk.AddFile("Elsevier/Vol 5/toc.htm",
               "<HTML><HEAD><TITLE>Journal of Examples: Free Sample Issue.</TITLE></HEAD>\r\n"
               "<BODY><a href=\"/pii/S0001.pdf\">Made-up <i>results</i></a>\r\n");
  disk.AddFile("Elsevier/Vol 5/S0001.pdf");
  FakeConsole console;
  ASSERT_TRUE(RunCatalogue(disk, console).ok());
  EXPECT_EQ(disk.Contents("HtmlData.htm"),
            "<TITLE>Quor's PDF Articles Database</TITLE><HEAD>"
            "<HR><B><BR>Elsevier/Vol 5/bad.htm<BR></B>\r\n<B><BR>Journal of Examples<BR></B>\r\n"
            "<BR>\r\n<A HREF=\"Elsevier/Vol 5/S0001.pdf\">S0001</A> Made-up<i>results</i><BR>\r\n"
            "<HR></HEAD><BODY></BODY>");
  EXPECT_EQ(console.output, "");
}

}  // namespace
}  // namespace pdfindex
