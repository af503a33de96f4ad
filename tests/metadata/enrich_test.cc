#include "metadata/enrich.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>

#include "text/page.h"
#include "fake_disk.h"

namespace pdfindex {
namespace {

// PDFs whose facts a test sets by path; counts what was read.
class FakePdfSource : public PdfSource {
 public:
  bool Stamp(const std::string& path, PdfStamp* stamp) override {
    const auto it = stamps.find(path);
    if (it == stamps.end()) return false;
    *stamp = it->second;
    return true;
  }
  std::vector<PdfFacts> Read(const std::vector<std::string>& paths) override {
    std::vector<PdfFacts> out;
    for (const std::string& p : paths) {
      read.push_back(p);
      out.push_back(facts[p]);
    }
    return out;
  }
  void Add(const std::string& path, PdfFacts f, PdfStamp stamp = {100, 7}) {
    facts[path] = std::move(f);
    stamps[path] = stamp;
  }
  std::map<std::string, PdfFacts> facts;
  std::map<std::string, PdfStamp> stamps;
  std::vector<std::string> read;
};

// One issue folder "P/I/": its pages (name, bytes) and its PDFs.
struct Folder {
  IssueRecord issue;
  std::vector<std::unique_ptr<Page>> loaded;
  IssuePages pages;

  Folder(std::vector<std::pair<std::string, std::string>> page_list,
         std::vector<std::string> pdf_files) {
    issue.publisher = "P";
    issue.issue = "I";
    pages.folder = issue.Folder();
    for (auto& [name, bytes] : page_list) {
      loaded.push_back(std::make_unique<Page>(bytes));
      pages.names.push_back(name);
      pages.pages.push_back(loaded.back().get());
    }
    for (std::string& f : pdf_files) {
      PdfRecord pdf;
      pdf.file = f;
      pdf.base = f.substr(0, f.size() - 4);
      issue.pdfs.push_back(std::move(pdf));
    }
  }
};

std::string Sources(const PdfRecord& pdf) {
  std::set<std::string> named;  // by field name, as the JSON lists them
  for (const auto& [field, source] : pdf.sources) {
    named.insert(std::string(FieldName(field)) + ":" + std::string(SourceName(source)) + ";");
  }
  std::string out;
  for (const std::string& one : named) out += one;
  return out;
}

TEST(EnrichTest, FillsEmptyFieldsInSourceOrder) {
  Folder folder({{"toc.htm",
                  "<meta name=\"citation_pdf_url\"\n content=\"/content/A1.pdf\">\n"
                  "<meta name=\"citation_author\" content=\"Tag Author\">\n"
                  "<meta name=\"citation_title\" content=\"Tag Title\">"}},
                {"a1.pdf", "b2.pdf"});
  folder.issue.pdfs[0].article.found = true;
  folder.issue.pdfs[0].article.classic = "classic bytes";
  folder.issue.pdfs[0].article.fields.title = "Layout Title";
  FakePdfSource source;
  PdfFacts a;
  a.title = "Microsoft Word - a1.doc";
  a.author = "Info Author";
  a.info_doi = "10.1111/info.1";
  a.xmp.volume = "9";
  a.xmp.doi = "10.2222/xmp.2";
  a.text_doi = "10.3333/text.3";
  source.Add("P/I/a1.pdf", a);
  PdfFacts b;
  b.title = "b2";  // its own base name: not a title
  b.producer = "Writer 3";
  b.author = "Writer 3";
  b.xmp.title = "Xmp Title";
  b.text_doi = "10.3333/text.4";
  source.Add("P/I/b2.pdf", b);

  MetadataStep step(&source, nullptr);
  step.Enrich(folder.issue, folder.pages, nullptr);
  const PdfRecord& p0 = folder.issue.pdfs[0];
  EXPECT_EQ(p0.article.classic, "classic bytes");
  EXPECT_EQ(p0.article.fields.title, "Layout Title");
  EXPECT_EQ(p0.article.fields.authors, std::vector<std::string>{"Tag Author"});
  EXPECT_EQ(p0.article.fields.doi, "10.1111/info.1");
  EXPECT_EQ(Sources(p0), "authors:meta tags;doi:PDF info;title:layout page;volume:XMP;");
  // The others' DOIs and the tag's title are noted beside those taken; the
  // info's author has the tag's family name.
  EXPECT_EQ(p0.disagreements,
            (std::map<Field, std::map<FieldSource, std::string>>{
                {Field::kDoi,
                 {{FieldSource::kXmp, "10.2222/xmp.2"},
                  {FieldSource::kFirstPageText, "10.3333/text.3"}}},
                {Field::kTitle, {{FieldSource::kMetaTags, "Tag Title"}}}}));
  const PdfRecord& p1 = folder.issue.pdfs[1];
  EXPECT_EQ(p1.article.fields.title, "Xmp Title");
  EXPECT_TRUE(p1.article.fields.authors.empty());
  EXPECT_EQ(Sources(p1), "doi:first-page text;title:XMP;");
  EXPECT_EQ(source.read.size(), 2u);
}

TEST(EnrichTest, NotesWhereSourcesDisagree) {
  // A saved page's tag against what the first page shows: the note, if any.
  struct Row {
    const char* tag;
    const char* tag_value;
    void (*page)(ArticleFields*);
    const char* note;
  };
  const Row rows[] = {
      {"citation_title", "Heat and bees", [](ArticleFields* f) { f->title = "Heat and Bees."; },
       ""},
      {"citation_title", "Heat and bees", [](ArticleFields* f) { f->title = "Cold fish"; },
       "title:first-page text=Cold fish;"},
      {"citation_journal_title", "Journal of Imaginary Botany",
       [](ArticleFields* f) { f->container = "J Imag Bot"; }, ""},
      {"citation_journal_title", "Journal of Imaginary Botany",
       [](ArticleFields* f) { f->container = "Annals of Nonsense"; },
       "container:first-page text=Annals of Nonsense;"},
      {"citation_author", "Smith, J.",
       [](ArticleFields* f) {
         f->authors = {"John Smith", "Ann Able"};
       },
       ""},
      {"citation_author", "Jones, K.", [](ArticleFields* f) { f->authors = {"John Smith"}; },
       "authors:first-page text=John Smith;"},
      {"citation_date", "2001", [](ArticleFields* f) { f->year = "2002"; },
       "year:first-page text=2002;"},
  };
  for (const Row& row : rows) {
    Folder folder({{"a.htm", std::string("<meta name=\"citation_pdf_url\" content=\"x/a1.pdf\">\n"
                                         "<meta name=\"") +
                                 row.tag + "\" content=\"" + row.tag_value + "\">"}},
                  {"a1.pdf"});
    FakePdfSource source;
    PdfFacts facts;
    row.page(&facts.page);
    facts.page_text = true;
    source.Add("P/I/a1.pdf", facts);
    MetadataStep step(&source, nullptr);
    step.Enrich(folder.issue, folder.pages, nullptr);
    std::string notes;
    for (const auto& [field, others] : folder.issue.pdfs[0].disagreements) {
      for (const auto& [from, value] : others) {
        notes += std::string(FieldName(field)) + ":" + std::string(SourceName(from)) + "=" + value +
                 ";";
      }
    }
    EXPECT_EQ(notes, row.note) << row.tag << " " << row.tag_value;
  }
}

TEST(EnrichTest, TagsOfASavedArticlePageComeBeforeLinkText) {
  for (const char* format : {"none", "Springer"}) {
    Folder folder({{"article.htm",
                    "<meta name=\"citation_pdf_url\" content=\"x/a1.pdf\">\n"
                    "<meta name=\"citation_title\" content=\"Tag Title\">\n"
                    "<meta name=\"citation_author\" content=\"Tag Author\">"}},
                  {"a1.pdf"});
    folder.issue.format = format;
    PdfRecord& pdf = folder.issue.pdfs[0];
    pdf.article.found = true;
    pdf.article.fields.title = "Full-Text PDF (2.3MB)";
    pdf.article.fields.year = "2001";
    MetadataStep step(nullptr, nullptr);
    step.Enrich(folder.issue, folder.pages, nullptr);
    if (std::string_view(format) == "none") {
      EXPECT_EQ(pdf.article.fields.title, "Tag Title");
      EXPECT_EQ(Sources(pdf), "authors:meta tags;title:meta tags;year:layout page;");
      // --report counts each field's source.
      EXPECT_NE(MetadataReportText(step).find("\n  title                   0          1         0"),
                std::string::npos)
          << MetadataReportText(step);
    } else {
      // A publisher's reader keeps first place.
      EXPECT_EQ(pdf.article.fields.title, "Full-Text PDF (2.3MB)");
      EXPECT_EQ(Sources(pdf), "authors:meta tags;title:layout page;year:layout page;");
    }
  }
}

TEST(EnrichTest, GivesUnfoundPdfsASecondChance) {
  Folder folder({{"toc.htm",
                  "<a href=\"pdfs/SMITH.PDF\">x</a><a href='My%20Paper.pdf'>y</a>"
                  "<a href=other.pdf>z</a>"}},
                {"smith (1).pdf", "my paper.pdf", "lost.pdf"});
  std::vector<std::string> asked;
  const Refinder refind = [&](const std::string& base) {
    asked.push_back(base);
    ArticleRecord r;
    r.found = base == "SMITH" || base == "My%20Paper";
    r.fields.title = "found as " + base;
    return r;
  };
  MetadataStep step(nullptr, nullptr);
  step.Enrich(folder.issue, folder.pages, refind);
  EXPECT_EQ(folder.issue.pdfs[0].article.fields.title, "found as SMITH");
  EXPECT_EQ(folder.issue.pdfs[1].article.fields.title, "found as My%20Paper");
  EXPECT_EQ(folder.issue.pdfs[2].article.fields.title, "");
  EXPECT_EQ(Sources(folder.issue.pdfs[0]), "title:layout page;");
  EXPECT_EQ(asked, (std::vector<std::string>{"SMITH", "My%20Paper"}));
  EXPECT_TRUE(step.failures().empty());
}

// The worker source loads its parser at the first PDF to read, once; when
// none can be loaded it reads no PDF.
TEST(EnrichTest, WorkerSourceLoadsItsParserOnlyToReadAPdf) {
  // The parser is loaded in the workers' helper process: each load leaves a
  // line in a file.
  const std::string log = testing::TempDir() + "/loads-" + std::to_string(::getpid());
  const auto loads = [&log] {
    std::ifstream in(log);
    return std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
  };
  for (const bool loadable : {false, true}) {
    std::remove(log.c_str());
    WorkerPdfSource source(
        [&]() -> PdfParser {
          std::ofstream(log, std::ios::app) << "load\n";
          if (!loadable) return nullptr;
          return [](const std::string& path) {
            PdfFacts facts;
            facts.title = "read " + path;
            return facts;
          };
        },
        WorkerLimits{});
    PdfStamp stamp;
    EXPECT_FALSE(source.Stamp("no/such.pdf", &stamp));
    EXPECT_EQ(loads(), 0);
    for (const char* path : {"a.pdf", "b.pdf"}) {
      const std::vector<PdfFacts> facts = source.Read({path});
      ASSERT_EQ(facts.size(), loadable ? 1u : 0u) << path;
      if (loadable) {
        EXPECT_EQ(facts[0].title, std::string("read ") + path);
      }
    }
    EXPECT_EQ(loads(), 1);
  }
  std::remove(log.c_str());
}

// Stamping a folder's PDFs at once agrees with stamping each by its path:
// only regular files (also through a link) have a stamp.
TEST(EnrichTest, StampsAFolderAsEachFileByPath) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(testing::TempDir()) / "stamp-folder";
  fs::remove_all(dir);
  fs::create_directories(dir / "sub.pdf");
  std::ofstream(dir / "a.pdf") << "12345";
  fs::create_symlink("a.pdf", dir / "link.pdf");
  fs::create_symlink("none.pdf", dir / "dangling.pdf");
  const std::vector<std::string> files = {"a.pdf", "gone.pdf", "sub.pdf", "link.pdf",
                                          "dangling.pdf"};
  for (const std::string& folder : {dir.string() + "/", dir.string() + "/missing/"}) {
    std::vector<PdfStamp> stamps;
    const std::vector<bool> ok = StampFiles(folder, files, &stamps);
    ASSERT_EQ(ok.size(), files.size());
    for (size_t k = 0; k < files.size(); ++k) {
      PdfStamp one;
      EXPECT_EQ(ok[k], StampFile(folder + files[k], &one)) << folder << files[k];
      if (ok[k]) {
        EXPECT_EQ(stamps[k], one) << files[k];
      }
    }
    EXPECT_EQ(ok[0], folder == dir.string() + "/");
    if (ok[0]) {
      EXPECT_EQ(stamps[0].size, 5u);
    }
  }
  fs::remove_all(dir);
}

TEST(EnrichTest, NamesPdfsThatFailed) {
  Folder folder({}, {"ok.pdf", "boom.pdf", "gone.pdf"});
  FakePdfSource source;
  source.Add("P/I/ok.pdf", PdfFacts{});
  PdfFacts boom;
  boom.outcome = PdfOutcome::kCrashed;
  boom.title = "ignored";
  source.Add("P/I/boom.pdf", boom);
  MetadataStep step(&source, nullptr);
  step.Enrich(folder.issue, folder.pages, nullptr);
  using Failure = std::pair<std::string, std::string>;
  EXPECT_EQ(step.failures(), (std::vector<Failure>{{"P/I/boom.pdf", "crashed the reader"},
                                                   {"P/I/gone.pdf", "cannot be opened"}}));
  EXPECT_EQ(folder.issue.pdfs[1].article.fields.title, "");
  EXPECT_EQ(folder.issue.pdfs[1].metadata_failure, "crashed the reader");
}

TEST(EnrichTest, CacheSparesTheSecondRun) {
  FakeDisk disk;
  FakePdfSource source;
  PdfFacts a;
  a.xmp.title = "Cached \xC3\xA9 Title";
  a.xmp.authors = {"One", "Two"};
  source.Add("P/I/a.pdf", a);
  source.Add("P/I/b.pdf", PdfFacts{});
  // Without fields wanted (no output reads them) the step only keeps the
  // cache: it reads what the cache lacks, and fills nothing.
  auto run = [&](bool expect_loaded, bool want_fields = true) {
    Folder folder({}, {"a.pdf", "b.pdf"});
    folder.pages.want_fields = want_fields;
    MetadataCache cache;
    EXPECT_EQ(cache.Load(disk), expect_loaded);
    MetadataStep step(&source, &cache);
    step.Enrich(folder.issue, folder.pages, nullptr);
    EXPECT_TRUE(cache.Save(disk).ok());
    EXPECT_EQ(folder.issue.pdfs[0].article.fields.title,
              want_fields ? "Cached \xC3\xA9 Title" : "");
    EXPECT_EQ(folder.issue.pdfs[0].article.fields.authors.size(), want_fields ? 2u : 0u);
    return step.pdfs_read();
  };
  EXPECT_EQ(run(false), 2);
  const std::string written = disk.Contents(std::string(kCacheName));
  EXPECT_EQ(run(true), 0);
  EXPECT_EQ(run(true, false), 0);
  EXPECT_EQ(disk.Contents(std::string(kCacheName)), written);  // unchanged, not rewritten
  source.stamps["P/I/b.pdf"].mtime_ns = 8;                     // touched
  EXPECT_EQ(run(true, false), 1);
  EXPECT_EQ(disk.pending(), 0);
  // The entry kept as loaded and the one read again make the file a run
  // without a cache would write.
  const std::string rewritten = disk.Contents(std::string(kCacheName));
  EXPECT_NE(rewritten, written);
  disk.AddFile(std::string(kCacheName), "");
  EXPECT_EQ(run(false), 2);
  EXPECT_EQ(disk.Contents(std::string(kCacheName)), rewritten);
  EXPECT_EQ(run(true), 0);

  // A cache that does not read as a whole is ignored and rebuilt; so is one
  // whose paths are out of order (Save writes them sorted).
  const size_t second = written.find("9:P/I/b.pdf");
  ASSERT_NE(second, std::string::npos);
  const size_t tail = written.size() - 5;  // "3:end"
  const std::string damaged[] = {
      written.substr(0, 17) + written.substr(second, tail - second) +
          written.substr(17, second - 17) + written.substr(tail),
      "",
      written.substr(0, written.size() - 3),
      "pdfindex-cache 4\n" + written.substr(17),  // the version before
      written + "x",
      "pdfindex-cache 5\n99999999999999:",
  };
  for (const std::string& bytes : damaged) {
    disk.AddFile(std::string(kCacheName), bytes);
    EXPECT_EQ(run(false), 2) << bytes.size();
  }
  // An entry whose facts do not read is read again; the others are kept.
  std::string bad_entry = disk.Contents(std::string(kCacheName));
  const size_t tag = bad_entry.rfind("2:f2");
  ASSERT_NE(tag, std::string::npos);
  bad_entry[tag + 2] = 'g';
  for (const bool want_fields : {true, false}) {
    disk.AddFile(std::string(kCacheName), bad_entry);
    EXPECT_EQ(run(true, want_fields), 1);
    EXPECT_EQ(disk.Contents(std::string(kCacheName)), rewritten);
  }
  // So is one whose bytes fail their checksum, though they read: a flipped
  // bit in a title, an outcome or a checksum.
  for (const std::string_view text : {"Cached", "2:f21:0", "\n"}) {
    std::string flipped = rewritten;
    const size_t at = text == "\n" ? flipped.size() - 7 : flipped.find(text) + text.size() - 1;
    flipped[at] = static_cast<char>(flipped[at] ^ 1);
    disk.AddFile(std::string(kCacheName), flipped);
    EXPECT_EQ(run(true), 1) << text;
    EXPECT_EQ(disk.Contents(std::string(kCacheName)), rewritten) << text;
  }
}

// A run cut short (no Save) keeps what its checkpoints wrote: the PDFs read
// up to the last one, and every entry loaded, also those not looked at yet.
TEST(EnrichTest, CheckpointsKeepWhatWasRead) {
  FakeDisk disk;
  FakePdfSource source;
  std::vector<std::string> many;
  for (int i = 0; i < 450; ++i) {
    many.push_back("m" + std::to_string(i) + ".pdf");
    source.Add("P/I/" + many.back(), PdfFacts{});
  }
  source.Add("P/I/x.pdf", PdfFacts{});
  const auto run = [&](const std::vector<std::string>& files, bool save) {
    Folder folder({}, files);
    MetadataCache cache;
    cache.Load(disk);
    MetadataStep step(&source, &cache);
    step.checkpoint = [&] { EXPECT_TRUE(cache.Checkpoint(disk).ok()); };
    step.Enrich(folder.issue, folder.pages, nullptr);
    if (save) {
      EXPECT_TRUE(cache.Save(disk).ok());
    }
    return step.pdfs_read();
  };
  EXPECT_EQ(run({"x.pdf"}, true), 1);
  EXPECT_EQ(run(many, false), 450);
  std::vector<std::string> all = many;
  all.push_back("x.pdf");
  source.read.clear();
  EXPECT_LE(run(all, true), 450 - MetadataStep::kCheckpointPdfs);
  EXPECT_EQ(std::count(source.read.begin(), source.read.end(), "P/I/x.pdf"), 0);
  EXPECT_EQ(run(all, true), 0);
}

// The cache keeps what the PDF itself gave; a failure of the worker or of
// opening the file is tried again the next run.
TEST(EnrichTest, CachesOnlyOutcomesOfThePdfItself) {
  const std::pair<PdfOutcome, bool> rows[] = {
      {PdfOutcome::kRead, true},       {PdfOutcome::kEmpty, true},
      {PdfOutcome::kNotPdf, true},     {PdfOutcome::kDamaged, true},
      {PdfOutcome::kEncrypted, true},  {PdfOutcome::kCrashed, false},
      {PdfOutcome::kTimedOut, false},  {PdfOutcome::kOutOfMemory, false},
      {PdfOutcome::kMissing, false},
  };
  for (const auto& [outcome, kept] : rows) {
    FakeDisk disk;
    FakePdfSource source;
    PdfFacts facts;
    facts.outcome = outcome;
    source.Add("P/I/a.pdf", facts);
    for (int run = 0; run < 2; ++run) {
      Folder folder({}, {"a.pdf"});
      MetadataCache cache;
      cache.Load(disk);
      MetadataStep step(&source, &cache);
      step.Enrich(folder.issue, folder.pages, nullptr);
      EXPECT_TRUE(cache.Save(disk).ok());
    }
    EXPECT_EQ(source.read.size(), kept ? 1u : 2u) << OutcomeName(outcome);
  }
}

TEST(EnrichTest, JudgesTitles) {
  PdfFacts facts;
  facts.producer = "PageMaker 7";
  facts.creator = "TeX";
  const std::pair<const char*, bool> rows[] = {
      {"On the Growth of Made-Up Crystals", true},
      {"Untitled", false},
      {"untitled-3", false},
      {"Microsoft Word - draft7.doc", false},
      {"paper_final_v2", false},
      {"C:\\work\\paper", false},
      {"manuscript.pdf", false},
      {"pagemaker 7", false},
      {"TeX", false},
      {"A12-3", false},  // the base name
      {"1234", false},
      {"", false},
      {"DNA/RNA hybrids in made-up cells", true},
  };
  for (const auto& [title, plausible] : rows) {
    EXPECT_EQ(PlausibleTitle(title, "A12-3", facts), plausible) << title;
  }
  const std::pair<const char*, std::vector<std::string>> authors[] = {
      {"Ann Able; Bo Baker", {"Ann Able", "Bo Baker"}},
      {"Ann Able and Bo Baker", {"Ann Able", "Bo Baker"}},
      {"Able, A.", {"Able, A."}},
      {"PageMaker 7", {}},
      {"Alekh Agarwal, Sahand Negahban, Martin J. Wainwright",
       {"Alekh Agarwal", "Sahand Negahban", "Martin J. Wainwright"}},
      {"A Able and B Baker and C Cole", {"A Able", "B Baker", "C Cole"}},
      {"Fr&#x000E9;d&#x000E9;ric Roux; Ann Able", {"Fr\xC3\xA9" "d\xC3\xA9" "ric Roux", "Ann Able"}},
      {"Nuala E. Tully {et al.}", {"Nuala E. Tully"}},
      {"chrisq", {}},
      {"Anonymous", {}},
      {"Smith, John", {"Smith, John"}},
      {"John Smith, Jr., Ann Able, PhD", {"John Smith, Jr.", "Ann Able"}},
  };
  for (const auto& [author, expected] : authors) {
    facts.author = author;
    EXPECT_EQ(InfoAuthors(facts, "A12-3"), expected) << author;
  }
}

TEST(EnrichTest, FactsSurviveSerialization) {
  PdfFacts f;
  f.outcome = PdfOutcome::kEncrypted;
  f.title = std::string("with\0nul:and 12:colons", 22);
  f.xmp.authors = {"a", ""};
  f.text_doi = "10.1234/x";
  std::string bytes = SerializeFacts(f) + "rest";
  std::string_view view = bytes;
  PdfFacts back;
  ASSERT_TRUE(ParseFacts(&view, &back));
  EXPECT_EQ(view, "rest");
  EXPECT_EQ(SerializeFacts(back), SerializeFacts(f));
  for (size_t cut = 0; cut + 4 < bytes.size(); cut += 7) {
    std::string_view part = std::string_view(bytes).substr(0, cut);
    EXPECT_FALSE(ParseFacts(&part, &back)) << cut;
  }
}

}  // namespace
}  // namespace pdfindex
