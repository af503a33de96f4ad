// One BibTeX entry per PDF: @article with the entry's fields when a page
// described it, @misc with the base name as title otherwise, and the PDF
// attached as reference managers import it (file = {:PATH:PDF}).
#include <string>

#include "exports/export.h"
#include "exports/export_text.h"

namespace pdfindex {

namespace {

// A name part in braces when BibTeX would split or reorder it: it holds the
// word "and" or a comma.
std::string NamePart(std::string_view part) {
  std::string escaped = LatexEscape(part);
  const std::string spaced = " " + std::string(part) + " ";
  if (spaced.find(" and ") != std::string::npos || spaced.find(" AND ") != std::string::npos ||
      part.find(',') != std::string_view::npos) {
    return "{" + escaped + "}";
  }
  return escaped;
}

// "Family, Given" (with ", Jr." between them when there is a suffix).
std::string BibtexName(std::string_view name) {
  const NameParts parts = SplitName(name);
  std::string out = NamePart(parts.family);
  if (!parts.suffix.empty()) out += ", " + NamePart(parts.suffix);
  if (!parts.given.empty() || !parts.suffix.empty()) out += ", " + NamePart(parts.given);
  return out;
}

// A path for the file field: its own separators ":" and ";" and the
// backslash escaped, braces escaped so the field stays balanced.
std::string FilePath(std::string_view path) {
  std::string out;
  for (const char c : path) {
    if (c == '\\' || c == ':' || c == ';' || c == '{' || c == '}') out += '\\';
    out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  }
  return out;
}

// A DOI or URL, which BibTeX readers take verbatim: braces percent-encoded
// (a URL means the same with them so) to keep the field balanced.
std::string Verbatim(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '{') {
      out += "%7B";
    } else if (c == '}') {
      out += "%7D";
    } else {
      out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
  }
  return out;
}

void AppendField(std::string& out, std::string_view name, std::string_view value) {
  if (value.empty()) return;
  out += "  ";
  out += name;
  out += " = {";
  out += value;
  out += "},\n";
}

class BibtexSink : public CatalogueSink {
 public:
  BibtexSink(ByteSink& out, ExportContext context)
      : out_(out), context_(std::move(context)), keys_(context_.keys) {}

  Status Begin() override {
    if (context_.root.empty()) return Status::Ok();
    return out_.Write("@comment{pdfindex: the file paths below are relative to " +
                      FilePath(FileNameText(context_.root)) + "}\n\n");
  }

  Status Issue(const IssueRecord& issue) override {
    std::string out;
    const std::vector<std::string>& keys = keys_.KeysOf(issue);
    for (size_t k = 0; k < issue.pdfs.size(); ++k) {
      const PdfRecord& pdf = issue.pdfs[k];
      const ArticleFields& fields = pdf.article.fields;
      out += fields.empty() ? "@misc{" : "@article{";
      out += keys[k];
      out += ",\n";
      std::string authors;
      for (const std::string& author : fields.authors) {
        if (!authors.empty()) authors += " and ";
        authors += BibtexName(PageText(author));
      }
      AppendField(out, "author", authors);
      AppendField(out, "title", LatexEscape(TitleOf(pdf)));
      AppendField(out, "journal", LatexEscape(PageText(fields.container)));
      AppendField(out, "volume", LatexEscape(PageText(fields.volume)));
      AppendField(out, "number", LatexEscape(PageText(fields.issue)));
      AppendField(out, "year", LatexEscape(PageText(fields.year)));
      std::string pages = LatexEscape(PageText(fields.first_page));
      if (!fields.last_page.empty()) pages += "--" + LatexEscape(PageText(fields.last_page));
      AppendField(out, "pages", pages);
      AppendField(out, "doi", Verbatim(PageText(fields.doi)));
      AppendField(out, "url", Verbatim(PageText(fields.url)));
      AppendField(out, "file", ":" + FilePath(PdfPathText(issue, pdf)) + ":PDF");
      out += "}\n\n";
    }
    return out_.Write(out);
  }

  Status Finish() override { return Status::Ok(); }

 private:
  ByteSink& out_;
  const ExportContext context_;
  KeyReader keys_;
};

}  // namespace

std::unique_ptr<CatalogueSink> MakeBibtexSink(ByteSink& out, const ExportContext& context) {
  return std::make_unique<BibtexSink>(out, context);
}

}  // namespace pdfindex
