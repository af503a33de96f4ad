// Likely duplicates among an archive's PDFs, named for the user and marked
// in the records; nothing is moved or deleted. By name within a folder:
// PDFs whose names differ only in case (the listing takes one of them) and
// a browser's copies ("x (1).pdf") beside their original; with --metadata,
// across the archive: PDFs with the same content or the same DOI.
#ifndef PDFINDEX_RUN_DUPLICATES_H_
#define PDFINDEX_RUN_DUPLICATES_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/record.h"
#include "metadata/enricher.h"
#include "platform/disk.h"
#include "run/observer.h"

namespace pdfindex {

/// The reason a PDF is taken for a duplicate in words: "a browser's copy",
/// "name differs only in case", "same content", "same DOI" ("" for kNone).
std::string_view DuplicateReason(DuplicateWhy why);

/// Notes in `record` what the listing `entries` of its folder shows: each
/// PDF left out for a name that differs only in case from one taken
/// (record->case_variants, by name), and each PDF that is a browser's copy
/// ("x (1).pdf", "x(2).pdf") of a PDF of the same folder (duplicate_of).
/// record->pdfs holds the listing's PDFs as the name tree gives them:
/// ascending CompareNoCase order, one of each set that differ in case.
void MarkNameDuplicates(const std::vector<FolderEntry>& entries, IssueRecord* record);

/// Tells `observer` of each duplicate `record` notes, in order: the case
/// variants left out, then the PDFs marked.
void TellDuplicates(const IssueRecord& record, RunObserver& observer);

/// The report's line for the duplicate `path` of `of`, for `why`.
std::string DuplicateLine(std::string_view path, std::string_view of, DuplicateWhy why);

/// The metadata step with the duplicates across the archive found after
/// it: a PDF whose size and FileIdentityHash (first and last 64 KiB) are
/// those of an earlier PDF in walk order has the same content, one whose
/// DOI (without case) is an earlier one's the same DOI. Only PDFs that
/// share their size with another are read for the hash; the sizes are the
/// stamps `inner` prepares (none where it reads no PDF: then content is not
/// compared).
class DuplicateFinder : public IssueEnricher {
 public:
  /// `disk` reads the hashes.
  DuplicateFinder(IssueEnricher& inner, Disk& disk) : inner_(inner), disk_(disk) {}

  void Prepare(const IssueRecord& issue, const IssuePages& pages,
               PreparedMetadata& prepared) override {
    inner_.Prepare(issue, pages, prepared);
  }
  void Finish(IssueRecord& issue, const IssuePages& pages, const Refinder& refind,
              PreparedMetadata& prepared) override;

 private:
  /// FileIdentityHash of the PDF at `path`, read once; false when it
  /// cannot be read.
  bool IdentityOf(const std::string& path, uint64_t* hash);

  IssueEnricher& inner_;
  Disk& disk_;
  std::map<std::string, std::string> by_doi_;
  std::map<uint64_t, std::vector<std::string>> by_size_;
  std::map<std::string, std::pair<bool, uint64_t>> identities_;
};

}  // namespace pdfindex

#endif  // PDFINDEX_RUN_DUPLICATES_H_
