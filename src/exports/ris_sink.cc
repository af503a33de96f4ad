// One RIS record per PDF: TY JOUR with the entry's fields when a page
// described it, TY GEN with the base name as title otherwise, and L1 naming
// the PDF (with the root in front when the file lies outside it).
#include <string>

#include "exports/export.h"
#include "exports/export_text.h"

namespace pdfindex {

namespace {

// Appends "TAG  - value" on a line of its own; control bytes in the value
// become blanks, as a RIS value ends at the line's end.
void AppendTag(std::string& out, std::string_view tag, std::string_view value) {
  if (value.empty()) return;
  out += tag;
  out += "  - ";
  for (const char c : value) out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  out += '\n';
}

std::string RisName(std::string_view name) {
  const NameParts parts = SplitName(name);
  std::string out = parts.family;
  if (!parts.given.empty() || !parts.suffix.empty()) out += ", " + parts.given;
  if (!parts.suffix.empty()) out += ", " + parts.suffix;
  return out;
}

class RisSink : public CatalogueSink {
 public:
  RisSink(ByteSink& out, ExportContext context) : out_(out), context_(std::move(context)) {}

  Status Begin() override { return Status::Ok(); }

  Status Issue(const IssueRecord& issue) override {
    std::string out;
    for (const PdfRecord& pdf : issue.pdfs) {
      const ArticleFields& fields = pdf.article.fields;
      AppendTag(out, "TY", fields.empty() ? "GEN" : "JOUR");
      for (const std::string& author : fields.authors)
        AppendTag(out, "AU", RisName(PageText(author)));
      AppendTag(out, "TI", TitleOf(pdf));
      const std::string container = PageText(fields.container);
      AppendTag(out, "T2", container);
      AppendTag(out, "JO", container);
      AppendTag(out, "VL", PageText(fields.volume));
      AppendTag(out, "IS", PageText(fields.issue));
      AppendTag(out, "SP", PageText(fields.first_page));
      AppendTag(out, "EP", PageText(fields.last_page));
      AppendTag(out, "PY", PageText(fields.year));
      AppendTag(out, "DO", PageText(fields.doi));
      AppendTag(out, "UR", PageText(fields.url));
      AppendTag(out, "L1", FileNameText(context_.root) + PdfPathText(issue, pdf));
      out += "ER  - \n\n";
    }
    return out_.Write(out);
  }

  Status Finish() override { return Status::Ok(); }

 private:
  ByteSink& out_;
  const ExportContext context_;
};

}  // namespace

std::unique_ptr<CatalogueSink> MakeRisSink(ByteSink& out, const ExportContext& context) {
  return std::make_unique<RisSink>(out, context);
}

}  // namespace pdfindex
