// The command line turned into the run's options, with GNU conventions:
// options anywhere before "--", "--json=FILE" beside "--json FILE", and any
// unique abbreviation of a long option ("--vers").
#ifndef PDFINDEX_CLI_FLAGS_H_
#define PDFINDEX_CLI_FLAGS_H_

#include <optional>
#include <string>
#include <vector>

#include "outputs/table.h"

namespace pdfindex {

/// One output of the output table asked for, with FILE as given.
struct OutputOption {
  const OutputKind* kind = nullptr;
  std::string file;
};

/// What the command line asks for.
struct Options {
  /// The archive folder; none: the current folder.
  std::optional<std::string> dir;
  bool report = false;
  bool progress = false;
  /// Drops the notices written on standard error by default; what was
  /// asked for (--report, --progress) and failures are still written.
  bool quiet = false;
  bool metadata = false;
  /// --all-pdfs: the outputs but the index also take PDFs outside issue
  /// folders.
  bool all_pdfs = false;
  /// Worker count of -j; 0: the processors.
  int jobs = 0;
  /// --index FILE, as given.
  std::optional<std::string> index_file;
  bool no_index = false;
  /// In the order given.
  std::vector<OutputOption> outputs;
};

/// What the command line comes to.
struct ParsedFlags {
  enum Action { kRun, kHelp, kVersion, kUsageError };
  Action action = kRun;
  /// For kUsageError, the message (without "pdfindex: " and the hint).
  std::string error;
  Options options;
};

/// Reads `argv` (which getopt may reorder: options before operands).
ParsedFlags ParseFlags(int argc, char** argv);

/// The text of --help.
const char* UsageText();

}  // namespace pdfindex

#endif  // PDFINDEX_CLI_FLAGS_H_
