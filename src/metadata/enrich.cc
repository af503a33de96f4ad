#include "metadata/enrich.h"

#include "core/names.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <set>
#include <utility>

#include "text/page.h"
#include "text/escape.h"
#include "text/plain_text.h"
#include "metadata/first_page.h"
#include "metadata/page_meta.h"
#include "metadata/plain.h"

namespace pdfindex {

namespace {

void FillOne(const std::string& value, Field field, FieldSource source, std::string* to,
             std::map<Field, FieldSource>* sources) {
  if (!to->empty() || value.empty()) return;
  *to = value;
  (*sources)[field] = source;
}

// The family name of `name` as a person would be sorted: the last word,
// or what stands before a comma ("Smith, J.").
std::string FamilyOf(std::string_view name) {
  const size_t comma = name.find(',');
  if (comma != std::string_view::npos) return AsciiLower(CollapseSpace(name.substr(0, comma)));
  const size_t blank = name.rfind(' ');
  return AsciiLower(name.substr(blank == std::string_view::npos ? 0 : blank + 1));
}

// A title from the document information or the XMP counts only when it is
// plausible and, where the first page has text, its words stand there.
bool TitleCounts(std::string_view title, bool on_page, std::string_view base,
                 const PdfFacts& facts) {
  return PlausibleTitle(title, base, facts) && (on_page || !facts.page_text);
}

// The fields the PDF's document information gives: a title, the authors, a
// DOI.
ArticleFields InfoFields(const PdfFacts& facts, std::string_view base) {
  ArticleFields fields;
  if (TitleCounts(facts.title, facts.info_title_on_page, base, facts)) fields.title = facts.title;
  fields.authors = InfoAuthors(facts, base);
  fields.doi = facts.info_doi;
  return fields;
}

ArticleFields XmpFields(const PdfFacts& facts, std::string_view base) {
  ArticleFields fields = facts.xmp;
  fields.authors = SplitPersons(fields.authors);  // one dc:creator may name several
  if (!TitleCounts(fields.title, facts.xmp_title_on_page, base, facts)) fields.title.clear();
  return fields;
}

// What the first page shows, and the DOI printed there.
ArticleFields PageFields(const PdfFacts& facts, std::string_view base) {
  ArticleFields fields = facts.page;
  if (!PlausibleTitle(fields.title, base, facts)) fields.title.clear();
  fields.doi = facts.text_doi;
  return fields;
}

// True when every word of `part` is among `whole`'s (both folded) and
// `whole` is not much longer: the same title, one of them more complete.
bool SameTitle(std::string_view part, std::string_view whole) {
  const std::string folded_whole = FoldWords(whole);
  return TitleOnPage(part, folded_whole) && FoldWords(part).size() * 13 >= folded_whole.size() * 10;
}

// Where the PDF's own sources tell the same thing, the fuller telling wins:
// of author lists that start with the same person the longest (an info
// Author often names the first author only), and the first page's title
// over a document information or XMP title whose words it all holds (those
// lose Greek letters and formulas).
void Reconcile(ArticleFields* info, ArticleFields* xmp, ArticleFields* page) {
  // cppcheck-suppress constVariable ; the fields are changed through these
  ArticleFields* const sources[] = {info, xmp, page};
  ArticleFields* longest = nullptr;
  for (ArticleFields* s : sources) {
    if (s->authors.empty()) continue;
    if (longest == nullptr ||
        (FamilyOf(s->authors.front()) == FamilyOf(longest->authors.front()) &&
         s->authors.size() > longest->authors.size())) {
      longest = s;
    }
  }
  for (ArticleFields* s : sources) {
    if (s != longest && longest != nullptr && !s->authors.empty() &&
        FamilyOf(s->authors.front()) == FamilyOf(longest->authors.front())) {
      s->authors.clear();
    }
  }
  if (page->title.empty()) return;
  for (ArticleFields* s : {info, xmp}) {
    if (!s->title.empty() && FoldWords(s->title) != FoldWords(page->title) &&
        SameTitle(s->title, page->title)) {
      s->title.clear();
    }
  }
}

// The family names of `authors` as their persons read them, by their
// unaccented ASCII letters and digits alone: "O’Brien" reads as "O'Brien",
// and "Hernández" alike whether its accent is a letter of its own or a
// combining mark after the "a" (both give "hernndez").
std::vector<std::string> Families(const std::vector<std::string>& authors) {
  std::vector<std::string> families;
  for (const std::string& author : authors) {
    const std::vector<Person> persons = ParsePersons(author);
    const std::string family = persons.empty() ? FamilyOf(author) : persons.front().family;
    // U+0300 to U+036F, the combining marks, are CC 80 to CD AF.
    const auto combining_at = [&family](size_t k) {
      return k + 1 < family.size() &&
             (family[k] == '\xCC' ||
              (family[k] == '\xCD' && static_cast<unsigned char>(family[k + 1]) <= 0xAF));
    };
    std::string skeleton;
    for (size_t i = 0; i < family.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(family[i]);
      if (c >= 0x80 || !std::isalnum(c) || combining_at(i + 1)) continue;
      skeleton += static_cast<char>(std::tolower(c));
    }
    families.push_back(std::move(skeleton));
  }
  return families;
}

// True when `shorter` names the journal `longer` names, perhaps abbreviated:
// each of its words starts a word of `longer`, in order ("J Imag Bot",
// "Journal of Imaginary Botany").
bool SameJournal(std::string_view a, std::string_view b) {
  const std::string fa = FoldWords(a), fb = FoldWords(b);
  if (fa == fb) return true;
  // Folded words are one blank apart.
  const bool a_shorter = fa.size() < fb.size();
  const std::string_view shorter = a_shorter ? fa : fb, longer = a_shorter ? fb : fa;
  size_t at = 0;  // in longer
  for (size_t from = 0; from < shorter.size();) {
    const size_t end = std::min(shorter.find(' ', from), shorter.size());
    const std::string_view want = shorter.substr(from, end - from);
    bool found = false;
    while (!found && at < longer.size()) {
      const size_t stop = std::min(longer.find(' ', at), longer.size());
      found = longer.substr(at, stop - at).starts_with(want);
      at = stop + 1;
    }
    if (!found) return false;
    from = end + 1;
  }
  return true;
}

// True when `a` and `b` tell field `field` alike (see disagreements).
bool TellAlike(Field field, std::string_view a, std::string_view b) {
  if (field == Field::kTitle) return TitleOnPage(a, FoldWords(b)) || TitleOnPage(b, FoldWords(a));
  if (field == Field::kContainer) return SameJournal(a, b);
  return FoldWords(a) == FoldWords(b);
}

// Notes in `pdf` each field that `from` (source `source`) tells otherwise
// than the field's value does, where the value came from another source.
void NoteDisagreements(const ArticleFields& from, FieldSource source, PdfRecord* pdf) {
  const ArticleFields& to = pdf->article.fields;
  const auto differs = [&](Field field) {
    const auto own = pdf->sources.find(field);
    return own != pdf->sources.end() && own->second != source;
  };
  if (!from.authors.empty() && !to.authors.empty() && differs(Field::kAuthors)) {
    const std::vector<std::string> a = Families(from.authors), b = Families(to.authors);
    const size_t n = std::min(a.size(), b.size());
    if (!std::equal(a.begin(), a.begin() + static_cast<long>(n), b.begin())) {
      std::string joined;
      for (const std::string& name : from.authors) joined += (joined.empty() ? "" : "; ") + name;
      pdf->disagreements[Field::kAuthors].emplace(source, joined);
    }
  }
  const std::pair<Field, const std::string ArticleFields::*> kFields[] = {
      {Field::kTitle, &ArticleFields::title},
      {Field::kContainer, &ArticleFields::container},
      {Field::kVolume, &ArticleFields::volume},
      {Field::kIssue, &ArticleFields::issue},
      {Field::kYear, &ArticleFields::year},
      {Field::kFirstPage, &ArticleFields::first_page},
      {Field::kLastPage, &ArticleFields::last_page},
      {Field::kDoi, &ArticleFields::doi},
      {Field::kUrl, &ArticleFields::url}};
  for (const auto& [field, member] : kFields) {
    const std::string& value = from.*member;
    if (value.empty() || (to.*member).empty() || !differs(field) ||
        TellAlike(field, value, to.*member)) {
      continue;
    }
    pdf->disagreements[field].emplace(source, value);
  }
}

}  // namespace

void FillFields(const ArticleFields& from, FieldSource source, ArticleFields* to,
                std::map<Field, FieldSource>* sources) {
  if (to->authors.empty() && !from.authors.empty()) {
    to->authors = from.authors;
    (*sources)[Field::kAuthors] = source;
  }
  FillOne(from.title, Field::kTitle, source, &to->title, sources);
  FillOne(from.container, Field::kContainer, source, &to->container, sources);
  FillOne(from.volume, Field::kVolume, source, &to->volume, sources);
  FillOne(from.issue, Field::kIssue, source, &to->issue, sources);
  FillOne(from.year, Field::kYear, source, &to->year, sources);
  FillOne(from.first_page, Field::kFirstPage, source, &to->first_page, sources);
  FillOne(from.last_page, Field::kLastPage, source, &to->last_page, sources);
  FillOne(from.doi, Field::kDoi, source, &to->doi, sources);
  FillOne(from.url, Field::kUrl, source, &to->url, sources);
  FillOne(from.abstract, Field::kAbstract, source, &to->abstract, sources);
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

std::vector<PdfFacts> PdfSource::ReadEach(const std::vector<std::string>& paths,
                                          const PdfWorkers::OnRead& on_read) {
  std::vector<PdfFacts> facts = Read(paths);
  for (size_t k = 0; k < facts.size() && on_read; ++k) on_read(k, facts[k]);
  return facts;
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
  ForEachLinkSegment(text, [&links](std::string_view link) { links.emplace_back(link); });
  return links;
}

void ForEachLinkSegment(std::string_view text, const std::function<void(std::string_view)>& each) {
  // "href" in any case, found in place: a lower-case copy of a page of
  // hundreds of megabytes would be one page more in memory.
  const auto next_href = [text](size_t from) {
    for (size_t at = text.find_first_of("hH", from); at != std::string_view::npos;
         at = text.find_first_of("hH", at + 1)) {
      if (EqualNoCase(text.substr(at, 4), "href")) return at;
    }
    return std::string_view::npos;
  };
  for (size_t at = next_href(0); at != std::string_view::npos; at = next_href(at + 4)) {
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
    if (!url.empty()) each(url);
  }
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
      FillFields(found.fields, FieldSource::kLayoutPage, &pdf.article.fields, &pdf.sources);
      return;
    }
  }
}

void MetadataStep::Prepare(const IssueRecord& issue, const IssuePages& pages,
                           PreparedMetadata& out) {
  PreparedMetadata* prepared = &out;
  // Each page is read for tags and links once per folder; links only when
  // a PDF needs a second chance. Where no output reads the fields, only the
  // PDFs are looked at: the cache is kept and the failures reported.
  // Only the links that can give an unfound PDF its second chance are kept
  // (a large page can link to millions of others).
  std::set<std::string, std::less<>> unfound;
  for (const PdfRecord& pdf : issue.pdfs) {
    if (!pdf.article.found) unfound.insert(AsciiLower(WithoutDuplicateSuffix(pdf.base)));
  }
  const auto keep_link = [&](std::string_view link) {
    if (unfound.count(AsciiLower(PdfBaseName(PercentDecode(link)))) > 0) {
      prepared->links.emplace_back(link);
    }
  };
  prepared->metas.resize(pages.pages.size());
  for (size_t i = 0; i < pages.pages.size() && pages.want_fields; ++i) {
    if (pages.pages[i] == nullptr) continue;
    const std::string text = PageBytes(*pages.pages[i]);
    prepared->metas[i] = ParsePageMeta(text);
    if (!unfound.empty()) ForEachLinkSegment(text, keep_link);
  }
  const size_t n = issue.pdfs.size();
  prepared->stamps.resize(n);
  prepared->outcomes.assign(n, PdfOutcome::kRead);
  if (pages.want_fields) prepared->facts.resize(n);
  prepared->known.assign(n, pdfs_ == nullptr);
  if (pdfs_ == nullptr) return;
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
}

void MetadataStep::Enrich(IssueRecord& issue, const IssuePages& pages, const Refinder& refind) {
  PreparedMetadata prepared;
  Prepare(issue, pages, prepared);
  Finish(issue, pages, refind, prepared);
}

void MetadataStep::Finish(IssueRecord& issue, const IssuePages& pages, const Refinder& refind,
                          PreparedMetadata& prepared) {
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
    // Each PDF's facts go to the cache as they come, so that a checkpoint
    // keeps them should the run be cut short.
    std::vector<PdfFacts> read =
        pdfs_->ReadEach(to_read, [&](size_t r, const PdfFacts& facts) {
          if (r >= read_index.size()) return;
          if (cache_ != nullptr) cache_->Put(to_read[r], prepared.stamps[read_index[r]], facts);
          MaybeCheckpoint();
        });
    for (size_t r = 0; r < read.size() && r < read_index.size(); ++r) {
      const size_t k = read_index[r];
      ++pdfs_read_;
      if (on_pdf_read) on_pdf_read(to_read[r]);
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
    // The reader of folders without a keyword gives a link's text, which on
    // a saved article page is "PDF" or "Full text (2.3 MB)": there the
    // page's own tags for the PDF come first. Publisher readers come first.
    bool tagged = false;
    for (size_t i = 0; i < prepared.metas.size(); ++i) {
      tagged = tagged || PageDescribesPdf(prepared.metas[i], pages.names[i], pdf.file, pdf.base);
    }
    if (tagged && issue.format == "none") {
      const ArticleFields link_text = std::move(fields);
      fields = ArticleFields();
      for (size_t i = 0; i < prepared.metas.size(); ++i) {
        if (PageDescribesPdf(prepared.metas[i], pages.names[i], pdf.file, pdf.base)) {
          FillFields(prepared.metas[i].fields, FieldSource::kMetaTags, &fields, &pdf.sources);
        }
      }
      FillFields(link_text, FieldSource::kLayoutPage, &fields, &pdf.sources);
    } else {
      // The layout reader's own fields come first.
      FillFields(fields, FieldSource::kLayoutPage, &empty, &pdf.sources);
    }
    if (!pdf.article.found && refind) SecondChance(pdf, prepared.links, refind);
    for (size_t i = 0; i < prepared.metas.size(); ++i) {
      if (PageDescribesPdf(prepared.metas[i], pages.names[i], pdf.file, pdf.base)) {
        FillFields(prepared.metas[i].fields, FieldSource::kMetaTags, &fields, &pdf.sources);
      }
    }
    if (outcome == PdfOutcome::kRead) {
      const PdfFacts& f = prepared.facts[k];
      ArticleFields info = InfoFields(f, pdf.base);
      ArticleFields xmp = XmpFields(f, pdf.base);
      ArticleFields page = PageFields(f, pdf.base);
      Reconcile(&info, &xmp, &page);
      FillFields(info, FieldSource::kPdfInfo, &fields, &pdf.sources);
      FillFields(xmp, FieldSource::kXmp, &fields, &pdf.sources);
      FillFields(page, FieldSource::kFirstPageText, &fields, &pdf.sources);
      NoteDisagreements(info, FieldSource::kPdfInfo, &pdf);
      NoteDisagreements(xmp, FieldSource::kXmp, &pdf);
      NoteDisagreements(page, FieldSource::kFirstPageText, &pdf);
    }
    for (size_t i = 0; i < prepared.metas.size(); ++i) {
      if (PageDescribesPdf(prepared.metas[i], pages.names[i], pdf.file, pdf.base)) {
        NoteDisagreements(prepared.metas[i].fields, FieldSource::kMetaTags, &pdf);
      }
    }
    for (const auto& [field, source] : pdf.sources) ++field_sources_[field][source];
  }
}

namespace {

long long MonotonicMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

void MetadataStep::MaybeCheckpoint() {
  if (!checkpoint) return;
  ++read_since_checkpoint_;
  const long long now = MonotonicMs();
  if (last_checkpoint_ms_ < 0) last_checkpoint_ms_ = now;
  const long long since = now - last_checkpoint_ms_;
  if (read_since_checkpoint_ < kCheckpointPdfs && since < kCheckpointMs) return;
  // Writing the cache takes longer as it grows: at most a tenth of the
  // time goes to it.
  if (since < 10 * checkpoint_cost_ms_) return;
  checkpoint();
  read_since_checkpoint_ = 0;
  last_checkpoint_ms_ = MonotonicMs();
  checkpoint_cost_ms_ = last_checkpoint_ms_ - now;
}

std::string MetadataReportText(const MetadataStep& step) {
  std::string out = "\nPDFs opened for their metadata: " + std::to_string(step.pdfs_read()) + "\n";
  if (!step.field_sources().empty()) {
    // One column per source, in the order they fill fields; one row per
    // field in the records' order.
    out += "\nfields by source (PDFs):\n  field       ";
    for (const FieldSource source : kAllSources) {
      out += "  ";
      out += SourceName(source);
    }
    out += '\n';
    for (const Field field : kAllFields) {
      const auto row = step.field_sources().find(field);
      std::string line = "  " + std::string(FieldName(field));
      line.resize(14, ' ');
      for (const FieldSource source : kAllSources) {
        int n = 0;
        if (row != step.field_sources().end()) {
          const auto cell = row->second.find(source);
          if (cell != row->second.end()) n = cell->second;
        }
        const std::string number = std::to_string(n);
        const size_t width = SourceName(source).size();
        line += std::string(width + 2 - std::min(number.size(), width + 1), ' ');
        line += number;
      }
      out += line + '\n';
    }
  }
  if (step.failures().empty()) return out;
  out += "\nPDFs whose own metadata could not be read:\n";
  for (const auto& [path, why] : step.failures())
    out += "  " + ShownPath(path) + " (" + why + ")\n";
  return out;
}

}  // namespace pdfindex
