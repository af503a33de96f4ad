#include "run/report.h"

#include <algorithm>
#include <utility>

#include "run/duplicates.h"
#include "text/escape.h"

namespace pdfindex {

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The rows as columns two blanks apart, each row indented by two: the first
// column aligned left, the others (counts) aligned right.
std::string Table(const Rows& rows) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    if (widths.size() < row.size()) widths.resize(row.size());
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  std::string out;
  for (const auto& row : rows) {
    out += "  ";
    for (size_t c = 0; c < row.size(); ++c) {
      const std::string padding(widths[c] - row[c].size(), ' ');
      if (c == 0) {
        out += row[c];
        if (row.size() > 1) out += padding;
      } else {
        out += "  " + padding + row[c];
      }
    }
    out += '\n';
  }
  return out;
}

std::string PathList(std::string_view heading, const std::vector<std::string>& paths) {
  if (paths.empty()) return "";
  std::string out = "\n";
  out += heading;
  out += ":\n";
  for (const std::string& path : paths) {
    out += "  ";
    out += ShownPath(path);
    out += '\n';
  }
  return out;
}

std::string Count(size_t n) { return std::to_string(n); }

}  // namespace

void RunReport::PdfOutsideIssueFolder(const std::string& path) { pdfs_outside_.push_back(path); }

void RunReport::FolderStarted(const std::string& /*folder*/, std::string_view publisher) {
  auto it = by_publisher_.find(publisher);
  if (it == by_publisher_.end()) it = by_publisher_.emplace(std::string(publisher), Tally{}).first;
  folder_publisher_ = &it->second;
  folder_pages_ = 0;
  ++total_.issue_folders;
  ++folder_publisher_->issue_folders;
}

void RunReport::PageLoaded(const std::string& path, bool opened) {
  ++folder_pages_;
  ++total_.contents_pages;
  if (folder_publisher_ != nullptr) ++folder_publisher_->contents_pages;
  if (opened) return;
  ++total_.unopenable_pages;
  if (folder_publisher_ != nullptr) ++folder_publisher_->unopenable_pages;
  unopenable_pages_.push_back(path);
}

void RunReport::PdfIndexed(const std::string& path, bool described) {
  ++total_.pdfs;
  if (folder_publisher_ != nullptr) ++folder_publisher_->pdfs;
  if (described) {
    ++total_.described;
    if (folder_publisher_ != nullptr) ++folder_publisher_->described;
  } else {
    undescribed_pdfs_.push_back(path);
  }
}

void RunReport::FolderUnlisted(const std::string& folder, const Status& /*why*/) {
  unlisted_folders_.push_back(folder.empty() ? "./" : folder);
}

void RunReport::FolderFinished(const std::string& folder) {
  if (folder_pages_ == 0) {
    ++total_.folders_without_pages;
    if (folder_publisher_ != nullptr) ++folder_publisher_->folders_without_pages;
    folders_without_pages_.push_back(folder);
  }
  folder_publisher_ = nullptr;
}

void RunReport::PdfDuplicate(const std::string& path, const std::string& of, DuplicateWhy why) {
  duplicates_.push_back(DuplicateLine(ShownPath(path), ShownPath(of), why));
}

std::string RunReport::Text() const {
  std::string out = "pdfindex report\n";
  Rows counts = {
      {"issue folders", Count(total_.issue_folders)},
      {"contents pages", Count(total_.contents_pages)},
      {"pages that could not be opened", Count(total_.unopenable_pages)},
      {"issue folders without contents pages", Count(total_.folders_without_pages)},
      {"PDFs", Count(total_.pdfs)},
      {"PDFs described", Count(total_.described)},
      {"PDFs whose entry no page held", Count(total_.pdfs - total_.described)},
  };
  // Shown only when there are some, so that the report of an archive laid
  // out as expected reads as it always has.
  if (!pdfs_outside_.empty()) {
    counts.push_back({"PDFs outside issue folders", Count(pdfs_outside_.size())});
  }
  if (!unlisted_folders_.empty()) {
    counts.push_back({"folders that could not be listed", Count(unlisted_folders_.size())});
  }
  if (!duplicates_.empty()) counts.push_back({"likely duplicates", Count(duplicates_.size())});
  out += Table(counts);
  if (!by_publisher_.empty()) {
    Rows rows = {
        {"format", "folders", "pages", "unopened", "no pages", "PDFs", "described", "not held"}};
    for (const auto& [publisher, t] : by_publisher_) {
      rows.push_back({publisher, Count(t.issue_folders), Count(t.contents_pages),
                      Count(t.unopenable_pages), Count(t.folders_without_pages), Count(t.pdfs),
                      Count(t.described), Count(t.pdfs - t.described)});
    }
    out += "\nper publisher format:\n" + Table(rows);
  }
  out += PathList("pages that could not be opened", unopenable_pages_);
  out += PathList("issue folders without contents pages", folders_without_pages_);
  out += PathList("PDFs whose entry no page held", undescribed_pdfs_);
  out += PathList("folders that could not be listed", unlisted_folders_);
  out += PathList(all_pdfs_ ? "PDFs outside issue folders (not in the index; in the other outputs)"
                            : "PDFs outside issue folders (not in the index)",
                  pdfs_outside_);
  if (!duplicates_.empty()) {
    out += "\nlikely duplicates (nothing was moved or deleted):\n";
    for (const std::string& line : duplicates_) out += "  " + line + "\n";
  }
  return out;
}

void LayoutNotice::RunStarted(size_t issue_folders) {
  started_ = true;
  issue_folders_ = issue_folders;
}

void LayoutNotice::PdfOutsideIssueFolder(const std::string& /*path*/) { ++pdfs_outside_; }

std::string LayoutNotice::Text() const {
  if (!started_ || issue_folders_ > 0) return "";
  std::string out =
      "pdfindex: no issue folder found, so the index lists no PDFs\n"
      "pdfindex: expected: PUBLISHER/ISSUE/ folders in the archive root, each issue folder "
      "holding its contents pages (*.htm, *.html) and PDFs, e.g. Embo/Vol 20 No 1/mt0101.pdf\n";
  if (pdfs_outside_ > 0) {
    out += "pdfindex: " + Count(pdfs_outside_) + (pdfs_outside_ == 1 ? " PDF lies" : " PDFs lie") +
           " outside issue folders (--report lists them)\n";
  }
  return out;
}

std::string ProgressText(size_t folders_done, size_t folders_total, size_t pdfs, size_t pdfs_read) {
  std::string text = "pdfindex: " + std::to_string(folders_done) + " of " +
                     std::to_string(folders_total) + " issue folders, " + std::to_string(pdfs) +
                     (pdfs == 1 ? " PDF" : " PDFs");
  if (pdfs_read > 0) text += ", " + std::to_string(pdfs_read) + " read";
  return text;
}

ProgressLine::ProgressLine(Writer write, Clock now)
    : write_(std::move(write)), now_(std::move(now)) {}

void ProgressLine::RunStarted(size_t issue_folders) {
  total_ = issue_folders;
  Draw(true);
}

void ProgressLine::PdfIndexed(const std::string& /*path*/, bool /*described*/) {
  ++pdfs_;
  Draw(false);
}

void ProgressLine::FolderFinished(const std::string& /*folder*/) {
  ++done_;
  Draw(true);
}

void ProgressLine::PdfRead() {
  ++pdfs_read_;
  Draw(false);
}

void ProgressLine::Break() {
  if (!drawn_) return;
  write_("\n");
  drawn_ = false;
}

void ProgressLine::Draw(bool force) {
  const auto now = now_();
  if (!force && drawn_ && now - last_draw_ < std::chrono::milliseconds(100)) return;
  last_draw_ = now;
  std::string text = ProgressText(done_, total_, pdfs_, pdfs_read_);
  const size_t length = text.size();
  // Blanks cover what is left of a longer text drawn before ("0 PDFs" before
  // "1 PDF").
  if (drawn_ && drawn_length_ > length) text.append(drawn_length_ - length, ' ');
  write_("\r" + text);
  drawn_ = true;
  drawn_length_ = length;
}

void ObserverList::RunStarted(size_t issue_folders) {
  for (RunObserver* o : observers_) o->RunStarted(issue_folders);
}

void ObserverList::PdfOutsideIssueFolder(const std::string& path) {
  for (RunObserver* o : observers_) o->PdfOutsideIssueFolder(path);
}

void ObserverList::FolderStarted(const std::string& folder, std::string_view publisher) {
  for (RunObserver* o : observers_) o->FolderStarted(folder, publisher);
}

void ObserverList::PageLoaded(const std::string& path, bool opened) {
  for (RunObserver* o : observers_) o->PageLoaded(path, opened);
}

void ObserverList::PdfIndexed(const std::string& path, bool described) {
  for (RunObserver* o : observers_) o->PdfIndexed(path, described);
}

void ObserverList::FolderUnlisted(const std::string& folder, const Status& why) {
  for (RunObserver* o : observers_) o->FolderUnlisted(folder, why);
}

void ObserverList::FolderFinished(const std::string& folder) {
  for (RunObserver* o : observers_) o->FolderFinished(folder);
}

void ObserverList::PdfDuplicate(const std::string& path, const std::string& of, DuplicateWhy why) {
  for (RunObserver* o : observers_) o->PdfDuplicate(path, of, why);
}

}  // namespace pdfindex
