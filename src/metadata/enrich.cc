#include "metadata/enrich.h"

#include <sys/stat.h>

#include <utility>

#include "catalogue/page.h"
#include "catalogue/report.h"
#include "catalogue/run.h"
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

bool WorkerPdfSource::Stamp(const std::string& path, PdfStamp* stamp) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  stamp->size = static_cast<uint64_t>(st.st_size);
  stamp->mtime_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
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

std::vector<PdfFacts> MetadataStep::Facts(const std::string& folder,
                                          const std::vector<PdfRecord>& pdfs) {
  std::vector<PdfFacts> facts(pdfs.size());
  if (pdfs_ == nullptr) return facts;
  std::vector<std::string> to_read;
  std::vector<size_t> read_index;
  std::vector<PdfStamp> stamps(pdfs.size());
  std::vector<bool> stamped(pdfs.size());
  for (size_t k = 0; k < pdfs.size(); ++k) {
    const std::string path = folder + pdfs[k].file;
    stamped[k] = pdfs_->Stamp(path, &stamps[k]);
    if (!stamped[k]) {
      facts[k].outcome = PdfOutcome::kMissing;
      continue;
    }
    if (cache_ != nullptr) {
      if (const PdfFacts* cached = cache_->Find(path, stamps[k])) {
        facts[k] = *cached;
        continue;
      }
    }
    to_read.push_back(path);
    read_index.push_back(k);
  }
  if (to_read.empty()) return facts;
  std::vector<PdfFacts> read = pdfs_->Read(to_read);
  for (size_t r = 0; r < read.size() && r < read_index.size(); ++r) {
    const size_t k = read_index[r];
    ++pdfs_read_;
    if (on_pdf_read) on_pdf_read(to_read[r]);
    if (cache_ != nullptr) cache_->Put(to_read[r], stamps[k], read[r]);
    facts[k] = std::move(read[r]);
  }
  return facts;
}

void MetadataStep::Enrich(IssueRecord& issue, const IssuePages& pages, const Refinder& refind) {
  // Each page is read for tags and links once per folder.
  // Links are gathered only when a PDF needs a second chance.
  bool unfound = false;
  for (const PdfRecord& pdf : issue.pdfs) unfound = unfound || !pdf.article.found;
  std::vector<PageMeta> metas(pages.pages.size());
  std::vector<std::string> links;
  for (size_t i = 0; i < pages.pages.size(); ++i) {
    if (pages.pages[i] == nullptr) continue;
    const std::string text = PageBytes(*pages.pages[i]);
    metas[i] = ParsePageMeta(text);
    if (!unfound || !refind) continue;
    for (std::string& link : LinkSegments(text)) links.push_back(std::move(link));
  }
  const std::string folder = issue.Folder();
  const std::vector<PdfFacts> facts = Facts(folder, issue.pdfs);
  for (size_t k = 0; k < issue.pdfs.size(); ++k) {
    PdfRecord& pdf = issue.pdfs[k];
    ArticleFields empty;
    ArticleFields& fields = pdf.article.fields;
    // The layout reader's own fields come first.
    FillFields(fields, kSourceLayout, &empty, &pdf.sources);
    if (!pdf.article.found && refind) SecondChance(pdf, links, refind);
    for (size_t i = 0; i < metas.size(); ++i) {
      if (PageDescribesPdf(metas[i], pages.names[i], pdf.file, pdf.base)) {
        FillFields(metas[i].fields, kSourceMetaTags, &fields, &pdf.sources);
      }
    }
    const PdfFacts& f = facts[k];
    if (f.outcome == PdfOutcome::kRead) {
      FillFields(InfoFields(f, pdf.base), kSourcePdfInfo, &fields, &pdf.sources);
      FillFields(XmpFields(f, pdf.base), kSourceXmp, &fields, &pdf.sources);
      ArticleFields text;
      text.doi = f.text_doi;
      FillFields(text, kSourceText, &fields, &pdf.sources);
    } else if (pdfs_ != nullptr) {
      pdf.metadata_failure = std::string(OutcomeName(f.outcome));
      failures_.emplace_back(folder + pdf.file, pdf.metadata_failure);
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
