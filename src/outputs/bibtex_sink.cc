// One BibTeX entry per PDF: @article with the entry's fields when a page
// described it, @misc with the base name as title otherwise, and the PDF
// attached as reference managers import it (file = {:PATH:PDF}).
#include <string>

#include "text/escape.h"
#include "outputs/export.h"
#include "outputs/export_text.h"

namespace pdfindex {

namespace {

// Appends a name part, in braces when BibTeX would split or reorder it: it
// holds the word "and" or a comma.
void AppendNamePart(std::string& out, std::string_view part) {
  const std::string spaced = " " + std::string(part) + " ";
  const bool braced = spaced.find(" and ") != std::string::npos ||
                      spaced.find(" AND ") != std::string::npos ||
                      part.find(',') != std::string_view::npos;
  if (braced) out += '{';
  AppendLatexEscaped(out, part);
  if (braced) out += '}';
}

// Appends "Family, Given" (with ", Jr." between them when there is a
// suffix).
void AppendName(std::string& out, const NameParts& parts) {
  AppendNamePart(out, parts.family);
  if (!parts.suffix.empty()) {
    out += ", ";
    AppendNamePart(out, parts.suffix);
  }
  if (!parts.given.empty() || !parts.suffix.empty()) {
    out += ", ";
    AppendNamePart(out, parts.given);
  }
}

// Appends a path for the file field: its own separators ":" and ";" and the
// backslash escaped, braces escaped so the field stays balanced.
void AppendFilePath(std::string& out, std::string_view path) {
  AppendByRuns(
      out, path,
      [](unsigned char c) {
        return c >= 0x20 && c != '\\' && c != ':' && c != ';' && c != '{' && c != '}';
      },
      [](std::string& to, unsigned char c) {
        if (c < 0x20) {
          to += ' ';
        } else {
          to += '\\';
          to += static_cast<char>(c);
        }
      });
}

std::string FilePath(std::string_view path) {
  std::string out;
  AppendFilePath(out, path);
  return out;
}

// Appends a DOI or URL, which BibTeX readers take verbatim: braces
// percent-encoded (a URL means the same with them so) to keep the field
// balanced.
void AppendVerbatim(std::string& out, std::string_view text) {
  AppendByRuns(
      out, text, [](unsigned char c) { return c >= 0x20 && c != '{' && c != '}'; },
      [](std::string& to, unsigned char c) {
        if (c < 0x20) {
          to += ' ';
        } else {
          AppendPercentByte(to, c);
        }
      });
}

// Appends "  name = {value},\n" with the value `append(out)` writes, or
// nothing when it writes none.
template <typename Append>
void AppendField(std::string& out, std::string_view name, Append append) {
  const size_t start = out.size();
  out += "  ";
  out += name;
  out += " = {";
  const size_t value = out.size();
  append(out);
  if (out.size() == value) {
    out.resize(start);
    return;
  }
  out += "},\n";
}

class BibtexSink : public PreparingSink {
 public:
  BibtexSink(ByteSink& out, ExportContext context)
      : out_(out), context_(std::move(context)), keys_(context_.keys) {}

  Status Begin() override {
    if (context_.root.empty()) return Status::Ok();
    return out_.Write("@comment{pdfindex: the file paths below are relative to " +
                      FilePath(FileNameText(context_.root)) + "}\n\n");
  }

  std::unique_ptr<IssuePart> Prepare(const IssueRecord& issue,
                                     IssueScratch& scratch) const override {
    // Room for about what a described PDF takes, so that it seldom grows.
    std::unique_ptr<KeyedPart> part = keys_.NewPart(issue, scratch, 256);
    const std::shared_ptr<const IssueTexts> texts = TextsOf(issue, scratch);
    std::string& out = part->bytes;
    std::string decoded;
    const auto latex = [&decoded](std::string_view bytes) {
      return [&decoded, bytes](std::string& to) {
        AppendLatexEscaped(to, PageTextIn(bytes, &decoded));
      };
    };
    const auto verbatim = [&decoded](std::string_view bytes) {
      return
          [&decoded, bytes](std::string& to) { AppendVerbatim(to, PageTextIn(bytes, &decoded)); };
    };
    for (size_t k = 0; k < issue.pdfs.size(); ++k) {
      const PdfRecord& pdf = issue.pdfs[k];
      const ArticleFields& fields = pdf.article.fields;
      out += fields.empty() ? "@misc{" : "@article{";
      part->AppendKey(k);
      out += ",\n";
      AppendField(out, "author", [&](std::string& to) {
        for (size_t a = 0; a < texts->names[k].size(); ++a) {
          if (a > 0) to += " and ";
          AppendName(to, texts->names[k][a]);
        }
      });
      AppendField(out, "title", [&](std::string& to) { AppendLatexEscaped(to, texts->titles[k]); });
      AppendField(out, "journal", latex(fields.container));
      AppendField(out, "volume", latex(fields.volume));
      AppendField(out, "number", latex(fields.issue));
      AppendField(out, "year", latex(fields.year));
      AppendField(out, "pages", [&](std::string& to) {
        AppendLatexEscaped(to, PageTextIn(fields.first_page, &decoded));
        if (!fields.last_page.empty()) {
          to += "--";
          AppendLatexEscaped(to, PageTextIn(fields.last_page, &decoded));
        }
      });
      AppendField(out, "doi", verbatim(fields.doi));
      AppendField(out, "url", verbatim(fields.url));
      AppendField(out, "abstract", latex(fields.abstract));
      AppendField(out, "file", [&](std::string& to) {
        to += ':';
        AppendFilePath(to, texts->paths[k]);
        to += ":PDF";
      });
      out += "}\n\n";
    }
    return part;
  }

  Status IssuePrepared(const IssueRecord& /*issue*/, IssuePart& part) override {
    const auto& keyed = static_cast<const KeyedPart&>(part);
    return WriteKeyed(out_, keyed, keys_.KeysOf(*keyed.base_keys));
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
