// The catalogue as one JSON document: a format version, the root when the
// file lies outside it, and per issue folder its names, format, pages with
// their titles, and PDFs with what their entries hold. The document's shape
// is doc/catalogue.schema.json.
#include <string>

#include "exports/export.h"
#include "exports/export_text.h"

namespace pdfindex {

namespace {

constexpr int kFormatVersion = 1;

void AppendMember(std::string& out, std::string_view name, std::string_view text) {
  out += '"';
  out += name;
  out += "\": ";
  AppendJsonString(out, text);
}

// A publisher keyword, or null for "none".
void AppendFormat(std::string& out, std::string_view format) {
  out += "\"format\": ";
  if (format == "none" || format.empty()) {
    out += "null";
  } else {
    AppendJsonString(out, format);
  }
}

void AppendFields(std::string& out, const ArticleFields& fields) {
  out += "{\"authors\": [";
  for (size_t i = 0; i < fields.authors.size(); ++i) {
    if (i > 0) out += ", ";
    AppendJsonString(out, PageText(fields.authors[i]));
  }
  out += "]";
  const std::pair<std::string_view, const std::string*> members[] = {
      {"title", &fields.title},
      {"container", &fields.container},
      {"volume", &fields.volume},
      {"issue", &fields.issue},
      {"year", &fields.year},
      {"first_page", &fields.first_page},
      {"last_page", &fields.last_page},
      {"doi", &fields.doi},
      {"url", &fields.url}};
  for (const auto& [name, value] : members) {
    out += ", ";
    AppendMember(out, name, PageText(*value));
  }
  out += '}';
}

class JsonSink : public CatalogueSink {
 public:
  JsonSink(ByteSink& out, ExportContext context) : out_(out), context_(std::move(context)) {}

  Status Begin() override {
    std::string head = "{\n  \"format_version\": " + std::to_string(kFormatVersion) + ",\n";
    if (!context_.root.empty()) {
      head += "  ";
      AppendMember(head, "root", FileNameText(context_.root));
      head += ",\n";
    }
    head += "  \"issues\": [";
    return out_.Write(head);
  }

  Status Issue(const IssueRecord& issue) override {
    std::string out = first_ ? "\n    {" : ",\n    {";
    first_ = false;
    const std::string folder = issue.Folder();
    AppendMember(out, "publisher", FileNameText(issue.publisher));
    out += ", ";
    AppendMember(out, "issue", FileNameText(issue.issue));
    out += ", ";
    AppendMember(out, "folder",
                 FileNameText(issue.publisher) + "/" + FileNameText(issue.issue) + "/");
    out += ", ";
    AppendFormat(out, issue.format);
    out += ",\n     \"pages\": [";
    for (size_t i = 0; i < issue.pages.size(); ++i) {
      const PageRecord& page = issue.pages[i];
      out += i > 0 ? ",\n      {" : "\n      {";
      AppendMember(out, "name", FileNameText(page.name));
      out += ", ";
      AppendMember(out, "href", PercentEncodePath(folder + page.name));
      out += page.opened ? ", \"opened\": true, " : ", \"opened\": false, ";
      AppendFormat(out, page.format);
      out += ", ";
      AppendMember(out, "title",
                   page.title.is_path ? FileNameText(page.title.text) : PageText(page.title.text));
      out += page.title.is_path ? ", \"title_is_path\": true}" : ", \"title_is_path\": false}";
    }
    out += issue.pages.empty() ? "],\n     \"pdfs\": [" : "\n     ],\n     \"pdfs\": [";
    for (size_t i = 0; i < issue.pdfs.size(); ++i) {
      const PdfRecord& pdf = issue.pdfs[i];
      const std::string path = PdfPath(issue, pdf);
      out += i > 0 ? ",\n      {" : "\n      {";
      AppendMember(out, "path", PdfPathText(issue, pdf));
      out += ", ";
      AppendMember(out, "href", PercentEncodePath(path));
      out += ", ";
      AppendMember(out, "base", FileNameText(pdf.base));
      out += pdf.article.found ? ", \"found\": true, " : ", \"found\": false, ";
      AppendMember(out, "description", PageText(pdf.article.classic));
      out += ", \"fields\": ";
      AppendFields(out, pdf.article.fields);
      // Only with --metadata: where each filled field came from, and why the
      // PDF's own metadata could not be read.
      if (!pdf.sources.empty()) {
        out += ", \"sources\": {";
        bool first = true;
        for (const auto& [field, source] : pdf.sources) {
          if (!first) out += ", ";
          first = false;
          AppendMember(out, field, source);
        }
        out += '}';
      }
      if (!pdf.metadata_failure.empty()) {
        out += ", ";
        AppendMember(out, "metadata_failure", pdf.metadata_failure);
      }
      out += '}';
    }
    out += issue.pdfs.empty() ? "]}" : "\n     ]}";
    return out_.Write(out);
  }

  Status Finish() override { return out_.Write(first_ ? "]\n}\n" : "\n  ]\n}\n"); }

 private:
  ByteSink& out_;
  const ExportContext context_;
  bool first_ = true;
};

}  // namespace

std::unique_ptr<CatalogueSink> MakeJsonSink(ByteSink& out, const ExportContext& context) {
  return std::make_unique<JsonSink>(out, context);
}

}  // namespace pdfindex
