#include "text/plain_text.h"

#include <gtest/gtest.h>

#include <string>

#include "text/fields.h"
#include "text/page.h"

namespace pdfindex {
namespace {

TEST(PlainTextTest, DecodesStripsAndSqueezes) {
  struct Row {
    const char* html;
    Charset charset;
    const char* text;
  };
  const Row rows[] = {
      {"  Seed rain &amp; the\r\n\t spread ", Charset::kUndeclared, "Seed rain & the spread"},
      {"Si<sub>1-x</sub>Ge<i>x</i>", Charset::kUndeclared, "Si1-xGex"},
      {"a<br>b<P>c</td><td>d", Charset::kUndeclared, "a b c d"},
      {"&lt;&gt;&quot;&apos;&nbsp;x&ndash;y&mdash;&lsquo;&rdquo;", Charset::kUndeclared,
       "<>\"' x\u2013y\u2014\u2018\u201D"},
      {"&eacute;&Ouml;&szlig;&yuml;&times;", Charset::kUndeclared,
       "\u00E9\u00D6\u00DF\u00FF\u00D7"},
      {"&alpha;&Omega;&beta;&sigmaf;&Sigma;", Charset::kUndeclared,
       "\u03B1\u03A9\u03B2\u03C2\u03A3"},
      {"&#946;&#x3B2;&#X3b2;&#150;", Charset::kUndeclared, "\u03B2\u03B2\u03B2\u2013"},
      {"&#0;&#xD800;&#1114112;", Charset::kUndeclared, "\uFFFD\uFFFD\uFFFD"},
      {"&unknown; & &amp &#;", Charset::kUndeclared, "&unknown; & &amp &#;"},
      {"caf\xC3\xA9", Charset::kUndeclared, "caf\u00E9"},                      // valid UTF-8
      {"caf\xE9 \x93q\x94", Charset::kUndeclared, "caf\u00E9 \u201Cq\u201D"},  // else 1252
      {"caf\xC3\xA9", Charset::kWindows1252, "caf\u00C3\u00A9"},               // as declared
      {"bad \xE9 byte", Charset::kUtf8, "bad \uFFFD byte"},
      {"\xF0\x9F\x98\x80 \xED\xA0\x80 \xC0\xAF", Charset::kUtf8,
       "\U0001F600 \uFFFD\uFFFD\uFFFD \uFFFD\uFFFD"},
      {"a < b", Charset::kUndeclared, "a < b"},
      {"cut <b off", Charset::kUndeclared, "cut"},
      {"ctl\x01\x1F", Charset::kUndeclared, "ctl"},
      // Single blanks between words go in with them; others are squeezed.
      {"a b  c \td e", Charset::kUndeclared, "a b c d e"},
      {" a b ", Charset::kUndeclared, "a b"},
      {"a b<i> c</i> d&amp;e f", Charset::kUndeclared, "a b c d&e f"},
      {"", Charset::kUndeclared, ""},
  };
  for (const Row& r : rows) {
    const std::string text = PlainText(r.html, r.charset);
    EXPECT_EQ(text, r.text) << r.html;
    EXPECT_TRUE(IsValidUtf8(text)) << r.html;
  }
}

TEST(PlainTextTest, TheDeclaredCharsetDecidesOncePerPage) {
  struct Row {
    const char* page;
    Charset declared;
    Charset page_charset;
  };
  const Row rows[] = {
      {"<meta charset=\"utf-8\">caf\xE9", Charset::kUtf8, Charset::kUtf8},
      {"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=ISO-8859-1\">",
       Charset::kWindows1252, Charset::kWindows1252},
      {"<meta http-equiv=content-type content='text/html; charset=windows-1252'>",
       Charset::kWindows1252, Charset::kWindows1252},
      {"<meta charset=us-ascii>", Charset::kWindows1252, Charset::kWindows1252},
      {"<meta charset=koi8-r>caf\xC3\xA9", Charset::kUndeclared, Charset::kUtf8},
      {"no declaration caf\xC3\xA9", Charset::kUndeclared, Charset::kUtf8},
      {"no declaration caf\xE9", Charset::kUndeclared, Charset::kWindows1252},
      {"<p>charset=utf-8 outside a meta tag \xE9", Charset::kUndeclared, Charset::kWindows1252},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(DeclaredCharset(r.page), r.declared) << r.page;
    const Page page(r.page);
    EXPECT_EQ(PageCharset(page), r.page_charset) << r.page;
  }
}

// A byte above ASCII anywhere in a piece, in the words read eight at a time
// or in the bytes after them, sends it to the page's charset.
TEST(PlainTextTest, APieceWithAnyHighByteTakesThePageCharset) {
  const Page page("<meta charset=windows-1252>");
  for (size_t size = 1; size <= 20; ++size) {
    EXPECT_EQ(PieceCharset(page, std::string(size, 'a')), Charset::kUtf8) << size;
    for (size_t at = 0; at < size; ++at) {
      std::string piece(size, 'a');
      piece[at] = '\xE9';
      EXPECT_EQ(PieceCharset(page, piece), Charset::kWindows1252) << size << " " << at;
    }
  }
}

TEST(PlainTextTest, FileNamesAreUtf8WhenValidElseLatin1) {
  EXPECT_EQ(FileNameText("Vol 1/caf\xC3\xA9.pdf"), "Vol 1/caf\u00E9.pdf");
  EXPECT_EQ(FileNameText("caf\xE9\x93.pdf"), "caf\u00E9\u0093.pdf");
  const TitleRecord path = PathTitle("P&Q/x\xE9.htm");
  EXPECT_TRUE(path.is_path);
  EXPECT_EQ(path.classic, "P&Q/x\xE9.htm");
  EXPECT_EQ(path.text, "P&Q/x\u00E9.htm");
}

TEST(FieldStepsTest, AuthorListsPageRangesCitationsAndIssueTitles) {
  struct AuthorRow {
    const char* text;
    const char* names;
  };
  const AuthorRow authors[] = {
      {"L. Ortega, M. Haas and P. Ilic", "L. Ortega|M. Haas|P. Ilic"},
      {"Helena M. Varga, Piotr Lindqvist, and Ruth O. Abernathy",
       "Helena M. Varga|Piotr Lindqvist|Ruth O. Abernathy"},
      {"Varga H, Okonkwo L.", "Varga H|Okonkwo L"},
      {"Anna Ames, Ben Bell, ", "Anna Ames|Ben Bell"},
      {"A & B; C", "A|B|C"},
      {"  ", ""},
  };
  for (const AuthorRow& r : authors) {
    std::string joined;
    for (const std::string& name : AuthorList(r.text)) joined += (joined.empty() ? "" : "|") + name;
    EXPECT_EQ(joined, r.names) << r.text;
  }

  struct CitationRow {
    const char* text;
    const char* container;
    const char* year;
    const char* volume;
    const char* first;
    const char* last;
  };
  const CitationRow citations[] = {
      {"J. Mol. Things 2001 20: 1-12.", "J. Mol. Things", "2001", "20", "1", "12"},
      {"J. Biocatal. Res. 2004 279: 2690", "J. Biocatal. Res.", "2004", "279", "2690", ""},
      {"Things 7: pp. 5\xE2\x80\x93"
       "9",
       "Things", "", "7", "5", "9"},
      {"no colon at all", "", "", "", "", ""},
  };
  for (const CitationRow& r : citations) {
    ArticleFields f;
    SetCitation(r.text, &f);
    EXPECT_EQ(f.container, r.container) << r.text;
    EXPECT_EQ(f.year, r.year) << r.text;
    EXPECT_EQ(f.volume, r.volume) << r.text;
    EXPECT_EQ(f.first_page, r.first) << r.text;
    EXPECT_EQ(f.last_page, r.last) << r.text;
  }

  struct IssueRow {
    const char* title;
    const char* container;
    const char* volume;
    const char* issue;
    const char* year;
  };
  const IssueRow issues[] = {
      {"Journal of Molecular Things, Vol. 20, No. 1", "Journal of Molecular Things", "20", "1", ""},
      {"Journal of Applied Things -- Vol. 91, Iss. 1 --", "Journal of Applied Things", "91", "1",
       ""},
      {"J; Vol. 123, No. 5 (February 7, 2001)", "J", "123", "5", "2001"},
      {"Journal of Imaginary Botany - Volume 12 Issue 3, March 14, 2001",
       "Journal of Imaginary Botany", "12", "3", "2001"},
      {"Involved Volumes", "", "", "", ""},
  };
  for (const IssueRow& r : issues) {
    ArticleFields f;
    SetIssueTitle(r.title, &f);
    EXPECT_EQ(f.container, r.container) << r.title;
    EXPECT_EQ(f.volume, r.volume) << r.title;
    EXPECT_EQ(f.issue, r.issue) << r.title;
    EXPECT_EQ(f.year, r.year) << r.title;
  }
  ArticleFields kept;
  kept.volume = "7";
  SetIssueTitle("X, Vol. 20", &kept);
  EXPECT_EQ(kept.volume, "7");  // what the entry holds wins
}

TEST(FieldStepsTest, LinedTextKeepsWordsOnTwoLinesApartAndMarksGo) {
  const Page page("in thin\r\nmade-up films\nend");
  EXPECT_EQ(LinedText(page, 3, page.Text().size()), "thin made-up films end");
  EXPECT_EQ(LinedText(page, 5, 5), "");
  EXPECT_EQ(WithoutElements("J. Mwangi<sup>a</sup> and C. Duarte<SUP>b,c</SUP>", "sup"),
            "J. Mwangi and C. Duarte");
  EXPECT_EQ(WithoutElements("open <sup>never closed", "sup"), "open <sup>never closed");
}

}  // namespace
}  // namespace pdfindex
