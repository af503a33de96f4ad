// One CSL-JSON item per PDF, as citation processors read them: an
// article-journal with the entry's fields, or a document with the base name
// as title when nothing describes the PDF. Ids are the BibTeX keys. The
// PDF's path is left out: citation styles print an item's archive location
// in the finished bibliography, where a local path has no place (the
// other exports name the file).
#include <string>
#include <string_view>

#include "outputs/export.h"
#include "outputs/export_text.h"

namespace pdfindex {

namespace {

using namespace std::string_view_literals;

// Appends the member `head` names (", \"name\": ", one append rather than
// three) with `text` as its value, unless `text` is empty.
void AppendMember(std::string& out, std::string_view head, std::string_view text) {
  if (text.empty()) return;
  out += head;
  AppendJsonString(out, text);
}

bool AllDigits(std::string_view text) {
  if (text.empty() || text.size() > 6) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

void AppendAuthors(std::string& out, const std::vector<Person>& authors) {
  if (authors.empty()) return;
  out += ", \"author\": ["sv;
  for (size_t i = 0; i < authors.size(); ++i) {
    const Person& person = authors[i];
    out += i > 0 ? ", {\"family\": "sv : "{\"family\": "sv;
    AppendJsonString(out, person.family);
    if (!person.given.empty()) {
      out += ", \"given\": "sv;
      AppendJsonString(out, person.given);
    }
    if (!person.particle.empty()) {
      out += ", \"non-dropping-particle\": "sv;
      AppendJsonString(out, person.particle);
    }
    if (!person.suffix.empty()) {
      out += ", \"suffix\": "sv;
      AppendJsonString(out, person.suffix);
    }
    out += '}';
  }
  out += ']';
}

class CslJsonSink : public ExportSink {
 public:
  CslJsonSink(ByteSink& out, ExportContext context) : ExportSink(out, std::move(context)) {}

  Status Begin() override { return out_.Write("["); }

  // Each item starts ",\n  {": the first of the file drops the comma.
  void Render(const IssueRecord& issue, FolderShare& share, std::string& out) const override {
    const IssueTexts& texts = TextsOf(issue, share);
    // Room for about what the folder's items take, so that it seldom grows.
    out.reserve(out.size() + texts.entry_bytes + issue.pdfs.size() * 160);
    std::string decoded;
    // The PDF's fields are all valid UTF-8 (FieldsAreText).
    bool text = false;
    const auto page_member = [&](std::string_view head, std::string_view bytes) {
      AppendMember(out, head, FieldTextIn(text, bytes, &decoded));
    };
    std::string page;
    for (size_t k = 0; k < issue.pdfs.size(); ++k) {
      const PdfRecord& pdf = issue.pdfs[k];
      text = texts.text_fields[k];
      const ArticleFields& fields = pdf.article.fields;
      // Keys are ASCII letters and digits: nothing in them needs escaping.
      out += ",\n  {\"id\": \""sv;
      out += pdf.citation_key;
      out += '"';
      out += fields.empty() ? ", \"type\": \"document\"" : ", \"type\": \"article-journal\"";
      AppendAuthors(out, texts.names[k]);
      AppendMember(out, ", \"title\": ", texts.titles[k]);
      page_member(", \"container-title\": ", fields.container);
      page_member(", \"volume\": ", fields.volume);
      page_member(", \"issue\": ", fields.issue);
      page.assign(FieldTextIn(text, fields.first_page, &decoded));
      if (!fields.last_page.empty()) {
        page += '-';
        page += FieldTextIn(text, fields.last_page, &decoded);
      }
      AppendMember(out, ", \"page\": ", page);
      if (AllDigits(fields.year)) {
        out += ", \"issued\": {\"date-parts\": [["sv;
        out += fields.year;
        out += "]]}"sv;
      } else if (!fields.year.empty()) {
        out += ", \"issued\": {\"literal\": "sv;
        AppendJsonString(out, FieldTextIn(text, fields.year, &decoded));
        out += '}';
      }
      page_member(", \"DOI\": ", fields.doi);
      page_member(", \"URL\": ", fields.url);
      page_member(", \"abstract\": ", fields.abstract);
      out += '}';
    }
  }

  Status Add(std::string_view part) override {
    if (part.empty()) return Status::Ok();
    // The file's first item has no comma before it.
    if (first_) part.remove_prefix(1);
    first_ = false;
    return out_.Write(part);
  }

  Status Finish() override { return out_.Write(first_ ? "]\n" : "\n]\n"); }

 private:
  bool first_ = true;
};

}  // namespace

std::unique_ptr<CatalogueSink> MakeCslJsonSink(ByteSink& out, const ExportContext& context) {
  return std::make_unique<CslJsonSink>(out, context);
}

}  // namespace pdfindex
