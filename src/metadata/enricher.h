// The step between the readers and the outputs (--metadata): it may add to
// each issue folder's record before any output sees it, in two halves: one
// that needs no other folder and one taken in walk order.
#ifndef PDFINDEX_METADATA_ENRICHER_H_
#define PDFINDEX_METADATA_ENRICHER_H_

#include <functional>
#include <string>
#include <vector>

#include "core/record.h"
#include "metadata/cache.h"
#include "metadata/page_meta.h"
#include "metadata/pdf_facts.h"

namespace pdfindex {

/// Asks the folder's layout reader again for the PDF, under base name
/// `base` (a spelling of it that a contents page links to).
using Refinder = std::function<ArticleRecord(const std::string& base)>;

/// What the metadata step finds of a folder before its turn: the pages'
/// tags and links, and per PDF its stamp and its facts when the cache holds
/// them.
struct PreparedMetadata {
  std::vector<PageMeta> metas;
  std::vector<std::string> links;
  std::vector<PdfStamp> stamps;
  /// Per PDF what became of reading it, and (only where fields are wanted)
  /// its facts.
  std::vector<PdfOutcome> outcomes;
  std::vector<PdfFacts> facts;
  /// Per PDF: whether outcomes[k] and facts[k] are what the PDF gives (from
  /// the cache, or missing); the others are read in the folder's turn.
  std::vector<bool> known;
};

/// Adds to each issue folder's record after its readers.
class IssueEnricher {
 public:
  virtual ~IssueEnricher() = default;
  /// The part of the work on `issue` (as its readers left it) and its
  /// `pages` that needs no other folder, into `prepared`; runs for several
  /// folders at once.
  virtual void Prepare(const IssueRecord& issue, const IssuePages& pages,
                       PreparedMetadata& prepared) = 0;
  /// Adds to `issue`, whose contents pages are `pages`, folders in walk
  /// order; `refind` asks the folder's article finder again for a PDF under
  /// another base name; `prepared` is what Prepare made of the folder.
  virtual void Finish(IssueRecord& issue, const IssuePages& pages, const Refinder& refind,
                      PreparedMetadata& prepared) = 0;
};

}  // namespace pdfindex

#endif  // PDFINDEX_METADATA_ENRICHER_H_
