// The catalogue run: walks the archive and writes its index page.
#ifndef PDFINDEX_RUN_RUN_H_
#define PDFINDEX_RUN_RUN_H_

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/disk.h"
#include "core/sink.h"
#include "core/status.h"

namespace pdfindex {

/// The index page's file name in the archive root.
inline constexpr std::string_view kIndexName = "HtmlData.htm";
/// The fixed name earlier versions wrote the index to before it replaced
/// kIndexName; the real disk clears away a file left there.
inline constexpr std::string_view kIndexTempName = ".HtmlData.htm.tmp";

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
  /// The PDF at `path` likely duplicates the one at `of`, for `why` (see
  /// run/duplicates.h); told in walk order as each folder is written.
  virtual void PdfDuplicate(const std::string& /*path*/, const std::string& /*of*/,
                            std::string_view /*why*/) {}
};

/// The target that names standard output in an OutputRequest.
inline constexpr std::string_view kStandardOutput = "-";

/// One more output of the run besides HtmlData.htm.
struct OutputRequest {
  /// The path the output replaces (relative to the archive root, or as the
  /// disk takes it), or "-" for standard output.
  std::string target;
  /// Makes the sink that writes the output to the given bytes.
  std::function<std::unique_ptr<CatalogueSink>(ByteSink&)> make;
};

/// Where the run writes the classic index page.
struct IndexTarget {
  /// False: no index page is written (the other outputs still are).
  bool write = true;
  /// The path the page replaces (relative to the archive root, or as the
  /// disk takes it), or "-" for standard output.
  std::string target = std::string(kIndexName);
  /// What every link of the page starts with: "" in the root, else the way
  /// from the page's folder to the root, escaped for an href ("../a/").
  std::string href_root;
};

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

/// Writes the index of the archive on `disk` to HtmlData.htm in its root (or
/// where `index` says, or nowhere), and
/// each of `outputs` to its target. Every output is written to a pending file
/// (standard output and devices are held back the same way); only when every
/// sink has finished and every file is ready are the files put in place, then
/// the outputs written through (standard output, devices). So a failure
/// leaves every earlier output as it was and nothing behind, but for a
/// failure of an output written through (or a rename that fails once others
/// were done), after which `replaced`, when given, names the targets of the
/// files already put in place. Returns the failure that ended the run, or
/// success. `observer`, when given, is told of every folder, page
/// and PDF; the bytes written never depend on it. A ScienceDirect page that
/// cannot be opened makes the run write "eroare" on `console` and wait for
/// one line of its input. `enricher`, when given, sees every issue folder's
/// record after its readers and before the outputs. `jobs` threads index
/// issue folders at once, a few folders ahead of the one being written; the
/// outputs, the observer's events and the console are the same whatever
/// their number (`disk` must then take reads from several threads).
/// `all_pdfs` gives the outputs but HtmlData.htm, and the enricher, a loose
/// record for each folder of PDFs outside issue folders, in walk order (the
/// root's first, a publisher folder's before its issue folders, those below
/// an issue folder after it); the observer is told of them as without it.
Status RunCatalogue(Disk& disk, Console& console, RunObserver* observer = nullptr,
                    const std::vector<OutputRequest>& outputs = {},
                    IssueEnricher* enricher = nullptr, int jobs = 1,
                    const IndexTarget& index = IndexTarget(),
                    std::vector<std::string>* replaced = nullptr, bool all_pdfs = false);

/// `name` written for an href value between double quotes, so that a browser
/// finds the file of that name: "%", "\"", "#", "?", "\\", ":", control bytes,
/// bytes from 0x7F up and a blank that starts the name as %XX, "&" as "&amp;".
std::string EscapeHref(std::string_view name);
/// EscapeHref(name) appended to *out.
void AppendEscapedHref(std::string_view name, std::string* out);

/// `name` written as HTML text: "&", "<", ">" as character references.
std::string EscapeText(std::string_view name);
/// EscapeText(name) appended to *out.
void AppendEscapedText(std::string_view name, std::string* out);

/// The link text of the PDF file `file`: its name less a final ".pdf" in
/// any case.
std::string PdfBaseName(std::string_view file);

}  // namespace pdfindex

#endif  // PDFINDEX_RUN_RUN_H_
