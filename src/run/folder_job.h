// One issue folder on its way through the run: what its stages find, and
// the stages that read the archive (listing, indexing) and tell of it.
#ifndef PDFINDEX_RUN_FOLDER_JOB_H_
#define PDFINDEX_RUN_FOLDER_JOB_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/record.h"
#include "core/status.h"
#include "metadata/enricher.h"
#include "platform/disk.h"
#include "run/observer.h"
#include "run/pipeline.h"
#include "text/page.h"

namespace pdfindex {

/// One folder the run takes: issue folder P/I, or (--all-pdfs) a loose
/// folder of PDFs outside issue folders.
struct ListedFolder {
  std::string publisher;
  std::string issue;
  bool loose = false;
  /// For a loose folder, its path ("" for the root, else ending in "/").
  std::string folder;
};

/// The archive's issue folders in walk order, and the PDFs that lie where
/// no issue folder holds them.
struct ArchiveListing {
  /// The folders the run takes, in walk order.
  std::vector<ListedFolder> issues;
  /// How many of them are issue folders.
  size_t issue_folders = 0;
  /// PDFs in the root or directly in a publisher folder, in walk order.
  std::vector<std::string> pdfs_outside;
};

/// Lists the root and each publisher folder once; a folder that cannot be
/// listed lists as empty, and `observer` is told. With `all_pdfs` the loose
/// folders come among the issue folders in walk order (those below an issue
/// folder are found by listing it and what lies below it).
ArchiveListing ListArchive(Disk& disk, RunObserver& observer, bool all_pdfs = false);

/// What indexing a folder needs of the run.
struct IndexSetup {
  Disk* disk = nullptr;
  /// HtmlData.htm's bytes, which each folder streams as its readers go;
  /// nullptr when no index is written.
  OrderedBytes* index = nullptr;
  std::string_view href_root;
  /// Some output reads the articles' fields (else the finders make only
  /// the classic descriptions).
  bool want_fields = false;
  /// The pages stay for a later stage (the metadata step asks the finder
  /// again).
  bool keep_pages = false;
  /// Some output besides HtmlData.htm reads the titles and descriptions
  /// (else they are given back as soon as they are written).
  bool keep_classic = false;
};

/// One issue folder between the stages.
struct FolderJob {
  IssueRecord record;
  /// The failure that ends the run at this folder's turn.
  Status error;
  /// Why the folder could not be listed (it then lists as empty).
  Status unlisted;
  /// The folder's pages, where a later stage reads them.
  std::unique_ptr<PageSet> pages;
  IssuePages order;
  /// The pages have their titles; so many PDFs are described.
  bool titled = false;
  size_t described = 0;
  /// PDFs in the folders below, which the index does not take.
  std::vector<std::string> pdfs_below;
  PreparedMetadata metadata;
  /// Each output's part, as it rendered it.
  std::vector<std::string> parts;
};

/// Indexes `listed`, folder `folder` in walk order, into `job`: reads its
/// pages once, has the readers describe its pages and PDFs, and streams its
/// part of HtmlData.htm (a loose folder has none). A failure is kept in
/// job.error.
void IndexFolder(const IndexSetup& setup, const ListedFolder& listed, size_t folder,
                 FolderJob& job);

/// Tells `observer` what indexing found, in the order it was found, and
/// waits on `console` for a page the user must see to; returns job.error.
/// Nothing is told of a loose folder.
Status TellFolder(const FolderJob& job, RunObserver& observer, Console& console);

}  // namespace pdfindex

#endif  // PDFINDEX_RUN_FOLDER_JOB_H_
