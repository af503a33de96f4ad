#include "readers/amchemsoc.h"

#include <gtest/gtest.h>

#include <random>

#include "run/run.h"
#include "text/positions.h"
#include "fake_disk.h"
#include "oracles/oracles.h"
#include "test_util.h"

namespace pdfindex {
namespace {

const Oracle& kOracle = *OracleOf("AmChemSoc");

const std::string kFolder = "AmChemSoc/v123n5/";

std::string Lines(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string page;
  for (const std::string& l : lines) page += l + end;
  return page;
}

// The finder on pages named 1.htm, 2.htm, ... in list order; a page given as
// "-" cannot be opened. Checks the oracle agrees and returns the result.
std::string Describe(const std::vector<std::string>& page_texts, const std::string& base,
                     bool* matched = nullptr) {
  PageSet pages;
  std::vector<std::string> names;
  for (size_t i = 0; i < page_texts.size(); ++i) {
    names.push_back(std::to_string(i + 1) + ".htm");
    if (page_texts[i] != "-") pages.Add(kFolder + names.back(), page_texts[i]);
  }
  NameList list;
  FillList(list, names);
  bool found = false;
  const std::string d = Classic(AmChemSocArticle, pages, base, kFolder, list, &found);
  bool literal_found = false;
  EXPECT_EQ(kOracle.article(pages, base, kFolder, list, &literal_found), d);
  EXPECT_EQ(literal_found, found);
  if (matched != nullptr) *matched = found;
  return d;
}

std::string Title(const std::string& page) {
  PageSet pages;
  pages.Add(kFolder + "t.htm", page);
  const std::string title = TitleOf(AmChemSocIssueTitle, pages, kFolder + "t.htm");
  EXPECT_EQ(kOracle.title(pages, kFolder + "t.htm"), title);
  return title;
}

TEST(AmChemSocTest, IssueTitleIsTheFirstParagraphReworked) {
  struct Row {
    const char* what;
    std::string page;
    std::string title;
  };
  const Row rows[] = {
      {"one line",
       Lines({"<HTML>", "<P><I>Some Journal</I><BR>Vol. 12, No. 3 (March 2001)<BR>Contents</P>"}),
       "Some Journal; Vol. 12, No. 3 (March 2001)"},
      {"spread over lines",
       Lines({"<P><I>Some Journal</I><BR>Vol. 12,", " No. 3 (March 2001)<BR>x", "</P>"}),
       "Some Journal; Vol. 12, No. 3 (March 2001)"},
      {"no break: no cut after the parenthesis", Lines({"<P>Annual Index (2001) part 2</P>"}),
       "Annual Index (2001) part 2"},
      {"a break: cut after the first parenthesis", Lines({"<P>Annual Index<BR>(2001) part 2</P>"}),
       "Annual Index; (2001)"},
      {"no paragraph: the last line less two bytes", Lines({"<HTML>", "</HTML>"}), "HTML>"},
      {"empty page", "", ""},
      {"read on to a line with </P>, then cut", Lines({"<P>a</P>", "x", "y"}), "a"},
      {"another <P> on the line: no more lines", Lines({"x<P>a<P>b", "c</P>"}), "a<P>b"},
      {"only the first of each tag goes", Lines({"<P><I>J</I> <I>K</I><BR>V<BR>W<BR>X</P>"}),
       "J <I>K</I>; VW<BR>X"},
      {"line ends in carriage returns alone", "<P>a\rb\r<BR>c\r", "ab; c"},
  };
  for (const Row& r : rows) EXPECT_EQ(Title(r.page), r.title) << r.what;
  EXPECT_EQ(TitleOf(AmChemSocIssueTitle, PageSet(), kFolder + "missing.htm"), "");
}

const std::string kLinks =
    "<A HREF=\"/cgi-bin/jtextd?x\">Full text</A> <A HREF=\"/pdf/ja001234\">PDF</A>";

TEST(AmChemSocTest, RegularEntries) {
  struct Row {
    const char* what;
    std::vector<std::string> lines;
    std::string description;
  };
  const Row rows[] = {
      {"worked example",
       {"<HTML><BODY>", "<P>", "567-575</B> <B>A Title.</B>",
        "<AU><I>Ann Author</I></AU>, <AU><I>Bo Author</I></AU> " + kLinks},
       "Ann Author</AU>, Bo Author</AU>; A Title; pag. 567-575.<BR>"},
      {"the <P> of the matched line itself stays",
       {"<BODY>", "<P>567-575</B> <B>A Title.</B> <AU><I>Ann Author</I></AU> " + kLinks},
       " Ann Author</AU>; A Title; pag. <BODY><P>567-575.<BR>"},
      {"no full-text link",
       {"<P>", "Ann Author <A HREF=\"/pdf/ja001234\">PDF</A>"},
       "Ann Author <A HREF=\"/pd; <BR>"},
      {"empty bold span",
       {"<P>", "567</B> <B></B>Ann <A HREF=\"/pdf/ja001234\">PDF</A>"},
       "Ann <A HREF=\"/pd;  pag. 567.<BR>"},
      {"several bold spans",
       {"<P>", "1-2</B><B>Big</B> and <B>bold</B>.<AU>Ann</AU> " + kLinks},
       ".<AU>Ann</AU>; Big and bol; pag. 1-2.<BR>"},
      {"font tags removed whole",
       {"<P>", "1-2</B><B>T.</B><FONT SIZE=2>Ann</FONT> <FONT SIZE=\"-1\">Bo</FONT> " + kLinks},
       "Ann Bo; T; pag. 1-2.<BR>"},
      {"font tags joined by a removal go too",
       {"<P>", "1</B><B>T.</B>A<FONT SIZE=<FONT SIZE=2>2>n " + kLinks},
       "An; T; pag. 1.<BR>"},
      {"bold tags joined by a removal",
       {"<P>", "1</B><B>a</</B>B>b<<B>B>c</B>d " + kLinks},
       "d; ab; pag. 1.<BR>"},
      {"one <P> cut per line: a second <P> on a line stays for the next",
       {"<P>x<P>y", "1</B><B>T.</B>A " + kLinks},
       "A; T; pag. x<P>y1.<BR>"},
      {"<P> cuts pile up and are made one per line",
       {"<P>a<P>b<P>c<P>d", "e", "1</B><B>T.</B>A " + kLinks},
       "A; T; pag. b<P>c<P>de1.<BR>"},
      {"the first key in the gathered text cuts, across a line end too",
       {"<P>", "1</B><B>T.</B>A /ja001234", "\" " + kLinks},
       "A; T; pag. 1.<BR>"},
      {"no tags at all", {kLinks}, " <BR>"},
      {"lower-case tags are not tags",
       {"<p>", "1</b><b>T.</b>A " + kLinks},
       "<p>1</b><b>T.</b>A; <BR>"},
  };
  for (const Row& r : rows) {
    bool matched = false;
    EXPECT_EQ(Describe({Lines(r.lines)}, "ja001234", &matched), r.description) << r.what;
    EXPECT_TRUE(matched) << r.what;
  }
}

const std::vector<std::string> kChoicePage = {
    "<H2>Choice Articles</H2>", "<UL>",
    "<LI><I>A Choice Title</I> (<A HREF=\"/x/ja001234.pdf\">PDF</A>) Ann Author, <BR> "
    "<I>Journal</I> 2001, 123, 45 (JA001234)",
    "</UL>"};

TEST(AmChemSocTest, ChoiceEntries) {
  struct Row {
    const char* what;
    std::vector<std::string> lines;
    std::string base;
    std::string description;
  };
  const std::string item = "<LI><I>T</I> (<A HREF=\"/x/ab1c.pdf\">PDF</A>) Ann, <BR> <I>J</I> 1 ";
  const Row rows[] = {
      {"worked example", kChoicePage, "ja001234", " Ann Author; Journal;A Choice Title <BR>"},
      {"marker in capitals, a-z only",
       {"Choice Articles", item + "(AB1C)"},
       "ab1c",
       " Ann; J;T <BR>"},
      {"non-ASCII bytes are not upper-cased",
       {"Choice Articles", "<LI>T (<A HREF=\"/x/\xe9x.pdf\">PDF</A>) A (\xe9X)"},
       "\xe9x",
       " A  T <BR>"},
      {"the marker only from the line that brings in the heading",
       {item + "(AB1C)", "Choice Articles"},
       "ab1c",
       " <BR>"},
      {"heading and marker on one line",
       {"Choice Articles" + item + "(AB1C)"},
       "ab1c",
       " Ann; J;T <BR>"},
      {"heading split across lines still counts",
       {"Choice Art", "icles", item + "(AB1C)"},
       "ab1c",
       " Ann; J;T <BR>"},
      {"the nearest <LI> within the last ten bytes scanned",
       {"Choice Articles", "<LI>T (<A HREF=\"/x/ab1c.pdf\">PDF</A>) Ann<LI>x<LI>(AB1C)"},
       "ab1c",
       "x<LI> <BR>"},
      {"a break at the very start removes nothing",
       {"Choice Articles", "<LI>(<A HREF=\"/x/ab1c.pdf\">PDF</A>)<BR>xy<I>J</I> (AB1C)"},
       "ab1c",
       "<BR>x; J;<BR>"},
      {"font tags removed",
       {"Choice Articles", "<LI><FONT SIZE=2>T</FONT>" + item.substr(4) + "(AB1C)"},
       "ab1c",
       " Ann; J;TT <BR>"},
      {"regular key on a Choice page: Choice reading",
       {"Choice Articles", "<LI>T (<A HREF=\"/x/ab1c\">PDF</A>) Ann <I>J</I> x"},
       "ab1c",
       "1c\">PDF</A>) Ann; J;T <BR>"},
  };
  for (const Row& r : rows) EXPECT_EQ(Describe({Lines(r.lines)}, r.base), r.description) << r.what;
}

// The choices made where the reading of a page was left open.
TEST(AmChemSocTest, SettledCases) {
  struct Row {
    const char* what;
    std::vector<std::string> pages;
    std::string description;
    bool matched;
  };
  const std::string regular = Lines({"<P>", "1-2</B><B>Reg.</B>Ann " + kLinks});
  const std::string choice_without_entry = Lines({"<H2>Choice Articles</H2>", "<LI>x (JA009999)"});
  const std::string choice_without_link =
      Lines({"Choice Articles", "<LI><I>T</I> Ann, <BR> <I>J</I> 1 (JA001234)"});
  const Row rows[] = {
      {"a Choice page without a match gives nothing", {choice_without_entry}, " <BR>", false},
      {"... and the next page is read",
       {choice_without_entry, regular},
       "Ann; Reg; pag. 1-2.<BR>",
       true},
      {"no <LI> before the marker: the whole text is the entry, less its first three bytes",
       {Lines({"Choice Articles ", "(<A HREF=\"/x/ja001234.pdf\">PDF</A>)<I>J</I> (JA001234)"})},
       "; J;ice Articles <BR>",
       true},
      {"no <LI> and no link",
       {Lines({"ab", "Choice Articles x<BR>y (JA001234)"})},
       "hoice Articles   <BR>",
       true},
      {"a Choice entry without a PDF link is used when it is the last page",
       {"-", choice_without_link},
       "; T;<BR>",
       true},
      {"... and dropped when a later page gives nothing",
       {choice_without_link, "x\r\n"},
       " <BR>",
       false},
      {"... and replaced when a later page matches",
       {choice_without_link, regular},
       "Ann; Reg; pag. 1-2.<BR>",
       true},
  };
  for (const Row& r : rows) {
    bool matched = !r.matched;
    EXPECT_EQ(Describe(r.pages, "ja001234", &matched), r.description) << r.what;
    EXPECT_EQ(matched, r.matched) << r.what;
  }
}

TEST(AmChemSocTest, PagesInListOrder) {
  struct Row {
    const char* what;
    std::vector<std::string> pages;
    std::string description;
  };
  const std::string one = Lines({"<P>", "1-2</B><B>One.</B>Ann " + kLinks});
  const std::string two = Lines({"<P>", "3-4</B><B>Two.</B>Bo " + kLinks});
  const std::string other = Lines({"<P>", "5</B><B>X.</B>Cy <A HREF=\"/pdf/ja009999\">PDF</A>"});
  const Row rows[] = {
      {"entry on the second page", {other, two}, "Bo; Two; pag. 3-4.<BR>"},
      {"on two pages: the first wins", {one, two}, "Ann; One; pag. 1-2.<BR>"},
      {"a page that cannot be opened is skipped", {"-", two}, "Bo; Two; pag. 3-4.<BR>"},
      {"no page lists the PDF", {other, other}, " <BR>"},
      {"no pages", {}, " <BR>"},
      {"the last page cannot be opened", {other, "-"}, " <BR>"},
      {"a Choice page first",
       {Lines(kChoicePage), one},
       " Ann Author; Journal;A Choice Title <BR>"},
      {"a key split across lines is not found",
       {Lines({"<P>", "1</B>x /ja00", "1234\" y"})},
       " <BR>"},
      {"a longer name ending in the base name is not found",
       {Lines({"<P>", "1</B>x /xja001234x\" /ja0012345\""})},
       " <BR>"},
  };
  for (const Row& r : rows) EXPECT_EQ(Describe(r.pages, "ja001234"), r.description) << r.what;

  // A regular match ends the search: a later page that matches too is not
  // looked at.
  PageSet pages;
  pages.Add(kFolder + "1.htm", one);
  pages.Add(kFolder + "2.htm", "<P>\r\nLater<B>Other.</B> 9-9</B> /ja001234\"");
  NameList list;
  FillList(list, {"1.htm", "2.htm"});
  pages.Add(kFolder + "0.htm", one);
  NameList alone;
  FillList(alone, {"0.htm"});
  EXPECT_EQ(Classic(AmChemSocArticle, pages, "ja001234", kFolder, list),
            Classic(AmChemSocArticle, pages, "ja001234", kFolder, alone));
  NameList later;
  FillList(later, {"2.htm"});
  EXPECT_NE(Classic(AmChemSocArticle, pages, "ja001234", kFolder, later),
            Classic(AmChemSocArticle, pages, "ja001234", kFolder, alone));
}

TEST(AmChemSocTest, KeysAreTheTextsSearchedFor) {
  EXPECT_EQ(AmChemSocArticleKeys("ja001234"),
            (std::vector<std::string>{"/ja001234\"", "(JA001234)"}));
  EXPECT_EQ(AmChemSocArticleKeys("a-B\xe9z"),
            (std::vector<std::string>{"/a-B\xe9z\"", "(A-B\xe9Z)"}));
}

// ---------------------------------------------------------------------------
// Random pages: well-formed entries of both layouts, mutated.

std::string RandomPage(std::mt19937& rng, const std::vector<std::string>& bases) {
  auto pick = [&rng](const std::vector<std::string>& v) { return v[rng() % v.size()]; };
  auto upper = [](std::string s) {
    for (char& c : s) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    return s;
  };
  const std::vector<std::string> noise = {"<P>",
                                          "<B>",
                                          "</B>",
                                          "<I>",
                                          "</I>",
                                          "<AU>",
                                          "</AU>",
                                          "<BR>",
                                          "<LI>",
                                          "<",
                                          "/",
                                          "B>",
                                          "P>",
                                          "x",
                                          " ",
                                          "<FONT SIZE=2>",
                                          "</FONT>",
                                          "<FONT SIZE=\"-1\">",
                                          "Choice Articles",
                                          ")",
                                          "(",
                                          "<A HREF=\"/cgi-bin/jtextd?",
                                          ".pdf\">PDF</A>",
                                          "(<A HREF=\""};
  std::vector<std::string> tokens;  // the page as pieces; line ends are pieces too
  const bool choice = rng() % 3 == 0;
  tokens.push_back("<HTML><BODY>");
  tokens.push_back("\r\n");
  if (rng() % 2) tokens.push_back("<P><I>J. Imag. Chem.</I><BR>Vol. 1 (2001)<BR>x</P>\r\n");
  if (choice) tokens.push_back("<H2>Choice Articles</H2>\r\n<UL>\r\n");
  const int entries = 1 + static_cast<int>(rng() % 4);
  for (int e = 0; e < entries; ++e) {
    const std::string b = pick(bases);
    if (choice || rng() % 4 == 0) {
      for (const char* t : {"<LI>",    "<I>",
                            "A Title", "</I>",
                            " ",       "(<A HREF=\"/x/",
                            "",        ".pdf\">PDF</A>",
                            ")",       " Ann Author, ",
                            "<BR>",    " ",
                            "<I>",     "Journal",
                            "</I>",    " 2001 ",
                            "(",       "",
                            ")",       "\r\n"}) {
        tokens.push_back(t);
      }
      tokens[tokens.size() - 14] = b;
      tokens[tokens.size() - 3] = upper(b);
    } else {
      for (const char* t : {"<P>",
                            "\r\n",
                            "<FONT SIZE=2>",
                            "12-19",
                            "</B>",
                            " ",
                            "<B>",
                            "A Title.",
                            "</B>",
                            "\r\n",
                            "<AU><I>",
                            "Ann Author",
                            "</I></AU>",
                            ", ",
                            "<I><AU>",
                            "Bo",
                            "</AU></I>",
                            " ",
                            "<A HREF=\"/cgi-bin/jtextd?x\">",
                            "Full</A> ",
                            "<A HREF=\"/pdf/",
                            "",
                            "\">PDF</A>",
                            "</FONT>",
                            "\r\n"}) {
        tokens.push_back(t);
      }
      tokens[tokens.size() - 4] = b;
    }
  }
  tokens.push_back("</UL></BODY></HTML>\r\n");
  // Mutations: tokens dropped, repeated or swapped for noise, case changed,
  // lines split or joined, line ends varied.
  const int mutations = static_cast<int>(rng() % 6);
  for (int m = 0; m < mutations; ++m) {
    const size_t i = rng() % tokens.size();
    switch (rng() % 7) {
      case 0:
        tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      case 1:
        tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(i), tokens[i]);
        break;
      case 2:
        tokens[i] = pick(noise);
        break;
      case 3:
        for (char& c : tokens[i]) {
          if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        }
        break;
      case 4: {
        const size_t at = tokens[i].empty() ? 0 : rng() % tokens[i].size();
        tokens[i].insert(at, pick({"\r\n", "\n", "\r"}));
        break;
      }
      case 5:
        if (tokens[i] == "\r\n") tokens[i] = pick({"", "\n", "\r", "\r\r\n"});
        break;
      default:
        tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(i), pick(noise));
        break;
    }
  }
  std::string page;
  for (const std::string& t : tokens) page += t;
  return page;
}

TEST(AmChemSocTest, MatchesTheStepByStepReadingOnRandomPages) {
  std::mt19937 rng(33);
  const std::vector<std::string> bases = {"ja001234", "ja005678", "jm0a1", "Ab"};
  for (int round = 0; round < 4000; ++round) {
    PageSet pages;
    std::vector<std::string> names;
    const int page_count = static_cast<int>(rng() % 4);
    for (int p = 0; p < page_count; ++p) {
      names.push_back("p" + std::to_string(p) + ".htm");
      if (rng() % 8 == 0) continue;  // cannot be opened
      pages.Add(kFolder + names.back(), RandomPage(rng, bases));
    }
    NameList list;
    FillList(list, names);
    for (const std::string& name : names) {
      ASSERT_EQ(TitleOf(AmChemSocIssueTitle, pages, kFolder + name),
                kOracle.title(pages, kFolder + name))
          << "round " << round;
    }
    const std::string base = rng() % 5 == 0 ? "ja009999" : bases[rng() % bases.size()];
    bool matched = false;
    bool literal_matched = false;
    ASSERT_EQ(Classic(AmChemSocArticle, pages, base, kFolder, list, &matched),
              kOracle.article(pages, base, kFolder, list, &literal_matched))
        << "round " << round;
    ASSERT_EQ(matched, literal_matched) << "round " << round;
  }
}

// Bold-tag removals on random tag soup, where removals keep joining new tags.
TEST(AmChemSocTest, BoldTagSoupMatchesTheStepByStepReading) {
  std::mt19937 rng(34);
  const std::vector<std::string> soup = {"<", "/", "B", ">", "<B>", "</B>", "x", "</", "B>"};
  for (int round = 0; round < 20000; ++round) {
    std::string line = "1</B>";
    const int n = static_cast<int>(rng() % 16);
    for (int i = 0; i < n; ++i) line += soup[rng() % soup.size()];
    const std::string page = Lines({"<P>", line + " " + kLinks});
    PageSet pages;
    pages.Add(kFolder + "1.htm", page);
    NameList list;
    FillList(list, {"1.htm"});
    bool matched = false;
    ASSERT_EQ(Classic(AmChemSocArticle, pages, "ja001234", kFolder, list),
              kOracle.article(pages, "ja001234", kFolder, list, &matched))
        << line;
  }
}

// Long runs of one piece each, with pieces whose removal joins a tag of the
// other kind: the shapes on which removals alternate between far-apart tags.
TEST(AmChemSocTest, BoldTagRunsMatchTheStepByStepReading) {
  std::mt19937 rng(35);
  const std::vector<std::string> pieces = {"<B>",     "</B>",     "x",         "<</B>B>", "<<B>/B>",
                                           "</<B>B>", "</</B>B>", "<</B>/B>>", "B>",      "</"};
  for (int round = 0; round < 3000; ++round) {
    std::string line = "1</B>";
    const int runs = 1 + static_cast<int>(rng() % 5);
    for (int r = 0; r < runs; ++r) {
      const std::string& piece = pieces[rng() % pieces.size()];
      for (int k = static_cast<int>(rng() % 24); k >= 0; --k) line += piece;
    }
    const std::string page = Lines({"<P>", line + " " + kLinks});
    PageSet pages;
    pages.Add(kFolder + "1.htm", page);
    NameList list;
    FillList(list, {"1.htm"});
    bool matched = false;
    ASSERT_EQ(Classic(AmChemSocArticle, pages, "ja001234", kFolder, list),
              kOracle.article(pages, "ja001234", kFolder, list, &matched))
        << line;
  }
}

// ---------------------------------------------------------------------------
// Size: many long entries and one entry of many tags are read whole. How fast
// is measured by bench/finder_bench (Finder/AmChemSoc/long_entries, ...);
// a reading that never ends is stopped by the test's time-out.

TEST(AmChemSocTest, ManyPdfsOnLargePagesAreEachFound) {
  // 800 entries on a regular page and on a Choice page without any "<P>".
  std::string regular = "<HTML>\r\n<P><I>J</I><BR>V (1)</P>\r\n";
  std::string choice = "<H2>Choice Articles</H2>\r\n<UL>\r\n";
  std::vector<std::string> bases;
  for (int i = 0; i < 800; ++i) {
    const std::string b = "ja" + std::to_string(100000 + i);
    bases.push_back(b);
    regular += "<P>\r\n" + std::to_string(i) + "</B> <B>Title " + std::string(2000, 'x') +
               ".</B>\r\n<AU><I>Ann</I></AU> <A HREF=\"/cgi-bin/jtextd?x\">F</A> <A HREF=\"/p/" +
               b + "\">PDF</A>\r\n";
    choice += "<LI><I>T" + std::string(2000, 'y') + "</I> (<A HREF=\"/x/" + b +
              ".pdf\">PDF</A>) Ann, <BR> <I>J</I> 1 (JA" + b.substr(2) + ")\r\n";
  }
  for (const std::string& page : {regular, choice}) {
    PageSet pages;
    pages.Add(kFolder + "1.htm", page);
    NameList list;
    FillList(list, {"1.htm"});
    for (const std::string& b : bases) {
      bool matched = false;
      Classic(AmChemSocArticle, pages, b, kFolder, list, &matched);
      ASSERT_TRUE(matched) << b;
    }
  }
  // The description of one entry equals the step-by-step reading.
  PageSet pages;
  pages.Add(kFolder + "1.htm", choice);
  NameList list;
  FillList(list, {"1.htm"});
  bool matched = false;
  EXPECT_EQ(Classic(AmChemSocArticle, pages, bases[500], kFolder, list),
            kOracle.article(pages, bases[500], kFolder, list, &matched));
}

TEST(AmChemSocTest, LongEntriesWithManyTagsEnd) {
  // One paragraph of 4 MB: 200000 bold spans, and a Choice entry with no
  // "<LI>" before its marker.
  std::string bold = "<P>\r\n1</B><B>";
  for (int i = 0; i < 200000; ++i) bold += "a</B>b<B>c\r\n";
  bold += "</B> <A HREF=\"/p/ja001234\">PDF</A>\r\n";
  std::string choice = "Choice Articles\r\n";
  for (int i = 0; i < 200000; ++i) choice += "(<A HREF=\"/x/\r\n";
  choice += "(JA001234)\r\n";
  PageSet pages;
  pages.Add(kFolder + "1.htm", bold);
  pages.Add(kFolder + "2.htm", choice);
  NameList list;
  FillList(list, {"1.htm"});
  std::string title;
  for (int i = 0; i < 200000; ++i) title += "abc";
  title.back() = ';';
  EXPECT_EQ(Classic(AmChemSocArticle, pages, "ja001234", kFolder, list),
            " <A HREF=\"/; " + title + " pag. 1.<BR>");
  // The whole text less "Cho", the link text's length and the text before
  // the link, then a blank, that text and "<BR>".
  NameList choice_list;
  FillList(choice_list, {"2.htm"});
  const std::string description =
      Classic(AmChemSocArticle, pages, "ja001234", kFolder, choice_list);
  EXPECT_EQ(description.size(), 200000u * 13 + 12 - 21 + 1 + 12 + 4);
  EXPECT_TRUE(EndsWith(description, "(<A HREF=\"/x/ ice Articles<BR>"));
}

// ---------------------------------------------------------------------------

TEST(AmChemSocTest, WholeRunOnAnArchive) {
  FakeDisk disk;
  const std::string folder = "AmChemSoc/v123n5/";
  disk.AddFile(folder + "choice.htm",
               Lines({"<HTML>", "<P><I>J. Imag. Chem. Soc.</I><BR>Choice Articles (2001)<BR></P>",
                      "<H2>Choice Articles</H2>", "<UL>",
                      "<LI><I>Bright Rings</I> (<A HREF=\"/x/ja015510.pdf\">PDF</A>) "
                      "A. Ames, <BR> <I>J. Imag. Chem. Soc.</I> 2001, 123, 801 (JA015510)",
                      "</UL>", "</HTML>"}));
  disk.AddFile(folder + "contents.htm",
               Lines({"<HTML>",
                      "<P><I>J. Imag. Chem. Soc.</I><BR>Vol. 123, No. 5 (2001)<BR>"
                      "Contents</P>",
                      "<P>", "<FONT SIZE=2>801-809</B> <B>Bright Rings.</B>",
                      "<AU><I>A. Ames</I></AU> <A HREF=\"/cgi-bin/jtextd?a\">Full</A> "
                      "<A HREF=\"/pdf/ja015510\">PDF</A></FONT>",
                      "<P>", "810-818</B> <B>Dark Chains.</B>",
                      "<AU><I>B. Bell</I></AU>, <AU><I>C. Cho</I></AU> "
                      "<A HREF=\"/cgi-bin/jtextd?b\">Full</A> <A HREF=\"/pdf/ja015511\">PDF</A>",
                      "</HTML>"}));
  disk.AddFile(folder + "ja015510.pdf", "%PDF-1.4\n%%EOF\n");
  disk.AddFile(folder + "ja015511.pdf", "%PDF-1.4\n%%EOF\n");
  disk.AddFile(folder + "ja019999.pdf", "%PDF-1.4\n%%EOF\n");
  disk.AddFile("AmChemSoc/empty/ja1.pdf", "%PDF-1.4\n%%EOF\n");
  FakeConsole console;
  ASSERT_TRUE(RunCatalogue(disk, console).ok());
  EXPECT_EQ(console.output, "");
  const std::string expected =
      "<TITLE>Quor's PDF Articles Database</TITLE><HEAD>"
      "<HR><B><BR>[AmChemSoc/empty]</B><BR><BR>\r\n"
      "<A HREF=\"AmChemSoc/empty/ja1.pdf\">ja1</A>  <BR>\r\n"
      "<HR><B><BR>J. Imag. Chem. Soc.; Choice Articles (2001)<BR></B>\r\n"
      "<B><BR>J. Imag. Chem. Soc.; Vol. 123, No. 5 (2001)<BR></B>\r\n"
      "<BR>\r\n"
      "<A HREF=\"AmChemSoc/v123n5/ja015510.pdf\">ja015510</A>  A. Ames; J. Imag. Chem. Soc.;"
      "Bright Rings <BR>"
      "<A HREF=\"AmChemSoc/v123n5/ja015511.pdf\">ja015511</A> B. Bell</AU>, C. Cho</AU>; "
      "Dark Chains; pag. 810-818.<BR>"
      "<A HREF=\"AmChemSoc/v123n5/ja019999.pdf\">ja019999</A>  <BR>\r\n"
      "<HR></HEAD><BODY></BODY>";
  EXPECT_EQ(disk.Contents("HtmlData.htm"), expected);
}

}  // namespace
}  // namespace pdfindex
