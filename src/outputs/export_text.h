// Text helpers shared by the exports: names and page bytes made valid
// UTF-8, author names split into family and given parts, and the citation
// keys BibTeX and CSL-JSON share.
#ifndef PDFINDEX_OUTPUTS_EXPORT_TEXT_H_
#define PDFINDEX_OUTPUTS_EXPORT_TEXT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/large_buffer.h"
#include "text/escape.h"
#include "text/plain_text.h"
#include "core/names.h"
#include "core/record.h"
#include "core/sink.h"
#include "outputs/export.h"

namespace pdfindex {

/// Page bytes as text: unchanged when they are valid UTF-8, else read as
/// windows-1252 (its five unassigned bytes as the C1 controls of Latin-1).
std::string PageText(std::string_view bytes);

/// PageText(bytes) without a copy: `bytes` themselves when they are valid
/// UTF-8, else their decoding, kept in `*decoded`.
std::string_view PageTextIn(std::string_view bytes, std::string* decoded);

/// PageTextIn(bytes, decoded), where `text` tells that `bytes` are valid
/// UTF-8 without a second look.
inline std::string_view FieldTextIn(bool text, std::string_view bytes, std::string* decoded) {
  return text ? bytes : PageTextIn(bytes, decoded);
}

/// True when every field of `fields` is valid UTF-8.
bool FieldsAreText(const ArticleFields& fields);

/// FileNameText(bytes) without a copy, the same way.
std::string_view FileNameTextIn(std::string_view bytes, std::string* decoded);

/// The persons an entry's authors name, in order: each author text
/// (PageText) taken apart by ParsePersons, so that one text holding several
/// names gives each of them; their written texts are left empty. `text`:
/// the fields are valid UTF-8 (FieldsAreText).
std::vector<Person> PersonsOf(const ArticleFields& fields, bool text = false);

/// The path of a PDF relative to the archive root, as raw bytes.
inline std::string PdfPath(const IssueRecord& issue, const PdfRecord& pdf) {
  return issue.Folder() + pdf.file;
}

/// The same path as text, each name made text on its own by FileNameText.
std::string PdfPathText(const IssueRecord& issue, const PdfRecord& pdf);

/// `path` (names joined by "/") as text, each name made text on its own by
/// FileNameText.
std::string PathText(std::string_view path);

/// The title an export gives a PDF: the entry's title, else its base name
/// as text (FileNameTextIn, kept in `*decoded` where it had to be decoded).
std::string_view TitleIn(const PdfRecord& pdf, std::string* decoded);

/// What the exports write alike of one issue folder's PDFs, made once per
/// folder for all of them.
struct IssueTexts {
  /// The folder's path as text: FileNameText of each name, "/" after each.
  std::string folder;
  /// The folder's path as raw bytes (IssueRecord::Folder).
  std::string raw_folder;
  /// Per PDF, in order: PdfPathText and TitleIn, the title as a view of the
  /// entry's title, of the base name, or of the base name made text in
  /// `decoded_titles`.
  std::vector<std::string> paths;
  /// Per PDF: true when every field of its entry is valid UTF-8, which
  /// PageTextIn gives as it is (see FieldTextIn).
  std::vector<bool> text_fields;
  std::vector<std::string_view> titles;
  std::vector<std::string> decoded_titles;
  /// Per PDF, its authors: PersonsOf its fields.
  std::vector<std::vector<Person>> names;
  /// The bytes of the PDFs' paths, base names, keys and entry fields, about
  /// what their entries take in an export beside what the export writes of
  /// its own, so that a sink makes room for the folder at once however
  /// long the entries are.
  size_t entry_bytes = 0;
};

/// The texts of `issue`; without `entries`, only the folder and the paths.
IssueTexts TextsOf(const IssueRecord& issue, bool entries = true);
/// The same, made once for all the sinks rendering `issue` with `share`.
const IssueTexts& TextsOf(const IssueRecord& issue, FolderShare& share, bool entries = true);

/// A PDF's citation key before it is made unique: the first author's family
/// name, the year and the first significant word of the title, folded to
/// lower-case ASCII letters and digits ("pdf" when all are empty).
std::string BaseKey(const PdfRecord& pdf);

/// Makes the citation keys of one archive: each base key, then "a", "b",
/// ... after it when the key was given before. Keys depend only on the PDFs
/// given so far, in walk order, so the same archive always gets the same
/// keys.
class KeyMaker {
 public:
  /// The key for `pdf`, unique among all keys this maker has made.
  std::string Next(const PdfRecord& pdf) { return Unique(BaseKey(pdf)); }
  /// `base` made unique among all keys this maker has made.
  std::string Unique(std::string base);
  /// Takes `key` as made already, so that Unique never gives it.
  void Reserve(std::string_view key) { used_.Insert(key); }
  /// Makes room for `count` keys in all, given or reserved, without
  /// growing.
  void Expect(size_t count) { used_.Expect(count); }

 private:
  /// The keys made so far, asked once per PDF in walk order: open
  /// addressing on each key's hash, the keys' bytes kept one after another.
  class KeySet {
   public:
    /// Adds `key` (never empty); false when it was there already.
    bool Insert(std::string_view key);
    /// Makes room for `count` keys in all.
    void Expect(size_t count);

   private:
    struct Slot {
      uint64_t hash = 0;
      uint32_t at = 0;
      uint32_t size = 0;  ///< 0: the slot is empty
    };
    void Grow(size_t slots);
    std::vector<Slot, LargeAllocator<Slot>> slots_;
    LargeString bytes_;
    size_t count_ = 0;
  };

  KeySet used_;
  /// Per clashing key, the suffix to try next.
  std::unordered_map<std::string, size_t> next_suffix_;
};

/// An export of one entry per PDF, each under the PDF's citation key.
class ExportSink : public CatalogueSink {
 public:
  ExportSink(ByteSink& out, ExportContext context)
      : CatalogueSink(out), context_(std::move(context)) {}
  bool reads_keys() const override { return true; }

 protected:
  const ExportContext context_;
};

/// `text` folded to lower-case ASCII letters and digits: accented Latin
/// letters lose their marks, everything else goes.
std::string FoldAscii(std::string_view text);
/// Appends FoldAscii(text) to `out`.
void AppendFolded(std::string& out, std::string_view text);

}  // namespace pdfindex

#endif  // PDFINDEX_OUTPUTS_EXPORT_TEXT_H_
