// One CSL-JSON item per PDF, as citation processors read them: an
// article-journal with the entry's fields, or a document with the base name
// as title when nothing describes the PDF. Ids are the BibTeX keys; the PDF's
// path is the item's archive location (with the root in front when the
// file lies outside it).
#include <string>

#include "exports/export.h"
#include "exports/export_text.h"

namespace pdfindex {

namespace {

void AppendMember(std::string& out, std::string_view name, std::string_view text) {
  if (text.empty()) return;
  out += ", \"";
  out += name;
  out += "\": ";
  AppendJsonString(out, text);
}

bool AllDigits(std::string_view text) {
  if (text.empty() || text.size() > 6) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

void AppendAuthors(std::string& out, const std::vector<std::string>& authors) {
  if (authors.empty()) return;
  out += ", \"author\": [";
  for (size_t i = 0; i < authors.size(); ++i) {
    const NameParts parts = SplitName(PageText(authors[i]));
    out += i > 0 ? ", {" : "{";
    out += "\"family\": ";
    AppendJsonString(out, parts.family);
    if (!parts.given.empty()) {
      out += ", \"given\": ";
      AppendJsonString(out, parts.given);
    }
    if (!parts.suffix.empty()) {
      out += ", \"suffix\": ";
      AppendJsonString(out, parts.suffix);
    }
    out += '}';
  }
  out += ']';
}

class CslJsonSink : public CatalogueSink {
 public:
  CslJsonSink(ByteSink& out, ExportContext context)
      : out_(out), context_(std::move(context)), keys_(context_.keys) {}

  Status Begin() override { return out_.Write("["); }

  Status Issue(const IssueRecord& issue) override {
    std::string out;
    const std::vector<std::string>& keys = keys_.KeysOf(issue);
    for (size_t k = 0; k < issue.pdfs.size(); ++k) {
      const PdfRecord& pdf = issue.pdfs[k];
      const ArticleFields& fields = pdf.article.fields;
      out += first_ ? "\n  {\"id\": " : ",\n  {\"id\": ";
      first_ = false;
      AppendJsonString(out, keys[k]);
      out += fields.empty() ? ", \"type\": \"document\"" : ", \"type\": \"article-journal\"";
      AppendAuthors(out, fields.authors);
      AppendMember(out, "title", TitleOf(pdf));
      AppendMember(out, "container-title", PageText(fields.container));
      AppendMember(out, "volume", PageText(fields.volume));
      AppendMember(out, "issue", PageText(fields.issue));
      std::string page = PageText(fields.first_page);
      if (!fields.last_page.empty()) page += "-" + PageText(fields.last_page);
      AppendMember(out, "page", page);
      if (AllDigits(fields.year)) {
        out += ", \"issued\": {\"date-parts\": [[" + fields.year + "]]}";
      } else if (!fields.year.empty()) {
        out += ", \"issued\": {\"literal\": ";
        AppendJsonString(out, PageText(fields.year));
        out += '}';
      }
      AppendMember(out, "DOI", PageText(fields.doi));
      AppendMember(out, "URL", PageText(fields.url));
      AppendMember(out, "archive_location", FileNameText(context_.root) + PdfPathText(issue, pdf));
      out += '}';
    }
    return out_.Write(out);
  }

  Status Finish() override { return out_.Write(first_ ? "]\n" : "\n]\n"); }

 private:
  ByteSink& out_;
  const ExportContext context_;
  KeyReader keys_;
  bool first_ = true;
};

}  // namespace

std::unique_ptr<CatalogueSink> MakeCslJsonSink(ByteSink& out, const ExportContext& context) {
  return std::make_unique<CslJsonSink>(out, context);
}

}  // namespace pdfindex
