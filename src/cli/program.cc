#include "cli/program.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cli/plan.h"
#include "metadata/cache.h"
#include "metadata/enrich.h"
#include "metadata/pdf_module.h"
#include "platform/disk.h"
#include "platform/signals.h"
#include "run/duplicates.h"
#include "run/report.h"
#include "run/run.h"

namespace pdfindex {

namespace {

int UsageError(const std::string& message) {
  std::fprintf(stderr, "pdfindex: %s (try --help)\n", message.c_str());
  return 2;
}

void WriteStderr(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stderr);
  std::fflush(stderr);
}

// Standard error for the progress line, which is redrawn without a line
// end: a signal that ends the run ends the line first.
void WriteProgress(std::string_view bytes) {
  WriteStderr(bytes);
  if (!bytes.empty()) SetLineOpen(bytes.back() != '\n');
}

// The console with the progress line broken off before each line it writes,
// so that the ScienceDirect reader's message stands on a line of its own.
class ConsoleBesideProgress : public Console {
 public:
  ConsoleBesideProgress(Console& console, ProgressLine* progress)
      : console_(console), progress_(progress) {}
  void WriteLine(std::string_view line) override {
    if (progress_ != nullptr) progress_->Break();
    console_.WriteLine(line);
  }
  void ReadLine() override { console_.ReadLine(); }
  void AwaitEnter(std::string_view page_path) override {
    if (progress_ != nullptr) progress_->Break();
    console_.AwaitEnter(page_path);
  }

 private:
  Console& console_;
  ProgressLine* progress_;
};

// Tells standard error of every folder the run could not list, one line
// each, so that a subtree missing from the index does not go unnoticed.
class UnlistedFolderLines : public RunObserver {
 public:
  UnlistedFolderLines(const OutputPlan& plan, const std::optional<std::string>& dir,
                      ProgressLine* progress)
      : plan_(plan), dir_(dir), progress_(progress) {}
  void FolderUnlisted(const std::string& folder, const Status& why) override {
    if (progress_ != nullptr) progress_->Break();
    WriteStderr(FailureLine(why, UserPath(plan_, dir_, folder)));
  }

 private:
  const OutputPlan& plan_;
  const std::optional<std::string>& dir_;
  ProgressLine* progress_;
};

// The program's own file, where the PDF reader module is looked for.
std::string ProgramPath() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

// Makes the archive folder `dir` the current folder; "" or why it cannot.
std::string EnterArchive(const std::string& dir) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0) return "'" + dir + "': " + std::strerror(errno);
  if (!S_ISDIR(st.st_mode)) return "'" + dir + "' is not a folder";
  if (::chdir(dir.c_str()) != 0) return "cannot enter '" + dir + "': " + std::strerror(errno);
  return "";
}

// The PDF source of --metadata: the reader module in worker processes, or
// none (the pages' tags alone) where it is not there.
std::unique_ptr<PdfSource> PdfSourceFor([[maybe_unused]] int workers) {
#ifdef PDFINDEX_PDF_MODULE_DIR
  // The reader is loaded when the first PDF the cache does not know is to
  // be read.
  const std::string module = PdfModulePath(ProgramPath(), PDFINDEX_PDF_MODULE_DIR);
  const auto not_loaded = [](const std::string& why) {
    WriteStderr(
        "pdfindex: --metadata reads only the saved pages' tags: the PDF reader was not loaded (" +
        why + ")" + "\n");
  };
  if (::access(module.c_str(), R_OK) != 0) {
    not_loaded(module + ": " + std::strerror(errno));
    return nullptr;
  }
  // The workers' helper process starts now, while the run is small (no
  // page read, no cache loaded, no thread started): each worker it starts
  // has the whole of its memory limit for its PDF.
  WorkerLimits limits;
  limits.workers = workers;
  return std::make_unique<WorkerPdfSource>(
      [module, not_loaded]() -> PdfParser {
        std::string why;
        const auto read = LoadPdfModule(module, &why);
        if (read == nullptr) not_loaded(why);
        return read;
      },
      limits);
#else
  return nullptr;
#endif
}

}  // namespace

int RunProgram(const Options& options, const char* program) {
  // The disk outlives the plan: the plan's key book may still be reading
  // the keys file through it on its own thread when the run ends early.
  RealDisk disk;
  OutputPlan plan;
  if (const std::string e = PlaceOutputs(options, &plan); !e.empty()) return UsageError(e);
  InstallSignalHandlers();
  if (options.dir) {
    if (const std::string e = EnterArchive(*options.dir); !e.empty()) return UsageError(e);
  }
  if (const std::string e = PlanOutputs(options, CurrentFolder(), &plan); !e.empty()) {
    return UsageError(e);
  }

  ObserverList observers;
  RunReport summary;
  if (options.report) observers.Add(&summary);
  summary.set_all_pdfs(options.all_pdfs);
  LayoutNotice layout_notice;
  if (!options.quiet) observers.Add(&layout_notice);
  std::optional<ProgressLine> progress_line;
  if (options.progress && ::isatty(STDERR_FILENO)) {
    progress_line.emplace(WriteProgress);
    observers.Add(&*progress_line);
  }
  ProgressLine* progress = progress_line ? &*progress_line : nullptr;
  UnlistedFolderLines unlisted(plan, options.dir, progress);
  observers.Add(&unlisted);

  RealConsole real_console;
  ConsoleBesideProgress console(real_console, progress);
  const int jobs = options.jobs > 0 ? options.jobs : ProcessorCount();
  // --metadata: the pages' tags and the PDFs' own metadata, the PDFs read
  // in worker processes and kept in the archive's cache.
  MetadataCache cache;
  std::unique_ptr<PdfSource> pdf_source;
  std::optional<MetadataStep> metadata;
  if (options.metadata) {
    pdf_source = PdfSourceFor(jobs);
    // The cache holds what the PDFs gave: a run that cannot read PDFs
    // neither reads nor writes it (it would find no PDF it knows, and drop
    // them all).
    if (pdf_source) cache.LoadInBackground(disk);
    metadata.emplace(pdf_source.get(), pdf_source ? &cache : nullptr);
    if (progress != nullptr) {
      metadata->on_pdf_read = [progress](const std::string& /*path*/) { progress->PdfRead(); };
    }
    // What was read is kept as the run goes: a run cut short loses only its
    // last few seconds of reading (a failed checkpoint is tried again at the
    // next, and the end of the run says whether the cache was written).
    if (pdf_source) {
      metadata->checkpoint = [&cache, &disk] { (void)cache.Checkpoint(disk); };
    }
  }
  // With --metadata, the PDFs of one content or one DOI are found too.
  std::optional<DuplicateFinder> duplicates;
  if (metadata) duplicates.emplace(*metadata, disk);
  // Citation keys stay with their PDFs from run to run. The keys file is
  // read on a thread of its own, so this comes after the PDF workers'
  // process is forked: a process forked while another thread holds a lock
  // (the allocator's, say) keeps it held for good.
  if (plan.keys) plan.keys->UseKeysFile(disk);
  std::vector<std::string> replaced;
  RunSetup setup;
  setup.observer = &observers;
  setup.outputs = plan.outputs;
  setup.enricher = duplicates ? &*duplicates : nullptr;
  setup.keys = plan.keys.get();
  setup.jobs = jobs;
  setup.index = plan.index;
  setup.all_pdfs = options.all_pdfs;
  const Status error = Run(disk, console, setup, &replaced);
  if (progress != nullptr) progress->Break();
  if (error.ok() && metadata && pdf_source) {
    // The cache only saves work; the index stands without it.
    if (const Status e = cache.Save(disk); !e.ok()) {
      WriteStderr("pdfindex: the metadata cache was not written: " + StatusMessage(e) + "\n");
    }
  }
  if (error.ok() && plan.keys) {
    // Like the cache, the keys file is written only after a whole run.
    if (const Status e = plan.keys->SaveKeysFile(); !e.ok()) {
      WriteStderr("pdfindex: the citation keys file was not written: " + StatusMessage(e) + "\n");
    }
  }
  if (!error.ok()) {
    const std::string failure = FailureReport(program, error);
    std::fwrite(failure.data(), 1, failure.size(), stdout);
    std::fflush(stdout);
    // The classic report says what; this line says which file and why, and
    // which files the run had already replaced when an output written
    // through after them (standard output, a device) failed.
    WriteStderr(UserFailureLine(plan, options.dir, error, replaced));
    return 1;
  }
  if (!options.quiet) WriteStderr(layout_notice.Text());
  if (options.report) {
    WriteStderr(summary.Text() + (metadata ? MetadataReportText(*metadata) : ""));
  }
  return 0;
}

}  // namespace pdfindex
