// One CSL-JSON item per PDF, as citation processors read them: an
// article-journal with the entry's fields, or a document with the base name
// as title when nothing describes the PDF. Ids are the BibTeX keys. The
// PDF's path is left out: citation styles print an item's archive location
// in the finished bibliography, where a local path has no place (the
// other exports name the file).
#include <string>

#include "outputs/export.h"
#include "outputs/export_text.h"

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

void AppendAuthors(std::string& out, const std::vector<Person>& authors) {
  if (authors.empty()) return;
  out += ", \"author\": [";
  for (size_t i = 0; i < authors.size(); ++i) {
    const Person& person = authors[i];
    out += i > 0 ? ", {" : "{";
    out += "\"family\": ";
    AppendJsonString(out, person.family);
    if (!person.given.empty()) {
      out += ", \"given\": ";
      AppendJsonString(out, person.given);
    }
    if (!person.particle.empty()) {
      out += ", \"non-dropping-particle\": ";
      AppendJsonString(out, person.particle);
    }
    if (!person.suffix.empty()) {
      out += ", \"suffix\": ";
      AppendJsonString(out, person.suffix);
    }
    out += '}';
  }
  out += ']';
}

class CslJsonSink : public PreparingSink {
 public:
  CslJsonSink(ByteSink& out, ExportContext context)
      : out_(out), context_(std::move(context)), keys_(context_.keys) {}

  Status Begin() override { return out_.Write("["); }

  // Each item starts ",\n  {": the first of the file drops the comma.
  std::unique_ptr<IssuePart> Prepare(const IssueRecord& issue,
                                     IssueScratch& scratch) const override {
    // Room for about what a described PDF takes, so that it seldom grows.
    std::unique_ptr<KeyedPart> part = keys_.NewPart(issue, scratch, 384);
    const std::shared_ptr<const IssueTexts> texts = TextsOf(issue, scratch);
    std::string& out = part->bytes;
    std::string decoded;
    const auto page_member = [&](std::string_view name, std::string_view bytes) {
      AppendMember(out, name, PageTextIn(bytes, &decoded));
    };
    std::string page;
    for (size_t k = 0; k < issue.pdfs.size(); ++k) {
      const PdfRecord& pdf = issue.pdfs[k];
      const ArticleFields& fields = pdf.article.fields;
      // Keys are ASCII letters and digits: nothing in them needs escaping.
      out += ",\n  {\"id\": \"";
      part->AppendKey(k);
      out += '"';
      out += fields.empty() ? ", \"type\": \"document\"" : ", \"type\": \"article-journal\"";
      AppendAuthors(out, texts->names[k]);
      AppendMember(out, "title", texts->titles[k]);
      page_member("container-title", fields.container);
      page_member("volume", fields.volume);
      page_member("issue", fields.issue);
      page.assign(PageTextIn(fields.first_page, &decoded));
      if (!fields.last_page.empty()) {
        page += '-';
        page += PageTextIn(fields.last_page, &decoded);
      }
      AppendMember(out, "page", page);
      if (AllDigits(fields.year)) {
        out += ", \"issued\": {\"date-parts\": [[";
        out += fields.year;
        out += "]]}";
      } else if (!fields.year.empty()) {
        out += ", \"issued\": {\"literal\": ";
        AppendJsonString(out, PageTextIn(fields.year, &decoded));
        out += '}';
      }
      page_member("DOI", fields.doi);
      page_member("URL", fields.url);
      page_member("abstract", fields.abstract);
      out += '}';
    }
    return part;
  }

  Status IssuePrepared(const IssueRecord& /*issue*/, IssuePart& part) override {
    const auto& keyed = static_cast<const KeyedPart&>(part);
    const std::vector<std::string>& keys = keys_.KeysOf(*keyed.base_keys);
    if (keyed.bytes.empty()) return Status::Ok();
    // The file's first item has no comma before it.
    const size_t skip = first_ ? 1 : 0;
    first_ = false;
    return WriteKeyed(out_, keyed, keys, skip);
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
