// What the fuzz targets share: a check that stops the run with a message,
// and the recording console the ScienceDirect title reader talks to.
#ifndef PDFINDEX_FUZZ_FUZZ_CHECK_H_
#define PDFINDEX_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "catalogue/disk.h"

namespace pdfindex {

/// Ends the run as a finding (libFuzzer saves the input) when `ok` is false.
#define FUZZ_CHECK(ok)                                                                 \
  do {                                                                                 \
    if (!(ok)) {                                                                       \
      std::fprintf(stderr, "FUZZ_CHECK failed: %s (%s:%d)\n", #ok, __FILE__, __LINE__); \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

/// A console with no input that records what was written to it.
class RecordingConsole : public Console {
 public:
  void WriteLine(std::string_view line) override {
    output.append(line);
    output += "\r\n";
  }
  void ReadLine() override { ++lines_read; }

  std::string output;
  int lines_read = 0;
};

}  // namespace pdfindex

#endif  // PDFINDEX_FUZZ_FUZZ_CHECK_H_
