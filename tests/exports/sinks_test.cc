// Each export on one hand-built issue folder: a described PDF, one whose
// entry no page held, and one with a name that is not UTF-8.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "outputs/export.h"
#include "test_util.h"

namespace pdfindex {
namespace {

IssueRecord SampleIssue() {
  IssueRecord issue;
  issue.publisher = "Pub";
  issue.issue = "Vol 1";
  issue.format = "springer";
  PageRecord page;
  page.name = "toc.htm";
  page.opened = true;
  page.format = "springer";
  page.title = {"<b>Vol 1</b>", false, "Vol 1"};
  issue.pages.push_back(page);

  PdfRecord described;
  described.file = "a_1.pdf";
  described.base = "a_1";
  described.article.found = true;
  described.article.classic = "A. Smith: <i>On Ice & Snow</i>";
  ArticleFields& f = described.article.fields;
  f.authors = {"Anna Smith", "B. van Dyke"};
  f.title = "On Ice & Snow {50%}";
  f.container = "J. Cold";
  f.volume = "1";
  f.issue = "2";
  f.year = "2004";
  f.first_page = "10";
  f.last_page = "19";
  f.doi = "10.1/ab_c";
  f.abstract = "Ice & snow melt by 50%.";
  issue.pdfs.push_back(described);

  PdfRecord bare;
  bare.file = "notes.PDF";
  bare.base = "notes";
  issue.pdfs.push_back(bare);

  PdfRecord latin1;
  latin1.file = "caf\xE9.pdf";
  latin1.base = "caf\xE9";
  latin1.article.classic = "\x93quoted\x94";
  issue.pdfs.push_back(latin1);
  return issue;
}

using Factory = std::function<std::unique_ptr<CatalogueSink>(ByteSink&, const ExportContext&)>;

std::string RunSink(const Factory& make, const ExportContext& context, int issues = 1) {
  StringSink out;
  auto sink = make(out, context);
  EXPECT_TRUE(sink->Begin().ok());
  SinkFeeder feed(*sink);
  for (int i = 0; i < issues; ++i) EXPECT_TRUE(feed.Issue(SampleIssue()).ok());
  EXPECT_TRUE(sink->Finish().ok());
  return out.bytes();
}

TEST(ExportSinksTest, WriteEachKindOfPdf) {
  struct Row {
    const char* name;
    Factory make;
    std::string expected;
  };
  const Row rows[] = {
      {"json", MakeJsonSink,
       R"({
  "format_version": 1,
  "issues": [
    {"publisher": "Pub", "issue": "Vol 1", "folder": "Pub/Vol 1/", "format": "springer",
     "pages": [
      {"name": "toc.htm", "href": "Pub/Vol%201/toc.htm", "opened": true, "format": "springer", "title": "Vol 1", "title_is_path": false}
     ],
     "pdfs": [
      {"path": "Pub/Vol 1/a_1.pdf", "href": "Pub/Vol%201/a_1.pdf", "base": "a_1", "found": true, "description": "A. Smith: <i>On Ice & Snow</i>", "fields": {"authors": ["Anna Smith", "B. van Dyke"], "title": "On Ice & Snow {50%}", "container": "J. Cold", "volume": "1", "issue": "2", "year": "2004", "first_page": "10", "last_page": "19", "doi": "10.1/ab_c", "url": "", "abstract": "Ice & snow melt by 50%."}},
      {"path": "Pub/Vol 1/notes.PDF", "href": "Pub/Vol%201/notes.PDF", "base": "notes", "found": false, "description": "", "fields": {"authors": [], "title": "", "container": "", "volume": "", "issue": "", "year": "", "first_page": "", "last_page": "", "doi": "", "url": ""}},
      {"path": "Pub/Vol 1/café.pdf", "href": "Pub/Vol%201/caf%E9.pdf", "base": "café", "found": false, "description": "“quoted”", "fields": {"authors": [], "title": "", "container": "", "volume": "", "issue": "", "year": "", "first_page": "", "last_page": "", "doi": "", "url": ""}}
     ]}
  ]
}
)"},
      {"bibtex", MakeBibtexSink,
       R"(@Comment{jabref-meta: fileDirectory:/arch/;}

@article{smith2004ice,
  author = {Smith, Anna and van Dyke, B.},
  title = {On Ice \& Snow \textbraceleft{}50\%\textbraceright{}},
  journal = {J. Cold},
  volume = {1},
  number = {2},
  year = {2004},
  pages = {10--19},
  doi = {10.1/ab_c},
  abstract = {Ice \& snow melt by 50\%.},
  file = {:Pub/Vol 1/a_1.pdf:PDF},
}

@misc{notes,
  title = {notes},
  key = {notes},
  file = {:Pub/Vol 1/notes.PDF:PDF},
}

@misc{cafe,
  title = {caf{\'e}},
  key = {caf{\'e}},
  file = {:file\:///arch/Pub/Vol%201/caf%E9.pdf:PDF},
}

)"},
      {"csl-json", MakeCslJsonSink,
       R"([
  {"id": "smith2004ice", "type": "article-journal", "author": [{"family": "Smith", "given": "Anna"}, {"family": "Dyke", "given": "B.", "non-dropping-particle": "van"}], "title": "On Ice & Snow {50%}", "container-title": "J. Cold", "volume": "1", "issue": "2", "page": "10-19", "issued": {"date-parts": [[2004]]}, "DOI": "10.1/ab_c", "abstract": "Ice & snow melt by 50%."},
  {"id": "notes", "type": "document", "title": "notes"},
  {"id": "cafe", "type": "document", "title": "café"}
]
)"},
      {"ris", MakeRisSink,
       R"(TY  - JOUR
ID  - smith2004ice
AU  - Smith, Anna
AU  - van Dyke, B.
TI  - On Ice & Snow {50%}
T2  - J. Cold
JO  - J. Cold
VL  - 1
IS  - 2
SP  - 10
EP  - 19
PY  - 2004
DO  - 10.1/ab_c
AB  - Ice & snow melt by 50%.
L1  - Pub/Vol 1/a_1.pdf
ER  - 

TY  - GEN
ID  - notes
TI  - notes
L1  - Pub/Vol 1/notes.PDF
ER  - 

TY  - GEN
ID  - cafe
TI  - café
L1  - file:///arch/Pub/Vol%201/caf%E9.pdf
ER  - 

)"},
  };
  ExportContext context;
  context.archive = "/arch/";
  for (const Row& row : rows) EXPECT_EQ(RunSink(row.make, context), row.expected) << row.name;
}

// Whatever the text, every BibTeX field stays brace-balanced and no text
// starts an entry; titles keep their capitals in braces.
TEST(ExportSinksTest, BibtexFieldsStayBalanced) {
  IssueRecord issue = SampleIssue();
  issue.issue = "a}b";
  issue.pdfs[0].file = "x}{y.pdf";
  issue.pdfs[0].article.fields.title = "} @misc(inj1, title = \"Injected\") DNA of Homo sapiens";
  issue.pdfs[0].article.fields.authors = {"{Varga H, Brandt E}"};
  issue.pdfs[0].article.fields.url = "http://x/{a}";
  StringSink out;
  ExportContext context;
  context.archive = "/arch@home/";
  auto sink = MakeBibtexSink(out, context);
  ASSERT_TRUE(sink->Begin().ok() && SinkFeeder(*sink).Issue(issue).ok() && sink->Finish().ok());
  const std::string bib = out.bytes();
  int depth = 0;
  size_t entries = 0;
  for (size_t i = 0; i < bib.size(); ++i) {
    if (bib[i] == '{') ++depth;
    if (bib[i] == '}') --depth;
    ASSERT_GE(depth, 0) << bib;
    // An "@" outside braces starts an entry for BibTeX.
    if (bib[i] == '@' && depth == 0) ++entries;
  }
  EXPECT_EQ(depth, 0);
  EXPECT_EQ(entries, 3U) << bib;  // no comment: the root holds an "@"
  EXPECT_NE(bib.find("title = {\\textbraceright{} @misc(inj1, title = {\"Injected\")} {DNA} "
                     "of {Homo} sapiens}"),
            std::string::npos)
      << bib;
  EXPECT_NE(bib.find("author = {Varga, H. and Brandt, E.}"), std::string::npos) << bib;
  EXPECT_NE(bib.find("file = {:file\\:///arch%40home/Pub/a%7Db/x%7D%7By.pdf:PDF}"),
            std::string::npos)
      << bib;
}

TEST(ExportSinksTest, KeysStayUniqueAcrossIssueFolders) {
  const std::string bib = RunSink(MakeBibtexSink, {}, 2);
  EXPECT_NE(bib.find("@article{smith2004icea,"), std::string::npos) << bib;
  EXPECT_NE(bib.find("@misc{notesa,"), std::string::npos);
  const std::string csl = RunSink(MakeCslJsonSink, {}, 2);
  EXPECT_NE(csl.find("\"id\": \"smith2004icea\""), std::string::npos);
}

// Folders without PDFs add nothing to the per-PDF exports, wherever they
// stand: the first item of the file still has no comma before it.
TEST(ExportSinksTest, FoldersWithoutPdfsAddNothingPerPdf) {
  IssueRecord empty = SampleIssue();
  empty.pdfs.clear();
  for (const Factory& make :
       {Factory(MakeBibtexSink), Factory(MakeCslJsonSink), Factory(MakeRisSink)}) {
    const auto run = [&make](const std::vector<const IssueRecord*>& issues) {
      StringSink out;
      auto sink = make(out, {});
      EXPECT_TRUE(sink->Begin().ok());
      SinkFeeder feed(*sink);
      for (const IssueRecord* issue : issues) EXPECT_TRUE(feed.Issue(*issue).ok());
      EXPECT_TRUE(sink->Finish().ok());
      return out.bytes();
    };
    const IssueRecord sample = SampleIssue();
    EXPECT_EQ(run({&empty, &sample, &empty, &sample, &empty}), run({&sample, &sample}));
    EXPECT_EQ(run({&empty, &empty}), run({}));
  }
  // The JSON lists every folder, the first without a comma before it.
  StringSink out;
  auto json = MakeJsonSink(out, {});
  SinkFeeder feed(*json);
  ASSERT_TRUE(json->Begin().ok() && feed.Issue(empty).ok() && feed.Issue(empty).ok() &&
              json->Finish().ok());
  EXPECT_NE(out.bytes().find("\"issues\": [\n    {\"publisher\""), std::string::npos)
      << out.bytes();
  EXPECT_NE(out.bytes().find("\"pdfs\": []},\n    {\"publisher\""), std::string::npos);
}

// What --metadata adds to a record shows in the JSON only where it is there.
TEST(ExportSinksTest, JsonCarriesFieldSourcesWhenGiven) {
  StringSink out;
  auto sink = MakeJsonSink(out, {});
  IssueRecord issue = SampleIssue();
  issue.pdfs[1].sources = {{Field::kTitle, FieldSource::kXmp},
                          {Field::kDoi, FieldSource::kFirstPageText}};
  issue.pdfs[2].metadata_failure = "encrypted";
  ASSERT_TRUE(sink->Begin().ok() && SinkFeeder(*sink).Issue(issue).ok() && sink->Finish().ok());
  const std::string json = out.bytes();
  EXPECT_NE(json.find("\"sources\": {\"doi\": \"first-page text\", \"title\": \"XMP\"}"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"metadata_failure\": \"encrypted\""), std::string::npos);
  EXPECT_EQ(json.find("\"sources\""), json.rfind("\"sources\""));
}

TEST(ExportSinksTest, WriteFailuresAreReturned) {
  for (const Factory& make : {Factory(MakeJsonSink), Factory(MakeBibtexSink),
                              Factory(MakeCslJsonSink), Factory(MakeRisSink)}) {
    StringSink out;
    out.writes_before_failure = 0;
    auto sink = make(out, {});
    Status status = sink->Begin();
    if (status.ok()) status = SinkFeeder(*sink).Issue(SampleIssue());
    EXPECT_EQ(status.code, 101);
  }
}

}  // namespace
}  // namespace pdfindex
