// The catalogue as one JSON document: a format version, the root when the
// file lies outside it, and per issue folder its names, format, pages with
// their titles, and PDFs with what their entries hold. The document's shape
// is doc/catalogue.schema.json.
#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "outputs/export.h"
#include "outputs/export_text.h"

namespace pdfindex {

namespace {

using namespace std::string_view_literals;

constexpr int kFormatVersion = 1;

void AppendMember(std::string& out, std::string_view name, std::string_view text) {
  out += '"';
  out += name;
  out += "\": "sv;
  AppendJsonString(out, text);
}

// AppendMember for a name known beforehand: `head` is what stands before
// the value ("\"name\": ", with whatever comes before it), one append
// rather than three for each of the many members of each PDF.
void AppendMemberAfter(std::string& out, std::string_view head, std::string_view text) {
  out += head;
  AppendJsonString(out, text);
}

// A member whose value is page bytes, made text.
void AppendPageMember(std::string& out, std::string_view name, std::string_view bytes,
                      std::string* decoded) {
  AppendMember(out, name, PageTextIn(bytes, decoded));
}

// The entries of `map` in the order of their keys' names (`name(key)`), as
// the document lists the members of an object.
template <typename Key, typename Value, typename Name>
std::vector<std::pair<std::string_view, const Value*>> ByName(const std::map<Key, Value>& map,
                                                              Name name) {
  std::vector<std::pair<std::string_view, const Value*>> entries;
  entries.reserve(map.size());
  for (const auto& [key, value] : map) entries.emplace_back(name(key), &value);
  std::sort(entries.begin(), entries.end());
  return entries;
}

// A publisher keyword, or null for "none".
void AppendFormat(std::string& out, std::string_view format) {
  out += "\"format\": "sv;
  if (format == "none" || format.empty()) {
    out += "null"sv;
  } else {
    AppendJsonString(out, format);
  }
}

// `text`: every field is valid UTF-8 (FieldsAreText).
void AppendFields(std::string& out, const ArticleFields& fields, bool text, std::string* decoded) {
  out += "{\"authors\": ["sv;
  for (size_t i = 0; i < fields.authors.size(); ++i) {
    if (i > 0) out += ", "sv;
    AppendJsonString(out, FieldTextIn(text, fields.authors[i], decoded));
  }
  out += "]"sv;
  const std::pair<std::string_view, const std::string*> members[] = {
      {", \"title\": ", &fields.title},
      {", \"container\": ", &fields.container},
      {", \"volume\": ", &fields.volume},
      {", \"issue\": ", &fields.issue},
      {", \"year\": ", &fields.year},
      {", \"first_page\": ", &fields.first_page},
      {", \"last_page\": ", &fields.last_page},
      {", \"doi\": ", &fields.doi},
      {", \"url\": ", &fields.url}};
  for (const auto& [head, value] : members) {
    AppendMemberAfter(out, head, FieldTextIn(text, *value, decoded));
  }
  // Few sources give an abstract; it is left out where there is none.
  if (!fields.abstract.empty()) {
    AppendMemberAfter(out, ", \"abstract\": ", FieldTextIn(text, fields.abstract, decoded));
  }
  out += '}';
}

class JsonSink : public CatalogueSink {
 public:
  JsonSink(ByteSink& out, ExportContext context)
      : CatalogueSink(out), context_(std::move(context)) {}

  Status Begin() override {
    std::string head = "{\n  \"format_version\": " + std::to_string(kFormatVersion) + ",\n";
    if (!context_.root.empty()) {
      head += "  "sv;
      AppendMember(head, "root", FileNameText(context_.root));
      head += ",\n"sv;
    }
    head += "  \"issues\": ["sv;
    return out_.Write(head);
  }

  // Each folder starts ",\n    {": the first of the file drops the comma.
  void Render(const IssueRecord& issue, FolderShare& share, std::string& out) const override {
    const IssueTexts& texts = TextsOf(issue, share, /*entries=*/false);
    // About what the folder takes, so that the buffer seldom grows: its
    // head, and per PDF the member names, the path again as an href, and
    // the description beside the entry.
    size_t estimate = 512 + texts.entry_bytes + issue.pdfs.size() * 256;
    for (const PdfRecord& pdf : issue.pdfs) estimate += pdf.article.classic.size();
    out.reserve(out.size() + estimate);
    std::string decoded;
    out += ",\n    {"sv;
    AppendMember(out, "publisher", FileNameTextIn(issue.publisher, &decoded));
    out += ", "sv;
    AppendMember(out, "issue", FileNameTextIn(issue.issue, &decoded));
    out += ", "sv;
    AppendMember(out, "folder", texts.folder);
    out += ", "sv;
    AppendFormat(out, issue.format);
    // Only with --all-pdfs: a folder of PDFs outside issue folders.
    if (issue.loose) out += ", \"loose\": true"sv;
    out += ",\n     \"pages\": ["sv;
    // The folder's part of every href, encoded once.
    std::string folder_href;
    AppendPercentEncodedPath(folder_href, texts.raw_folder);
    for (size_t i = 0; i < issue.pages.size(); ++i) {
      const PageRecord& page = issue.pages[i];
      out += i > 0 ? ",\n      {" : "\n      {";
      AppendMember(out, "name", FileNameTextIn(page.name, &decoded));
      out += ", \"href\": \""sv;
      out += folder_href;
      AppendPercentEncodedPath(out, page.name);
      out += page.opened ? "\", \"opened\": true, " : "\", \"opened\": false, ";
      AppendFormat(out, page.format);
      out += ", "sv;
      AppendMember(out, "title",
                   page.title.is_path ? FileNameTextIn(page.title.text, &decoded)
                                      : PageTextIn(page.title.text, &decoded));
      out += page.title.is_path ? ", \"title_is_path\": true}" : ", \"title_is_path\": false}";
    }
    out += issue.pages.empty() ? "],\n     \"pdfs\": [" : "\n     ],\n     \"pdfs\": [";
    for (size_t i = 0; i < issue.pdfs.size(); ++i) {
      const PdfRecord& pdf = issue.pdfs[i];
      AppendMemberAfter(out, i > 0 ? ",\n      {\"path\": " : "\n      {\"path\": ",
                        texts.paths[i]);
      out += ", \"href\": \""sv;
      out += folder_href;
      AppendPercentEncodedPath(out, pdf.file);
      AppendMemberAfter(out, "\", \"base\": ", FileNameTextIn(pdf.base, &decoded));
      AppendMemberAfter(out,
                        pdf.article.found ? ", \"found\": true, \"description\": "
                                          : ", \"found\": false, \"description\": ",
                        PageTextIn(pdf.article.classic, &decoded));
      out += ", \"fields\": "sv;
      AppendFields(out, pdf.article.fields, texts.text_fields[i], &decoded);
      // Only with --metadata: where each filled field came from, and why the
      // PDF's own metadata could not be read.
      if (!pdf.sources.empty()) {
        out += ", \"sources\": {"sv;
        bool first = true;
        for (const auto& [field, source] : ByName(pdf.sources, FieldName)) {
          if (!first) out += ", "sv;
          first = false;
          AppendMember(out, field, SourceName(*source));
        }
        out += '}';
      }
      // Where another of the PDF's sources tells a field otherwise.
      if (!pdf.disagreements.empty()) {
        out += ", \"disagreements\": {"sv;
        bool first_field = true;
        for (const auto& [field, others] : ByName(pdf.disagreements, FieldName)) {
          out += first_field ? "\"" : ", \"";
          first_field = false;
          out += field;
          out += "\": {"sv;
          bool first = true;
          for (const auto& [source, value] : ByName(*others, SourceName)) {
            if (!first) out += ", "sv;
            first = false;
            AppendPageMember(out, source, *value, &decoded);
          }
          out += '}';
        }
        out += '}';
      }
      if (!pdf.metadata_failure.empty()) {
        out += ", "sv;
        AppendMember(out, "metadata_failure", pdf.metadata_failure);
      }
      if (!pdf.duplicate_of.empty()) {
        out += ", "sv;
        AppendMember(out, "duplicate_of", PathText(pdf.duplicate_of));
      }
      out += '}';
    }
    out += issue.pdfs.empty() ? "]}" : "\n     ]}";
  }

  Status Add(std::string_view bytes) override {
    if (first_) bytes.remove_prefix(1);
    first_ = false;
    return out_.Write(bytes);
  }

  Status Finish() override { return out_.Write(first_ ? "]\n}\n" : "\n  ]\n}\n"); }

 private:
  const ExportContext context_;
  bool first_ = true;
};

}  // namespace

std::unique_ptr<CatalogueSink> MakeJsonSink(ByteSink& out, const ExportContext& context) {
  return std::make_unique<JsonSink>(out, context);
}

}  // namespace pdfindex
