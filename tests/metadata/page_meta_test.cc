#include "metadata/page_meta.h"

#include <gtest/gtest.h>

#include <chrono>

#include "metadata/plain.h"
#include "metadata/xmp.h"

namespace pdfindex {
namespace {

std::string Joined(const std::vector<std::string>& v) {
  std::string out;
  for (const std::string& s : v) out += (out.empty() ? "" : "|") + s;
  return out;
}

// Every field in one line, so a table row can state them all at once.
std::string Summary(const ArticleFields& f) {
  return "a=" + Joined(f.authors) + " t=" + f.title + " c=" + f.container + " v=" + f.volume +
         " i=" + f.issue + " y=" + f.year + " p=" + f.first_page + "-" + f.last_page +
         " doi=" + f.doi;
}

TEST(PageMetaTest, ReadsEachTagFamily) {
  struct Row {
    const char* name;
    const char* page;
    const char* expected;
  };
  const Row rows[] = {
      {"highwire",
       "<html><head><meta name=\"citation_title\" content=\"On   Foo &amp; Bar\">\n"
       "<META NAME=citation_author CONTENT='Ann Able'><meta content=\"Bo Baker\" "
       "name=\"citation_author\"/><meta name=\"citation_journal_title\" content=\"J. Made Up\">"
       "<meta name=\"citation_volume\" content=\"12\"><meta name=\"citation_issue\" content=\"3\">"
       "<meta name=\"citation_firstpage\" content=\"101\"><meta name=\"citation_lastpage\" "
       "content=\"110\"><meta name=\"citation_publication_date\" content=\"2003/05/01\">"
       "<meta name=\"citation_doi\" content=\"doi:10.1234/made.up.1\">",
       "a=Ann Able|Bo Baker t=On Foo & Bar c=J. Made Up v=12 i=3 y=2003 p=101-110 "
       "doi=10.1234/made.up.1"},
      {"dublin core, either case",
       "<meta name=\"DC.title\" content=\"Dee Title\"><meta name=\"dc.creator\" content=\"C. "
       "Dee\"><meta name=\"DC.Date\" content=\"May 1999\"><meta name=\"DC.identifier\" "
       "content=\"https://doi.org/10.5555/dc.7\"><meta name=\"dc.source\" content=\"Dee J\">",
       "a=C. Dee t=Dee Title c=Dee J v= i= y=1999 p=- doi=10.5555/dc.7"},
      {"prism",
       "<meta name=\"prism.publicationName\" content=\"Prism J\"><meta name=\"prism.volume\" "
       "content=\"4\"><meta name=\"prism.number\" content=\"2\"><meta "
       "name=\"prism.startingPage\" content=\"7\"><meta name=\"prism.endingPage\" "
       "content=\"9\"><meta name=\"prism.doi\" content=\"10.9999/p.1\">"
       "<meta name=\"prism.publicationDate\" content=\"2011-01-02\">",
       "a= t= c=Prism J v=4 i=2 y=2011 p=7-9 doi=10.9999/p.1"},
      {"json-ld in a graph",
       "<script type=\"application/ld+json\">{\"@graph\":[{\"@type\":\"WebPage\"},"
       "{\"@type\":\"ScholarlyArticle\",\"headline\":\"Jay \\u00c9l\",\"author\":[{\"@type\":"
       "\"Person\",\"name\":\"Jo Jay\"},{\"givenName\":\"Kim\",\"familyName\":\"Kay\"}],"
       "\"datePublished\":\"2020-02-02\",\"pageStart\":\"5\",\"pageEnd\":6,\"identifier\":"
       "{\"propertyID\":\"doi\",\"value\":\"10.4242/jl.9\"},\"isPartOf\":{\"@type\":"
       "\"PublicationIssue\",\"issueNumber\":\"8\",\"isPartOf\":{\"@type\":"
       "\"PublicationVolume\",\"volumeNumber\":\"33\",\"isPartOf\":{\"@type\":\"Periodical\","
       "\"name\":\"Jay J\"}}}}]}</script>",
       "a=Jo Jay|Kim Kay t=Jay \xC3\x89l c=Jay J v=33 i=8 y=2020 p=5-6 doi=10.4242/jl.9"},
      {"highwire first, others fill the gaps",
       "<meta name=\"citation_title\" content=\"High\"><meta name=\"dc.title\" "
       "content=\"Low\"><meta name=\"dc.creator\" content=\"Only Dc\"><meta "
       "name=\"prism.volume\" content=\"77\">",
       "a=Only Dc t=High c= v=77 i= y= p=- doi="},
      {"markup in values, escaped or not; citation_authors only without citation_author",
       "<meta name=\"citation_title\" content=\"CO&lt;sub&gt;2&lt;/sub&gt; in <i>Rhizo</i> a &lt; b\">"
       "<meta name=\"citation_authors\" content=\"Ann Able; Bo Baker\">"
       "<meta name=\"citation_author\" content=\"Ann Able\">"
       "<meta name=\"citation_author\" content=\"Bo Baker\">",
       "a=Ann Able|Bo Baker t=CO2 in Rhizo a < b c= v= i= y= p=- doi="},
      {"citation_authors alone",
       "<meta name=\"citation_authors\" content=\"Ann Able; Bo Baker\">",
       "a=Ann Able|Bo Baker t= c= v= i= y= p=- doi="},
      {"malformed json and unterminated tags are ignored",
       "<script type='application/ld+json'>{\"@type\":\"Article\",\"name\":[[[</script>"
       "<meta name=\"citation_title\" content=\"Kept",
       "a= t=Kept c= v= i= y= p=- doi="},
  };
  for (const Row& row : rows) {
    const PageMeta meta = ParsePageMeta(row.page);
    EXPECT_TRUE(meta.tagged) << row.name;
    EXPECT_EQ(Summary(meta.fields), row.expected) << row.name;
  }
  EXPECT_FALSE(ParsePageMeta("<html><meta name=\"viewport\" content=\"x\"></html>").tagged);
}

TEST(PageMetaTest, MatchesThePdfByUrlOrPageName) {
  PageMeta meta = ParsePageMeta(
      "<meta name=\"citation_pdf_url\" content=\"https://x.example/a/My%20Paper.PDF?dl=1\">");
  struct Row {
    const char* page;
    const char* file;
    bool expected;
  };
  const Row rows[] = {
      {"abstract.htm", "my paper.pdf", true},  // percent-decoded, any case
      {"abstract.htm", "My Paper.pdf", true}, {"abstract.htm", "Other.pdf", false},
      {"Other.html", "Other.pdf", true},  // the page's own base name
      {"other.html", "Other.pdf", false},
  };
  for (const Row& row : rows) {
    const std::string file = row.file;
    EXPECT_EQ(PageDescribesPdf(meta, row.page, file, file.substr(0, file.size() - 4)), row.expected)
        << row.page << " / " << row.file;
  }
  EXPECT_FALSE(
      PageDescribesPdf(ParsePageMeta("<p>untagged</p>"), "Other.htm", "Other.pdf", "Other"));
}

// A script's body runs to its close tag: a script tag inside it is text, and
// a page of scripts never closed is read once, not once per script (4 MB of
// them took minutes when each was read to the page's end; the limit below
// only guards against a hang).
TEST(PageMetaTest, ScriptBodiesAreReadOnce) {
  const std::string article =
      R"({"@type":"ScholarlyArticle","headline":"Inner"})";
  const std::string open = R"(<script type="application/ld+json">)";
  EXPECT_EQ(ParsePageMeta(open + open + article + "</script>").fields.title, "");
  EXPECT_EQ(ParsePageMeta(open + article + "</script>" + open + "{").fields.title, "Inner");
  std::string page = open + article + "</script>";
  while (page.size() < (size_t{4} << 20)) page += open + R"({"headline":"x)";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ParsePageMeta(page).fields.title, "Inner");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST(XmpTest, ReadsElementsAndAttributes) {
  const std::string packet =
      "<x:xmpmeta><rdf:RDF><rdf:Description rdf:about=\"\" prism:volume=\"21\" "
      "prism:doi=\"10.7777/xmp.3\">"
      "<dc:title><rdf:Alt><rdf:li xml:lang=\"de\">Titel</rdf:li><rdf:li "
      "xml:lang=\"x-default\">The &amp; Title</rdf:li></rdf:Alt></dc:title>"
      "<dc:creator><rdf:Seq><rdf:li>Una One</rdf:li><rdf:li>Tom Two</rdf:li></rdf:Seq>"
      "</dc:creator><prism:publicationName>Xmp J</prism:publicationName>"
      "<prism:number>4</prism:number><prism:startingPage>11</prism:startingPage>"
      "<prism:endingPage>19</prism:endingPage><prism:coverDate>2009-09</prism:coverDate>"
      "</rdf:Description></rdf:RDF></x:xmpmeta>";
  EXPECT_EQ(Summary(ParseXmp(packet)),
            "a=Una One|Tom Two t=The & Title c=Xmp J v=21 i=4 y=2009 p=11-19 doi=10.7777/xmp.3");
  EXPECT_EQ(Summary(ParseXmp("<dc:title><rdf:li>unclosed")), "a= t= c= v= i= y= p=- doi=");
}

TEST(PlainTest, FindsDois) {
  const std::pair<const char*, const char*> rows[] = {
      {"see doi:10.1016/j.x.2003.01.002.", "10.1016/j.x.2003.01.002"},
      {"(https://doi.org/10.1000/abc)", "10.1000/abc"},
      {"10.1016/0009-2614(95)00123-4, next", "10.1016/0009-2614(95)00123-4"},
      {"10.123/short-prefix", ""},
      {"10.1234567890/too-long", ""},
      {"210.1234/not", ""},
      {"10.1234/", ""},
      {"DOI 10.1234.5/sub;", "10.1234.5/sub"},
      {"10.1063/1.2409490\xE5\x85\xB4 x", "10.1063/1.2409490"},
      {"doi:10.1177/0748730414561545JOURNAL OF", "10.1177/0748730414561545"},
      {"10.1093/nar/gkt1234Nucleic", "10.1093/nar/gkt1234"},
      {"10.1103/PhysRevLett.116.061102", "10.1103/PhysRevLett.116.061102"},
      {"10.1002/anie.201a", "10.1002/anie.201a"},
  };
  for (const auto& [text, doi] : rows) EXPECT_EQ(FindDoi(text), doi) << text;
}

TEST(PlainTest, DecodesText) {
  EXPECT_EQ(DecodeReferences("a&amp;b &#233; &#x41; &bogus; & &#;"), "a&b \xC3\xA9 A &bogus; & &#;");
  EXPECT_EQ(PercentDecode("a%20b%2x%"), "a b%2x%");
  EXPECT_EQ(YearOf("12/05/1998"), "1998");
  EXPECT_EQ(YearOf("20031"), "");
}

}  // namespace
}  // namespace pdfindex
