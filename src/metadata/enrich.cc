#include "metadata/enrich.h"

#include "core/names.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "text/page.h"
#include "run/report.h"
#include "run/run.h"
#include "metadata/page_meta.h"
#include "metadata/plain.h"

namespace pdfindex {

namespace {

void FillOne(const std::string& value, const char* name, std::string_view source, std::string* to,
             std::map<std::string, std::string>* sources) {
  if (!to->empty() || value.empty()) return;
  *to = value;
  (*sources)[name] = std::string(source);
}

// The fields the PDF's document information gives: a plausible title, the
// authors, a DOI.
ArticleFields InfoFields(const PdfFacts& facts, std::string_view base) {
  ArticleFields fields;
  if (PlausibleTitle(facts.title, base, facts)) fields.title = facts.title;
  fields.authors = InfoAuthors(facts, base);
  fields.doi = facts.info_doi;
  return fields;
}

ArticleFields XmpFields(const PdfFacts& facts, std::string_view base) {
  ArticleFields fields = facts.xmp;
  fields.authors = SplitPersons(fields.authors);  // one dc:creator may name several
  if (!PlausibleTitle(fields.title, base, facts)) fields.title.clear();
  return fields;
}

}  // namespace

void FillFields(const ArticleFields& from, std::string_view source, ArticleFields* to,
                std::map<std::string, std::string>* sources) {
  if (to->authors.empty() && !from.authors.empty()) {
    to->authors = from.authors;
    (*sources)["authors"] = std::string(source);
  }
  FillOne(from.title, "title", source, &to->title, sources);
  FillOne(from.container, "container", source, &to->container, sources);
  FillOne(from.volume, "volume", source, &to->volume, sources);
  FillOne(from.issue, "issue", source, &to->issue, sources);
  FillOne(from.year, "year", source, &to->year, sources);
  FillOne(from.first_page, "first_page", source, &to->first_page, sources);
  FillOne(from.last_page, "last_page", source, &to->last_page, sources);
  FillOne(from.doi, "doi", source, &to->doi, sources);
  FillOne(from.url, "url", source, &to->url, sources);
}

namespace {

bool StampOf(const struct stat& st, PdfStamp* stamp) {
  if (!S_ISREG(st.st_mode)) return false;
  stamp->size = static_cast<uint64_t>(st.st_size);
  stamp->mtime_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

}  // namespace

bool StampFile(const std::string& path, PdfStamp* stamp) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && StampOf(st, stamp);
}

std::vector<bool> StampFiles(const std::string& folder, const std::vector<std::string>& files,
                             std::vector<PdfStamp>* stamps) {
  stamps->assign(files.size(), PdfStamp{});
  std::vector<bool> ok(files.size(), false);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (size_t k = 0; k < files.size(); ++k) {
    struct stat st {};
    if (dir < 0) {
      ok[k] = StampFile(folder + files[k], &(*stamps)[k]);
    } else {
      ok[k] = ::fstatat(dir, files[k].c_str(), &st, 0) == 0 && StampOf(st, &(*stamps)[k]);
    }
  }
  if (dir >= 0) ::close(dir);
  return ok;
}

std::vector<bool> PdfSource::StampFolder(const std::string& folder,
                                         const std::vector<std::string>& files,
                                         std::vector<PdfStamp>* stamps) {
  stamps->assign(files.size(), PdfStamp{});
  std::vector<bool> ok(files.size(), false);
  for (size_t k = 0; k < files.size(); ++k) ok[k] = Stamp(folder + files[k], &(*stamps)[k]);
  return ok;
}

std::vector<PdfFacts> WorkerPdfSource::Read(const std::vector<std::string>& paths) {
  if (load_) {
    if (PdfParser parser = load_()) workers_ = std::make_unique<PdfWorkers>(std::move(parser), limits_);
    load_ = nullptr;
  }
  return workers_ ? workers_->ReadAll(paths) : std::vector<PdfFacts>();
}

std::string PageBytes(const Page& page) {
  std::string text;
  text.reserve(page.Text().size() + page.LineCount());
  for (size_t i = 0; i < page.LineCount(); ++i) {
    text += page.Line(i);
    text += '\n';
  }
  return text;
}

std::vector<std::string> LinkSegments(std::string_view text) {
  std::vector<std::string> links;
  const std::string lower = AsciiLower(text);
  for (size_t at = lower.find("href"); at != std::string::npos; at = lower.find("href", at + 4)) {
    size_t i = at + 4;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
    if (i >= text.size() || text[i] != '=') continue;
    ++i;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
    if (i >= text.size()) break;
    const bool quoted = text[i] == '"' || text[i] == '\'';
    size_t end = quoted ? text.find(text[i], i + 1) : text.find_first_of(" \t\n>", i);
    if (quoted) ++i;
    if (end == std::string_view::npos) end = text.size();
    std::string_view url = text.substr(i, end - i);
    url = url.substr(0, url.find_first_of("?#"));
    const size_t slash = url.find_last_of("/\\");
    if (slash != std::string_view::npos) url.remove_prefix(slash + 1);
    if (!url.empty()) links.emplace_back(url);
  }
  return links;
}

std::string WithoutDuplicateSuffix(std::string_view base) {
  if (base.size() >= 3 && base.back() == ')') {
    size_t open = base.size() - 2;
    while (open > 0 && base[open] >= '0' && base[open] <= '9') --open;
    // At least one digit between the brackets.
    if (base[open] == '(' && open + 2 < base.size()) {
      std::string_view rest = base.substr(0, open);
      if (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
      if (!rest.empty()) return std::string(rest);
    }
  }
  return std::string(base);
}

void MetadataStep::SecondChance(PdfRecord& pdf, const std::vector<std::string>& links,
                                const Refinder& refind) {
  const std::string key = AsciiLower(WithoutDuplicateSuffix(pdf.base));
  std::vector<std::string> tried{pdf.base};
  for (const std::string& link : links) {
    const std::string decoded = PercentDecode(link);
    if (AsciiLower(PdfBaseName(decoded)) != key) continue;
    // The reader looks for the name as the page writes it, and as decoded.
    for (const std::string& base : {PdfBaseName(link), PdfBaseName(decoded)}) {
      bool seen = false;
      for (const std::string& t : tried) seen = seen || t == base;
      if (seen) continue;
      tried.push_back(base);
      ArticleRecord found = refind(base);
      if (!found.found) continue;
      FillFields(found.fields, kSourceLayout, &pdf.article.fields, &pdf.sources);
      return;
    }
  }
}

namespace {

// What a folder's metadata step finds before its turn: the pages' tags and
// links, and per PDF its stamp and its facts when the cache holds them.
struct Prepared {
  std::vector<PageMeta> metas;
  std::vector<std::string> links;
  std::vector<PdfStamp> stamps;
  /// Per PDF what became of reading it, and (only where fields are wanted)
  /// its facts.
  std::vector<PdfOutcome> outcomes;
  std::vector<PdfFacts> facts;
  /// Per PDF: whether outcomes[k] and facts[k] are what the PDF gives (from
  /// the cache, or missing); the others are read in the folder's turn.
  std::vector<bool> known;
};

}  // namespace

std::shared_ptr<void> MetadataStep::Prepare(const IssueRecord& issue, const IssuePages& pages) {
  auto prepared = std::make_shared<Prepared>();
  // Each page is read for tags and links once per folder; links only when
  // a PDF needs a second chance. Where no output reads the fields, only the
  // PDFs are looked at: the cache is kept and the failures reported.
  bool unfound = false;
  for (const PdfRecord& pdf : issue.pdfs) unfound = unfound || !pdf.article.found;
  prepared->metas.resize(pages.pages.size());
  for (size_t i = 0; i < pages.pages.size() && pages.want_fields; ++i) {
    if (pages.pages[i] == nullptr) continue;
    const std::string text = PageBytes(*pages.pages[i]);
    prepared->metas[i] = ParsePageMeta(text);
    if (!unfound) continue;
    for (std::string& link : LinkSegments(text)) prepared->links.push_back(std::move(link));
  }
  const size_t n = issue.pdfs.size();
  prepared->stamps.resize(n);
  prepared->outcomes.assign(n, PdfOutcome::kRead);
  if (pages.want_fields) prepared->facts.resize(n);
  prepared->known.assign(n, pdfs_ == nullptr);
  if (pdfs_ == nullptr) return prepared;
  const std::string folder = issue.Folder();
  std::vector<std::string> files;
  files.reserve(n);
  for (const PdfRecord& pdf : issue.pdfs) files.push_back(pdf.file);
  const std::vector<bool> stamped = pdfs_->StampFolder(folder, files, &prepared->stamps);
  std::string path;
  for (size_t k = 0; k < n; ++k) {
    path.assign(folder).append(files[k]);
    if (!stamped[k]) {
      prepared->outcomes[k] = PdfOutcome::kMissing;
      prepared->known[k] = true;
    } else if (cache_ != nullptr && !pages.want_fields) {
      prepared->known[k] = cache_->Knows(path, prepared->stamps[k], &prepared->outcomes[k]);
    } else if (cache_ != nullptr) {
      if (const PdfFacts* cached = cache_->Find(path, prepared->stamps[k])) {
        prepared->outcomes[k] = cached->outcome;
        prepared->facts[k] = *cached;
        prepared->known[k] = true;
      }
    }
  }
  return prepared;
}

void MetadataStep::Enrich(IssueRecord& issue, const IssuePages& pages, const Refinder& refind) {
  Enrich(issue, pages, refind, nullptr);
}

void MetadataStep::Enrich(IssueRecord& issue, const IssuePages& pages, const Refinder& refind,
                          const std::shared_ptr<void>& prepared_for) {
  const std::shared_ptr<void> own = prepared_for ? nullptr : Prepare(issue, pages);
  Prepared& prepared = *static_cast<Prepared*>(prepared_for ? prepared_for.get() : own.get());
  const std::string folder = issue.Folder();
  // The PDFs the cache does not know are read now, in walk order.
  std::vector<std::string> to_read;
  std::vector<size_t> read_index;
  for (size_t k = 0; k < issue.pdfs.size(); ++k) {
    if (prepared.known[k]) continue;
    to_read.push_back(folder + issue.pdfs[k].file);
    read_index.push_back(k);
  }
  if (!to_read.empty()) {
    std::vector<PdfFacts> read = pdfs_->Read(to_read);
    for (size_t r = 0; r < read.size() && r < read_index.size(); ++r) {
      const size_t k = read_index[r];
      ++pdfs_read_;
      if (on_pdf_read) on_pdf_read(to_read[r]);
      if (cache_ != nullptr) cache_->Put(to_read[r], prepared.stamps[k], read[r]);
      prepared.outcomes[k] = read[r].outcome;
      if (pages.want_fields) prepared.facts[k] = std::move(read[r]);
    }
  }
  for (size_t k = 0; k < issue.pdfs.size(); ++k) {
    PdfRecord& pdf = issue.pdfs[k];
    const PdfOutcome outcome = prepared.outcomes[k];
    if (outcome != PdfOutcome::kRead && pdfs_ != nullptr) {
      pdf.metadata_failure = std::string(OutcomeName(outcome));
      failures_.emplace_back(folder + pdf.file, pdf.metadata_failure);
    }
    if (!pages.want_fields) continue;
    ArticleFields empty;
    ArticleFields& fields = pdf.article.fields;
    // The layout reader's own fields come first.
    FillFields(fields, kSourceLayout, &empty, &pdf.sources);
    if (!pdf.article.found && refind) SecondChance(pdf, prepared.links, refind);
    for (size_t i = 0; i < prepared.metas.size(); ++i) {
      if (PageDescribesPdf(prepared.metas[i], pages.names[i], pdf.file, pdf.base)) {
        FillFields(prepared.metas[i].fields, kSourceMetaTags, &fields, &pdf.sources);
      }
    }
    if (outcome == PdfOutcome::kRead) {
      const PdfFacts& f = prepared.facts[k];
      FillFields(InfoFields(f, pdf.base), kSourcePdfInfo, &fields, &pdf.sources);
      FillFields(XmpFields(f, pdf.base), kSourceXmp, &fields, &pdf.sources);
      ArticleFields text;
      text.doi = f.text_doi;
      FillFields(text, kSourceText, &fields, &pdf.sources);
    }
  }
}

std::string MetadataReportText(const MetadataStep& step) {
  std::string out = "\nPDFs opened for their metadata: " + std::to_string(step.pdfs_read()) + "\n";
  if (step.failures().empty()) return out;
  out += "\nPDFs whose own metadata could not be read:\n";
  for (const auto& [path, why] : step.failures())
    out += "  " + ShownPath(path) + " (" + why + ")\n";
  return out;
}

}  // namespace pdfindex
