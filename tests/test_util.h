// Shared helpers of the tests: reader calls on pages held in memory, and
// running the built pdfindex program with the inputs, outputs and limits a
// test gives it.
#ifndef PDFINDEX_TESTS_TEST_UTIL_H_
#define PDFINDEX_TESTS_TEST_UTIL_H_

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/page.h"
#include "core/record.h"
#include "readers/finder_state.h"
#include "run/citation_keys.h"
#include "run/run.h"
#include "core/sink.h"
#include "collections/utypes.h"

namespace pdfindex {

/// What HtmlData.htm holds before and after its issue folders.
inline constexpr char kIndexHeader[] = "<TITLE>Quor's PDF Articles Database</TITLE><HEAD>";
inline constexpr char kIndexFooter[] = "<HR></HEAD><BODY></BODY>";

/// An Embo contents page titled `title` that describes the PDF a1 as
/// kEmboA1.
std::string EmboPage(const std::string& title = "T");
/// The description HtmlData.htm gives a1 from an EmboPage.
inline constexpr char kEmboA1[] = " Heading of a1; Ann Author; pp. 1-10; J. Mol. Things 20.<BR>";

/// A sink that writes one line per step ("begin", "issue P/I/", "finish"),
/// keeps a copy of every issue record it is handed when given `issues`, in
/// walk order, and fails with code 101 at the step `fail_at` names.
class RecordingSink : public CatalogueSink {
 public:
  RecordingSink(ByteSink& out, std::vector<IssueRecord>* issues, std::string fail_at = "")
      : CatalogueSink(out), issues_(issues), fail_at_(std::move(fail_at)) {}
  Status Begin() override { return Step("begin"); }
  void Render(const IssueRecord& issue, FolderShare& /*share*/,
              std::string& bytes) const override {
    bytes += "issue " + issue.Folder();
    if (issues_ == nullptr) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    rendered_[issue.Folder()] = issue;
  }
  Status Add(std::string_view part) override {
    if (issues_ != nullptr) {
      const std::lock_guard<std::mutex> lock(mutex_);
      const auto at = rendered_.find(std::string(part.substr(6)));
      issues_->push_back(std::move(at->second));
      rendered_.erase(at);
    }
    return Step(std::string(part));
  }
  Status Finish() override { return Step("finish"); }

 private:
  Status Step(const std::string& what) {
    if (what == fail_at_) return Status::Code(101, "sink");
    return out_.Write(what + "\n");
  }
  std::vector<IssueRecord>* issues_;
  std::string fail_at_;
  mutable std::mutex mutex_;
  mutable std::map<std::string, IssueRecord> rendered_;
};

/// Feeds issue folders to `sink` as a run does: gives the PDFs their
/// citation keys in walk order when the sink reads them, renders each
/// folder's part and adds it.
class SinkFeeder {
 public:
  explicit SinkFeeder(CatalogueSink& sink) : sink_(sink) {}
  Status Issue(IssueRecord issue) {
    if (sink_.reads_keys()) {
      keys_.GiveNeededBaseKeys(issue);
      keys_.Give(issue);
    }
    std::string part;
    FolderShare share;
    sink_.Render(issue, share, part);
    return sink_.Add(part);
  }

 private:
  CatalogueSink& sink_;
  KeyBook keys_;
};

/// An output at `target` written by a RecordingSink.
inline OutputRequest Recording(const std::string& target,
                               std::vector<IssueRecord>* issues = nullptr,
                               const std::string& fail_at = "") {
  return {target,
          [=](ByteSink& out) { return std::make_unique<RecordingSink>(out, issues, fail_at); }};
}

/// Every event a run tells its observer, one line each.
class RecordingObserver : public RunObserver {
 public:
  void RunStarted(size_t n) override { events.push_back("run " + std::to_string(n)); }
  void PdfOutsideIssueFolder(const std::string& path) override {
    events.push_back("outside " + path);
  }
  void FolderStarted(const std::string& f, std::string_view p) override {
    events.push_back("folder " + f + " " + std::string(p));
  }
  void PageLoaded(const std::string& path, bool opened) override {
    events.push_back((opened ? "page " : "unopenable ") + path);
  }
  void PdfIndexed(const std::string& path, bool described) override {
    events.push_back((described ? "described " : "not held ") + path);
  }
  void FolderUnlisted(const std::string& f, const Status& why) override {
    events.push_back("unlisted " + f + " " + why.message);
  }
  void FolderFinished(const std::string& f) override { events.push_back("done " + f); }

  std::vector<std::string> events;
};

/// The classic description `finder` gives the PDF `base` among the pages of
/// `pages` named in `list` under `folder`; *found (when given) is set to
/// whether a page held its entry.
template <typename Finder>
std::string Classic(Finder finder, const PageSet& pages, const std::string& base,
                    const std::string& folder, NameList& list, bool* found = nullptr) {
  FinderState state;
  const ArticleRecord record = finder(pages.InOrder(folder, list), base, state);
  if (found != nullptr) *found = record.found;
  return record.classic;
}

/// The classic title `reader` gives the page at `path` in `pages`.
template <typename Reader>
std::string TitleOf(Reader reader, const PageSet& pages, const std::string& path) {
  return reader(pages.Open(path), path).classic;
}

/// The bytes of the file at `path`; "" when there is none.
std::string Slurp(const std::filesystem::path& path);

/// How to run the program.
struct ProgramOptions {
  std::vector<std::string> args;
  /// Descriptors for standard input and output; -1: /dev/null and a file
  /// that ProgramRun::out is read from.
  int in = -1;
  int out = -1;
  /// Limits on the size of a file written and on address space, in bytes;
  /// -1 is none.
  long long file_size_limit = -1;
  long long memory_limit = -1;
  /// The most processes and threads its user may have (RLIMIT_NPROC);
  /// -1 is no limit. It binds only a user other than root (as_nobody).
  long long process_limit = -1;
  /// Descriptors among 0, 1 and 2 that it starts without.
  std::vector<int> closed;
  /// Its umask; -1 keeps the test's.
  int umask = -1;
  /// Runs it as the user nobody (only when the test runs as root).
  bool as_nobody = false;
  std::chrono::seconds limit{60};
  /// Called with the program's process id while it runs.
  std::function<void(pid_t)> while_running;
};

struct ProgramRun {
  /// The exit status; -1 when it was killed after the time limit, -2 when a
  /// signal ended it (`signal` says which).
  int status = -1;
  int signal = 0;
  std::string out;
  std::string err;
};

/// Runs pdfindex in folder `cwd`.
ProgramRun RunProgram(const std::filesystem::path& cwd, const ProgramOptions& options = {});

/// A ByteSink that keeps what was written; the write after
/// `writes_before_failure` successful ones fails with `error`.
class StringSink : public ByteSink {
 public:
  Status Write(std::string_view bytes) override {
    if (writes_before_failure == 0) return error;
    if (writes_before_failure > 0) --writes_before_failure;
    bytes_ += bytes;
    return Status::Ok();
  }
  const std::string& bytes() const { return bytes_; }

  int writes_before_failure = -1;
  Status error = Status::Code(101);

 private:
  std::string bytes_;
};

/// The text the searchable page `page` holds in its data elements of class
/// `name` ("catalogue", "abstracts"): base64 lines of deflated text, checked
/// to be nothing else. Empty where there is no such element or it does not
/// decode.
std::string PageDataText(const std::string& page, std::string_view name);

}  // namespace pdfindex

#endif  // PDFINDEX_TESTS_TEST_UTIL_H_
