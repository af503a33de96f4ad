// The program's run: the archive indexed as the options ask, with what is
// told on standard error and the exit status.
#ifndef PDFINDEX_CLI_PROGRAM_H_
#define PDFINDEX_CLI_PROGRAM_H_

#include "cli/flags.h"

namespace pdfindex {

/// Runs pdfindex as `options` ask; `program` is argv[0], for the failure
/// report. Returns the exit status.
int RunProgram(const Options& options, const char* program);

}  // namespace pdfindex

#endif  // PDFINDEX_CLI_PROGRAM_H_
