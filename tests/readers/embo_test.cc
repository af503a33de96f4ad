#include "readers/embo.h"

#include <gtest/gtest.h>

#include <random>

#include "oracles/oracles.h"
#include "test_util.h"

namespace pdfindex {
namespace {

const Oracle& kOracle = *OracleOf("Embo");

TEST(EmboTest, IssueTitleIsTheTitleLineText) {
  struct Row {
    const char* page;
    const char* title;
  };
  const Row rows[] = {
      {"<HTML>\r\n<HEAD><TITLE>J. Things 20(1)</TITLE></HEAD>\r\n", "J. Things 20(1)"},
      {"", ""},
      {"<TITLE> Open title, blanks kept \r\nmore</TITLE>", " Open title, blanks kept "},
      {"<title>x</title>\r\nabcdefghij</TITLE>", "ghij"},  // no tag: the last line from byte 7
      {"<TITLE>A</TITLE>\n<TITLE>B</TITLE>", "A"},
      {"a\rb<TITLE>x\ry</TITLE>", "xy"},
  };
  for (const Row& r : rows) {
    PageSet pages;
    pages.Add("Embo/v/t.htm", r.page);
    EXPECT_EQ(TitleOf(EmboIssueTitle, pages, "Embo/v/t.htm"), r.title) << r.page;
    EXPECT_EQ(kOracle.title(pages, "Embo/v/t.htm"), r.title) << r.page;
  }
  EXPECT_EQ(TitleOf(EmboIssueTitle, PageSet(), "Embo/v/missing.htm"), "");
}

TEST(EmboTest, DescribesTheEntryBetweenItsTwoLinks) {
  struct Row {
    const char* what;
    std::string page;
    std::string description;
  };
  const std::string tail = "\r\n</DL>\r\n";
  const Row rows[] = {
      {"all tags",
       "<DT><A HREF=\"/r/a1\">\r\n Heading</A><DD>\r\n<STRONG>Ann Author</STRONG><BR>\r\n"
       "J. Things 20: 1-10.<NOBR> <A HREF=\"/c/a1\">[Abstract]</A>" +
           tail,
       " Heading; Ann Author; pp. 1-10; J. Things 20.<BR>"},
      {"lines joined with nothing between",
       "<A HREF=\"/r/a1\">xHead\r\ning</A><DD><STRONG>Ann Au\r\nthor</STRONG><BR>S: 5.<A "
       "HREF=\"/c/a1\">" +
           tail,
       "Heading; Ann Author; pp. 5; S.<BR>"},
      {"no tags at all: the clamped cuts decide",
       "<A HREF=\"/r/a1\">x0123456789abc:def.ghi <A HREF=\"/c/a1\">" + tail,
       "; ; pp.ghi ; ghi .<BR>"},
      {"no colon: the range text stands twice",
       "<A HREF=\"/r/a1\">xH1234<DD><STRONG>S</STRONG><BR>Source 1.2<A HREF=\"/c/a1\">" + tail,
       "H; S; pp.Source 1; Source 1.2.<BR>"},
      {"heading of four bytes becomes empty, of three stays",
       "<A HREF=\"/r/a1\">xabcd<DD><STRONG>S</STRONG><BR>x: 1.<A HREF=\"/c/a1\">" + tail,
       "; S; pp. 1; x.<BR>"},
      {"heading of three bytes stays",
       "<A HREF=\"/r/a1\">xabc<DD><STRONG>S</STRONG><BR>x: 1.<A HREF=\"/c/a1\">" + tail,
       "abc; S; pp. 1; x.<BR>"},
      {"the key only once: skipped", "<A HREF=\"/r/a1\">x text" + tail, ""},
      {"second key only on the last line: skipped",
       "<A HREF=\"/r/a1\">x\r\ntext\r\n<A HREF=\"/c/a1\">", ""},
      {"second key on the opening line's rest, which is the last line",
       "<A HREF=\"/r/a1\">xH<DD><STRONG>S</STRONG><BR>x: 1.<A HREF=\"/c/a1\">",
       "H; S; pp. 1; x.<BR>"},
      {"a longer name ending in the base name does not match",
       "<A HREF=\"/r/xa1\">x<A HREF=\"/r/a1x\">" + tail, ""},
      {"key split across lines is not an opening",
       "<A HREF=\"/r/a\r\n1\">x<A HREF=\"/c/a1\">x" + tail, ""},
  };
  for (const Row& r : rows) {
    PageSet pages;
    pages.Add("Embo/v/t.htm", r.page);
    NameList list;
    FillList(list, {"t.htm"});
    bool matched = false;
    EXPECT_EQ(Classic(EmboArticle, pages, "a1", "Embo/v/", list, &matched), r.description)
        << r.what;
    EXPECT_EQ(matched, !r.description.empty()) << r.what;
    EXPECT_EQ(kOracle.article(pages, "a1", "Embo/v/", list, nullptr), r.description) << r.what;
  }
}

TEST(EmboTest, TheFirstPageInListOrderWins) {
  PageSet pages;
  const std::string entry =
      "<A HREF=\"/r/a1\">xH<DD><STRONG>S</STRONG><BR>x: 1.<A HREF=\"/c/a1\">\r\n";
  pages.Add("Embo/v/1.htm", "nothing\r\n");
  pages.Add("Embo/v/2.htm", "<STRONG>two</STRONG>" + entry + "end\r\n");
  pages.Add("Embo/v/3.htm", entry + "end\r\n");
  NameList list;
  FillList(list, {"0.htm", "1.htm", "2.htm", "3.htm"});  // 0.htm cannot be opened
  EXPECT_EQ(Classic(EmboArticle, pages, "a1", "Embo/v/", list), "H; S; pp. 1; x.<BR>");
  NameList empty;
  EXPECT_EQ(Classic(EmboArticle, pages, "a1", "Embo/v/", empty), "");
}

// Random pages built from entry pieces, with tags dropped, lines split and
// keys repeated: the reader must give the oracle's description every time.
TEST(EmboTest, MatchesTheStepByStepReadingOnRandomPages) {
  std::mt19937 rng(20);
  const std::vector<std::string> pieces = {
      "<DT>",
      "<A HREF=\"/r/a1\">",
      "<A HREF=\"/c/a1\">",
      "<A HREF=\"/r/a2\">",
      " Head",
      "</A>",
      "<DD>",
      "<STRONG>",
      "Ann",
      "</STRONG>",
      "<BR>",
      "J. T 20: 1-10.",
      "<NOBR>",
      ":",
      ".",
      "\r\n",
      "\r\n",
      "\n",
      "\r",
      "x",
      "/a1\"",
      "a1",
  };
  for (int round = 0; round < 4000; ++round) {
    PageSet pages;
    std::vector<std::string> names;
    const int page_count = 1 + static_cast<int>(rng() % 3);
    for (int p = 0; p < page_count; ++p) {
      std::string page;
      const int n = static_cast<int>(rng() % 30);
      for (int i = 0; i < n; ++i) page += pieces[rng() % pieces.size()];
      names.push_back(std::to_string(p) + ".htm");
      pages.Add("Embo/v/" + names.back(), page);
    }
    NameList list;
    FillList(list, names);
    const std::string base = rng() % 2 ? "a1" : "a2";
    ASSERT_EQ(Classic(EmboArticle, pages, base, "Embo/v/", list),
              kOracle.article(pages, base, "Embo/v/", list, nullptr))
        << "round " << round;
  }
}

}  // namespace
}  // namespace pdfindex
