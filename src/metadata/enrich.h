// The metadata step of a run with --metadata: for each issue folder, after
// the layout reader described its PDFs, fill the fields it left empty from
// the saved pages' tags and from the PDFs themselves, and record each
// field's source. The classic descriptions never change.
#ifndef PDFINDEX_METADATA_ENRICH_H_
#define PDFINDEX_METADATA_ENRICH_H_

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/disk.h"
#include "core/record.h"
#include "metadata/enricher.h"
#include "metadata/cache.h"
#include "metadata/pdf_facts.h"
#include "metadata/pdf_workers.h"

namespace pdfindex {

/// Where the metadata step finds the PDFs.
class PdfSource {
 public:
  virtual ~PdfSource() = default;
  /// The size and modification time of the PDF at `path`; false when it
  /// cannot be looked at.
  virtual bool Stamp(const std::string& path, PdfStamp* stamp) = 0;
  /// The stamps of the PDFs `files` of `folder` (a path ending in '/'), in
  /// order, into `stamps`; per file whether it could be looked at. By
  /// default one Stamp per file.
  virtual std::vector<bool> StampFolder(const std::string& folder,
                                        const std::vector<std::string>& files,
                                        std::vector<PdfStamp>* stamps);
  /// The facts of the PDFs at `paths`, in order.
  virtual std::vector<PdfFacts> Read(const std::vector<std::string>& paths) = 0;
  /// Read, calling `on_read` with each PDF's facts as soon as they are
  /// final (by default all at the end).
  virtual std::vector<PdfFacts> ReadEach(const std::vector<std::string>& paths,
                                         const PdfWorkers::OnRead& on_read);
};

/// The size and modification time of the regular file at `path`.
bool StampFile(const std::string& path, PdfStamp* stamp);

/// StampFile for each of `files` in `folder`, looked up from the folder
/// once rather than by whole path per file (a warm --metadata run does
/// little else per PDF).
std::vector<bool> StampFiles(const std::string& folder, const std::vector<std::string>& files,
                             std::vector<PdfStamp>* stamps);

/// The real PDFs, relative to the current folder, read by worker processes
/// with the parser `load` gives when the first PDF is to be read: a run
/// that finds every PDF in the cache never loads the parser (and its
/// libraries). When `load` gives none, no PDF is read. The workers' helper
/// process starts with the source: make it before the run grows.
class WorkerPdfSource : public PdfSource {
 public:
  WorkerPdfSource(const PdfParserLoader& load, const WorkerLimits& limits)
      : workers_(load, limits) {}
  bool Stamp(const std::string& path, PdfStamp* stamp) override { return StampFile(path, stamp); }
  std::vector<bool> StampFolder(const std::string& folder, const std::vector<std::string>& files,
                                std::vector<PdfStamp>* stamps) override {
    return StampFiles(folder, files, stamps);
  }
  std::vector<PdfFacts> Read(const std::vector<std::string>& paths) override {
    return workers_.ReadAll(paths);
  }
  std::vector<PdfFacts> ReadEach(const std::vector<std::string>& paths,
                                 const PdfWorkers::OnRead& on_read) override {
    return workers_.ReadAll(paths, on_read);
  }

 private:
  PdfWorkers workers_;
};

/// The text of `page` (its lines joined by line feeds), as the tag readers
/// read it.
std::string PageBytes(const Page& page);

/// The link targets' last segments of `page_text`, as written.
std::vector<std::string> LinkSegments(std::string_view page_text);
/// The same, each given to `each` as it is found.
void ForEachLinkSegment(std::string_view page_text,
                        const std::function<void(std::string_view)>& each);

/// `base` without a browser's duplicate suffix (" (1)", "(2)") at its end.
std::string WithoutDuplicateSuffix(std::string_view base);

/// The metadata step of one run.
class MetadataStep : public IssueEnricher {
 public:
  /// `pdfs` may be null: then only the saved pages' tags are read. `cache`
  /// may be null: then every PDF is read.
  MetadataStep(PdfSource* pdfs, MetadataCache* cache) : pdfs_(pdfs), cache_(cache) {}

  /// Called with the path of each PDF read (not taken from the cache).
  std::function<void(const std::string& path)> on_pdf_read;
  /// Saves the cache as it is (MetadataCache::Checkpoint), called while
  /// PDFs are read: every kCheckpointPdfs PDFs or kCheckpointMs of reading,
  /// but never in more than a tenth of the time, so that an interrupted run
  /// loses at most the last few seconds of its reading.
  std::function<void()> checkpoint;
  static constexpr int kCheckpointPdfs = 200;
  static constexpr long long kCheckpointMs = 3000;

  /// Fills the empty fields of every PDF of `issue` whose folder's pages are
  /// `pages`; `refind` (may be empty) gives PDFs the layout reader did not
  /// find a second chance. Without `pages.want_fields` (no output reads the
  /// fields) it fills none, and only reads the PDFs the cache does not know
  /// and notes the failures.
  void Enrich(IssueRecord& issue, const IssuePages& pages, const Refinder& refind);

  /// The pages' tags and links, and each PDF's stamp and cached facts; safe
  /// to call for several folders at once (the PDF source's Stamp and the
  /// cache must be too).
  void Prepare(const IssueRecord& issue, const IssuePages& pages,
               PreparedMetadata& prepared) override;
  /// Reads the PDFs Prepare found no facts for, then fills the fields.
  void Finish(IssueRecord& issue, const IssuePages& pages, const Refinder& refind,
              PreparedMetadata& prepared) override;

  /// The PDFs that gave no metadata because reading them failed, with why
  /// ("P/I/x.pdf", "crashed the reader"), in the order met.
  const std::vector<std::pair<std::string, std::string>>& failures() const { return failures_; }
  /// Number of PDFs read by the parser (not taken from the cache).
  int pdfs_read() const { return pdfs_read_; }
  /// Per field, per source: how many PDFs got the field from it.
  const std::map<Field, std::map<FieldSource, int>>& field_sources() const {
    return field_sources_;
  }

 private:
  void SecondChance(PdfRecord& pdf, const std::vector<std::string>& links, const Refinder& refind);

  /// Calls `checkpoint` when it is due.
  void MaybeCheckpoint();

  PdfSource* pdfs_;
  MetadataCache* cache_;
  int read_since_checkpoint_ = 0;
  long long last_checkpoint_ms_ = -1;  ///< on the monotonic clock, -1 before the first read
  long long checkpoint_cost_ms_ = 0;
  std::vector<std::pair<std::string, std::string>> failures_;
  int pdfs_read_ = 0;
  std::map<Field, std::map<FieldSource, int>> field_sources_;
};

/// What --report adds for a run with --metadata: the count of PDFs read, per
/// field how many PDFs got it from which source, and each PDF whose own
/// metadata could not be read, with why.
std::string MetadataReportText(const MetadataStep& step);

/// Fills the empty fields of `to` from `from`, naming `source` in `sources`
/// for each field filled.
void FillFields(const ArticleFields& from, FieldSource source, ArticleFields* to,
                std::map<Field, FieldSource>* sources);

}  // namespace pdfindex

#endif  // PDFINDEX_METADATA_ENRICH_H_
