// pdfindex: writes HtmlData.htm, an index page of an archive of journal
// article PDFs and the saved contents pages they were downloaded from.
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/disk.h"
#include "run/report.h"
#include "run/run.h"
#include "platform/signals.h"
#include "outputs/export_options.h"
#include "outputs/export_text.h"
#include "outputs/search_page.h"
#include "metadata/cache.h"
#include "metadata/enrich.h"
#include "metadata/pdf_module.h"

namespace {

constexpr const char kUsage[] =
    "usage: pdfindex [OPTION]... [DIR]\n"
    "\n"
    "Writes HtmlData.htm, an index of the article PDFs in the archive DIR (by\n"
    "default the current folder): publisher folders, in them issue folders, in\n"
    "each the issue's saved contents pages (*.htm, *.html) and its PDFs.\n"
    "\n"
    "options:\n"
    "  --report         after the run, summarise on standard error what was and\n"
    "                   was not described (counts, per publisher format, and the\n"
    "                   paths of PDFs whose entry no contents page held)\n"
    "  --progress       keep a line on standard error up to date while the run\n"
    "                   goes on (only when standard error is a terminal)\n"
    "  --quiet          write no notices on standard error (such as the one for an\n"
    "                   archive without issue folders); --report, --progress and\n"
    "                   failures are still written\n"
    "  --json FILE      also write the whole catalogue as JSON to FILE\n"
    "  --bibtex FILE    also write the catalogue as BibTeX to FILE\n"
    "  --csl-json FILE  also write the catalogue as CSL-JSON to FILE\n"
    "  --ris FILE       also write the catalogue as RIS to FILE\n"
    "                   (for these four, FILE - is standard output)\n"
    "  --html FILE      also write a searchable HTML5 page of the catalogue to FILE\n"
    "  --metadata       also read the saved pages' meta tags and the PDFs' own\n"
    "                   metadata into the records (never into HtmlData.htm); what\n"
    "                   was read is kept in .pdfindex-cache in the archive root\n"
    "  -j N             index N issue folders at once, and with --metadata read N\n"
    "                   PDFs at once (default: processors); the output is the same\n"
    "  -h, --help       print this help and exit\n"
    "  -V, --version    print the version and exit\n"
    "  --               end of options: what follows is DIR\n"
    "\n"
    "exit status: 0 done, 1 input/output failure (report on stdout), 2 bad usage,\n"
    "128+N ended by signal N (nothing of the run is left behind)\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "pdfindex: %s (try --help)\n", message.c_str());
  return 2;
}

// Writes the text --help or --version asked for; a standard output that
// cannot take it (a full disk, a closed pipe) is a failure, not a success.
int WriteInfo(const std::string& text, const char* what) {
  errno = 0;
  std::fputs(text.c_str(), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    const int err = errno;
    std::fprintf(stderr, "pdfindex: cannot write the %s: %s\n", what,
                 err != 0 ? std::strerror(err) : "write error");
    return 1;
  }
  return 0;
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

// Where the searchable page of --html `file` goes: the target the run
// replaces (absolute, as `file` is taken from the folder pdfindex started
// in, before it enters DIR) and the folder its links start from, with
// symbolic links resolved. False when that folder does not exist.
bool PagePlace(const std::string& file, std::string* target, std::string* folder) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path start = fs::current_path(error);
  if (error) return false;
  if (file == pdfindex::kStandardOutput) {
    *target = file;
    *folder = fs::canonical(start, error).string();
    return !error;
  }
  const fs::path path = start / file;
  if (!path.has_filename()) return false;
  const fs::path parent = fs::canonical(path.parent_path(), error);
  if (error) return false;
  *folder = parent.string();
  *target = (parent / path.filename()).string();
  return true;
}

// `path` (relative to the archive) as the user sees it: joined to the
// archive folder named on the command line, with control bytes made visible.
std::string UserPath(const char* dir, const std::string& path) {
  std::string shown;
  if (dir == nullptr) {
    shown = path.empty() ? "." : path;
  } else {
    shown = dir;
    if (!path.empty()) {
      if (!shown.ends_with('/')) shown += '/';
      shown += path;
    }
  }
  return pdfindex::ShownPath(shown);
}

// Tells standard error of every folder the run could not list, one line
// each, so that a subtree missing from the index does not go unnoticed.
class UnlistedFolderLines : public pdfindex::RunObserver {
 public:
  UnlistedFolderLines(const char* dir, pdfindex::ProgressLine* progress)
      : dir_(dir), progress_(progress) {}
  void FolderUnlisted(const std::string& folder, const pdfindex::Status& why) override {
    if (progress_ != nullptr) progress_->Break();
    WriteStderr(pdfindex::FailureLine(why, UserPath(dir_, folder)));
  }

 private:
  const char* dir_;
  pdfindex::ProgressLine* progress_;
};

// The program's own file, where the PDF reader module is looked for.
std::string ProgramPath() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

}  // namespace

int main(int argc, char** argv) {
  pdfindex::OpenClosedStandardDescriptors();
#if defined(__GLIBC__)
  // Pages, folder parts and outputs are buffers of up to some megabytes,
  // made and given back once per folder. By default glibc maps each such
  // buffer afresh and unmaps it when freed, so every folder pays page
  // faults on new memory (a fifth of a run's time); freed memory is kept
  // for the next folder instead.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
  const char* dir = nullptr;
  bool options_done = false;
  bool report = false;
  bool progress = false;
  const char* html = nullptr;
  // --quiet drops the notices written on standard error by default; what
  // was asked for (--report, --progress) and failures are still written.
  bool quiet = false;
  std::vector<pdfindex::ExportOption> exports;
  bool read_metadata = false;
  int jobs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done &&
               (arg == "--help" || arg == "-h" || arg == "--version" || arg == "-V")) {
      if (i + 1 < argc) {
        return UsageError("unexpected argument '" + std::string(argv[i + 1]) + "' after " +
                          std::string(arg));
      }
      if (arg == "--help" || arg == "-h") return WriteInfo(kUsage, "help");
      return WriteInfo(std::string("pdfindex ") + PDFINDEX_VERSION + "\n", "version");
    } else if (!options_done && arg == "--quiet") {
      quiet = true;
    } else if (!options_done && arg == "--report") {
      report = true;
    } else if (!options_done && arg == "--progress") {
      progress = true;
    } else if (!options_done && arg == "--html") {
      if (i + 1 == argc) return UsageError("--html needs a FILE");
      html = argv[++i];
    } else if (!options_done && pdfindex::ExportFactoryFor(arg) != nullptr) {
      // FILE is taken from the folder pdfindex was started in, before the
      // run changes into DIR.
      if (i + 1 >= argc) return UsageError("option '" + std::string(arg) + "' needs a FILE");
      exports.push_back({pdfindex::ExportFactoryFor(arg), pdfindex::AbsoluteTarget(argv[++i])});
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
  std::vector<pdfindex::OutputRequest> outputs;
  pdfindex::SearchPageOptions page;
  if (html != nullptr) {
    std::string target;
    if (!PagePlace(html, &target, &page.page_folder)) {
      return UsageError(std::string("the folder of '") + html + "' does not exist");
    }
    outputs.push_back({target, nullptr});
  }
  pdfindex::InstallSignalHandlers();
  if (dir != nullptr) {
    struct stat st {};
    if (::stat(dir, &st) != 0 || !S_ISDIR(st.st_mode) || ::chdir(dir) != 0) {
      return UsageError(std::string("'") + dir + "' is not a folder");
    }
  }

  // The exports, then the searchable page; no two outputs may share a file.
  std::vector<pdfindex::OutputRequest> exported;
  std::shared_ptr<pdfindex::KeyBook> keys;
  if (const std::string clash =
          pdfindex::ExportRequests(exports, pdfindex::CurrentFolder(), &exported, &keys);
      !clash.empty()) {
    return UsageError(clash);
  }
  for (const pdfindex::OutputRequest& request : exported) {
    if (!outputs.empty() && request.target == outputs.front().target) {
      return UsageError("'" + request.target + "' is written by more than one output");
    }
  }
  if (!outputs.empty()) {
    std::error_code error;
    page.root = std::filesystem::current_path(error).string();
    if (outputs.front().target == page.root + "/" + std::string(pdfindex::kIndexName)) {
      return UsageError("'" + outputs.front().target + "' is written by more than one output");
    }
    outputs.back().make = [&page](pdfindex::ByteSink& out) {
      return pdfindex::MakeSearchPage(out, page);
    };
  }
  for (pdfindex::OutputRequest& request : exported) outputs.push_back(std::move(request));
  if (read_metadata) {
    // The cache is written beside the index, never in an output's place.
    const std::string cache = pdfindex::CurrentFolder() + std::string(pdfindex::kCacheName);
    for (const pdfindex::OutputRequest& request : outputs) {
      if (request.target == cache) {
        return UsageError("'" + cache + "' is written by more than one output");
      }
    }
  }

  pdfindex::ObserverList observers;
  pdfindex::RunReport summary;
  if (report) observers.Add(&summary);
  pdfindex::LayoutNotice layout_notice;
  if (!quiet) observers.Add(&layout_notice);
  std::optional<pdfindex::ProgressLine> progress_line;
  if (progress && ::isatty(STDERR_FILENO)) {
    progress_line.emplace(WriteStderr);
    observers.Add(&*progress_line);
  }

  UnlistedFolderLines unlisted(dir, progress_line ? &*progress_line : nullptr);
  observers.Add(&unlisted);

  pdfindex::RealDisk disk;
  // Citation keys stay with their PDFs from run to run.
  if (!exports.empty()) keys->UseKeysFile(disk);
  pdfindex::RealConsole real_console;
  ConsoleBesideProgress console(real_console, progress_line ? &*progress_line : nullptr);
  // --metadata: the pages' tags and the PDFs' own metadata, the PDFs read
  // in worker processes and kept in the archive's cache.
  pdfindex::MetadataCache cache;
  std::unique_ptr<pdfindex::PdfSource> pdf_source;
  std::optional<pdfindex::MetadataStep> metadata;
  if (read_metadata) {
#ifdef PDFINDEX_PDF_MODULE_DIR
    // The reader is loaded when the first PDF the cache does not know is to
    // be read.
    const std::string module = pdfindex::PdfModulePath(ProgramPath(), PDFINDEX_PDF_MODULE_DIR);
    const auto not_loaded = [](const std::string& why) {
      WriteStderr(
          "pdfindex: --metadata reads only the saved pages' tags: the PDF reader was not loaded (" +
          why + ")" + "\n");
    };
    if (::access(module.c_str(), R_OK) == 0) {
      // The workers' helper process starts now, while the run is small (no
      // page read, no cache loaded, no thread started): each worker it
      // starts has the whole of its memory limit for its PDF.
      pdfindex::WorkerLimits limits;
      limits.workers = jobs > 0 ? jobs : pdfindex::ProcessorCount();
      pdf_source = std::make_unique<pdfindex::WorkerPdfSource>(
          [module, not_loaded]() -> pdfindex::PdfParser {
            std::string why;
            const auto read = pdfindex::LoadPdfModule(module, &why);
            if (read == nullptr) not_loaded(why);
            return read;
          },
          limits);
    } else {
      not_loaded(module + ": " + std::strerror(errno));
    }
#endif
    // The cache holds what the PDFs gave: a run that cannot read PDFs
    // neither reads nor writes it (it would find no PDF it knows, and drop
    // them all).
    // cppcheck-suppress knownConditionTrueFalse ; set above where the module is built
    if (pdf_source) cache.LoadInBackground(disk);
    metadata.emplace(pdf_source.get(), pdf_source ? &cache : nullptr);
    if (progress_line) {
      pdfindex::ProgressLine* line = &*progress_line;
      metadata->on_pdf_read = [line](const std::string& /*path*/) { line->PdfRead(); };
    }
    // What was read is kept as the run goes: a run cut short loses only its
    // last few seconds of reading (a failed checkpoint is tried again at the
    // next, and the end of the run says whether the cache was written).
    if (pdf_source) {
      metadata->checkpoint = [&cache, &disk] { (void)cache.Checkpoint(disk); };
    }
  }
  std::vector<std::string> replaced;
  const pdfindex::Status error =
      pdfindex::RunCatalogue(disk, console, &observers, outputs, metadata ? &*metadata : nullptr,
                             jobs > 0 ? jobs : pdfindex::ProcessorCount(), &replaced);
  if (progress_line) progress_line->Break();
  if (error.ok() && metadata && pdf_source) {
    // The cache only saves work; the index stands without it.
    if (const pdfindex::Status e = cache.Save(disk); !e.ok()) {
      WriteStderr("pdfindex: the metadata cache was not written: " + pdfindex::StatusMessage(e) +
                  "\n");
    }
  }
  if (error.ok() && keys->joined()) {
    // Like the cache, the keys file is written only after a whole run.
    if (const pdfindex::Status e = keys->SaveKeysFile(); !e.ok()) {
      WriteStderr("pdfindex: the citation keys file was not written: " +
                  pdfindex::StatusMessage(e) + "\n");
    }
  }
  if (!error.ok()) {
    const std::string failure = pdfindex::FailureReport(argc > 0 ? argv[0] : "pdfindex", error);
    std::fwrite(failure.data(), 1, failure.size(), stdout);
    std::fflush(stdout);
    // The classic report says what; this line says which file and why, and
    // which files the run had already replaced when an output written
    // through after them (standard output, a device) failed.
    std::string line = pdfindex::FailureLine(error, UserPath(dir, error.path));
    if (!replaced.empty()) {
      line.pop_back();
      line += "; already replaced:";
      for (const std::string& path : replaced) {
        line +=
            " '" + (path.starts_with('/') ? pdfindex::ShownPath(path) : UserPath(dir, path)) + "'";
      }
      line += '\n';
    }
    WriteStderr(line);
    return 1;
  }
  if (!quiet) WriteStderr(layout_notice.Text());
  if (report) {
    WriteStderr(summary.Text() + (metadata ? pdfindex::MetadataReportText(*metadata) : ""));
  }
  return 0;
}
