#include "readers/jbconline.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "run/run.h"
#include "fake_disk.h"
#include "oracles/oracles.h"
#include "test_util.h"

namespace pdfindex {
namespace {

const Oracle& kOracle = *OracleOf("JBCOnline");

// ---------------------------------------------------------------------------
// An issue folder in memory.

const std::string kFolder = "JBCOnline/v1/";

struct Issue {
  PageSet pages;
  NameList list;

  // Pages named p1.htm, p2.htm, ... in list order; nullptr marks a listed
  // page that cannot be opened.
  explicit Issue(const std::vector<const char*>& texts) {
    for (size_t i = texts.size(); i-- > 0;) Add(i, texts[i]);
  }
  explicit Issue(const std::vector<std::string>& texts) {
    for (size_t i = texts.size(); i-- > 0;) Add(i, texts[i].c_str());
  }

  // Lists page i in front of the pages added so far.
  void Add(size_t i, const char* text) {
    const std::string name = "p" + std::to_string(i + 1) + ".htm";
    if (text != nullptr) pages.Add(kFolder + name, text);
    ListAdd(list, name);
  }

  std::string Article(const std::string& base, bool* matched = nullptr) {
    return Classic(JBCOnlineArticle, pages, base, kFolder, list, matched);
  }
  std::string Literal(const std::string& base, bool* matched) {
    return kOracle.article(pages, base, kFolder, list, matched);
  }
};

struct ArticleRow {
  const char* what;
  std::vector<const char*> pages;
  const char* base;
  const char* description;
  bool matched;
};

// Checks each row against the reader and against the literal steps.
void CheckArticles(const std::vector<ArticleRow>& rows) {
  for (const ArticleRow& row : rows) {
    Issue issue(row.pages);
    bool matched = !row.matched;
    EXPECT_EQ(issue.Article(row.base, &matched), row.description) << row.what;
    EXPECT_EQ(matched, row.matched) << row.what;
    bool literal_matched = !row.matched;
    EXPECT_EQ(issue.Literal(row.base, &literal_matched), row.description)
        << "literal: " << row.what;
    EXPECT_EQ(literal_matched, row.matched) << "literal: " << row.what;
  }
}

TEST(JBCOnlineTitleTest, TakesTheTitleElementOrThePagePath) {
  struct Row {
    const char* page;  // nullptr: the page cannot be opened
    const char* title;
  };
  const std::string path = kFolder + "p1.htm";
  const Row rows[] = {
      {"<TITLE>Contents of issue 2</TITLE>\r\n<TITLE>Later</TITLE>\r\n", "Contents of issue 2"},
      {"<HTML><HEAD><TITLE>Vol. 3</TITLE></HEAD>", "Vol. 3"},
      {"<HTML>\r\n<TITLE>\r\nIssue 2</TITLE>\r\n", "Issue 2"},
      {"<TITLE>\r\n</TITLE>\r\n", ""},
      {"a</TITLE>b</TITLE>", "a"},
      {"</TITLE><TITLE>x", ""},
      {"<TITLE>x <TITLE>y</TITLE>", "x <TITLE>y"},
      {"<title>Lower case</title>\r\n", nullptr},
      {"", nullptr},
      {"\r\n\r\n", nullptr},
      {"<TITLE>Cut\x1a</TITLE>", nullptr},
      {"<TITLE>Lone CRs\r</TITLE>\r", "Lone CRs"},
  };
  for (const Row& row : rows) {
    PageSet pages;
    pages.Add(path, row.page);
    const std::string want = row.title == nullptr ? path : row.title;
    EXPECT_EQ(TitleOf(JBCOnlineIssueTitle, pages, path), want) << row.page;
    EXPECT_EQ(kOracle.title(pages, path), want) << row.page;
  }
  EXPECT_EQ(TitleOf(JBCOnlineIssueTitle, PageSet(), path), path);
}

TEST(JBCOnlineKeysTest, KeyIsTheBaseNameLessItsLastTwoBytes) {
  struct Row {
    const char* base;
    const char* key;
  };
  const Row rows[] = {
      {"M123456000", "/jbc.M1234560"},
      {"abc", "/jbc.a"},
      {"ab", "/jbc."},
      {"a", "/jbc."},
      {"", "/jbc."},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(JBCOnlineArticleKeys(row.base), std::vector<std::string>{row.key}) << row.base;
  }
}

TEST(JBCOnlineArticleTest, DescribesTheEntryBeforeTheKey) {
  CheckArticles({
      {"entry on one line",
       {"<HTML>Header<BR>\r\n<DT>Term text123<DD><STRONG>Definition</STRONG> text4567<BR>"
        "<A HREF=\"/cgi/reprint/jbc.M123456000v1\">PDF</A>\r\n"},
       "M123456000",
       "Term text; Definition text.<BR>",
       true},
      {"entry over several lines",
       {"<HTML>Header<BR>\r\n<DT>Term\r\n text123\r\n<DD>\r\n<STRONG>Defin\r\nition</STRONG>\r\n"
        " text4567\r\n<BR>\r\n<A HREF=\"/cgi/reprint/jbc.M123456000v1\">PDF</A>\r\n"},
       "M123456000",
       "Term text; Definition text.<BR>",
       true},
      {"no <DD>: no term, definition from the entry's fourth byte",
       {"<HTML>Header<BR>\r\n<DT>Term text123 Definition text4567<BR>"
        "<A HREF=\"/cgi/reprint/jbc.M123456000v1\">PDF</A>\r\n"},
       "M123456000",
       "; m text123 Definition text.<BR>",
       true},
      {"no <DT> before the key",
       {"<A HREF=\"/cgi/reprint/jbc.M123456000\">PDF</A>"},
       "M123456000",
       "; .<BR>",
       true},
      {"an entry without its <BR> gets the entry before it",
       {"<HTML><BODY><DL>\r\n<DT>First<P><DD>Def one    <BR><A HREF=\"/jbc.A100\">PDF</A>\r\n"
        "<DT>Second<P><DD>Def two    <A HREF=\"/jbc.B200\">PDF</A>\r\n"},
       "B20000",
       "First; Def one.<BR>",
       true},
      {"two <BR> in one step: the first is taken",
       {"<HTML><BODY><DL>\r\n<DT>T<P><DD>Def    <BR>x<BR><A HREF=\"/jbc.K1\">"},
       "K1zz",
       "T; Def.<BR>",
       true},
      {"only the first <STRONG> and </STRONG> go; other tags stay",
       {"<HTML><BODY><BR>\r\n<DT><B>T</B>   <DD><STRONG>A</STRONG> and <STRONG>B</STRONG> &amp; C  "
        "  <BR>"
        "<A HREF=\"/jbc.K1\">"},
       "K1zz",
       "<B>T</B>; A and <STRONG>B</STRONG> &amp; C.<BR>",
       true},
      {"a short definition is kept whole",
       {"<HTML><BODY><DL>\r\n<DT>Term<P><DD>ab<BR>some link text <A HREF=\"/jbc.K1\">"},
       "K1zz",
       "Term; ab.<BR>",
       true},
  });
}

TEST(JBCOnlineArticleTest, FindsTheKeyOnlyWholeOnOneLine) {
  const char* kEntry =
      "<HTML><BODY><DL>\r\n<DT>Title<P><DD>Auth    <BR><A HREF=\"/cgi/reprint/jbc.";
  const std::string split_key = std::string(kEntry) + "M12\r\n3456000\">PDF</A>";
  const std::string lower = std::string(kEntry) + "m123456000\">PDF</A>";
  // A key split earlier on the page cuts the text there, before the line
  // that holds the key whole.
  const std::string split_then_whole =
      "<HTML><BODY><DL>\r\n<DT>A<P><DD>One    <BR>/jbc.K\r\n1<DT>B<P><DD>Two    <BR>"
      "<A HREF=\"/jbc.K1\">";
  CheckArticles({
      {"split key", {split_key.c_str()}, "M123456000", "", false},
      {"base name in another case", {lower.c_str()}, "M123456000", "", false},
      {"no pages", {}, "M123456000", "", false},
      {"split key, then whole", {split_then_whole.c_str()}, "K1zz", "A; One.<BR>", true},
      {"base of two bytes: any /jbc. line",
       {"<HTML><BODY><DL>\r\n<DT>A<P><DD>One    <BR><A HREF=\"/jbc.X1\">\r\n"
        "<DT>B<P><DD>Two    <BR><A HREF=\"/jbc.Y1\">"},
       "ab",
       "A; One.<BR>",
       true},
  });
}

TEST(JBCOnlineArticleTest, LastPageHoldingTheKeyWins) {
  const char* kEarly = "<HTML><BODY><DL>\r\n<DT>Early<P><DD>One    <BR><A HREF=\"/jbc.K1\">";
  const char* kLate = "<HTML><BODY><DL>\r\n<DT>Late<P><DD>Two    <BR><A HREF=\"/jbc.K1\">";
  const char* kOther = "<HTML><BODY><DL>\r\n<DT>Other<P><DD>Three    <BR><A HREF=\"/jbc.Q1\">";
  CheckArticles({
      {"later page replaces", {kEarly, kLate}, "K1zz", "Late; Two.<BR>", true},
      {"later page without the key", {kEarly, kOther}, "K1zz", "Early; One.<BR>", true},
      {"unopenable pages are skipped", {nullptr, kEarly, nullptr}, "K1zz", "Early; One.<BR>", true},
      {"no page holds the key", {kOther, nullptr}, "K1zz", "", false},
  });
}

TEST(JBCOnlineArticleTest, ShortRestMovesWholeAndTheScanEnds) {
  // The text before the key is "<DT><DD>" and filler; the scan reaches the
  // "<DT>" only when its steps end at the page's start. A rest of 11 to 19
  // bytes moves whole, a rest of 10 or fewer stays.
  struct Row {
    size_t before;  // bytes before the key
    const char* description;
  };
  const Row rows[] = {
      {10, "; .<BR>"},                     // never moved
      {11, "; abc.<BR>"},                  // 11 bytes move whole
      {19, "; abcdefg.<BR>"},              // 19 bytes move whole
      {20, "; abcdefgh.<BR>"},             // one exact step
      {30, "; .<BR>"},                     // one step, 10 left over
      {31, "; abcdefghijklmnopqrs.<BR>"},  // one step, then 11 whole
      {39, "; abcdefghijklmnopqrstuvwxyzA.<BR>"},
  };
  const std::string filler = "abcdefghijklmnopqrstuvwxyzABCDEFGH";
  for (const Row& row : rows) {
    const std::string page = "<DT><DD>" + filler.substr(0, row.before - 8) + "/jbc.K1";
    CheckArticles({{page.c_str(), {page.c_str()}, "K1zz", row.description, true}});
  }
}

TEST(JBCOnlineArticleTest, LongPagesStayLinear) {
  // A megabyte before the key, with and without the tags: the literal steps
  // would move them 20 bytes at a time.
  const std::string filler(1'000'000, 'x');
  const std::vector<std::string> pages = {"<DT>" + filler + "<A HREF=\"/jbc.K1\">",
                                          filler + "<BR><A HREF=\"/jbc.K2\">",
                                          filler + "<DT>T<P><DD>D    <BR>/jbc.K3"};
  Issue issue(pages);
  // 1000013 bytes before the first key: steps leave 13, which move whole,
  // and the whole page after its "<DT>" is the entry.
  const std::string first = issue.Article("K1zz");
  EXPECT_EQ(first.size(), 2 + (1'000'000 - 3) + 5 + 5);
  EXPECT_EQ(first.substr(0, 4), "; xx");
  EXPECT_EQ(first.substr(first.size() - 16), "xxxxxx<A HR.<BR>");
  EXPECT_EQ(issue.Article("K2zz"), "; .<BR>");
  EXPECT_EQ(issue.Article("K3zz"), "T; D.<BR>");
}

// ---------------------------------------------------------------------------
// Generated pages: well-formed entries, then random damage.

class PageMaker {
 public:
  explicit PageMaker(unsigned seed) : rng_(seed) {}

  size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }
  bool OneIn(size_t n) { return Below(n) == 0; }

  std::string Words(size_t most) {
    static const char* const kWords[] = {
        "Kinase",         "of", "the", "Human", "Site",      "&amp;",
        "<I>E. coli</I>", "A.", "B",   "x",     "1021-1030", "DT"};
    std::string out;
    for (size_t n = Below(most + 1); n > 0; --n) {
      if (!out.empty()) out += ' ';
      out += kWords[Below(std::size(kWords))];
    }
    return out;
  }

  // A tag as written, sometimes dropped or in lower case.
  std::string Tag(const std::string& tag) {
    if (OneIn(12)) return "";
    if (OneIn(12)) {
      std::string lower = tag;
      for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      }
      return lower;
    }
    return tag;
  }

  std::string Entry(const std::string& base) {
    std::string e = Tag("<DT>") + Words(6) + std::string(Below(5), ' ') + Tag("<DD>") +
                    Tag("<STRONG>") + Words(4) + Tag("</STRONG>") + " " + Words(5) +
                    std::string(Below(6), ' ') + Tag("<BR>");
    if (OneIn(4)) e += "<A HREF=\"/cgi/abstract\">[Abstract]</A>";
    e += "<A HREF=\"/cgi/reprint/jbc." + base + "v1\">PDF</A>";
    if (OneIn(6)) e += "<A HREF=\"/cgi/reprint/jbc." + base + "\">again</A>";
    return e;
  }

  std::string Page(const std::vector<std::string>& bases) {
    std::string text;
    if (!OneIn(5)) text += Tag("<TITLE>") + Words(3) + Tag("</TITLE>");
    text += Words(8) + (OneIn(2) ? Tag("<BR>") : "");
    for (size_t n = Below(6); n > 0; --n) text += Entry(bases[Below(bases.size())]);
    // Line ends anywhere, also inside tags and keys.
    std::string out;
    for (char c : text) {
      out += c;
      if (OneIn(25)) {
        static const char* const kEnds[] = {"\r\n", "\n", "\r", "\r\r\n"};
        out += kEnds[Below(std::size(kEnds))];
      }
    }
    return out;
  }

 private:
  std::mt19937 rng_;
};

TEST(JBCOnlineArticleTest, GeneratedPagesGiveWhatTheLiteralStepsGive) {
  const std::vector<std::string> bases = {"M100", "M10000", "M20000", "M1", "K7x", "ab", ""};
  PageMaker maker(20040109);
  int matches = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::string> texts;
    for (size_t n = 1 + maker.Below(3); n > 0; --n) texts.push_back(maker.Page(bases));
    Issue issue(texts);
    for (size_t i = 0; i < texts.size(); ++i) {
      const std::string path = kFolder + "p" + std::to_string(i + 1) + ".htm";
      ASSERT_EQ(TitleOf(JBCOnlineIssueTitle, issue.pages, path), kOracle.title(issue.pages, path))
          << texts[i];
    }
    for (const std::string& base : bases) {
      bool matched = false;
      bool literal_matched = false;
      const std::string got = issue.Article(base, &matched);
      ASSERT_EQ(got, issue.Literal(base, &literal_matched)) << base << " in " << texts[0];
      ASSERT_EQ(matched, literal_matched) << base << " in " << texts[0];
      matches += matched ? 1 : 0;
    }
  }
  EXPECT_GT(matches, 3000);
}

// ---------------------------------------------------------------------------
// A whole run over the example archive.

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST(JBCOnlineRunTest, IndexesTheExampleArchive) {
  const std::string root = std::string(PDFINDEX_EXAMPLES) + "/archive/";
  FakeDisk disk;
  for (const char* file : {"v279n02/toc.htm", "v279n02/M308817200.pdf", "v279n02/M309124200.pdf",
                           "v279n02/M310455200.pdf", "v279n02/M310502200.pdf",
                           "v279n02/M312000100.pdf", "v279n03/toc1.htm", "v279n03/toc2.htm",
                           "v279n03/M311020200.pdf", "v279n03/M311377200.pdf"}) {
    const std::string path = std::string("JBCOnline/") + file;
    disk.AddFile(path, ReadFile(root + path));
    ASSERT_FALSE(disk.Contents(path).empty()) << path;
  }
  // A page that cannot be opened puts its path in as a heading; a folder
  // without pages gets its bracketed name and no descriptions.
  disk.AddUnopenable("JBCOnline/v279n03/toc3.htm");
  disk.AddFile("JBCOnline/v280n01/M400000100.pdf", "%PDF-1.4\n%%EOF\n");
  FakeConsole console;
  ASSERT_TRUE(RunCatalogue(disk, console).ok());

  const std::string title2 = "J. Biocatal. Res., Vol. 279, Issue 2, 1021-1846, January 9, 2004";
  const std::string title3 = "J. Biocatal. Res., Vol. 279, Issue 3, 1847-2690, January 16, 2004";
  const std::string want =
      "<TITLE>Quor's PDF Articles Database</TITLE><HEAD>"
      "<HR><B><BR>" +
      title2 +
      "<BR></B>\r\n<BR>\r\n"
      "<A HREF=\"JBCOnline/v279n02/M308817200.pdf\">M308817200</A> "
      "Calcium-dependent Docking of a Kinase Adaptor at the Plasma Membrane; Helena M. Varga, "
      "Piotr Lindqvist, and Ruth O. Abernathy J. Biocatal. Res. 2004 279: 1021-1030.<BR>"
      "<A HREF=\"JBCOnline/v279n02/M309124200.pdf\">M309124200</A> "
      "A Second Phosphorylation Site Controls the Turnover of Receptor Tyrosine Phosphatase "
      "&#946;; Tomoko Iwasaki and Daniel F. Kerrigan J. Biocatal. Res. 2004 279: 1031-1039.<BR>"
      "<A HREF=\"JBCOnline/v279n02/M310455200.pdf\">M310455200</A> "
      "Crystal Structure of a Thermostable Glycerol Dehydratase from <I>Thermus aquaticus</I>; "
      "Marta Quintero-Ruiz, Owen B. Heller, Sunil K. Rao, and Ingrid Nyg&aring;rd J. Biocatal. "
      "Res. 2004 279: 1040-1052.<BR>"
      "<A HREF=\"JBCOnline/v279n02/M310502200.pdf\">M310502200</A> "
      "Folding Intermediates of Apomyoglobin Trapped by Rapid Mixing; Colin P. Ashworth "
      "J. Biocatal. Res. 2004 279: 1053-1060.<BR>"
      "<A HREF=\"JBCOnline/v279n02/M312000100.pdf\">M312000100</A> \r\n"
      "<HR><B><BR>" +
      title3 +
      "<BR></B>\r\n"
      "<B><BR>JBCOnline/v279n03/toc3.htm<BR></B>\r\n<BR>\r\n"
      "<A HREF=\"JBCOnline/v279n03/M311020200.pdf\">M311020200</A> "
      "Kinetic Isotope Effects Reveal a Stepwise Hydride Transfer in Dihydroorotate Oxidase; "
      "Beatrix L. Szab&oacute;, Aaron N. Whitfield, and Gu Mei J. Biocatal. Res. 2004 279: "
      "1847-1855.<BR>"
      "<A HREF=\"JBCOnline/v279n03/M311377200.pdf\">M311377200</A> "
      "An Allosteric Switch in Phosphofructokinase from a Deep-sea Archaeon (Correction); "
      "Felix Oyelaran and Hanne S. Bruun J. Biocatal. Res. 2004 279: 2690.<BR>\r\n"
      "<HR><B><BR>[JBCOnline/v280n01]</B><BR><BR>\r\n"
      "<A HREF=\"JBCOnline/v280n01/M400000100.pdf\">M400000100</A> \r\n"
      "<HR></HEAD><BODY></BODY>";
  EXPECT_EQ(disk.Contents("HtmlData.htm"), want);
}

}  // namespace
}  // namespace pdfindex
