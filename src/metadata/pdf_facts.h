// What a PDF says about itself, as a worker process reads it, and the rules
// that decide which of it is worth believing.
#ifndef PDFINDEX_METADATA_PDF_FACTS_H_
#define PDFINDEX_METADATA_PDF_FACTS_H_

#include <string>
#include <string_view>

#include "core/record.h"
#include "text/tokens.h"

namespace pdfindex {

/// What became of reading one PDF.
enum class PdfOutcome {
  kRead,         ///< opened and read
  kEmpty,        ///< a file of zero bytes
  kNotPdf,       ///< does not start like a PDF
  kDamaged,      ///< starts like a PDF, but the parser could not open it
  kEncrypted,    ///< needs a password
  kCrashed,      ///< the worker reading it died
  kTimedOut,     ///< the worker took longer than the time limit
  kOutOfMemory,  ///< the worker reached its memory limit
  kMissing,      ///< could not be opened at all
};

/// The words --report uses for `outcome` ("crashed", "not a PDF", ...).
std::string_view OutcomeName(PdfOutcome outcome);

/// The metadata of one PDF, UTF-8, as found; nothing filtered yet.
struct PdfFacts {
  PdfOutcome outcome = PdfOutcome::kRead;
  /// Document information entries.
  std::string title, author, subject, keywords, producer, creator, info_doi;
  /// The fields of the XMP packet.
  ArticleFields xmp;
  /// The DOI printed on the first page (or the second, when the first has
  /// none) that is the article's own; "" when none.
  std::string text_doi;
  /// What the article's first page shows (after a publisher's cover
  /// page): title, authors, abstract, journal, volume, issue, year, pages.
  ArticleFields page;
  /// Whether the first page has text at all, and whether the words of the
  /// document information's and the XMP's titles stand on it.
  bool page_text = false, info_title_on_page = false, xmp_title_on_page = false;
};

/// `facts` as bytes that ParseFacts reads back (the worker's reply and the
/// cache's entry).
std::string SerializeFacts(const PdfFacts& facts);

/// Reads what SerializeFacts wrote from the front of `*bytes` and removes
/// it; false when the bytes are not a complete, well-formed entry.
bool ParseFacts(std::string_view* bytes, PdfFacts* facts);

/// The outcome in `bytes`, which SerializeFacts wrote, read from their start
/// alone; false when they do not start that way.
bool FactsOutcome(std::string_view bytes, PdfOutcome* outcome);

/// True when `title` can be the article's title: not empty, not a file name
/// or path, not "untitled", not a word processor's "Microsoft Word - x.doc",
/// not the producer's or creator's name, not the PDF's own base name.
bool PlausibleTitle(std::string_view title, std::string_view base, const PdfFacts& facts);

/// The authors in a document information Author entry: split at ";" (or at
/// " and " when there is no ";"); none when the entry is the producer's or
/// creator's name or the base name.
std::vector<std::string> InfoAuthors(const PdfFacts& facts, std::string_view base);

}  // namespace pdfindex

#endif  // PDFINDEX_METADATA_PDF_FACTS_H_
