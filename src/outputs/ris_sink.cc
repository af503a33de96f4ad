// One RIS record per PDF: TY JOUR with the entry's fields when a page
// described it, TY GEN with the base name as title otherwise, and L1 naming
// the PDF (with the root in front when the file lies outside it, as a
// file:// URI when its name is no UTF-8 text); ID is the citation key.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "text/escape.h"
#include "text/plain_text.h"
#include "outputs/export.h"
#include "outputs/export_text.h"

namespace pdfindex {

namespace {

using namespace std::string_view_literals;

// Appends "TAG  - value" on a line of its own, `head` being "TAG  - " (one
// append rather than two); control bytes in the value become blanks, as a
// RIS value ends at the line's end.
void AppendTag(std::string& out, std::string_view head, std::string_view value) {
  if (value.empty()) return;
  out += head;
  // Values seldom hold a control byte: eight bytes at a time while none
  // does, then the rest by runs.
  const size_t clean = SkipUnflagged(value, 0, AnyControlByte);
  out.append(value.data(), clean);
  value.remove_prefix(clean);
  AppendByRuns(
      out, value, [](unsigned char b) { return b >= 0x20; },
      [](std::string& to, unsigned char /*control*/) { to += ' '; });
  out += '\n';
}

// "particle Family, Given" (with ", Jr." after them when there is a
// suffix).
// `value` is room for the name, kept from call to call.
void AppendRisName(std::string& out, const Person& person, std::string& value) {
  value.clear();
  AppendFullFamily(value, person);
  if (!person.given.empty() || !person.suffix.empty()) {
    value += ", "sv;
    value += person.given;
  }
  if (!person.suffix.empty()) {
    value += ", "sv;
    value += person.suffix;
  }
  AppendTag(out, "AU  - ", value);
}

class RisSink : public ExportSink {
 public:
  RisSink(ByteSink& out, ExportContext context) : ExportSink(out, std::move(context)) {}

  void Render(const IssueRecord& issue, FolderShare& share, std::string& out) const override {
    const IssueTexts& texts = TextsOf(issue, share);
    // Room for about what the folder's records take, so that it seldom
    // grows: tags, the container a second time, the root before each path.
    size_t containers = 0;
    for (const PdfRecord& pdf : issue.pdfs) containers += pdf.article.fields.container.size();
    out.reserve(out.size() + texts.entry_bytes + containers +
                issue.pdfs.size() * (128 + context_.root.size()));
    std::string decoded;
    std::string location(FileNameTextIn(context_.root, &decoded));
    const size_t root = location.size();
    // The PDF's fields are all valid UTF-8 (FieldsAreText).
    bool text = false;
    const auto tag = [&](std::string_view head, std::string_view bytes) {
      AppendTag(out, head, FieldTextIn(text, bytes, &decoded));
    };
    const bool root_text = IsValidUtf8(context_.root);
    std::string name;
    std::string raw;
    for (size_t k = 0; k < issue.pdfs.size(); ++k) {
      const PdfRecord& pdf = issue.pdfs[k];
      const ArticleFields& fields = pdf.article.fields;
      text = texts.text_fields[k];
      AppendTag(out, "TY  - ", fields.empty() ? "GEN" : "JOUR");
      // The citation key, as reference managers take it from ID.
      out += "ID  - "sv;
      out += pdf.citation_key;
      out += '\n';
      for (const Person& author : texts.names[k]) AppendRisName(out, author, name);
      AppendTag(out, "TI  - ", texts.titles[k]);
      std::string decoded_container;
      const std::string_view container = FieldTextIn(text, fields.container, &decoded_container);
      AppendTag(out, "T2  - ", container);
      AppendTag(out, "JO  - ", container);
      tag("VL  - ", fields.volume);
      tag("IS  - ", fields.issue);
      tag("SP  - ", fields.first_page);
      tag("EP  - ", fields.last_page);
      tag("PY  - ", fields.year);
      tag("DO  - ", fields.doi);
      tag("UR  - ", fields.url);
      tag("AB  - ", fields.abstract);
      raw.assign(texts.raw_folder);
      raw += pdf.file;
      if (IsValidUtf8(raw) && root_text) {
        location.resize(root);
        location += texts.paths[k];
        AppendTag(out, "L1  - ", location);
      } else {
        // A name that is no text: its exact bytes as a file:// URI.
        std::string uri = "file://";
        AppendPercentEncodedPath(uri, context_.archive);
        AppendPercentEncodedPath(uri, raw);
        AppendTag(out, "L1  - ", uri);
      }
      out += "ER  - \n\n"sv;
    }
  }
};

}  // namespace

std::unique_ptr<CatalogueSink> MakeRisSink(ByteSink& out, const ExportContext& context) {
  return std::make_unique<RisSink>(out, context);
}

}  // namespace pdfindex
