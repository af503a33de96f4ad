// What a run tells its user when asked: the summary of --report (what was
// and what was not described) and the --progress line. Both watch the run
// through RunObserver and never touch the index page.
#ifndef PDFINDEX_RUN_REPORT_H_
#define PDFINDEX_RUN_REPORT_H_

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "run/run.h"

namespace pdfindex {

/// Counts of a run, in all or for one publisher format.
struct Tally {
  size_t issue_folders = 0;
  size_t contents_pages = 0;
  size_t unopenable_pages = 0;
  size_t folders_without_pages = 0;
  size_t pdfs = 0;
  size_t described = 0;
};

/// Gathers what a run did, in all and per publisher format, with the path of
/// every page that could not be opened, every issue folder without contents
/// pages, every PDF whose entry no page held and every folder that could not
/// be listed.
class RunReport : public RunObserver {
 public:
  void PdfOutsideIssueFolder(const std::string& path) override;
  void FolderUnlisted(const std::string& folder, const Status& why) override;
  void FolderStarted(const std::string& folder, std::string_view publisher) override;
  void PageLoaded(const std::string& path, bool opened) override;
  void PdfIndexed(const std::string& path, bool described) override;
  void FolderFinished(const std::string& folder) override;
  void PdfDuplicate(const std::string& path, const std::string& of, DuplicateWhy why) override;

  const Tally& total() const { return total_; }
  /// The counts per publisher keyword ("none" for folders without one).
  const std::map<std::string, Tally, std::less<>>& by_publisher() const { return by_publisher_; }
  const std::vector<std::string>& unopenable_pages() const { return unopenable_pages_; }
  const std::vector<std::string>& folders_without_pages() const { return folders_without_pages_; }
  const std::vector<std::string>& undescribed_pdfs() const { return undescribed_pdfs_; }
  const std::vector<std::string>& pdfs_outside() const { return pdfs_outside_; }
  const std::vector<std::string>& unlisted_folders() const { return unlisted_folders_; }
  /// One line per likely duplicate (DuplicateLine), in walk order.
  const std::vector<std::string>& duplicates() const { return duplicates_; }
  /// With --all-pdfs the PDFs outside issue folders are in the other
  /// outputs, and the report says so.
  void set_all_pdfs(bool all_pdfs) { all_pdfs_ = all_pdfs; }

  /// The summary written to standard error after the run: the counts, a
  /// table per publisher format, then the lists of paths. Folders that could
  /// not be listed are counted and named only when there are any.
  std::string Text() const;

 private:
  Tally total_;
  std::map<std::string, Tally, std::less<>> by_publisher_;
  Tally* folder_publisher_ = nullptr;
  size_t folder_pages_ = 0;
  std::vector<std::string> unopenable_pages_;
  std::vector<std::string> folders_without_pages_;
  std::vector<std::string> undescribed_pdfs_;
  std::vector<std::string> pdfs_outside_;
  std::vector<std::string> unlisted_folders_;
  std::vector<std::string> duplicates_;
  bool all_pdfs_ = false;
};

/// Watches for an archive laid out other than pdfindex expects: one without
/// any issue folder (an empty folder, a flat folder of PDFs, an issue folder
/// given as DIR), whose index lists no PDF.
class LayoutNotice : public RunObserver {
 public:
  void RunStarted(size_t issue_folders) override;
  void PdfOutsideIssueFolder(const std::string& path) override;

  /// The lines for standard error that say no issue folder was found and
  /// which layout is expected, or "" when the archive has issue folders.
  std::string Text() const;

 private:
  bool started_ = false;
  size_t issue_folders_ = 0;
  size_t pdfs_outside_ = 0;
};

/// The text of the progress line; `pdfs_read`, the PDFs opened for their
/// metadata (--metadata), is shown when not 0.
std::string ProgressText(size_t folders_done, size_t folders_total, size_t pdfs,
                         size_t pdfs_read = 0);

/// Keeps one line on a terminal up to date while the run goes on: redrawn
/// ("\r" and the text) after every issue folder and, within a long folder,
/// after a PDF when a tenth of a second has passed since the last redraw.
class ProgressLine : public RunObserver {
 public:
  using Writer = std::function<void(std::string_view)>;
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  explicit ProgressLine(Writer write, Clock now = std::chrono::steady_clock::now);

  void RunStarted(size_t issue_folders) override;
  void PdfIndexed(const std::string& path, bool described) override;
  void FolderFinished(const std::string& folder) override;
  /// A PDF was opened for its metadata.
  void PdfRead();

  /// Ends the line drawn so far with a line feed, so that other output
  /// starts on a line of its own; the next redraw starts a new line.
  void Break();

 private:
  void Draw(bool force);

  Writer write_;
  Clock now_;
  std::chrono::steady_clock::time_point last_draw_{};
  bool drawn_ = false;
  size_t drawn_length_ = 0;
  size_t total_ = 0;
  size_t done_ = 0;
  size_t pdfs_ = 0;
  size_t pdfs_read_ = 0;
};

/// Passes every event on to each of a list of observers, in order.
class ObserverList : public RunObserver {
 public:
  void Add(RunObserver* observer) { observers_.push_back(observer); }
  bool empty() const { return observers_.empty(); }

  void RunStarted(size_t issue_folders) override;
  void PdfOutsideIssueFolder(const std::string& path) override;
  void FolderStarted(const std::string& folder, std::string_view publisher) override;
  void PageLoaded(const std::string& path, bool opened) override;
  void PdfIndexed(const std::string& path, bool described) override;
  void FolderUnlisted(const std::string& folder, const Status& why) override;
  void FolderFinished(const std::string& folder) override;
  void PdfDuplicate(const std::string& path, const std::string& of, DuplicateWhy why) override;

 private:
  std::vector<RunObserver*> observers_;
};

}  // namespace pdfindex

#endif  // PDFINDEX_RUN_REPORT_H_
