#include "readers/sciencedirect.h"

#include <gtest/gtest.h>

#include <random>

#include "run/run.h"
#include "fake_disk.h"
#include "oracles/oracles.h"
#include "test_util.h"

namespace pdfindex {
namespace {

const Oracle& kOracle = *OracleOf("ScienceDirect");

// The three spellings of the link that ends an entry's authors.
const char* const kLinks[] = {
    "<a href=\"http://www.sciencedirect.com/science",
    "<A href=\"http://www.sciencedirect.com/science",
    "<A HREF=\"http://www.sciencedirect.com/science",
};

// Lines joined with CR LF, as a browser saves a page.
std::string Lines(std::initializer_list<std::string> lines) {
  std::string page;
  for (const std::string& line : lines) page += line + "\r\n";
  return page;
}

const std::string kFolder = "ScienceDirect/v12n1/";
const std::string kLowerLink =
    "<a href=\"http://www.sciencedirect.com/science?_ob=ArticleURL&amp;_udi=B1\">Abstract</a>";
const std::string kUpperLink =
    "<A HREF=\"http://www.sciencedirect.com/science?_ob=ArticleURL&amp;_udi=B1\">Abstract</A>";

// The reader on pages named 0.htm, 1.htm, ... in the issue folder (nullptr
// pages cannot be opened), checked against the oracle on the way.
std::string Describe(const std::vector<const std::string*>& pages_text, const std::string& base,
                     bool* matched = nullptr) {
  PageSet pages;
  std::vector<std::string> names;
  for (size_t i = 0; i < pages_text.size(); ++i) {
    names.push_back(std::to_string(i) + ".htm");
    if (pages_text[i] != nullptr) pages.Add(kFolder + names.back(), *pages_text[i]);
  }
  NameList list;
  FillList(list, names);
  bool found = false;
  const std::string description = Classic(ScienceDirectArticle, pages, base, kFolder, list, &found);
  bool literal_found = false;
  EXPECT_EQ(description, kOracle.article(pages, base, kFolder, list, &literal_found)) << base;
  EXPECT_EQ(found, literal_found) << base;
  if (matched != nullptr) *matched = found;
  return description;
}

std::string Describe(const std::string& page, const std::string& base, bool* matched = nullptr) {
  return Describe(std::vector<const std::string*>{&page}, base, matched);
}

TEST(ScienceDirectTest, IssueTitleIsTheLowerCaseTitleElement) {
  const std::string path = kFolder + "toc.htm";
  struct Row {
    std::string page;
    std::string title;  // "" stands for the page path
  };
  const Row rows[] = {
      {"<html>\r\n<head><title>Journal of Examples, Volume 12</title></head>\r\n",
       "Journal of Examples, Volume 12"},
      {"<title>Journal of Examples: Free Sample Issue.</title>", "Journal of Examples"},
      {"<title>Journal of Examples: Free Sample Issue. Vol 1</title>", "Journal of Examples"},
      {"<TITLE>Journal of Examples</TITLE>\r\n", ""},
      {"<title>Journal of Examples,\r\nVolume 12</title>\r\n", "Volume 12"},
      {"", ""},
      {"\r\n\r\n", ""},
      {"<title>  J. Ex. &amp; More </title>", "  J. Ex. &amp; More "},
      {"x</title><title>y</title>", "x"},
      {"<title>A</title>\r\n<title>B</title>", "A"},
      {"<title>A\rB</title>", "AB"},  // a lone CR is dropped
      {"<title>A</title>\x1a<title>B</title>", "A"},
      {"<title>A\x1a</title>", ""},  // byte 26 ends the data
  };
  for (const Row& r : rows) {
    PageSet pages;
    pages.Add(path, r.page);
    const std::string expected = r.title.empty() ? path : r.title;
    EXPECT_EQ(TitleOf(ScienceDirectIssueTitle, pages, path), expected) << r.page;
    EXPECT_EQ(kOracle.title(pages, path), expected) << r.page;
  }
}

TEST(ScienceDirectTest, UnopenablePageIsNamedByItsPath) {
  const TitleRecord title = ScienceDirectIssueTitle(nullptr, kFolder + "a.htm");
  EXPECT_EQ(title.classic, kFolder + "a.htm");
  EXPECT_TRUE(title.is_path);
}

TEST(ScienceDirectTest, DescribesTheEntryOfOnePage) {
  struct Row {
    const char* what;
    std::string page;
    std::string base;
    std::string description;
  };
  const std::string lower_title = "<b>Cell growth</b><i><nobr>, Pages 12-19</nobr> </i><br>";
  const std::string upper_title = "<B>Cell growth</B><I><NOBR>, Pages 12-19</NOBR> </I><BR>";
  const std::string lower_result = "; Cell growth ; pag. 12-19.<BR>";
  const Row rows[] = {
      {"lower-case page",
       Lines({"<td valign=top>", lower_title, "A. Author and B. Author<br>", kLowerLink}), "12-19",
       "A. Author and B. Author; Cell growth ; pag. 12-19.<BR>"},
      {"upper-case page, key line ending in the page-text end",
       Lines({"<TR>", "<TD VALIGN=TOP>" + upper_title, "A. Author<BR>", kUpperLink}), "12-19",
       "A. Author; Cell growth ; pag. 12-19.<BR>"},
      {"upper-case cell opened by <TD><B>",
       Lines({"<TR>", "<TD>" + upper_title, "A. Author<BR>", kUpperLink}), "12-19",
       "A. Author; >Cell growth ; pag. 12-19.<BR>"},
      {"the cut keeps four bytes before the last <TD>",
       Lines({"<TR>", "<TDx<TD><B>Cellgro</B><I><NOBR>, Pages 12-19</NOBR> </I><BR>",
              "A. Author<BR>", kUpperLink}),
       "12-19", "A. Author; B>Cellgro ; pag. 12-19.<BR>"},
      {"the four bytes before <TD> are squeezed",
       Lines({"<TR>", "<TD   <TD><B>Cellgro</B><I><NOBR>, Pages 12-19</NOBR> </I><BR>",
              "A. Author<BR>", kUpperLink}),
       "12-19", "A. Author; B>Cellgro ; pag. 12-19.<BR>"},
      {"blank runs of two lines are not joined in the entry",
       Lines({"<TR><TD ", "  <TD><B>Cellgro</B><I><NOBR>, Pages 12-19</NOBR> </I><BR>",
              "A. Author<BR>", kUpperLink}),
       "12-19", "A. Author; >Cellgro ; pag. 12-19.<BR>"},
      {"single page",
       Lines({"<td>", "<b>Short note</b><i><nobr>, Page 7</nobr> </i><br>", "C. Author<br>",
              kLowerLink}),
       "7", "C. Author; Short note ; pag. 7.<BR>"},
      {"no key", Lines({"<td valign=top>", lower_title, "A. Author<br>", kLowerLink}), "1-11",
       "; .<BR>"},
      {"key line holds <td", Lines({"<td>" + lower_title, "A. Author<br>", kLowerLink}), "12-19",
       "A. Author; .<BR>"},
      {"authors opened by markup", Lines({"<td>", lower_title, "<i>A. Author</i><br>", kLowerLink}),
       "12-19", lower_result},
      {"authors on two lines",
       Lines({"<td>", lower_title, "A. Author<br>", "B. Author<br>", kLowerLink}), "12-19",
       lower_result},
      {"authors with other markup",
       Lines({"<td>", lower_title, "A. Author<sup>1</sup><br>", kLowerLink}), "12-19",
       lower_result},
      {"authors after blanks", Lines({"<td>", lower_title, "    A. Author<br>", kLowerLink}),
       "12-19", "A. Author" + lower_result},
      {"title line indented", Lines({"<td>", " " + lower_title, "A. Author<br>", kLowerLink}),
       "12-19", "A. Author; >Cell growth ; pag. 12-19.<BR>"},
      {"page text with several blanks",
       Lines({"<td>", "<b>Cell growth</b><i><nobr>, Pages   12-19</nobr> </i><br>", "A. Author<br>",
              kLowerLink}),
       "12-19", "A. Author; Cell growth ; pag. 12-19.<BR>"},
      {"upper-case PAGES", Lines({"<td>", "<b>C</b><i><nobr>, PAGES 12-19</nobr></i>"}), "12-19",
       "; .<BR>"},
      {"blank before <", Lines({"<td>", "<b>C</b><i><nobr>, Pages 12-19 </nobr></i>"}), "12-19",
       "; .<BR>"},
      {"shorter base", Lines({"<td>", lower_title}), "2-19", "; .<BR>"},
      {"longer page text", Lines({"<td>", "<b>C</b><i><nobr>, Pages 12-190</nobr>"}), "12-19",
       "; .<BR>"},
      {"key split over two lines", Lines({"<td>", "<b>C</b><i><nobr>, Pages 12-", "19</nobr>"}),
       "12-19", "; .<BR>"},
      {"title holding the word Pages",
       Lines({"<td>", "<b>Pages of history</b><i><nobr>, Pages 3-9</nobr> </i><br>",
              "D. Author<br>", kLowerLink}),
       "3-9", "D. Author; pag. of history ; Pages 3-9.<BR>"},
      {"link split over two lines and doubled blank",
       Lines({"<td>", lower_title, "A. Author<br><a  ",
              " href=\"http://www.sciencedirect.com/science\">x</a>", "late<br>"}),
       "12-19", "A. Author" + lower_result},
      {"link to another host: authors run to the page end",
       Lines({"<td>", lower_title, "A. Author<br>", "<a href=\"http://example.org/science\">"}),
       "12-19", lower_result},
      {"no link and no markup after the authors",
       Lines({"<td>", lower_title, "A.  Author<br>", "and B. Author"}), "12-19",
       "A. Authorand B. Author" + lower_result},
      {"key on the last line", "<td>\r\n" + lower_title, "12-19", lower_result},
      {"second key line on the page keeps the first authors",
       Lines({"<td>", lower_title, "A. Author<br>", "<td>", "<b>Other</b><i><nobr>, Pages 12-19<",
              "B. Author<br>", kLowerLink}),
       "12-19", "; Other ; pag. 12-19<.<BR>"},
      {"cell opening split over two lines",
       Lines({"<td>", "x<t", "d><b>T</b><i><nobr>, Page 7</nobr> </i><br>", "A<br>", kLowerLink}),
       "7", "A; >T ; pag. 7.<BR>"},
      {"no cell opening at all",
       Lines({"<p>", "<b>T</b><i><nobr>, Page 7</nobr> </i><br>", "A<br>", kLowerLink}), "7",
       "A; T ; pag. 7.<BR>"},
      {"base with a blank", Lines({"<td>", "<b>T</b>, Pages 1   2<", "A<br>", kLowerLink}), "1 2",
       "A; T</b>; pag. 1 2<.<BR>"},
      {"base beginning with a blank", Lines({"<td>", "<b>T</b>, Pages  7<"}), " 7", "; .<BR>"},
  };
  for (const Row& r : rows) {
    bool matched = false;
    EXPECT_EQ(Describe(r.page, r.base, &matched), r.description) << r.what;
    EXPECT_EQ(matched, r.description != "; .<BR>") << r.what;
  }
}

TEST(ScienceDirectTest, ReadsEveryPageOfTheIssue) {
  const std::string first = Lines(
      {"<td>", "<b>First</b><i><nobr>, Pages 1-9</nobr> </i><br>", "A. Author<br>", kLowerLink});
  const std::string second =
      Lines({"<TD><B>Second</B><I><NOBR>, Pages 1-9</NOBR> </I><BR>", "B. Author<BR>", kUpperLink});
  const std::string no_link = Lines({"<td>", "<b>First</b><i><nobr>, Pages 1-9</nobr></i>", "A."});
  const std::string other = Lines({"<td>", "<b>Other</b><i><nobr>, Pages 10-12</nobr></i>"});
  struct Row {
    const char* what;
    std::vector<const std::string*> pages;
    std::string description;
  };
  const Row rows[] = {
      {"entry from the later page, authors from the earlier",
       {&first, &second},
       "A. Author; >Second ; pag. 1-9.<BR>"},
      {"the other order", {&second, &first}, "B. Author; First ; pag. 1-9.<BR>"},
      {"authors run on into the next page's authors",
       {&no_link, &second},
       "A.B. Author; >Second ; pag. 1-9.<BR>"},
      {"an unopenable page is skipped",
       {nullptr, &other, &first, nullptr},
       "A. Author; First ; pag. 1-9.<BR>"},
      {"no page holds the key", {&other, nullptr}, "; .<BR>"},
      {"no pages", {}, "; .<BR>"},
  };
  for (const Row& r : rows) EXPECT_EQ(Describe(r.pages, "1-9"), r.description) << r.what;
}

TEST(ScienceDirectTest, ArticleKeysAreTheNeedlesSearchedFor) {
  struct Row {
    std::string base;
    std::vector<std::string> keys;
  };
  const Row rows[] = {
      {"12-19", {" 12-19<"}}, {"7", {" 7<"}}, {"1 2", {" 2<"}},
      {"", {" <"}},           {" 7", {}},     {"1  2", {}},
  };
  for (const Row& r : rows) EXPECT_EQ(ScienceDirectArticleKeys(r.base), r.keys) << r.base;
}

// A big issue: one lower-case and one upper-case layout, saved with CR LF,
// with lone CRs (one line) and as one long line; every PDF is described as
// the step-by-step reading describes it.
TEST(ScienceDirectTest, BigPagesGiveTheSameDescriptions) {
  std::string lower;
  std::string upper;
  std::vector<std::string> bases;
  for (int i = 0; i < 300; ++i) {
    const std::string range = std::to_string(i * 10 + 1) + "-" + std::to_string(i * 10 + 9);
    bases.push_back(range);
    lower += Lines({"<tr>", "<td valign=top>",
                    "<b>Title " + range + "</b><i><nobr>, Pages " + range + "</nobr> </i><br>",
                    "A. Author<br>", kLowerLink, "</td></tr>"});
    upper += Lines(
        {"<TR>",
         "<TD VALIGN=TOP><B>Title " + range + "</B><I><NOBR>, Pages " + range + "</NOBR> </I><BR>",
         "A. Author<BR>", "<A HREF=\"http://example.org/x\">Abstract</A>", "</TD></TR>"});
  }
  for (const std::string* layout : {&lower, &upper}) {
    std::string lone_cr = *layout;
    std::string one_line = *layout;
    for (char& c : lone_cr) c = c == '\n' ? '\r' : c;
    std::erase(one_line, '\n');
    for (const std::string* page : {layout, static_cast<const std::string*>(&lone_cr),
                                    static_cast<const std::string*>(&one_line)}) {
      for (size_t i = 0; i < bases.size(); i += 37) {
        bool matched = false;
        Describe(*page, bases[i], &matched);
        EXPECT_TRUE(matched);
      }
    }
  }
  EXPECT_EQ(Describe(lower, "91-99"), "A. Author; Title 91-99 ; pag. 91-99.<BR>");
  EXPECT_EQ(Describe(upper, "91-99"), "; Title 91-99 ; pag. 91-99.<BR>");
}

TEST(ScienceDirectTest, HardPagesEndWithoutFault) {
  const std::string entry = "<TD><B>T</B><I><NOBR>, Pages 1-2</NOBR> </I><BR>A<BR>" + kUpperLink;
  std::string ten_mb = "<title>Big</title>";
  while (ten_mb.size() < (10u << 20)) ten_mb += entry;
  ten_mb += "<TD><B>Last</B><I><NOBR>, Page 9</NOBR> </I><BR>";
  std::string blanks = "<td>\r\n<b>T</b>, Pages" + std::string(10u << 20, ' ') + "1-2<\r\nA<br>";
  struct Row {
    const char* what;
    std::string page;
    std::string base;
    std::string title;
    std::string description;
  };
  const std::string path = kFolder + "0.htm";
  const Row rows[] = {
      {"empty page", "", "1-2", path, "; .<BR>"},
      {"one 10 MB line, key far in", ten_mb, "1-2", "Big", "; >Last , pag. 9.<BR>"},
      {"one 10 MB line, key at its end", ten_mb, "9", "Big", "; >Last ; pag. 9.<BR>"},
      {"a 10 MB run of blanks in the key", blanks, "1-2", path, "A; T</b>; pag. 1-2<.<BR>"},
      {"byte 26 ends the page", "<td>\r\n<b>T</b>, Page 7<\r\nA<br>\x1a<b>T</b>, Page 8<", "8",
       path, "; .<BR>"},
      {"byte 26 cuts the authors", "<td>\r\n<b>T</b>, Page 7<\r\nA<br>\x1a\r\nB", "7", path,
       "A; T</b>; pag. 7<.<BR>"},
  };
  for (const Row& r : rows) {
    PageSet pages;
    pages.Add(path, r.page);
    FakeConsole console;
    EXPECT_EQ(TitleOf(ScienceDirectIssueTitle, pages, path), r.title) << r.what;
    NameList list;
    FillList(list, {"0.htm"});
    EXPECT_EQ(Classic(ScienceDirectArticle, pages, r.base, kFolder, list), r.description) << r.what;
  }
}

// Random pages built from well-formed entries of both layouts, mutated: tags
// dropped, letter case changed, lines split with CR LF, LF or a lone CR,
// blanks doubled, keys repeated, noise between entries, several pages and
// unopenable ones. The reader must give the oracle's title and description.
TEST(ScienceDirectTest, MatchesTheStepByStepReadingOnRandomPages) {
  std::mt19937 rng(38);
  auto chance = [&rng](int percent) { return static_cast<int>(rng() % 100) < percent; };
  auto pick = [&rng](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
  const std::vector<std::string> ranges = {"1-11", "12-19", "7", "2-19", "12-190", "3 4"};
  const std::vector<std::string> line_ends = {"\r\n", "\r\n", "\n", "\r"};
  const std::vector<std::string> noise = {
      "<td>",    "<TD>",
      "<t",      "d",
      "<T",      "D",
      "  ",      "\t",
      ">",       "<",
      "Page",    "Pages ",
      "<b>",     "<B>",
      "<br>",    "<BR>",
      "e",       kLinks[0],
      kLinks[1], kLinks[2],
      "<a",      " href=\"http://",
      "\x1a",    "\r\n",
  };
  auto flip_case = [](std::string s) {
    for (char& c : s) {
      if (c >= 'a' && c <= 'z') {
        c = static_cast<char>(c - 'a' + 'A');
      } else if (c >= 'A' && c <= 'Z') {
        c = static_cast<char>(c - 'A' + 'a');
      }
    }
    return s;
  };
  auto entry = [&](bool upper) {
    const std::string range = pick(ranges);
    const std::string pages =
        (range.find('-') == std::string::npos ? ", Page " : ", Pages ") + range;
    std::vector<std::string> tokens =
        upper ? std::vector<std::string>{"<TR>",
                                         "\r\n",
                                         "<TD VALIGN=TOP>",
                                         "<B>",
                                         "Cell growth",
                                         "</B><I><NOBR>",
                                         pages,
                                         "</NOBR> </I><BR>",
                                         "\r\n",
                                         "A. Author",
                                         "<BR>",
                                         "\r\n",
                                         kLinks[1 + rng() % 2],
                                         "?_ob=X\">Abstract</A>",
                                         "\r\n",
                                         "</TD></TR>",
                                         "\r\n"}
              : std::vector<std::string>{"<tr>",          "\r\n",       "<td valign=top>",
                                         "\r\n",          "<b>",        "Cell growth",
                                         "</b><i><nobr>", pages,        "</nobr> </i><br>",
                                         "\r\n",          " A. Author", "<br>",
                                         "\r\n",          kLinks[0],    "?_ob=X\">Abstract</a>",
                                         "\r\n",          "</td></tr>", "\r\n"};
    std::string out;
    for (std::string token : tokens) {
      if (chance(8)) continue;
      if (chance(5)) token = flip_case(token);
      if (chance(5) && !token.empty()) token.insert(rng() % token.size(), pick(line_ends));
      if (chance(5) && !token.empty()) token.insert(rng() % token.size(), "  ");
      if (chance(4)) token += token;
      if (token == "\r\n") token = pick(line_ends);
      out += token;
      if (chance(4)) out += pick(noise);
    }
    return out;
  };
  const std::vector<std::string> titles = {
      "<html><head><title>J. Ex. 12</title></head>", "<title>J. Ex.: Free Sample Issue.</title>",
      "<TITLE>J. Ex.</TITLE>", "<title>J.\r\nEx. 12</title>", ""};
  for (int round = 0; round < 4000; ++round) {
    PageSet pages;
    std::vector<std::string> names;
    const int page_count = static_cast<int>(rng() % 4);
    for (int p = 0; p < page_count; ++p) {
      names.push_back(std::to_string(p) + ".htm");
      if (chance(10)) continue;  // listed but cannot be opened
      std::string page = pick(titles) + pick(line_ends);
      const bool upper = chance(50);
      const int entries = static_cast<int>(rng() % 5);
      for (int e = 0; e < entries; ++e) page += entry(upper ? !chance(10) : chance(10));
      pages.Add(kFolder + names.back(), page);
    }
    NameList list;
    FillList(list, names);
    const std::string base = chance(90) ? pick(ranges) : "12";
    bool matched = false;
    bool literal_matched = false;
    ASSERT_EQ(Classic(ScienceDirectArticle, pages, base, kFolder, list, &matched),
              kOracle.article(pages, base, kFolder, list, &literal_matched))
        << "round " << round;
    ASSERT_EQ(matched, literal_matched) << "round " << round;
    for (const std::string& name : names) {
      ASSERT_EQ(TitleOf(ScienceDirectIssueTitle, pages, kFolder + name),
                kOracle.title(pages, kFolder + name))
          << "round " << round;
    }
  }
}

TEST(ScienceDirectTest, IndexesAnIssueFolderThroughAWholeRun) {
  FakeDisk disk;
  const std::string folder = "ScienceDirect/JEx-v12n1/";
  disk.AddFile(
      folder + "toc1.htm",
      Lines({"<html><head><title>Journal of Examples, Volume 12, Issue 1</title></head>",
             "<body><table>", "<tr>", "<td valign=top>",
             "<b>Cell growth in made-up tissue</b><i><nobr>, Pages 1-11</nobr> </i><br>",
             "A. Author and B. Author<br>", kLowerLink, "</td></tr>", "<tr>", "<td valign=top>",
             "<b>Signals from nowhere</b><i><nobr>, Pages 12-19</nobr> </i><br>", "C. Author<br>",
             kLowerLink, "</td></tr>", "</table></body></html>"}));
  disk.AddUnopenable(folder + "toc2.htm");
  disk.AddFile(folder + "toc3.htm",
               Lines({"<HTML><HEAD><title>Journal of Examples, Volume 12, Issue 1: Free Sample "
                      "Issue.</title></HEAD>",
                      "<TABLE>", "<TR>",
                      "<TD VALIGN=TOP><B>A short note</B><I><NOBR>, Page 20</NOBR> </I><BR>",
                      "D. Author<BR>", kUpperLink, "</TD></TR>", "</TABLE></HTML>"}));
  for (const char* pdf : {"1-11.pdf", "12-19.pdf", "20.pdf", "99-100.pdf"}) {
    disk.AddFile(folder + pdf, "%PDF-1.4\n%%EOF\n");
  }
  FakeConsole console;
  ASSERT_TRUE(RunCatalogue(disk, console).ok());
  const std::string link = "<A HREF=\"" + folder;
  EXPECT_EQ(disk.Contents("HtmlData.htm"),
            "<TITLE>Quor's PDF Articles Database</TITLE><HEAD><HR>"
            "<B><BR>Journal of Examples, Volume 12, Issue 1<BR></B>\r\n"
            "<B><BR>ScienceDirect/JEx-v12n1/toc2.htm<BR></B>\r\n"
            "<B><BR>Journal of Examples, Volume 12, Issue 1<BR></B>\r\n"
            "<BR>\r\n" +
                link +
                "1-11.pdf\">1-11</A> A. Author and B. Author; Cell growth in made-up tissue ; pag. "
                "1-11.<BR>" +
                link + "12-19.pdf\">12-19</A> C. Author; Signals from nowhere ; pag. 12-19.<BR>" +
                link + "20.pdf\">20</A> D. Author; A short note ; pag. 20.<BR>" + link +
                "99-100.pdf\">99-100</A> ; .<BR>\r\n"
                "<HR></HEAD><BODY></BODY>");
  EXPECT_EQ(console.output, "eroare\r\n");
  EXPECT_EQ(console.lines_read, 1);
}

}  // namespace
}  // namespace pdfindex
