// The step between the readers and the outputs that may add to each issue
// folder's record (--metadata).
#ifndef PDFINDEX_METADATA_ENRICHER_H_
#define PDFINDEX_METADATA_ENRICHER_H_

#include <functional>
#include <memory>
#include <string>

#include "core/record.h"

namespace pdfindex {

/// A step between the readers and the outputs (--metadata): it may add to
/// each issue folder's record before any output sees it.
class IssueEnricher {
 public:
  virtual ~IssueEnricher() = default;
  /// The part of the work on `issue` (as its readers left it) and its
  /// `pages` that needs nothing else; it may run on an indexing thread, for
  /// several folders at once. What it gives is handed to Enrich.
  virtual std::shared_ptr<void> Prepare(const IssueRecord& /*issue*/, const IssuePages& /*pages*/) {
    return nullptr;
  }
  /// Adds to `issue`, whose contents pages are `pages`, in walk order;
  /// `refind` asks the folder's article finder again for a PDF under another
  /// base name; `prepared` is what Prepare gave for the folder.
  virtual void Enrich(IssueRecord& issue, const IssuePages& pages,
                      const std::function<ArticleRecord(const std::string& base)>& refind,
                      const std::shared_ptr<void>& prepared) = 0;
};

}  // namespace pdfindex

#endif  // PDFINDEX_METADATA_ENRICHER_H_
