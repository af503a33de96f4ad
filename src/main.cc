// pdfindex: writes HtmlData.htm, an index page of an archive of journal
// article PDFs and the saved contents pages they were downloaded from.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "catalogue/disk.h"
#include "catalogue/run.h"

namespace {

constexpr const char kUsage[] =
    "usage: pdfindex [DIR]\n"
    "\n"
    "Writes HtmlData.htm, an index of the article PDFs in the archive DIR (by\n"
    "default the current folder): publisher folders, in them issue folders, in\n"
    "each the issue's saved contents pages (*.htm, *.html) and its PDFs.\n"
    "\n"
    "options:\n"
    "  --help      print this help and exit\n"
    "  --version   print the version and exit\n"
    "\n"
    "exit status: 0 done, 1 input/output failure (report on stdout), 2 bad usage\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "pdfindex: %s (try --help)\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const char* dir = nullptr;
  bool options_done = false;
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

  pdfindex::RealDisk disk;
  pdfindex::RealConsole console;
  const pdfindex::IoError error = pdfindex::RunCatalogue(disk, console);
  if (!error.ok()) {
    const std::string report = pdfindex::FailureReport(argc > 0 ? argv[0] : "pdfindex", error);
    std::fwrite(report.data(), 1, report.size(), stdout);
    std::fflush(stdout);
    return 1;
  }
  return 0;
}
