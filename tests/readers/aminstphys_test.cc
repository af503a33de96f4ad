#include "readers/aminstphys.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "run/run.h"
#include "fake_disk.h"
#include "oracles/oracles.h"
#include "test_util.h"

namespace pdfindex {
namespace {

constexpr char kPhrase[] = "Downloads of Select";

const Oracle& kOracle = *OracleOf("AmInstPhys");

// Indexes the keys of `bases` on every page of `names`, as the run does
// before it asks for the folder's descriptions.
void IndexKeys(const PageSet& pages, const std::vector<std::string>& names,
               const std::vector<std::string>& bases) {
  std::vector<std::string> keys;
  for (const std::string& base : bases) {
    for (const std::string& key : AmInstPhysArticleKeys(base)) keys.push_back(key);
  }
  for (const std::string& name : names) {
    if (const Page* page = pages.Open("X/v/" + name)) page->IndexNeedles(keys);
  }
}

// The description of `base` from the pages (named 0.htm, 1.htm, ... in the
// list), with and without its keys indexed, checked against the oracle and
// the match flag on the way.
std::string Describe(const std::vector<std::string>& page_texts, const std::string& base) {
  std::string description;
  for (const bool indexed : {false, true}) {
    PageSet pages;
    NameList list;
    std::vector<std::string> names;
    for (size_t i = 0; i < page_texts.size(); ++i) {
      names.push_back(std::to_string(i) + ".htm");
      pages.Add("X/v/" + names.back(), page_texts[i]);
    }
    if (indexed) IndexKeys(pages, names, {base, "ART2"});
    FillList(list, names);
    bool matched = false;
    description = Classic(AmInstPhysArticle, pages, base, "X/v/", list, &matched);
    EXPECT_EQ(matched, !description.empty()) << base;
    EXPECT_EQ(description, kOracle.article(pages, base, "X/v/", list, nullptr)) << base;
  }
  return description;
}

std::string Title(const std::string& page) {
  PageSet pages;
  pages.Add("AmInstPhys/v/t.htm", page);
  const std::string title = TitleOf(AmInstPhysIssueTitle, pages, "AmInstPhys/v/t.htm");
  EXPECT_EQ(title, kOracle.title(pages, "AmInstPhys/v/t.htm"));
  return title;
}

TEST(AmInstPhysTest, IssueTitle) {
  const std::string x100(100, 'x');
  struct Row {
    std::string page;
    std::string title;
  };
  const Row rows[] = {
      {"<P>Downloads of Select <i>Journal of Things</i> Vol. 91 articles</P>",
       " Journal of Things Vol. 91 "},
      {"Downloads of Select" + x100.substr(1) + "articles Papers", x100.substr(1)},
      {"Downloads of Select" + x100 + "articles Papers", x100 + "articles "},
      {"Downloads of Select <i>J</i>" + x100 + "articles", " J" + x100 + "articles"},
      {"Downloads of Select Vol 2 Articles and Papers", " Vol 2 Articles and "},
      {"Downloads of Select nothing to cut", " nothing to cut"},
      {"<TITLE>Old</TITLE>\r\nDownloads of Select Vol 3 articles\r\nmore articles", " Vol 3 "},
      {"Downloads of\r\n Select<i>a</i>articles\r\nDownloads of Select b", "a"},
      {"<HTML><TITLE>Journal of Things -- Portable Document Format Articles</TITLE>",
       "Journal of Things -- "},
      {"<TITLE>Journal of\r\n Things</TITLE>\r\n<BODY>", "Journal of Things"},
      {"<title>lower</title>\r\nline 2\r\n", "<title>lower</title>line 2"},
      {"no tags\r\nat all", "no tagsat all"},
      {"", ""},
      {"<TITLE>a\rb</TITLE>\x1a<TITLE>after the end", "ab"},
  };
  for (const Row& r : rows) EXPECT_EQ(Title(r.page), r.title) << r.page;
  EXPECT_EQ(TitleOf(AmInstPhysIssueTitle, PageSet(), "AmInstPhys/v/gone.htm"),
            "AmInstPhys/v/gone.htm");
}

TEST(AmInstPhysTest, LinkForm) {
  struct Row {
    const char* what;
    std::string page;
    std::string description;
  };
  const Row rows[] = {
      {"blanks go, sub and italic stay",
       "<a href=\"/x/ART1.pdf\">  Heat flow in Si<sub>2</sub> <i>films</i>  </a>",
       "Heat flow in Si<sub>2</sub><i>films</i><BR>"},
      {"bold and heading tags go",
       "<a href=\"x/ART1.pdf\">second <b>bold</b> and <h3>head</h3></a>", "secondboldandhead<BR>"},
      {"the last link wins", "<a href=\"ART1.pdf\">one</a><a href=\"ART1.pdf\">two</a> tail",
       "two<BR>"},
      {"an unclosed italic runs to the end", "<a href=\"ART1.pdf\"><i>open\r\n</a> end  ",
       "<i>open</a>end <BR>"},
      {"only the first of each removed tag goes; <H> takes one more byte",
       "<a href=\"ART1.pdf\"><br>a<br>b<BR><B>c</B><b>d</b><H>xe</a>", "a<br>bcde<BR>"},
      {"upper-case nesting tags count too",
       "<A HREF=\"ART1.pdf\">x<SUP>2</SUP><SUB>3</SUB><I>y</I><B>z</B></A>",
       "x<SUP>2</SUP><SUB>3</SUB><I>y</I>z<BR>"},
      {"an unmatched closing tag lowers the depth", "<a href=\"ART1.pdf\">a</b><i>b</i>c</a>",
       "a<BR>"},
      {"the key ends the text: nothing after it", "see ART1.pdf\"", "ART1.pdf\"<BR>"},
      {"lines joined with nothing between, blanks run together",
       "<a href=\"ART1.pdf\">Heat\r\nflow \r\n in\tSi</a>", "Heatflow in\tSi<BR>"},
      {"a longer name ending in the base name matches too", "<a href=\"xART1.pdf\">x</a>", "x<BR>"},
  };
  for (const Row& r : rows) EXPECT_EQ(Describe({r.page}, "ART1"), r.description) << r.what;
}

TEST(AmInstPhysTest, MarkerForm) {
  struct Row {
    const char* what;
    std::string base;
    std::string page;
    std::string description;
  };
  const Row rows[] = {
      {"strong after the marker", "ART12345",
       "<strong>first</strong> ART12345 <p id=\"5002345000\"> <strong> Cooling of <i>wires</i> "
       "</strong>",
       "Cooling of<i>wires</i><BR>"},
      {"no marker: the page's first strong", "ART12345",
       "<strong>first</strong> ART12345 <strong>second</strong>", "first<BR>"},
      {"short base name: marker 500000", "ART1", "<strong>a</strong>ART1 500000<strong>b</strong>",
       "b<BR>"},
      {"no strong tags: the whole text less its last byte", "ART1", "x  ART1 \r\n y",
       "x ART1 <BR>"},
      {"a strong never closed runs to the end, less its last byte", "ART1", "ART1<strong>abc",
       "ab<BR>"},
      {"a closing tag alone cuts before it", "ART1", "ART1 t</strong>u", "ART1 t<BR>"},
      {"nothing after the strong tag", "ART1", "ART1<strong>", "<BR>"},
      {"a link to another file does not count", "ART1",
       "<a href=\"ART1.PDF\">x</a><strong>s</strong>", "s<BR>"},
  };
  for (const Row& r : rows) EXPECT_EQ(Describe({r.page}, r.base), r.description) << r.what;
}

// Keys holding blanks or angle brackets are looked for in the clean text,
// where a run of blanks in the page can match one blank of the key.
TEST(AmInstPhysTest, BaseNamesWithBlanksOrAngles) {
  struct Row {
    std::string base;
    std::string page;
    std::string description;
  };
  const Row rows[] = {
      {"AR T1", "AR T1 <a href=\"AR  T1.pdf\">x</a>", "x<BR>"},
      {"AR T1", "AR T1 <a href=\"AR T1.pdf \">x</a>", "AR T1<a href=\"AR T1.pdf \">x</a<BR>"},
      {" ART1", "x  ART1.pdf\"y</a>", " ART1.pdf\"y<BR>"},
      {"a>b", "a>b.pdf\" a>b.pdf\"y</a>", "b.pdf\"y<BR>"},
      {"abcd>e f", "abcd>e f x500>e f000 <strong>s</strong>", "s<BR>"},
  };
  for (const Row& r : rows) EXPECT_EQ(Describe({r.page}, r.base), r.description) << r.base;
}

TEST(AmInstPhysTest, PageSearch) {
  const std::string link = "<a href=\"ART1.pdf\">one</a>";
  struct Row {
    const char* what;
    std::vector<std::string> names;
    std::string description;
  };
  PageSet pages;
  pages.Add("X/v/link.htm", link);
  pages.Add("X/v/other.htm", "<a href=\"ART1.pdf\">other</a>");
  pages.Add("X/v/plain.htm", "ART1 <strong>plain</strong>");
  pages.Add("X/v/none.htm", "<a href=\"ART2.pdf\">two</a>");
  pages.Add("X/v/empty.htm", "");
  pages.Add("X/v/late.htm", "<a href=\"x.pdf\">x</a>\x1a" + link);
  const Row rows[] = {
      {"first page holding the name wins", {"none.htm", "plain.htm", "link.htm"}, "plain<BR>"},
      {"in list order", {"other.htm", "link.htm"}, "other<BR>"},
      {"unopenable pages are skipped", {"gone.htm", "empty.htm", "link.htm"}, "one<BR>"},
      {"no page holds the name", {"none.htm", "empty.htm", "late.htm"}, ""},
      {"no page opens", {"gone.htm"}, ""},
      {"empty list", {}, ""},
  };
  for (const Row& r : rows) {
    NameList list;
    FillList(list, r.names);
    bool matched = true;
    EXPECT_EQ(Classic(AmInstPhysArticle, pages, "ART1", "X/v/", list, &matched), r.description)
        << r.what;
    EXPECT_EQ(matched, !r.description.empty()) << r.what;
    EXPECT_EQ(kOracle.article(pages, "ART1", "X/v/", list, nullptr), r.description) << r.what;
  }
  NameList list;
  FillList(list, {"link.htm"});
  EXPECT_EQ(Classic(AmInstPhysArticle, pages, "", "X/v/", list), "");
}

TEST(AmInstPhysTest, ArticleKeys) {
  struct Row {
    std::string base;
    std::vector<std::string> keys;
  };
  const Row rows[] = {
      {"ART1", {"ART1", "ART1.pdf\"", "500000"}},
      {"ART12345", {"ART12345", "ART12345.pdf\"", "5002345000"}},
      {"AR T1", {"AR T1", "AR T1.pdf\"", "5001000"}},
      {"", {}},
  };
  for (const Row& r : rows) EXPECT_EQ(AmInstPhysArticleKeys(r.base), r.keys) << r.base;
}

// Long pages: the page of one 10 MB line, a link text that runs to its end,
// and many PDFs on one page; each must end quickly.
TEST(AmInstPhysTest, LongPagesEndQuickly) {
  const std::string big(10'000'000, 'x');
  EXPECT_EQ(Title(big), big);
  PageSet pages;
  NameList list;
  FillList(list, {"a.htm"});
  const auto describe = [&](const std::string& page, const std::string& base) {
    pages.Add("X/v/a.htm", page);
    return Classic(AmInstPhysArticle, pages, base, "X/v/", list);
  };
  EXPECT_EQ(describe(big + "<a href=\"ART1.pdf\">T</a>", "ART1"), "T<BR>");
  EXPECT_EQ(describe("<a href=\"ART1.pdf\"><i>" + big, "ART1"), "<i>" + big + "<BR>");
  EXPECT_EQ(describe("ART1" + big, "ART1"), "ART1" + big.substr(1) + "<BR>");
  EXPECT_EQ(describe(big, "ART1"), "");

  std::string page;
  for (int i = 0; i < 800; ++i) {
    page += std::string(2000, ' ') + "<li><a href=\"/p/A" + std::to_string(i) + ".pdf\"> Title " +
            std::to_string(i) + " </a>\r\n";
  }
  pages.Add("X/v/a.htm", page);
  std::vector<std::string> bases;
  for (int i = 0; i < 800; ++i) bases.push_back("A" + std::to_string(i));
  IndexKeys(pages, {"a.htm"}, bases);
  for (int i = 0; i < 800; ++i) {
    const std::string base = "A" + std::to_string(i);
    ASSERT_EQ(Classic(AmInstPhysArticle, pages, base, "X/v/", list),
              "Title " + std::to_string(i) + "<BR>");
  }
}

// Random pages built from the pieces the reader looks for, with tags dropped
// or doubled, blanks and line ends of every kind, keys repeated and several
// pages: title and description must equal the oracle's every time.
TEST(AmInstPhysTest, MatchesTheStepByStepReadingOnRandomPages) {
  std::mt19937 rng(36);
  const std::vector<std::string> pieces = {
      "<a href=\"/x/",
      "ART1",
      ".pdf\">",
      "ART1.pdf\"",
      "ART12345.pdf\"",
      "AR T1.pdf\"",
      "AR  T1.pdf\"",
      "AR T1",
      "</a>",
      "<sub>",
      "</sub>",
      "<SUP>",
      "</SUP>",
      "<i>",
      "</i>",
      "<I>",
      "<b>",
      "</b>",
      "<B>",
      "</B>",
      "<br>",
      "<BR>",
      "<h3>",
      "</h3>",
      "<H>",
      " ",
      "  ",
      "\r\n",
      "\n",
      "\r",
      "\t",
      "word",
      "<strong>",
      "</strong>",
      "500000",
      "5002345000",
      "5001000",
      "<TITLE>",
      "</TITLE>",
      kPhrase,
      "articles",
      "Papers",
      "xxxxxxxxxxxxxxxxxxxx",
      "Portable Document Format Articles",
      ">",
      "<",
      "</",
      "\x1a",
  };
  const std::string bases[] = {"ART1", "ART12345", "AR T1"};
  for (int round = 0; round < 4000; ++round) {
    PageSet pages;
    std::vector<std::string> names;
    const int page_count = 1 + static_cast<int>(rng() % 3);
    for (int p = 0; p < page_count; ++p) {
      std::string page;
      const int n = static_cast<int>(rng() % 40);
      for (int i = 0; i < n; ++i) page += pieces[rng() % (pieces.size() - (rng() % 8 ? 1 : 0))];
      names.push_back(std::to_string(p) + ".htm");
      if (rng() % 10) pages.Add("X/v/" + names.back(), page);
      ASSERT_EQ(TitleOf(AmInstPhysIssueTitle, pages, "X/v/" + names.back()),
                kOracle.title(pages, "X/v/" + names.back()))
          << "round " << round;
    }
    NameList list;
    FillList(list, names);
    const std::string& base = bases[rng() % 3];
    if (rng() % 2) IndexKeys(pages, names, {base});
    ASSERT_EQ(Classic(AmInstPhysArticle, pages, base, "X/v/", list),
              kOracle.article(pages, base, "X/v/", list, nullptr))
        << "round " << round << " base " << base;
  }
}

TEST(AmInstPhysTest, WholeRun) {
  FakeDisk disk;
  disk.AddFile("AmInstPhys/v91n1/a.htm",
               "<HTML><HEAD><TITLE>J. Appl. Things -- Portable Document Format Articles</TITLE>"
               "</HEAD>\r\n<BODY><a href=\"/pdf/JAT0001.pdf\">  Heat flow in Si<sub>2</sub> "
               "<i>films</i> </a><br>\r\n</BODY></HTML>\r\n");
  disk.AddFile("AmInstPhys/v91n1/b.htm",
               "<P>Downloads of Select <i>J. Appl. Things</i> Vol. 91 articles</P>\r\n"
               "<p>JAT0002 <input name=\"500002000\"><strong>Cooling of <i>wires</i></strong>\r\n");
  disk.AddFile("AmInstPhys/v91n1/JAT0001.pdf");
  disk.AddFile("AmInstPhys/v91n1/JAT0002.pdf");
  disk.AddFile("AmInstPhys/v91n1/JAT0099.pdf");
  disk.AddFile("Physics Letters/A210/contents.htm",
               "<HTML>\r\n<HEAD><TITLE>Physics Letters A, Volume 210</TITLE></HEAD>\r\n<BODY>\r\n"
               "<li><a href=\"pla210_1.pdf\">Quantum <b>dots</b> revisited</a>\r\n</BODY>");
  disk.AddFile("Physics Letters/A210/pla210_1.pdf");
  FakeConsole console;
  ASSERT_TRUE(RunCatalogue(disk, console).ok());
  EXPECT_EQ(disk.Contents("HtmlData.htm"),
            "<TITLE>Quor's PDF Articles Database</TITLE><HEAD>"
            "<HR><B><BR>J. Appl. Things -- <BR></B>\r\n<B><BR> J. Appl. Things Vol. 91 <BR></B>\r\n"
            "<BR>\r\n"
            "<A HREF=\"AmInstPhys/v91n1/JAT0001.pdf\">JAT0001</A> "
            "Heat flow in Si<sub>2</sub><i>films</i><BR>"
            "<A HREF=\"AmInstPhys/v91n1/JAT0002.pdf\">JAT0002</A> Cooling of<i>wires</i><BR>"
            "<A HREF=\"AmInstPhys/v91n1/JAT0099.pdf\">JAT0099</A> \r\n"
            "<HR><B><BR>Physics Letters A, Volume 210<BR></B>\r\n<BR>\r\n"
            "<A HREF=\"Physics Letters/A210/pla210_1.pdf\">pla210_1</A> Quantumdotsrevisited<BR>"
            "\r\n<HR></HEAD><BODY></BODY>");
  EXPECT_EQ(console.output, "");
}

// The example archive's folders served by this finder: an AmInstPhys issue
// (a selection page and a contents page), an Elsevier issue and a folder
// without a keyword.
TEST(AmInstPhysTest, ExampleArchive) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(PDFINDEX_EXAMPLES) / "archive";
  FakeDisk disk;
  for (const char* publisher : {"AmInstPhys", "Elsevier", "Physics Letters Archive"}) {
    disk.AddRealFiles(root.string(), publisher);
  }
  FakeConsole console;
  ASSERT_TRUE(RunCatalogue(disk, console).ok());
  const std::string aip = "<A HREF=\"AmInstPhys/J Appl Things Vol 91 No 1/JAT09100";
  const std::string els = "<A HREF=\"Elsevier/Examples Letters Vol 12 Issue 3/EXL12003";
  const std::string pla = "<A HREF=\"Physics Letters Archive/Vol 210 Issue 3/pla210-3-";
  EXPECT_EQ(disk.Contents("HtmlData.htm"),
            "<TITLE>Quor's PDF Articles Database</TITLE><HEAD><HR>"
            "<B><BR> Journal of Applied Things Vol. 91, Issue 1 <BR></B>\r\n"
            "<B><BR>Journal of Applied Things -- Vol. 91, Iss. 1 -- <BR></B>\r\n<BR>\r\n" +
                aip +
                "01.pdf\">JAT0910001</A> Thermal transport in thin "
                "Si<sub>1-x</sub>Ge<sub>x</sub><i>membranes</i><BR>" +
                aip +
                "02.pdf\">JAT0910002</A> Electron mobility in strained made-up "
                "heterostructures at 4.2 K<BR>" +
                aip +
                "03.pdf\">JAT0910003</A> Photoluminescence of Er<sup>3+</sup>ions in "
                "imaginary glasses<BR>" +
                aip +
                "04.pdf\">JAT0910004</A> Dielectric<I>breakdown</I>in thin made-up polymer "
                "films<BR>" +
                aip + "07.pdf\">JAT0910007</A> Magnetic ordering in layered made-up oxides<BR>" +
                aip +
                "99.pdf\">JAT0910099</A> \r\n"
                "<HR><B><BR>Examples Letters, Volume 12, Issue 3<BR></B>\r\n<BR>\r\n" +
                els + "101.pdf\">EXL12003101</A> Cold collisions of imaginary molecules<BR>" + els +
                "107.pdf\">EXL12003107</A> A made-up route to<i>ortho</i>-substituted "
                "rings<BR>\r\n"
                "<HR><B><BR>Physics Letters Archive - Volume 210, Issue 3<BR></B>\r\n<BR>\r\n" +
                pla + "201.pdf\">pla210-3-201</A> Quantum dots in an imaginary field<BR>" + pla +
                "209.pdf\">pla210-3-209</A> Tunnelling through made-up barriers<BR>\r\n"
                "<HR></HEAD><BODY></BODY>");
}

}  // namespace
}  // namespace pdfindex
