#include "readers/springer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "run/run.h"
#include "fake_disk.h"
#include "oracles/oracles.h"
#include "test_util.h"

namespace pdfindex {
namespace {

const Oracle& kOracle = *OracleOf("Springer");

TEST(SpringerTest, IssueTitleJoinsTitleAndPublicationText) {
  struct Row {
    const char* what;
    std::string page;
    std::string title;
  };
  const Row rows[] = {
      {"all pieces",
       "<HTML><HEAD>\r\n<TITLE>Journal Index: J. Imag. Bot. - Table of Contents Volume 12 Issue "
       "3</TITLE>\r\n</HEAD><BODY>\r\nOnline publication: March 14, 2001<BR>\r\n</BODY>\r\n",
       " J. Imag. Bot. - Volume 12 Issue 3, March 14, 2001"},
      {"page of zero bytes", "", ","},
      {"title on the last line", "x\r\n<TITLE>A: B</TITLE>\r\n", " B,"},
      {"label on the title line is not searched",
       "<TITLE>A: B</TITLE>Online publication: X<BR>\r\nmid\r\nOnline publication: Y<BR>z\r\n"
       "Online publication: W\r\n",
       " B, Y"},
      {"no label: the last line from its 19th byte",
       "<TITLE>A: B</TITLE>\r\nmid\r\nabcdefghijklmnopqrSTUV<BR>x", " B,STUV"},
      {"only the first Table of Contents goes",
       "<TITLE>X: Table of Contents Table of Contents V1</TITLE>\r\nOnline publication:D",
       " Table of Contents V1,D"},
      {"only the text through the first colon goes",
       "<TITLE>A: B: C</TITLE>\r\nOnline publication:D", " B: C,D"},
      {"Table of Contents without its blank stays",
       "<TITLE>Table of Contents</TITLE>\r\nOnline publication:D", "Table of Contents,D"},
      {"no title tag: the last line from its 7th byte, no publication search",
       "<title>x</title>\r\nOnline publication: Q\r\nabcdefghijk</TITLE>", "ghijk,"},
      {"no closing tag: the rest of the title line",
       "<TITLE>A: B\r\nC</TITLE>\r\nOnline publication: 2001", " B, 2001"},
      {"carriage returns alone end no line", "<TITLE>A:\rB</TITLE>\rOnline publication: X\r\n",
       "B,"},
      {"line feeds alone end lines", "<TITLE>A: B</TITLE>\nOnline publication: X<BR>\n", " B, X"},
  };
  for (const Row& r : rows) {
    PageSet pages;
    pages.Add("Springer/v/t.htm", r.page);
    EXPECT_EQ(TitleOf(SpringerIssueTitle, pages, "Springer/v/t.htm"), r.title) << r.what;
    EXPECT_EQ(kOracle.title(pages, "Springer/v/t.htm"), r.title) << r.what;
  }
  EXPECT_EQ(TitleOf(SpringerIssueTitle, PageSet(), "Springer/v/missing.htm"), "");
}

const std::string kArticleLink = "<A HREF=\"/j/a1.htm\">";
const std::string kPdfLink = "<A HREF=\"/j/a1.pdf\">";

struct ArticleRow {
  const char* what;
  std::string page;
  std::string description;
};

// Checks each row on the reader and on the oracle, base name a1.
void ExpectDescriptions(const std::vector<ArticleRow>& rows) {
  for (const ArticleRow& r : rows) {
    PageSet pages;
    pages.Add("Springer/v/t.htm", r.page);
    NameList list;
    FillList(list, {"t.htm"});
    bool matched = false;
    EXPECT_EQ(Classic(SpringerArticle, pages, "a1", "Springer/v/", list, &matched), r.description)
        << r.what;
    EXPECT_EQ(matched, !r.description.empty()) << r.what;
    bool literal_matched = false;
    EXPECT_EQ(kOracle.article(pages, "a1", "Springer/v/", list, &literal_matched),
              r.description)
        << r.what;
  }
}

TEST(SpringerTest, DescribesTheEntryFromItsParagraphToTheNextLink) {
  ExpectDescriptions({
      {"all tags, PDF link on the next line",
       "<HTML><BODY>\r\n<P>Varga H, Okonkwo L.<BR>\r\n" + kArticleLink +
           "Salt stress</A> Original paper<BR><I>J Imag Bot</I> <B>12</B> (3)<BR>201-214<BR>\r\n" +
           kPdfLink + "Full text</A></P>\r\n</BODY></HTML>\r\n",
       "Varga H, Okonkwo L; Salt stress; Original paper; <I>J Imag Bot</I>, 12 (3) 201-214.<BR>"},
      {"PDF link on the same line",
       "<P>Lead.<BR>" + kArticleLink + "T</A><BR>" + kPdfLink + "PDF</A>\r\nend", "Lead; T;; <BR>"},
      {"PDF link two lines on: the link text runs to the further line's end",
       "<P>Lead.<BR>\r\n" + kArticleLink + "T</A>\r\nVol 12\r\n" + kPdfLink + "PDF</A>\r\n",
       "Lead; T;Vol 12<BR>"},
      {"PDF link two lines on: or to the next link",
       "<P>Lead.<BR>\r\n" + kArticleLink +
           "T</A>\r\nVol 12<A HREF=\"/j/a1.abs.htm\">Abstract</A>\r\n" + kPdfLink + "PDF</A>\r\n",
       "Lead; T;Vol 12<BR>"},
      {"tags of the link text converted in order",
       "<P>L.<BR>" + kArticleLink + "T</A><BR>a</B><BR>b<BR>c <B>d</B>e<BR>f\r\n",
       "L; T;; a b.c, d,e<BR>f<BR>"},
      {"lines joined with nothing between",
       "<P>Var\r\nga H.<BR>" + kArticleLink + "Ti\r\ntle</A>\r\n", "Varga H; Title;<BR>"},
      {"a second <P> in the walk's last piece stays", "<P>x<P>Second.<BR>" + kArticleLink + "T</A>",
       "x<P>Second; T;<BR>"},
      {"the lead text starts at the last <P> before the link",
       "<P>First entry, long enough.<BR>\r\n<P>Second.<BR>" + kArticleLink + "T</A>",
       "Second; T;<BR>"},
      {"the next line is taken even when it holds another entry",
       "<P>L.<BR>" + kArticleLink + "T</A>\r\n<P>M.<BR>" + kArticleLink + "U</A>",
       "L; T;<P>M.; <BR>"},
      {"a key broken across lines opens no entry", "<P>L<BR><A HREF=\"/j/a1.h\r\ntm\">T</A>\r\n",
       ""},
      {"a broken key before the found line is the link the text starts at",
       "<P>Early.<BR><A HREF=\"/j/a1.h\r\ntm\">Split</A>\r\n<P>Late.<BR>" + kArticleLink +
           "Real</A>\r\nx",
       "Early; Split;<P>Late.; <BR>"},
      {"PDF link before the article link: the cut removes the link",
       kPdfLink + "PDF</A>\r\n<P>Lead.<BR>" + kArticleLink + "T</A>", " \"/j<BR>"},
      {"<P> removed by the cut at the link: nothing is left",
       "zz<A HREF=\"<P>Lead text abc<BR>" + kArticleLink + "T</A>", " T;<BR>"},
      {"tags in lower case are not matched", "<p>L.<br>" + kArticleLink + "T</a>",
       ">L.<br; T</a><BR>"},
      {"other base names do not match",
       "<P>L.<BR><A HREF=\"/j/a10.htm\">T</A>\r\n<A HREF=\"/j/xa1.htm\">U</A>\r\n", ""},
      {"page of zero bytes", "", ""},
  });
}

// The walk back from the link ends when nothing is left before it, the lead
// text may be empty, and a "<B>" may open the link text: these never write
// outside the text and never loop.
TEST(SpringerTest, EdgesWithoutParagraphOrLeadOrByteBeforeBold) {
  ExpectDescriptions({
      {"no <P> before the link: the walk takes everything",
       "Lead text.<BR>" + kArticleLink + "T</A>\r\nx", "ad text; T;x<BR>"},
      {"empty lead text stays empty", "<P><BR>" + kArticleLink + "T</A>", " T;<BR>"},
      {"the link at the page's start", "/a1.htm\">T</A>", " T;<BR>"},
      {"<B> opening the link text writes no comma", "<P>L.<BR>" + kArticleLink + "<B>T</B></A>",
       "L;  T;<BR>"},
      {"one byte before <B>: it becomes the comma", "<P>L.<BR>" + kArticleLink + "T<B>x</B></A>",
       "L; , x;<BR>"},
  });
}

TEST(SpringerTest, TheLastPageInListOrderWins) {
  PageSet pages;
  const std::string entry = "<P>L.<BR>" + kArticleLink + "T</A>\r\n";
  pages.Add("Springer/v/1.htm", "nothing\r\n");
  pages.Add("Springer/v/2.htm", entry);
  pages.Add("Springer/v/3.htm", "<P>M.<BR>" + kArticleLink + "U</A>\r\n");
  pages.Add("Springer/v/4.htm", "no entry here\r\n");
  NameList list;
  FillList(list,
           {"0.htm", "1.htm", "2.htm", "3.htm", "4.htm", "5.htm"});  // 0 and 5 cannot be opened
  bool matched = false;
  EXPECT_EQ(Classic(SpringerArticle, pages, "a1", "Springer/v/", list, &matched), "M; U;<BR>");
  EXPECT_TRUE(matched);
  EXPECT_EQ(Classic(SpringerArticle, pages, "a2", "Springer/v/", list, &matched), "");
  EXPECT_FALSE(matched);
  NameList empty;
  EXPECT_EQ(Classic(SpringerArticle, pages, "a1", "Springer/v/", empty, &matched), "");
  EXPECT_FALSE(matched);
}

TEST(SpringerTest, ArticleKeysAreTheTwoLinkEnds) {
  EXPECT_EQ(SpringerArticleKeys("s0001"),
            (std::vector<std::string>{"/s0001.htm\">", "/s0001.pdf\">"}));
}

// A long page without "<P>" or line ends, asked for many PDFs: every call
// ends, and soon.
TEST(SpringerTest, LongPagesWithoutParagraphsEnd) {
  std::string page = "Lead<BR>";
  for (int i = 0; i < 40000; ++i) page += "<I>filler " + std::to_string(i) + "</I> ";
  page += kArticleLink + "T</A>" + kPdfLink;
  PageSet pages;
  pages.Add("Springer/v/t.htm", page);
  NameList list;
  FillList(list, {"t.htm"});
  for (int i = 0; i < 200; ++i) {
    const std::string base = i == 0 ? "a1" : "b" + std::to_string(i);
    EXPECT_EQ(Classic(SpringerArticle, pages, base, "Springer/v/", list),
              i == 0 ? "a; T;<BR>" : "");
  }
}

// Well-formed pages with random mutations: tags dropped, case changed, lines
// split, keys repeated, line ends changed. The reader must give the oracle's
// title and descriptions every time.
TEST(SpringerTest, MatchesTheStepByStepReadingOnRandomPages) {
  std::mt19937 rng(32);
  auto pick = [&rng](size_t n) { return static_cast<size_t>(rng() % n); };
  const std::vector<std::string> bases = {"a1", "a2", "a10"};
  const std::vector<std::string> tags = {"<P>",
                                         "<BR>",
                                         "<A HREF=\"",
                                         "</A>",
                                         "<B>",
                                         "</B>",
                                         "<TITLE>",
                                         "</TITLE>",
                                         ":",
                                         "Online publication:",
                                         "Table of Contents ",
                                         ".htm\">",
                                         ".pdf\">",
                                         "\r\n",
                                         "/"};
  auto entry = [&](const std::string& b) {
    std::string e = "<P>Author " + b + ", Other Z.<BR>\r\n<A HREF=\"/j/" + b + ".htm\">Title " + b +
                    "</A> Paper<BR><I>J</I> <B>12</B> (3)<BR>1-9<BR>";
    e += pick(2) ? "\r\n" : "";
    return e + "<A HREF=\"/j/" + b + ".pdf\">PDF</A></P>\r\n";
  };
  for (int round = 0; round < 3000; ++round) {
    PageSet pages;
    std::vector<std::string> names;
    const size_t page_count = 1 + pick(3);
    for (size_t p = 0; p < page_count; ++p) {
      std::string page =
          "<HTML><HEAD>\r\n<TITLE>Index: J - Table of Contents 12(3)</TITLE>\r\n</HEAD>\r\n"
          "Online publication: May 2001<BR>\r\n";
      for (size_t e = pick(4); e > 0; --e) page += entry(bases[pick(bases.size())]);
      for (size_t m = pick(6); m > 0 && !page.empty(); --m) {
        const size_t at = pick(page.size());
        switch (pick(6)) {
          case 0: {  // drop a tag
            const std::string& tag = tags[pick(tags.size())];
            const size_t found = page.find(tag, at);
            if (found != std::string::npos) page.erase(found, tag.size());
            break;
          }
          case 1:  // change case
            for (size_t i = at; i < std::min(page.size(), at + 12); ++i) {
              if (page[i] >= 'A' && page[i] <= 'Z') page[i] = static_cast<char>(page[i] + 32);
            }
            break;
          case 2:  // split a line
            page.insert(at, pick(2) ? "\r\n" : "\n");
            break;
          case 3:  // repeat a piece (and so maybe a key)
            page.insert(pick(page.size()), page.substr(at, pick(80)));
            break;
          case 4:  // a lone carriage return, or a tag where it does not belong
            page.insert(at, pick(2) ? "\r" : tags[pick(tags.size())]);
            break;
          default:  // line feeds only
            for (size_t i = page.find('\r'); i != std::string::npos; i = page.find('\r', i)) {
              page.erase(i, 1);
            }
            break;
        }
      }
      names.push_back(std::to_string(p) + ".htm");
      pages.Add("Springer/v/" + names.back(), page);
      ASSERT_EQ(TitleOf(SpringerIssueTitle, pages, "Springer/v/" + names.back()),
                kOracle.title(pages, "Springer/v/" + names.back()))
          << "round " << round << "\n"
          << page;
    }
    NameList list;
    FillList(list, names);
    for (const std::string& base : bases) {
      bool matched = false;
      bool literal_matched = false;
      ASSERT_EQ(Classic(SpringerArticle, pages, base, "Springer/v/", list, &matched),
                kOracle.article(pages, base, "Springer/v/", list, &literal_matched))
          << "round " << round << " base " << base;
      ASSERT_EQ(matched, literal_matched) << "round " << round << " base " << base;
    }
  }
}

constexpr char kHeader[] = "<TITLE>Quor's PDF Articles Database</TITLE><HEAD>";
constexpr char kFooter[] = "<HR></HEAD><BODY></BODY>";

std::string IndexOf(FakeDisk& disk) {
  FakeConsole console;
  const Status error = RunCatalogue(disk, console);
  EXPECT_TRUE(error.ok());
  return disk.Contents("HtmlData.htm");
}

TEST(SpringerTest, WholeRunWritesTitlesAndDescriptions) {
  FakeDisk disk;
  disk.AddFile("Springer/v0/x.pdf");
  disk.AddFile("Springer/v12n3/toc.htm",
               "<HTML><HEAD><TITLE>Index: J Imag Bot - Table of Contents 12(3)</TITLE></HEAD>\r\n"
               "<BODY>Online publication: May 2001<BR>\r\n<P>Ann A.<BR>\r\n"
               "<A HREF=\"/j/s1.htm\">First title</A> <I>J</I> <B>12</B><BR>1-10<BR>\r\n"
               "<A HREF=\"/j/s1.pdf\">PDF</A></P>\r\n<P>Bob B.<BR>\r\n"
               "<A HREF=\"/j/s2.htm\">Old title</A>\r\n<A HREF=\"/j/s2.pdf\">PDF</A></P>\r\n"
               "</BODY></HTML>\r\n");
  disk.AddFile(
      "Springer/v12n3/toc2.htm",
      "<TITLE>Index: J Imag Bot - Table of Contents 12(3) part 2</TITLE>\r\n"
      "Online publication: May 2001<BR>\r\n"
      "<P>Bob B, Cy C.<BR><A HREF=\"/j/s2.htm\">New title</A><A HREF=\"/j/s2.pdf\">PDF</A>\r\n");
  disk.AddFile("Springer/v12n3/s1.pdf");
  disk.AddFile("Springer/v12n3/s2.pdf");
  disk.AddFile("Springer/v12n3/s9.pdf");
  EXPECT_EQ(
      IndexOf(disk),
      std::string(kHeader) + "<HR><B><BR>[Springer/v0]</B><BR><BR>\r\n" +
          "<A HREF=\"Springer/v0/x.pdf\">x</A> \r\n" +
          "<HR><B><BR> J Imag Bot - 12(3), May 2001<BR></B>\r\n" +
          "<B><BR> J Imag Bot - 12(3) part 2, May 2001<BR></B>\r\n<BR>\r\n" +
          "<A HREF=\"Springer/v12n3/s1.pdf\">s1</A> Ann A; First title; <I>J</I>, 12; 1-10 <BR>" +
          "<A HREF=\"Springer/v12n3/s2.pdf\">s2</A> Bob B, Cy C; New title;<BR>" +
          "<A HREF=\"Springer/v12n3/s9.pdf\">s9</A> \r\n" + kFooter);
}

// The example archive's Springer folders, run as a whole.
TEST(SpringerTest, WholeRunOnTheExampleArchive) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(PDFINDEX_EXAMPLES) / "archive";
  FakeDisk disk;
  disk.AddRealFiles(root.string(), "Springer");
  const std::string v3 = "<A HREF=\"Springer/JImagBot-v12n3/";
  const std::string v4 = "<A HREF=\"Springer/JImagBot-v12n4/";
  EXPECT_EQ(
      IndexOf(disk),
      std::string(kHeader) +
          "<HR><B><BR> Journal of Imaginary Botany - Volume 12 Issue 3, March 14, 2001<BR></B>\r\n"
          "<BR>\r\n" +
          v3 + "s0001.pdf\">s0001</A> Varga H, Okonkwo L; Salt stress and root growth in the " +
          "marsh fern; Original paper; <I>J Imag Bot</I>, 12 (3) 201-214.<BR>" + v3 +
          "s0002.pdf\">s0002</A> Lindqvist A, Moreau P, Tanaka S; Pollen dispersal by wind in " +
          "alpine meadows; Original paper; <I>J Imag Bot</I>, 12 (3) 215-229.<BR>" + v3 +
          "s0003.pdf\">s0003</A> Okafor C; Leaf shape and light: a short review; Review; " +
          "<I>J Imag Bot</I>, 12 (3) 231-240.<BR>" + v3 + "s0099.pdf\">s0099</A> \r\n" +
          "<HR><B><BR> Journal of Imaginary Botany - Volume 12 Issue 4, June 20, 2001<BR></B>\r\n"
          "<BR>\r\n" +
          v4 + "s0101.pdf\">s0101</A> Brandt E, Nakamura Y; Seed dormancy in desert annuals " +
          "after rare rains; Original paper; <I>J Imag Bot</I>, 12 (4) 281-294.<BR>" + v4 +
          "s0102.pdf\">s0102</A> Castellanos R; Mosses as markers of air quality in old towns; " +
          "Short communication; <I>J Imag Bot</I>, 12 (4) 295-300.<BR>" + v4 +
          "s0104.pdf\">s0104</A> Varga H, Szabo K; Night-time opening of stomata in a dry " +
          "summer; Original paper; <I>J Imag Bot</I>, 12 (4) 301-318.<BR>" + v4 +
          "s0105.pdf\">s0105</A> Olsen T, Abara N, Fischer M; A new key to the rushes of " +
          "northern bogs; Original paper; <I>J Imag Bot</I>, 12 (4) 319-342.<BR>\r\n" + kFooter);
}

}  // namespace
}  // namespace pdfindex
