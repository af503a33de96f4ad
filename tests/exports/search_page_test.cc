#include "outputs/search_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run/run.h"
#include "outputs/export_text.h"
#include "outputs/search_page_text.h"
#include "test_util.h"
#include "text/encoding.h"
#include "text/escape.h"

namespace pdfindex {
namespace {

// Collects the bytes a sink writes, one entry per write; fails the write
// after `fail_after` successful ones.
class StringByteSink : public ByteSink {
 public:
  Status Write(std::string_view bytes) override {
    if (fail_after == 0) return Status::Code(101, "page.html");
    --fail_after;
    writes.emplace_back(bytes);
    return Status::Ok();
  }
  std::string All() const {
    std::string all;
    for (const std::string& w : writes) all += w;
    return all;
  }
  std::vector<std::string> writes;
  int fail_after = -1;
};

PdfRecord Pdf(std::string file, bool found = false, std::string classic = "") {
  PdfRecord pdf;
  pdf.base = PdfBaseName(file);
  pdf.file = std::move(file);
  pdf.article.found = found;
  pdf.article.classic = std::move(classic);
  return pdf;
}

IssueRecord Issue(std::string publisher, std::string issue, std::vector<PdfRecord> pdfs) {
  IssueRecord record;
  record.publisher = std::move(publisher);
  record.issue = std::move(issue);
  record.format = "none";
  record.pdfs = std::move(pdfs);
  return record;
}

std::string Page(const std::vector<IssueRecord>& issues,
                 SearchPageOptions options = {"/data/archive", "/data/archive"}) {
  StringByteSink out;
  auto sink = MakeSearchPage(out, options);
  EXPECT_TRUE(sink->Begin().ok());
  for (const IssueRecord& issue : issues) EXPECT_TRUE(SinkFeeder(*sink).Issue(issue).ok());
  EXPECT_TRUE(sink->Finish().ok());
  return out.All();
}

// The text of the catalogue data element.
std::string DataOf(const std::string& page) { return PageDataText(page, "catalogue"); }

size_t Count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++n;
  }
  return n;
}

TEST(SearchPageTextTest, NamesShowAsUtf8OrLatin1) {
  const struct {
    std::string bytes, text;
  } cases[] = {
      {"plain", "plain"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},                    // UTF-8 kept
      {"caf\xE9", "caf\xC3\xA9"},                        // Latin-1 read as such
      {"\x96", "\xE2\x80\x93"},                          // windows-1252 en dash
      {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                  // overlong "/" is not UTF-8
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // a surrogate is not UTF-8
      {"\xF0\x9F\x93\x84", "\xF0\x9F\x93\x84"},          // four-byte form kept
      {"\xF0\x9F\x93", "\xC3\xB0\xC5\xB8\xE2\x80\x9C"},  // cut short
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PageText(c.bytes), c.text) << c.bytes;
    EXPECT_TRUE(IsValidUtf8(PageText(c.bytes))) << c.bytes;
  }
}

TEST(SearchPageTextTest, JsonStringsCannotEndTheScriptElement) {
  const struct {
    std::string text, json;
  } cases[] = {
      {"</script>", "\"\\u003c/script\\u003e\""},
      {"<!--", "\"\\u003c!--\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"tab\there\nnew\rcr\x01", "\"tab\\there\\nnew\\rcr\\u0001\""},
      {"&amp;", "\"\\u0026amp;\""},
      {"\xE2\x80\xA8\xE2\x80\xA9", "\"\\u2028\\u2029\""},
      {"\xE2\x80\x94", "\"\xE2\x80\x94\""},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.text, JsonEscapes::kScript), c.json) << c.text;
}

TEST(SearchPageTextTest, LinksResolveToTheExactBytes) {
  const struct {
    std::string path, encoded;
  } cases[] = {
      {"Embo/v20n1/a1.pdf", "Embo/v20n1/a1.pdf"},
      {"a b/50%/x#y?.pdf", "a%20b/50%25/x%23y%3F.pdf"},
      {"caf\xE9/\\:&'\"<>.pdf", "caf%E9/%5C%3A%26%27%22%3C%3E.pdf"},
      {"new\nline.pdf", "new%0Aline.pdf"},
      {"%2E%2E/....pdf", "%252E%252E/....pdf"},
  };
  for (const auto& c : cases) EXPECT_EQ(PercentEncodePath(c.path), c.encoded) << c.path;
}

TEST(SearchPageTextTest, RelativeFolders) {
  const struct {
    std::string from, to, relative;
  } cases[] = {
      {"/a/archive", "/a/archive", ""},        {"/a/archive/", "/a/archive", ""},
      {"/a/archive/out", "/a/archive", "../"}, {"/a/out", "/a/archive", "../archive/"},
      {"/", "/a/archive", "a/archive/"},       {"/x/y/z", "/a", "../../../a/"},
      {"/a/./b/../c", "/a/c/d", "d/"},         {"/ab", "/a", "../a/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PageRelativeFolder(c.from, c.to), c.relative) << c.from << " -> " << c.to;
  }
}

TEST(SearchPageTextTest, DescriptionsShowAsText) {
  const struct {
    std::string html, text;
  } cases[] = {
      {"<B>Title</B>, <I>J. Chem.</I> 12: 1-10.<BR>", "Title, J. Chem. 12: 1-10."},
      {"H<SUB>2</SUB>O and<BR>CO<sub>2</sub>", "H2O and CO2"},
      {"  many\r\n  blanks&nbsp;here ", "many blanks here"},
      {"a &amp; b &lt;c&gt; &#233;&#x2014;&eacute; &#150;",
       "a & b <c> \xC3\xA9\xE2\x80\x94\xC3\xA9 "
       "\xE2\x80\x93"},
      {"&bogus; &#xZZ; &#0;", "&bogus; &#xZZ; \xEF\xBF\xBD"},
      {"F\xFCr <script>alert(1)</script>", "F\xC3\xBCr alert(1)"},
      {"; .<BR>", ""},
      {" <BR>", ""},
      {"cut <A HREF=\"x", "cut"},
  };
  for (const auto& c : cases) EXPECT_EQ(PageTextOfHtml(c.html), c.text) << c.html;
}

TEST(SearchPageTest, NamesAndTextsNeverBecomeMarkup) {
  IssueRecord issue = Issue("<script>", "</script><b>", {Pdf("<i>.pdf", false, "<B>x</B>")});
  PageRecord page;
  page.name = "t.htm";
  page.title.text = "</script><img src=x onerror=alert(1)>";
  issue.pages.push_back(page);
  issue.pdfs[0].article.fields.title = "</SCRIPT >";
  issue.pdfs[0].article.fields.authors = {"<!--", "a & b"};
  const std::string page_text = Page({issue}, {"/data/<arch>", "/data/<arch>"});

  // Only the page's own three script elements (the data, the script and
  // the one that says the data is read) open or close; the data is base64
  // (checked by DataOf), which holds the texts as they are.
  EXPECT_EQ(Count(page_text, "<script"), 3u);
  EXPECT_EQ(Count(page_text, "</script"), 3u);
  EXPECT_EQ(Count(page_text, "<SCRIPT"), 0u);
  EXPECT_EQ(Count(page_text, "<!--"), 0u);
  EXPECT_NE(DataOf(page_text).find("#<script>\x1f</script><b>\x1f"), std::string::npos);
  // The archive's name stands in the title and the heading as text.
  EXPECT_EQ(Count(page_text, "&lt;arch&gt;"), 2u);
  EXPECT_EQ(Count(page_text, "<arch>"), 0u);
}

TEST(SearchPageTest, DataHoldsEveryFolderAndRowInWalkOrder) {
  IssueRecord embo = Issue("Embo", "v20n1", {Pdf("a1.pdf", true), Pdf("b 2.PDF")});
  embo.format = "Embo";
  PageRecord page;
  page.title.text = "J. Mol. Things 20(1)";
  embo.pages = {page, page};  // a run of equal titles shows once
  ArticleFields& fields = embo.pdfs[0].article.fields;
  fields.title = "Heading";
  fields.authors = {"Ann Author", "Bob B\xC3\xA9"};
  fields.first_page = "1";
  fields.last_page = "10";
  fields.doi = "10.1/x";
  // The characters that mark records and fields, and NUL, stand escaped.
  fields.container = std::string("J\x1f\x1e\x1b\0\x1c\x1d.", 8);
  const std::string data =
      DataOf(Page({embo, Issue("caf\xE9", "empty", {})}, {"/data/archive", "/data/www/pages"}));
  EXPECT_EQ(data,
            "../../archive/\x1e"
            "#Embo\x1fv20n1\x1f"
            "Embo\x1f"
            "Embo/v20n1/\x1fJ. Mol. Things 20(1)\x1e"
            "1a1.pdf\x1f"
            "a1.pdf\x1fHeading\x1fJ\x1b_\x1b^\x1b[\x1b@\x1b\\\x1b].\x1f\x1f\x1f"
            "1\xE2\x80\x93"
            "10\x1f\x1f"
            "10.1/x\x1f\x1f"
            "Ann Author\x1f"
            "Bob B\xC3\xA9\x1e"
            "0b 2.PDF\x1f"
            "b%202.PDF\x1f\x1f\x1f\x1f\x1f\x1f\x1f\x1f\x1e"
            "#caf\xC3\xA9\x1f"
            "empty\x1fnone\x1f"
            "caf%E9/empty/\x1e");
}

// The abstracts follow the rows' data, one line per row from the first row on;
// a page without abstracts has no such element.
TEST(SearchPageTest, AbstractsFollowTheScriptOneLineARow) {
  IssueRecord first = Issue("P", "I", {Pdf("a.pdf", true), Pdf("b.pdf", true)});
  IssueRecord second = Issue("P", "J", {Pdf("c.pdf", true), Pdf("d.pdf", true)});
  first.pdfs[1].article.fields.abstract = "Heat </script> in \\ crystals\nand caf\xE9";
  second.pdfs[1].article.fields.abstract = "<!-- two";
  const std::string page = Page({first, second});
  const std::string open = "<script type=\"text/plain\" class=\"abstracts\">\n";
  const size_t at = page.find(open);
  ASSERT_NE(at, std::string::npos);
  EXPECT_GT(at, page.find("<script>document.dispatchEvent"));
  EXPECT_TRUE(page.ends_with("</script>\n</body>\n</html>\n"));
  EXPECT_EQ(PageDataText(page, "abstracts"),
            "\n"
            "Heat </script> in \\ crystals and caf\xC3\xA9\n"
            "\n"
            "<!-- two\n");
  EXPECT_NE(DataOf(page).find("\x1e"
                              "3b.pdf\x1f"
                              "b.pdf\x1f\x1f\x1f\x1f\x1f\x1f\x1f\x1f\x1e"),
            std::string::npos);
  EXPECT_EQ(Count(page, "<script"), 4u);

  IssueRecord only = Issue("P", "I", {Pdf("a.pdf", true), Pdf("b.pdf", true)});
  only.pdfs[0].article.fields.abstract = "first";
  const std::string starts = Page({only});
  EXPECT_EQ(PageDataText(starts, "abstracts"), "first\n\n");

  const std::string plain = Page({Issue("P", "I", {Pdf("a.pdf", true)})});
  EXPECT_EQ(plain.find("class=\"abstracts\""), std::string::npos);
  EXPECT_EQ(Count(plain, "<script"), 3u);
}

// A large catalogue's first rows stand ahead of its data, as JSON, a
// screen's worth of whole folders or of the first folder's rows; the data
// still holds every row. A small one has no such rows (it is read at once).
TEST(SearchPageTest, LargeCataloguesShowTheirFirstRowsAheadOfTheData) {
  const struct {
    int folders, rows_each;
    size_t first_rows;  // 0: no first rows
  } cases[] = {{300, 10, 0}, {301, 10, 60}, {4, 1000, 60}, {1, 3001, 60}, {100, 7, 0}, {500, 7, 60}};
  for (const auto& c : cases) {
    std::vector<IssueRecord> issues;
    for (int i = 0; i < c.folders; ++i) {
      std::vector<PdfRecord> pdfs;
      for (int k = 0; k < c.rows_each; ++k) pdfs.push_back(Pdf(std::to_string(i * 10000 + k) + ".pdf"));
      issues.push_back(Issue("P", std::to_string(i), std::move(pdfs)));
    }
    const std::string page = Page(issues);
    const std::string open = "<script type=\"application/json\" id=\"first\">\n";
    const size_t at = page.find(open);
    const std::string label = std::to_string(c.folders) + "x" + std::to_string(c.rows_each);
    if (c.first_rows == 0) {
      EXPECT_EQ(at, std::string::npos) << label;
      continue;
    }
    ASSERT_NE(at, std::string::npos) << label;
    EXPECT_LT(at, page.find("<script>\n")) << label;
    // A JSON string; the names need no escapes but the marks of the records.
    std::string first = page.substr(at + open.size(), page.find("\n</script>", at) - at - open.size());
    ASSERT_TRUE(first.starts_with("\"") && first.ends_with("\"")) << label;
    first = first.substr(1, first.size() - 2);
    for (const auto& [json, text] : {std::pair{"\\u001e", "\x1e"}, {"\\u001f", "\x1f"}}) {
      for (size_t n = first.find(json); n != std::string::npos; n = first.find(json, n)) {
        first.replace(n, 6, text);
      }
    }
    EXPECT_EQ(Count(first, "\x1e"
                           "0"),
              c.first_rows)
        << label;
    // The first rows are the data's first rows, the last folder cut short
    // where it holds more.
    EXPECT_TRUE(first.ends_with("\x1e")) << label;
    EXPECT_EQ(DataOf(page).rfind(first, 0), 0u) << label;
  }
}

TEST(SearchPageTest, WritesFoldersAsTheyComeAndPassesOnWriteFailures) {
  // The data is written compressed as the folders come: the sink holds no
  // more than the compressor's window of them once the page is known to be
  // large.
  StringByteSink out;
  auto sink = MakeSearchPage(out, {"/r", "/r"});
  ASSERT_TRUE(sink->Begin().ok());
  for (int i = 0; i < 2000; ++i) {
    std::vector<PdfRecord> pdfs;
    for (int k = 0; k < 10; ++k) pdfs.push_back(Pdf(std::to_string(i * 7919 % 10007 * k) + ".pdf"));
    ASSERT_TRUE(SinkFeeder(*sink).Issue(Issue("P", std::to_string(i), std::move(pdfs))).ok());
  }
  const size_t streamed = out.All().size();
  ASSERT_TRUE(sink->Finish().ok());
  const size_t data_end = out.All().find("<script>document.dispatchEvent");
  ASSERT_NE(data_end, std::string::npos);
  EXPECT_GT(streamed * 2, data_end);  // most of the data left before the end

  // Writes: the page up to its data, the rest of the data, the abstracts.
  for (int fail_after = 0; fail_after < 3; ++fail_after) {
    StringByteSink failing;
    failing.fail_after = fail_after;
    auto page = MakeSearchPage(failing, {"/r", "/r"});
    IssueRecord issue = Issue("P", "I", {Pdf("a.pdf", true)});
    issue.pdfs[0].article.fields.abstract = "text";
    Status status = page->Begin();
    if (status.ok()) status = SinkFeeder(*page).Issue(issue);
    if (status.ok()) status = page->Finish();
    EXPECT_EQ(status.code, 101) << fail_after;
    EXPECT_EQ(status.path, "page.html") << fail_after;
  }
}

}  // namespace
}  // namespace pdfindex
