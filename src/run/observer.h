// What a run tells as it walks the archive, for a report or a progress line.
#ifndef PDFINDEX_RUN_OBSERVER_H_
#define PDFINDEX_RUN_OBSERVER_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "core/record.h"
#include "core/status.h"

namespace pdfindex {

/// Watches a run as it walks the archive (for a report or a progress line);
/// it is told what the run does and has no say in what it writes. Paths are
/// relative to the archive root; a folder path ends in "/".
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  /// The archive holds `issue_folders` issue folders; called once, before
  /// the first folder starts.
  virtual void RunStarted(size_t /*issue_folders*/) {}
  /// The PDF at `path` lies in the root, directly in a publisher folder or in
  /// a folder below an issue folder, where the index does not look for PDFs;
  /// called after RunStarted (for those below an issue folder, after its
  /// own PDFs).
  virtual void PdfOutsideIssueFolder(const std::string& /*path*/) {}
  /// Issue folder `folder` starts; `publisher` is the keyword whose finder
  /// describes its PDFs, or "none".
  virtual void FolderStarted(const std::string& /*folder*/, std::string_view /*publisher*/) {}
  /// The contents page at `path` was read, or (`opened` false) could not be
  /// opened.
  virtual void PageLoaded(const std::string& /*path*/, bool /*opened*/) {}
  /// The PDF at `path` got its link; `described` when a page held its entry.
  virtual void PdfIndexed(const std::string& /*path*/, bool /*described*/) {}
  /// Folder `folder` ("" for the root) could not be listed, for `why`; it
  /// lists as empty.
  virtual void FolderUnlisted(const std::string& /*folder*/, const Status& /*why*/) {}
  /// Issue folder `folder` is written.
  virtual void FolderFinished(const std::string& /*folder*/) {}
  /// The PDF at `path` likely duplicates the one at `of`, for `why`; told
  /// in walk order as each folder is written.
  virtual void PdfDuplicate(const std::string& /*path*/, const std::string& /*of*/,
                            DuplicateWhy /*why*/) {}
};

}  // namespace pdfindex

#endif  // PDFINDEX_RUN_OBSERVER_H_
