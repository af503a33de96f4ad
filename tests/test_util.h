// Running the built pdfindex program from tests: its exit status and what it
// wrote, with the inputs, outputs and limits a test gives it.
#ifndef PDFINDEX_TESTS_TEST_UTIL_H_
#define PDFINDEX_TESTS_TEST_UTIL_H_

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace pdfindex {

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

}  // namespace pdfindex

#endif  // PDFINDEX_TESTS_TEST_UTIL_H_
