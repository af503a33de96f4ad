// One BibTeX entry per PDF: @article with the entry's fields when a page
// described it, @misc with the base name as title otherwise, and the PDF
// attached as reference managers import it (file = {:PATH:PDF}).
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/names.h"
#include "text/escape.h"
#include "text/plain_text.h"
#include "outputs/export.h"
#include "outputs/export_text.h"

namespace pdfindex {

namespace {

using namespace std::string_view_literals;

// True when `word` stands in `text` as a word of its own, between blanks
// or at either end.
bool HasWord(std::string_view text, std::string_view word) {
  for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
    const size_t end = at + word.size();
    if ((at == 0 || text[at - 1] == ' ') && (end == text.size() || text[end] == ' ')) return true;
  }
  return false;
}

// Appends a name part, in braces when BibTeX would split or reorder it: it
// holds the word "and" or a comma.
void AppendNamePart(std::string& out, std::string_view part) {
  // Without a blank, the part holds "and" as a word only when it is one.
  const bool spaced = part.find(' ') != std::string_view::npos;
  const bool braced =
      part.find(',') != std::string_view::npos ||
      (spaced ? HasWord(part, "and") || HasWord(part, "AND") : part == "and" || part == "AND");
  if (braced) out += '{';
  AppendLatexEscaped(out, part);
  if (braced) out += '}';
}

// True when `particle` starts in lower case, as BibTeX takes a "von" part.
bool IsLowerParticle(std::string_view particle) {
  return !particle.empty() && particle[0] >= 'a' && particle[0] <= 'z';
}

// Appends "von Last, Jr, First" as BibTeX reads it. A capitalised particle
// ("Van der") goes in braces with the family name, which BibTeX would
// otherwise take for given names.
void AppendName(std::string& out, const Person& person) {
  if (person.particle.empty()) {
    AppendNamePart(out, person.family);
  } else if (IsLowerParticle(person.particle)) {
    AppendLatexEscaped(out, person.particle);
    out += ' ';
    AppendNamePart(out, person.family);
  } else {
    out += '{';
    AppendLatexEscaped(out, FullFamily(person));
    out += '}';
  }
  if (!person.suffix.empty()) {
    out += ", "sv;
    AppendNamePart(out, person.suffix);
  }
  if (!person.given.empty() || !person.suffix.empty()) {
    out += ", "sv;
    // A given name that starts with a character left as UTF-8 (Cyrillic,
    // CJK) has it braced as one special character, so that styles that
    // abbreviate given names take all its bytes, never the first alone.
    const size_t from = out.size();
    AppendNamePart(out, person.given);
    if (std::none_of(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0xC0; })) {
      return;
    }
    const std::string given = out.substr(from);
    out.resize(from);
    for (size_t i = 0; i < given.size();) {
      const bool word_start = i == 0 || given[i - 1] == ' ' || given[i - 1] == '-';
      if (!word_start || static_cast<unsigned char>(given[i]) < 0xC0) {
        out += given[i++];
        continue;
      }
      size_t end = i + 1;
      while (end < given.size() && (static_cast<unsigned char>(given[end]) & 0xC0) == 0x80) ++end;
      out += "{\\relax "sv;
      out.append(given, i, end - i);
      out += '}';
      i = end;
    }
  }
}

// True when the UTF-8 character at word[i] is a capital letter (Latin,
// Greek, Cyrillic).
bool CapitalAt(std::string_view word, size_t i) {
  const auto b = static_cast<unsigned char>(word[i]);
  if (b < 0x80) return b >= 'A' && b <= 'Z';
  if (i + 1 >= word.size()) return false;
  const uint32_t cp = ((b & 0x1F) << 6) | (static_cast<unsigned char>(word[i + 1]) & 0x3F);
  if (b >= 0xC0 && b < 0xE0) return IsCapitalLetter(cp);
  return false;
}

bool StartsCapital(std::string_view word) { return !word.empty() && CapitalAt(word, 0); }

// True for "DNA", "McDonald", "Si1-xGex", "pH", "3D": a capital after the
// word's first character, which styles that lower-case titles would lose.
bool HasInnerCapital(std::string_view word) {
  for (size_t i = 1; i < word.size(); ++i) {
    const auto b = static_cast<unsigned char>(word[i]);
    // ASCII, most bytes, told at once.
    if (b < 0x80) {
      if (b >= 'A' && b <= 'Z') return true;
      continue;
    }
    if ((b & 0xC0) == 0x80) continue;
    if (CapitalAt(word, i)) return true;
  }
  return false;
}

bool StartsLetter(std::string_view word) {
  if (word.empty()) return false;
  const auto b = static_cast<unsigned char>(word[0]);
  return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b >= 0xC0;
}

bool IsSmallWord(std::string_view word) {
  // Most words are none of these, and longer.
  if (word.size() > 4 || word.empty() || word[0] < 'a' || word[0] > 'w') return false;
  for (const std::string_view small : {"a", "an", "the", "of", "in", "on", "and", "or", "for",
                                       "to", "at", "by", "with", "from", "as"}) {
    if (word == small) return true;
  }
  return false;
}

// Appends a title with the capitals that must stay protected by braces:
// words with a capital inside them, and in a title written in sentence
// case the capitalised words after the first (proper names: "Homo").
void AppendTitle(std::string& out, std::string_view title) {
  static thread_local std::vector<std::string_view> words;
  // Per word, HasInnerCapital, asked twice.
  static thread_local std::vector<char> inner;
  words.clear();
  inner.clear();
  for (size_t at = 0; at < title.size();) {
    size_t end = title.find(' ', at);
    if (end == std::string_view::npos) end = title.size();
    words.push_back(title.substr(at, end - at));
    inner.push_back(HasInnerCapital(words.back()) ? 1 : 0);
    at = end + 1;
  }
  size_t capitalised = 0;
  size_t lower = 0;
  for (size_t w = 1; w < words.size(); ++w) {
    const std::string_view word = words[w];
    if (!StartsLetter(word) || IsSmallWord(word) || inner[w] != 0) continue;
    (StartsCapital(word) ? capitalised : lower) += 1;
  }
  const bool sentence_case = lower > 0 && lower >= capitalised;
  const auto small_letters = [](size_t w) {
    return w < words.size() && words[w][0] >= 'a' && words[w][0] <= 'z' && !IsSmallWord(words[w]);
  };
  // The words between protected ones go in by runs, escaped at once with
  // the blanks between them: a blank changes how no neighbour is escaped.
  const auto append_run = [&](size_t from, size_t to) {
    if (from == to) return;
    if (from > 0) out += ' ';
    const char* begin = words[from].data();
    const char* end = words[to - 1].data() + words[to - 1].size();
    AppendLatexEscaped(out, std::string_view(begin, static_cast<size_t>(end - begin)));
  };
  size_t from = 0;
  for (size_t w = 0; w < words.size(); ++w) {
    const std::string_view word = words[w];
    // In a title written in title case, a capitalised word before one in
    // small letters names a genus ("Thermus aquaticus").
    const bool protect = inner[w] != 0 ||
                         (w > 0 && StartsCapital(word) && (sentence_case || small_letters(w + 1)));
    if (!protect) continue;
    append_run(from, w);
    if (w > 0) out += ' ';
    out += '{';
    AppendLatexEscaped(out, word);
    out += '}';
    from = w + 1;
  }
  append_run(from, words.size());
}

// Appends a path for the file field: its own separators ":" and ";" and the
// backslash escaped, braces escaped so the field stays balanced.
void AppendFilePath(std::string& out, std::string_view path) {
  // The bytes that go in as they are, one look-up a byte.
  static constexpr std::array<bool, 256> kPlain = [] {
    std::array<bool, 256> plain{};
    for (size_t c = 0x20; c < 256; ++c) plain[c] = true;
    for (const char c : {'\\', ':', ';', '{', '}'}) plain[static_cast<unsigned char>(c)] = false;
    return plain;
  }();
  AppendByRuns(
      out, path, [](unsigned char c) { return kPlain[c]; },
      [](std::string& to, unsigned char c) {
        if (c < 0x20) {
          to += ' ';
        } else {
          to += '\\';
          to += static_cast<char>(c);
        }
      });
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
// nothing when it writes none; `head` is "  name = {" (one append rather
// than three).
template <typename Append>
void AppendField(std::string& out, std::string_view head, Append append) {
  const size_t start = out.size();
  out += head;
  const size_t value = out.size();
  append(out);
  if (out.size() == value) {
    out.resize(start);
    return;
  }
  out += "},\n"sv;
}

// True when `root` can stand in the file-directory comment for every
// reader: UTF-8 text without "@" (BibTeX would start an entry there),
// braces or control bytes.
bool CommentSafe(std::string_view root) {
  if (!IsValidUtf8(root)) return false;
  for (const char c : root) {
    if (c == '@' || c == '{' || c == '}' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

// True when `path` can be written as text in the file field: UTF-8
// without braces (which no escape keeps balanced) or control bytes.
bool FileFieldSafe(std::string_view path) {
  // The bytes that keep a path out, one look-up a byte.
  static constexpr std::array<bool, 256> kUnsafe = [] {
    std::array<bool, 256> unsafe{};
    for (size_t c = 0; c < 0x20; ++c) unsafe[c] = true;
    unsafe['{'] = unsafe['}'] = true;
    return unsafe;
  }();
  if (!IsValidUtf8(path)) return false;
  for (const char c : path) {
    if (kUnsafe[static_cast<unsigned char>(c)]) return false;
  }
  return true;
}

class BibtexSink : public ExportSink {
 public:
  BibtexSink(ByteSink& out, ExportContext context)
      : ExportSink(out, std::move(context)),
        comment_(!context_.archive.empty() && CommentSafe(context_.archive)),
        // Paths relative to the root where the file lies in it (or on
        // standard output) and the comment names the root for JabRef.
        relative_(context_.root.empty() && comment_),
        archive_safe_(FileFieldSafe(context_.archive)) {
    AppendFilePath(archive_path_, context_.archive);
  }

  // The file directory as JabRef reads it, which bibtool, bibclean, BibTeX
  // and biber take for a comment.
  Status Begin() override {
    if (!comment_) return Status::Ok();
    std::string comment = "@Comment{jabref-meta: fileDirectory:";
    AppendByRuns(
        comment, context_.archive, [](unsigned char c) { return c != '\\' && c != ';'; },
        [](std::string& to, unsigned char c) {
          to += '\\';
          to += static_cast<char>(c);
        });
    comment += ";}\n\n";
    return out_.Write(comment);
  }

  void Render(const IssueRecord& issue, FolderShare& share, std::string& out) const override {
    const IssueTexts& texts = TextsOf(issue, share);
    // Room for about what the folder's entries take, so that it seldom
    // grows: field names and the archive's path in each file field.
    out.reserve(out.size() + texts.entry_bytes +
                issue.pdfs.size() * (128 + archive_path_.size()));
    std::string decoded;
    std::string raw;
    // The PDF's fields are all valid UTF-8 (FieldsAreText).
    bool text = false;
    const auto latex = [&decoded, &text](std::string_view bytes) {
      return [&decoded, &text, bytes](std::string& to) {
        AppendLatexEscaped(to, FieldTextIn(text, bytes, &decoded));
      };
    };
    const auto verbatim = [&decoded, &text](std::string_view bytes) {
      return [&decoded, &text, bytes](std::string& to) {
        AppendVerbatim(to, FieldTextIn(text, bytes, &decoded));
      };
    };
    for (size_t k = 0; k < issue.pdfs.size(); ++k) {
      const PdfRecord& pdf = issue.pdfs[k];
      text = texts.text_fields[k];
      const ArticleFields& fields = pdf.article.fields;
      out += fields.empty() ? "@misc{"sv : "@article{"sv;
      out += pdf.citation_key;
      out += ",\n"sv;
      AppendField(out, "  author = {", [&](std::string& to) {
        for (size_t a = 0; a < texts.names[k].size(); ++a) {
          if (a > 0) to += " and "sv;
          AppendName(to, texts.names[k][a]);
        }
      });
      AppendField(out, "  title = {", [&](std::string& to) { AppendTitle(to, texts.titles[k]); });
      // What styles sort and label an entry without authors by, so that
      // bibtex warns of no missing field but one that is.
      if (texts.names[k].empty()) {
        AppendField(out, "  key = {",
                    [&](std::string& to) { AppendLatexEscaped(to, texts.titles[k]); });
      }
      AppendField(out, "  journal = {", latex(fields.container));
      AppendField(out, "  volume = {", latex(fields.volume));
      AppendField(out, "  number = {", latex(fields.issue));
      // An article without a year is "n.d." (no date), as author-year
      // styles write it: biblatex's standard styles would print "()" in its
      // place, apalike and natbib's a bare "Smith, ".
      if (fields.year.empty() && !fields.empty()) {
        AppendField(out, "  year = {", [](std::string& to) { to += "n.d."sv; });
      } else {
        AppendField(out, "  year = {", latex(fields.year));
      }
      AppendField(out, "  pages = {", [&](std::string& to) {
        AppendLatexEscaped(to, FieldTextIn(text, fields.first_page, &decoded));
        if (!fields.last_page.empty()) {
          to += "--"sv;
          AppendLatexEscaped(to, FieldTextIn(text, fields.last_page, &decoded));
        }
      });
      AppendField(out, "  doi = {", verbatim(fields.doi));
      AppendField(out, "  url = {", verbatim(fields.url));
      AppendField(out, "  abstract = {", latex(fields.abstract));
      AppendField(out, "  file = {", [&](std::string& to) {
        to += ':';
        raw.assign(texts.raw_folder);
        raw += pdf.file;
        const bool raw_safe = FileFieldSafe(raw);
        if (relative_ && raw_safe) {
          AppendFilePath(to, texts.paths[k]);
        } else if (archive_safe_ && raw_safe) {
          to += archive_path_;
          AppendFilePath(to, texts.paths[k]);
        } else {
          // The exact bytes, as a URI that Zotero and JabRef both resolve.
          AppendFilePath(to, "file://");
          AppendPercentEncodedPath(to, context_.archive);
          AppendPercentEncodedPath(to, raw);
        }
        to += ":PDF"sv;
      });
      out += "}\n\n"sv;
    }
  }

 private:
  const bool comment_;
  const bool relative_;
  // FileFieldSafe(context_.archive), and the archive as AppendFilePath
  // writes it.
  const bool archive_safe_;
  std::string archive_path_;
};

}  // namespace

std::unique_ptr<CatalogueSink> MakeBibtexSink(ByteSink& out, const ExportContext& context) {
  return std::make_unique<BibtexSink>(out, context);
}

}  // namespace pdfindex
