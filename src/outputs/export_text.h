// Text helpers shared by the exports: names and page bytes made valid
// UTF-8, escaping for JSON, LaTeX and URLs, author names split into family
// and given parts, and the citation keys BibTeX and CSL-JSON share.
#ifndef PDFINDEX_OUTPUTS_EXPORT_TEXT_H_
#define PDFINDEX_OUTPUTS_EXPORT_TEXT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/disk.h"
#include "platform/large_buffer.h"
#include "text/plain_text.h"
#include "core/names.h"
#include "core/record.h"
#include "core/sink.h"
#include "outputs/export.h"
#include "outputs/keys_file.h"

namespace pdfindex {

/// Page bytes as text: unchanged when they are valid UTF-8, else read as
/// windows-1252 (its five unassigned bytes as the C1 controls of Latin-1).
std::string PageText(std::string_view bytes);

/// PageText(bytes) without a copy: `bytes` themselves when they are valid
/// UTF-8, else their decoding, kept in `*decoded`.
std::string_view PageTextIn(std::string_view bytes, std::string* decoded);

/// FileNameText(bytes) without a copy, the same way.
std::string_view FileNameTextIn(std::string_view bytes, std::string* decoded);

/// `text` as a JSON string literal, quotes included; `text` must be UTF-8.
std::string JsonString(std::string_view text);

/// Appends JsonString(text) to `out`.
void AppendJsonString(std::string& out, std::string_view text);
/// Appends JsonString(text) less its quotes: JSON strings of texts written
/// one after the other make the JSON string of the texts joined.
void AppendJsonEscaped(std::string& out, std::string_view text);

/// `path` percent-encoded so that, read as a relative URL, it names the
/// exact same bytes: every byte but ASCII letters, digits, "-._~" and "/"
/// becomes %XX.
std::string PercentEncodePath(std::string_view path);
/// Appends PercentEncodePath(path) to `out`.
void AppendPercentEncodedPath(std::string& out, std::string_view path);

/// UTF-8 `text` for a braced BibTeX field that pdflatex and biber both
/// read: LaTeX's special characters and the text's braces escaped (no brace
/// of the text stays a brace), letters with marks, Greek letters and
/// mathematical signs as LaTeX commands, everything else kept.
std::string LatexEscape(std::string_view text);
/// Appends LatexEscape(text) to `out`.
void AppendLatexEscaped(std::string& out, std::string_view text);

/// The persons an entry's authors name, in order: each author text
/// (PageText) taken apart by ParsePersons, so that one text holding several
/// names gives each of them.
std::vector<Person> PersonsOf(const ArticleFields& fields);

/// The path of a PDF relative to the archive root, as raw bytes.
inline std::string PdfPath(const IssueRecord& issue, const PdfRecord& pdf) {
  return issue.Folder() + pdf.file;
}

/// The same path as text, each name made text on its own by FileNameText.
std::string PdfPathText(const IssueRecord& issue, const PdfRecord& pdf);

/// `path` (names joined by "/") as text, each name made text on its own by
/// FileNameText.
std::string PathText(std::string_view path);

/// The title an export gives a PDF: the entry's title, else its base name.
std::string TitleOf(const PdfRecord& pdf);

/// What the exports write alike of one issue folder's PDFs, made once per
/// folder for all of them.
struct IssueTexts {
  /// The folder's path as text: FileNameText of each name, "/" after each.
  std::string folder;
  /// Per PDF, in order: PdfPathText and TitleOf.
  std::vector<std::string> paths;
  std::vector<std::string> titles;
  /// Per PDF, its authors: PersonsOf its fields.
  std::vector<std::vector<Person>> names;
};

/// The texts of `issue`, made by the first export that asks for them in
/// `scratch`.
std::shared_ptr<const IssueTexts> TextsOf(const IssueRecord& issue, IssueScratch& scratch);

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

 private:
  /// The keys made so far, asked once per PDF in walk order: open
  /// addressing on each key's hash, the keys' bytes kept one after another.
  class KeySet {
   public:
    /// Adds `key` (never empty); false when it was there already.
    bool Insert(std::string_view key);

   private:
    struct Slot {
      uint64_t hash = 0;
      uint32_t at = 0;
      uint32_t size = 0;  ///< 0: the slot is empty
    };
    void Grow();
    std::vector<Slot, LargeAllocator<Slot>> slots_;
    LargeString bytes_;
    size_t count_ = 0;
  };

  KeySet used_;
  /// Per clashing key, the suffix to try next.
  std::unordered_map<std::string, size_t> next_suffix_;
};

/// The base keys of one issue folder's PDFs, in order, and their paths.
struct BaseKeys {
  std::vector<std::string> keys;
  /// Each PDF's path relative to the archive root, as raw bytes.
  std::vector<std::string> paths;
};

/// The keys of a run's PDFs, made once for all the exports that need them
/// (BibTeX keys, CSL-JSON ids and RIS IDs are the same keys).
class KeyBook {
 public:
  /// Keeps the keys of the archive's keys file, read through `disk` (whose
  /// current folder is the archive root): a PDF there keeps its key, a PDF
  /// that is the same file as one gone from there takes that one's key,
  /// and a new PDF gets the next key of BaseKey's form that no PDF of the
  /// file holds. Without it keys are made afresh in walk order.
  void UseKeysFile(Disk& disk);
  /// True when some export reads keys from the book.
  bool joined() const { return !asked_.empty(); }
  /// Writes the keys given in this run to the keys file (see UseKeysFile).
  Status SaveKeysFile();

  /// A new reader of the book, to name in KeysOf.
  size_t Join() {
    asked_.push_back(0);
    return asked_.size() - 1;
  }
  /// The base keys of the PDFs of `issue`, made once per folder for every
  /// export of the book that prepares its part (any thread).
  std::shared_ptr<const BaseKeys> BaseKeysOf(const IssueRecord& issue, IssueScratch& scratch) const;
  /// The keys of the PDFs of the next issue, whose base keys are `base`, in
  /// order, for `reader`. Every reader is given the run's issues in the same
  /// order, each issue to all readers before the next: the first to ask for
  /// an issue makes its keys, the others get the same strings.
  const std::vector<std::string>& KeysOf(size_t reader, const BaseKeys& base);

 private:
  /// The key of the PDF at `path` whose base key is `base`, by the keys
  /// file's rules.
  std::string KeyFor(const std::string& path, const std::string& base);

  KeyMaker maker_;
  Disk* disk_ = nullptr;
  KeyStore store_;
  /// The entries of the keys file whose key a moved PDF has taken.
  std::unordered_map<const KeyEntry*, bool> claimed_;
  /// asked_[r]: how many issues reader r has asked for.
  std::vector<size_t> asked_;
  /// How many issues have keys; keys_ holds the last one's.
  size_t made_ = 0;
  std::vector<std::string> keys_;
};

struct KeyedPart;

/// One export's place in a key book: the run's shared book, or a book of
/// its own when it was given none (the keys are the same either way).
class KeyReader {
 public:
  explicit KeyReader(const std::shared_ptr<KeyBook>& shared)
      : book_(shared != nullptr ? shared : std::make_shared<KeyBook>()), reader_(book_->Join()) {}
  /// See KeyBook::BaseKeysOf.
  std::shared_ptr<const BaseKeys> BaseKeysOf(const IssueRecord& issue,
                                             IssueScratch& scratch) const {
    return book_->BaseKeysOf(issue, scratch);
  }
  /// See KeyBook::KeysOf.
  const std::vector<std::string>& KeysOf(const BaseKeys& base) {
    return book_->KeysOf(reader_, base);
  }
  /// A new part of `issue` for an export that writes its keys, with the
  /// base keys and room for about `bytes_per_pdf` bytes per PDF.
  std::unique_ptr<KeyedPart> NewPart(const IssueRecord& issue, IssueScratch& scratch,
                                     size_t bytes_per_pdf) const;

 private:
  std::shared_ptr<KeyBook> book_;
  size_t reader_;
};

/// An export's part of one issue folder whose bytes hold each PDF's base key
/// where its citation key goes.
struct KeyedPart : IssuePart {
  std::string bytes;
  std::shared_ptr<const BaseKeys> base_keys;
  /// Where each PDF's base key starts in `bytes`, in order.
  std::vector<size_t> key_at;
  /// Appends `base_keys[k]` to `bytes`, noting its place.
  void AppendKey(size_t k) {
    key_at.push_back(bytes.size());
    bytes += base_keys->keys[k];
  }
};

/// Writes `part` from its byte `skip` on (before its first key) to `out`,
/// with each base key replaced by its key in `keys`.
Status WriteKeyed(ByteSink& out, const KeyedPart& part, const std::vector<std::string>& keys,
                  size_t skip = 0);

/// An export of keyed entries: each folder's part is made with base keys on
/// the indexing threads and written in order with the run's keys put in.
class KeyedSink : public PreparingSink {
 public:
  KeyedSink(ByteSink& out, ExportContext context)
      : out_(out), context_(std::move(context)), keys_(context_.keys) {}

  Status IssuePrepared(const IssueRecord& /*issue*/, IssuePart& part) override {
    const auto& keyed = static_cast<const KeyedPart&>(part);
    return WriteKeyed(out_, keyed, keys_.KeysOf(*keyed.base_keys));
  }

  Status Finish() override { return Status::Ok(); }

 protected:
  ByteSink& out_;
  const ExportContext context_;
  KeyReader keys_;
};

/// `text` folded to lower-case ASCII letters and digits: accented Latin
/// letters lose their marks, everything else goes.
std::string FoldAscii(std::string_view text);
/// Appends FoldAscii(text) to `out`.
void AppendFolded(std::string& out, std::string_view text);

}  // namespace pdfindex

#endif  // PDFINDEX_OUTPUTS_EXPORT_TEXT_H_
