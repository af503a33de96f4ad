// pdfindex: writes HtmlData.htm, an index page of an archive of journal
// article PDFs and the saved contents pages they were downloaded from.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/disk.h"
#include "catalogue/report.h"
#include "catalogue/run.h"
#include "metadata/cache.h"
#include "metadata/enrich.h"
#if PDFINDEX_HAVE_POPPLER
#include "metadata/pdf/poppler_pdf.h"
#endif

namespace {

constexpr const char kUsage[] =
    "usage: pdfindex [--report] [--progress] [--metadata [-j N]] [DIR]\n"
    "\n"
    "Writes HtmlData.htm, an index of the article PDFs in the archive DIR (by\n"
    "default the current folder): publisher folders, in them issue folders, in\n"
    "each the issue's saved contents pages (*.htm, *.html) and its PDFs.\n"
    "\n"
    "options:\n"
    "  --report    after the run, summarise on standard error what was and was\n"
    "              not described (counts, per publisher format, and the paths\n"
    "              of PDFs whose entry no contents page held)\n"
    "  --progress  keep a line on standard error up to date while the run goes\n"
    "              on (only when standard error is a terminal)\n"
    "  --metadata  also read the saved pages' meta tags and the PDFs' own\n"
    "              metadata into the records (never into HtmlData.htm); what\n"
    "              was read is kept in .pdfindex-cache in the archive root\n"
    "  -j N        with --metadata: read N PDFs at once (default: processors)\n"
    "  --help      print this help and exit\n"
    "  --version   print the version and exit\n"
    "\n"
    "exit status: 0 done, 1 input/output failure (report on stdout), 2 bad usage\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "pdfindex: %s (try --help)\n", message.c_str());
  return 2;
}

void WriteStderr(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stderr);
  std::fflush(stderr);
}

// The console with the progress line broken off before each line it writes,
// so that the ScienceDirect reader's message stands on a line of its own.
class ConsoleBesideProgress : public pdfindex::Console {
 public:
  ConsoleBesideProgress(pdfindex::Console& console, pdfindex::ProgressLine* progress)
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
  pdfindex::Console& console_;
  pdfindex::ProgressLine* progress_;
};

}  // namespace

int main(int argc, char** argv) {
  const char* dir = nullptr;
  bool options_done = false;
  bool report = false;
  bool progress = false;
  bool read_metadata = false;
  int jobs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (!options_done && arg == "--version") {
      std::printf("pdfindex %s\n", PDFINDEX_VERSION);
      return 0;
    } else if (!options_done && arg == "--report") {
      report = true;
    } else if (!options_done && arg == "--progress") {
      progress = true;
    } else if (!options_done && arg == "--metadata") {
      read_metadata = true;
    } else if (!options_done && arg.starts_with("-j")) {
      const char* count = arg.size() > 2 ? argv[i] + 2 : (i + 1 < argc ? argv[++i] : "");
      char* end = nullptr;
      const long n = std::strtol(count, &end, 10);
      if (*count == '\0' || *end != '\0' || n < 1 || n > 256) {
        return UsageError("-j needs a number of workers from 1 to 256");
      }
      jobs = static_cast<int>(n);
    } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option '" + std::string(arg) + "'");
    } else if (dir != nullptr) {
      return UsageError("more than one archive folder given");
    } else {
      dir = argv[i];
    }
  }
  if (dir != nullptr) {
    struct stat st {};
    if (::stat(dir, &st) != 0 || !S_ISDIR(st.st_mode) || ::chdir(dir) != 0) {
      return UsageError(std::string("'") + dir + "' is not a folder");
    }
  }

  pdfindex::ObserverList observers;
  pdfindex::RunReport summary;
  if (report) observers.Add(&summary);
  std::optional<pdfindex::ProgressLine> progress_line;
  if (progress && ::isatty(STDERR_FILENO)) {
    progress_line.emplace(WriteStderr);
    observers.Add(&*progress_line);
  }

  pdfindex::RealDisk disk;
  pdfindex::RealConsole real_console;
  ConsoleBesideProgress console(real_console, progress_line ? &*progress_line : nullptr);
  // --metadata: the pages' tags and the PDFs' own metadata, the PDFs read
  // in worker processes and kept in the archive's cache.
  pdfindex::MetadataCache cache;
  std::unique_ptr<pdfindex::PdfSource> pdf_source;
  std::optional<pdfindex::MetadataStep> metadata;
  if (read_metadata) {
    cache.Load(disk);
#if PDFINDEX_HAVE_POPPLER
    pdfindex::WorkerLimits limits;
    limits.workers = jobs > 0 ? jobs : pdfindex::ProcessorCount();
    pdf_source = std::make_unique<pdfindex::WorkerPdfSource>(pdfindex::ReadPdfFacts, limits);
#endif
    metadata.emplace(pdf_source.get(), &cache);
    if (progress_line) {
      pdfindex::ProgressLine* line = &*progress_line;
      metadata->on_pdf_read = [line](const std::string& /*path*/) { line->PdfRead(); };
    }
  }
  pdfindex::Status error = pdfindex::RunCatalogue(
      disk, console, observers.empty() ? nullptr : &observers, {}, metadata ? &*metadata : nullptr);
  if (progress_line) progress_line->Break();
  if (error.ok() && metadata) {
    // The cache only saves work; the index stands without it.
    if (const pdfindex::Status e = cache.Save(disk); !e.ok()) {
      WriteStderr("pdfindex: the metadata cache was not written: " + pdfindex::StatusMessage(e) +
                  "\n");
    }
  }
  if (!error.ok()) {
    const std::string failure = pdfindex::FailureReport(argc > 0 ? argv[0] : "pdfindex", error);
    std::fwrite(failure.data(), 1, failure.size(), stdout);
    std::fflush(stdout);
    return 1;
  }
  if (report)
    WriteStderr(summary.Text() + (metadata ? pdfindex::MetadataReportText(*metadata) : ""));
  return 0;
}
