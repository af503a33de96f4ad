#include "readers/ammathsoc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "run/run.h"
#include "fake_disk.h"
#include "oracles/oracles.h"
#include "test_util.h"

namespace pdfindex {
namespace {

const std::string kFolder = "AmMathSoc/v14n1/";

// Pages of one issue folder: each is named p<i>.htm and listed in that order;
// a page given as "\x01" is listed but cannot be opened.
struct Issue {
  PageSet pages;
  NameList list;

  explicit Issue(const std::vector<std::string>& texts) {
    for (size_t i = texts.size(); i-- > 0;) {
      const std::string name = "p" + std::to_string(i) + ".htm";
      ListAdd(list, name);
      if (texts[i] != "\x01") pages.Add(kFolder + name, texts[i]);
    }
  }
};

const Oracle& kOracle = *OracleOf("AmMathSoc");

// ---- Issue titles. ----

TEST(AmMathSocTest, IssueTitleIsTheFirstAlternativeText) {
  struct Row {
    std::vector<std::string> page;  // {} when the page cannot be opened
    std::string title;
  };
  const std::string path = kFolder + "p0.htm";
  const Row rows[] = {
      {{"<html>\r\n<img src=\"cover.gif\" alt=\"Some Journal, Vol. 14, No. 1\" width=90>\r\n"},
       "Some Journal, Vol. 14, No. 1"},
      {{"<IMG SRC=\"c.gif\" ALT=\"Vol. 14\">"}, "Vol. 14\">"},  // only quote + blank closes
      {{"<IMG ALT=\"Upper\" SRC=\"c.gif\" alt=\"lower\" >"}, "lower"},
      {{"<IMG ALT=\"Upper\" >\nalt=\"lower\" "}, "Upper"},  // the first line holding either
      {{"<img alt=\"\" src=x>"}, ""},
      {{"<img alt=\"A\rB\" >"}, "AB"},
      {{"x alt=\""}, ""},
      {{"<img alt=\"one\" alt=\"two\" >"}, "one"},
      {{"<img alt\n=\"split\" >"}, path},
      {{"<html><body>no image</body></html>"}, path},
      {{""}, path},
      {{std::string("\x1a<img alt=\"hidden\" >")}, path},
      {{}, path},
  };
  for (const Row& r : rows) {
    Issue issue(r.page.empty() ? std::vector<std::string>{"\x01"} : r.page);
    EXPECT_EQ(TitleOf(AmMathSocIssueTitle, issue.pages, path), r.title) << r.title;
    EXPECT_EQ(kOracle.title(issue.pages, path), r.title) << r.title;
  }
}

// ---- Article descriptions. ----

struct ArticleRow {
  std::string base;
  std::vector<std::string> pages;
  std::string description;
  bool matched;
};

void ExpectArticles(const std::vector<ArticleRow>& rows) {
  for (const ArticleRow& r : rows) {
    Issue issue(r.pages);
    bool matched = !r.matched;
    EXPECT_EQ(Classic(AmMathSocArticle, issue.pages, r.base, kFolder, issue.list, &matched),
              r.description)
        << r.pages[0];
    EXPECT_EQ(matched, r.matched) << r.pages[0];
    EXPECT_EQ(kOracle.article(issue.pages, r.base, kFolder, issue.list, &matched), r.description);
  }
}

std::string Entry(const std::string& heading, const std::string& term,
                  const std::string& definition, const std::string& reference,
                  const std::string& base) {
  return heading + "\r\n<dt><big><em>" + term + "</em></big></dt>\r\n<dd>" + definition +
         "<br>\r\n" + reference + "<br><a href=\"/cgi/pdf?file=" + base + "\">PDF</a>\r\n</dl>\r\n";
}

TEST(AmMathSocTest, DescribesArticlesAndReviews) {
  const std::string groups =
      Entry("<h1>Contents</h1>", "On Some Groups", "Ann Author and Bo Author",
            "<strong>Some Journal</strong> 14 (2001), 1-20.", "S0001");
  const std::string long_groups =
      Entry(std::string(5003, 'h'), "On Some Groups", "Ann Author and Bo Author",
            "<strong>Some Journal</strong> 14 (2001), 1-20.", "S0001");
  const std::string review =
      Entry("<h1>Reviews</h1>", "A Book, by C. Writer.", "Reviewer: Dee Critic",
            "<strong>Some Journal</strong> 14 (2001), 21-25.", "S0002");
  const std::string groups_text =
      "Ann Author and Bo Author; On Some Groups;Some Journal 14 (2001), 1-20.<BR>";
  const std::string review_text =
      "Reviewer: Dee Critic; A Book, by C. Writer;Some Journal 14 (2001), 21-25.<BR>";
  ExpectArticles({
      {"S0001", {groups}, groups_text, true},
      {"S0001", {long_groups}, groups_text, true},
      {"S0002", {review}, review_text, true},
      {"S0002", {groups + review}, review_text, true},
      {"S0001", {groups + review}, groups_text, true},
      // A later definition line: the step that reaches the "<br>" after
      // "B Two" also brings in the one after "A One", and the first is taken.
      {"S0005",
       {"<html>\r\n<dt><big><em>T</em></big></dt><dd>A One<br>B Two<br><strong>J</strong> 2<br>"
        "<a href=\"/x?f=S0005\">PDF</a>"},
       "A One; T;B Two<br>J 2<BR>",
       true},
      // An entry at the very start of a page: the scan never moves the page's
      // first 9 bytes ("<dt><big>"), so the term is not found.
      {"S0005",
       {"<dt><big><em>T</em></big></dt><dd>A One<br>B Two<br><strong>J</strong> 2<br>"
        "<a href=\"/x?f=S0005\">PDF</a>"},
       "A One; ;B Two<br>J 2<BR>",
       true},
      {"S0005",
       {std::string(777, 'x') +
        "<dt><big><em>T</em></big></dt><dd>A One<br>B Two<br><strong>J</strong> 2<br>"
        "<a href=\"/x?f=S0005\">PDF</a>"},
       "A One; T;B Two<br>J 2<BR>",
       true},
      // A review whose term is missing keeps the empty term.
      {"S9",
       {"</em></big></dt><dd>Reviewer: Q<br>Ref<br><a href=\"/x?f=S9\">"},
       "Reviewer: Q; Ref<BR>",
       true},
      {"s0001", {groups}, "", false},
      {"S000", {groups}, "", false},
  });
}

TEST(AmMathSocTest, LastPageHoldingTheKeyWins) {
  const std::string first = Entry("", "First", "A", "R1", "S1");
  const std::string second = Entry("", "Second", "B", "R2", "S1");
  const std::string other = Entry("", "Other", "C", "R3", "S2");
  // The key split by a line end is held by no line.
  const std::string split = "<dt><big><em>X</em></big></dt><dd>Y<br>Z<br><a href=\"/q?f=S\r\n1\">";
  ExpectArticles({
      {"S1", {first, second}, "B; Second;R2<BR>", true},
      {"S1", {first, other}, "A; First;R1<BR>", true},
      {"S1", {first, "\x01", other}, "A; First;R1<BR>", true},
      {"S1", {"\x01", other, split}, "", false},
      {"S1", {"\x01"}, "", false},
      {"S1", {first + second}, "A; First;R1<BR>", true},  // the first entry on a page
      {"S1", {split, second}, "B; Second;R2<BR>", true},
  });
}

// The entry ends at the key's first occurrence in the lines read, even when
// that one spans a line end and a later line holds the key whole.
TEST(AmMathSocTest, EntryEndsAtTheFirstKeyInTheLinesRead) {
  ExpectArticles({
      {"S1",
       {"<dt><big><em>T</em></big></dt><dd>D<br>R<br><a href=\"/p?f=S\n1\">PDF</a>"
        "<br><a href=\"/q?f=S1\">DVI</a>"},
       "D; T;R<BR>",
       true},
  });
}

// With 11 to 19 bytes left before the entry the scan moves all of them and
// then ends; with 10 or fewer it moves none.
TEST(AmMathSocTest, ShortTextBeforeTheKeyEndsTheScan) {
  const std::string key = "=S1\">";
  ExpectArticles({
      {"S1", {"<br>1234567" + key}, "; ;1234567<BR>", true},                  // 11 bytes
      {"S1", {"<br>Ab 1-2.<br>" + key}, "; ;Ab 1-2.<br><BR>", true},          // 15 bytes
      {"S1", {"<br>abcdefghijklmno" + key}, "; ;abcdefghijklmno<BR>", true},  // 19 bytes
      {"S1", {"<br>Ab 1-2" + key}, "; ;<BR>", true},                          // 10 bytes
      {"S1", {"<br>" + std::string(27, 'x') + key}, "; ;" + std::string(27, 'x') + "<BR>", true},
      {"S1", {"<br>" + std::string(26, 'x') + key}, "; ;<BR>", true},  // 10 left after a step
      {"S1", {key}, "; ;<BR>", true},
      {"S1", {"<br>\r\n" + std::string(13, 'y') + "\r\n" + key}, "; ;yyyyyyyyyyyyy<BR>", true},
  });
}

// Pages of a megabyte, with or without the tags, take one pass per call: the
// scan ends at the page's start or with at most 10 bytes left over.
TEST(AmMathSocTest, LongTextsEndQuickly) {
  const std::string key = "=S1\">";
  const std::string body = "<br>" + std::string(999996, 'z');  // a multiple of 20 bytes
  const std::string all_of_it = "; ;" + body.substr(4) + "<BR>";
  struct Row {
    std::string before_key;
    std::string description;
  };
  const Row rows[] = {
      {body, all_of_it},
      {std::string(body.size(), 'z'), "; ;<BR>"},
      {body + "abcdefghijklmn", "; ;" + body.substr(4) + "abcdefghijklmn<BR>"},  // 14 left
      {body + "abcdefghij", "; ;<BR>"},  // 10 bytes are left, and stay
  };
  for (const Row& r : rows) {
    Issue issue({r.before_key + key, r.before_key + key + "\r\n" + body});
    for (int call = 0; call < 2; ++call) {
      bool matched = false;
      const std::string d =
          Classic(AmMathSocArticle, issue.pages, "S1", kFolder, issue.list, &matched);
      ASSERT_TRUE(matched);
      ASSERT_TRUE(d == r.description) << d.substr(0, 40);
    }
  }
}

TEST(AmMathSocTest, ArticleKeysAreWhatTheFinderSearches) {
  EXPECT_EQ(AmMathSocArticleKeys("S0001"), std::vector<std::string>{"=S0001\">"});
  EXPECT_EQ(AmMathSocArticleKeys(""), std::vector<std::string>{"=\">"});
}

// ---- Generated pages against the oracle. ----

class PageMaker {
 public:
  explicit PageMaker(unsigned seed) : rng_(seed) {}

  std::string MakePage() {
    std::string page = Pick({"<html>", "<img src=\"c.gif\" alt=\"Vol. 1, No. 2\" width=9>",
                             "<IMG ALT=\"V\">", "", std::string(Int(0, 60), 'h')});
    page += Break();
    for (int i = Int(0, 4); i > 0; --i) page += Mutate(Entry());
    if (Int(0, 9) == 0) page += '\x1a' + Entry();
    return page;
  }

  std::string Base() { return Pick(kBases); }
  const std::vector<std::string>& Bases() const { return kBases; }

 private:
  std::string Entry() {
    std::string entry = "<dt><big><em>" + Words() + Pick({"", "."}) + "</em></big></dt>" + Break() +
                        "<dd>" + Pick({"", "Reviewer: "}) + Words();
    for (int i = Int(0, 2); i > 0; --i) entry += "<br>" + Break() + Words();
    entry += "<br>" + Break() + Pick({"", "<strong>"}) + Words() + Pick({"", "</strong>"}) +
             " 14 (2001), 1-" + std::to_string(Int(1, 300)) + "." + Break();
    for (int i = Int(1, 2); i > 0; --i) {
      entry += "<br><a href=\"/cgi/pdf?file=" + Base() + Pick({"\">", ".dvi\">"}) + "PDF</a>";
    }
    return entry + Break();
  }

  // Drops or changes tags, splits lines and doubles bytes at random places.
  std::string Mutate(std::string entry) {
    for (int i = Int(0, 3); i > 0 && !entry.empty(); --i) {
      const size_t at = static_cast<size_t>(Int(0, static_cast<int>(entry.size()) - 1));
      switch (Int(0, 4)) {
        case 0: {
          const size_t open = entry.find('<', at);
          const size_t close = entry.find('>', open);
          if (close != std::string::npos) entry.erase(open, close - open + 1);
          break;
        }
        case 1:
          for (size_t j = at; j < entry.size() && j < at + 6; ++j) {
            if (entry[j] >= 'a' && entry[j] <= 'z') entry[j] = static_cast<char>(entry[j] - 32);
          }
          break;
        case 2:
          entry.insert(at, Break());
          break;
        case 3:
          entry.insert(at, entry.substr(at, static_cast<size_t>(Int(1, 30))));
          break;
        default:
          entry.insert(at, "\r");
          break;
      }
    }
    return entry;
  }

  std::string Words() {
    std::string words;
    for (int i = Int(0, 5); i > 0; --i) words += Pick({"On ", "Groups", " and ", "Ann", "B. Co"});
    return words;
  }
  std::string Break() { return Pick({"", "\r\n", "\n", "\r\n", "\r"}); }
  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  std::string Pick(const std::vector<std::string>& from) {
    return from[static_cast<size_t>(Int(0, static_cast<int>(from.size()) - 1))];
  }

  const std::vector<std::string> kBases = {"S1", "S22", "s1", "S0005", "S1.dvi"};
  std::mt19937 rng_;
};

TEST(AmMathSocTest, GeneratedPagesMatchTheLiteralSteps) {
  PageMaker maker(20010514);
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::string> texts;
    for (int i = round % 3; i >= 0; --i)
      texts.push_back(round % 17 == 5 ? "\x01" : maker.MakePage());
    Issue issue(texts);
    if (round % 2 == 1) {  // as the run does: the folder's keys indexed in one pass
      std::vector<std::string> keys;
      for (const std::string& b : maker.Bases()) keys.push_back(AmMathSocArticleKeys(b)[0]);
      for (size_t i = 0; i < texts.size(); ++i) {
        const Page* page = issue.pages.Open(kFolder + "p" + std::to_string(i) + ".htm");
        if (page != nullptr) page->IndexNeedles(keys);
      }
    }
    const std::string path = kFolder + "p0.htm";
    ASSERT_EQ(TitleOf(AmMathSocIssueTitle, issue.pages, path), kOracle.title(issue.pages, path))
        << texts[0];
    const std::string base = maker.Base();
    bool matched = false;
    bool oracle_matched = false;
    const std::string expected = kOracle.article(issue.pages, base, kFolder, issue.list, &oracle_matched);
    ASSERT_EQ(Classic(AmMathSocArticle, issue.pages, base, kFolder, issue.list, &matched), expected)
        << base << "\n"
        << texts[0];
    ASSERT_EQ(matched, oracle_matched);
  }
}

// ---- A whole run over a small archive. ----

TEST(AmMathSocTest, WholeRunWritesTheIssueIndex) {
  FakeDisk disk;
  disk.AddFile("AmMathSoc/v14n1/toc.htm",
               "<html>\r\n<img src=\"cover.gif\" alt=\"Some Journal, Vol. 14, No. 1\" width=90>\r\n"
               "<dl>\r\n" +
                   Entry("", "On Some Groups", "Ann Author and Bo Author",
                         "<strong>Some Journal</strong> 14 (2001), 1-20.", "S0001") +
                   Entry("<dl>", "A Book, by C. Writer.", "Reviewer: Dee Critic",
                         "<strong>Some Journal</strong> 14 (2001), 21-25.", "S0002"));
  disk.AddFile("AmMathSoc/v14n1/S0001.pdf", "%PDF-1.4\n%%EOF\n");
  disk.AddFile("AmMathSoc/v14n1/S0002.pdf", "%PDF-1.4\n%%EOF\n");
  disk.AddFile("AmMathSoc/v14n1/S0009.pdf", "%PDF-1.4\n%%EOF\n");
  disk.AddFile("AmMathSoc/v14n2/toc.htm", Entry("<title>No cover</title>", "Rings", "Cy Dee",
                                                "Some Journal 14 (2001), 30.", "S0100"));
  disk.AddFile("AmMathSoc/v14n2/S0100.pdf", "%PDF-1.4\n%%EOF\n");
  FakeConsole console;
  ASSERT_TRUE(RunCatalogue(disk, console).ok());
  EXPECT_EQ(disk.Contents("HtmlData.htm"),
            "<TITLE>Quor's PDF Articles Database</TITLE><HEAD>"
            "<HR><B><BR>Some Journal, Vol. 14, No. 1<BR></B>\r\n<BR>\r\n"
            "<A HREF=\"AmMathSoc/v14n1/S0001.pdf\">S0001</A> "
            "Ann Author and Bo Author; On Some Groups;Some Journal 14 (2001), 1-20.<BR>"
            "<A HREF=\"AmMathSoc/v14n1/S0002.pdf\">S0002</A> "
            "Reviewer: Dee Critic; A Book, by C. Writer;Some Journal 14 (2001), 21-25.<BR>"
            "<A HREF=\"AmMathSoc/v14n1/S0009.pdf\">S0009</A> \r\n"
            "<HR><B><BR>AmMathSoc/v14n2/toc.htm<BR></B>\r\n<BR>\r\n"
            "<A HREF=\"AmMathSoc/v14n2/S0100.pdf\">S0100</A> "
            "Cy Dee; Rings;Some Journal 14 (2001), 30.<BR>\r\n"
            "<HR></HEAD><BODY></BODY>");
  EXPECT_EQ(console.output, "");
}

// The example archive's AmMathSoc folders, read from disk into a fake disk.
TEST(AmMathSocTest, ExampleArchiveIndexesItsArticlesAndReviews) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(PDFINDEX_EXAMPLES) / "archive";
  FakeDisk disk;
  disk.AddRealFiles(root.string(), "AmMathSoc");
  FakeConsole console;
  ASSERT_TRUE(RunCatalogue(disk, console).ok());
  const std::string bull = "<A HREF=\"AmMathSoc/BullNMU-v38n02/S2273-0979-01-009";
  const std::string proc = "<A HREF=\"AmMathSoc/ProcNMU-v129n03/S1077-4410-01-05";
  const std::string journal = "Bull. Northern Math. Union 38 (2001), ";
  EXPECT_EQ(disk.Contents("HtmlData.htm"),
            "<TITLE>Quor's PDF Articles Database</TITLE><HEAD><HR><B><BR>"
            "Bulletin of the Northern Mathematical Union, Vol. 38, No. 2<BR></B>\r\n<BR>\r\n" +
                bull +
                "01-5.pdf\">S2273-0979-01-00901-5</A> Nadia Okonkwo; "
                "Twenty years of random matrix universality;" +
                journal + "127-160.<BR>" + bull +
                "02-3.pdf\">S2273-0979-01-00902-3</A> Pieter van Dalen and Sung-Min Cho; "
                "Mirror symmetry for the working topologist;" +
                journal + "161-199.<BR>" + bull +
                "05-8.pdf\">S2273-0979-01-00905-8</A> Reviewer: Gwendolyn Price; "
                "Harmonic analysis on semigroups, by Lucien Marchetti;" +
                journal + "201-205.<BR>" + bull +
                "06-6.pdf\">S2273-0979-01-00906-6</A> "
                "Reviewer: Ruth Adeyemi; Lectures on moduli of curves, by A. Brandt and "
                "K. Oyelaran;" +
                journal +
                "207-212.<BR>\r\n"
                "<HR><B><BR>Proceedings of the Northern Mathematical Union, Vol. 129, No. 3"
                "<BR></B>\r\n<BR>\r\n" +
                proc +
                "801-2.pdf\">S1077-4410-01-05801-2</A> Marta Kowalczyk and Henrik "
                "Solberg; Rigidity of finite lattice groups acting on trees;"
                "Proc. Northern Math. Union 129 (2001), 631-640.<BR>" +
                proc +
                "802-0.pdf\">S1077-4410-01-05802-0</A> Jo&atilde;o P. Ferreira; "
                "A note on the spectrum of weighted shift operators;"
                "Proc. Northern Math. Union 129 (2001), 641-647.<BR>" +
                proc +
                "804-7.pdf\">S1077-4410-01-05804-7</A> Eleanor Whitcombe; "
                "Hereditarily indecomposable continua with trivial shape;"
                "Proc. Northern Math. Union 129 (2001), 659-664.<BR>" +
                proc +
                "899-0.pdf\">S1077-4410-01-05899-0</A> \r\n"
                "<HR></HEAD><BODY></BODY>");
}

}  // namespace
}  // namespace pdfindex
