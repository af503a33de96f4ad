// pdfindex: writes HtmlData.htm, an index page of an archive of journal
// article PDFs and the saved contents pages they were downloaded from.
#include <malloc.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/flags.h"
#include "cli/program.h"
#include "platform/disk.h"

namespace {

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

}  // namespace

int main(int argc, char** argv) {
  pdfindex::OpenClosedStandardDescriptors();
#if defined(__GLIBC__)
  // Pages, folder parts and outputs are buffers of up to some megabytes,
  // made and given back once per folder: kept for the next folder rather
  // than mapped afresh and unmapped each time (a fifth of a run's time).
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
  const pdfindex::ParsedFlags parsed = pdfindex::ParseFlags(argc, argv);
  switch (parsed.action) {
    case pdfindex::ParsedFlags::kHelp:
      return WriteInfo(pdfindex::UsageText(), "help");
    case pdfindex::ParsedFlags::kVersion:
      return WriteInfo(std::string("pdfindex ") + PDFINDEX_VERSION + "\n", "version");
    case pdfindex::ParsedFlags::kUsageError:
      std::fprintf(stderr, "pdfindex: %s (try --help)\n", parsed.error.c_str());
      return 2;
    case pdfindex::ParsedFlags::kRun:
      break;
  }
  return pdfindex::RunProgram(parsed.options, argc > 0 ? argv[0] : "pdfindex");
}
