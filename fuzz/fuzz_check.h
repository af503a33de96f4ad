// What the fuzz targets share: a check that stops the run with a message.
#ifndef PDFINDEX_FUZZ_FUZZ_CHECK_H_
#define PDFINDEX_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

namespace pdfindex {

/// Ends the run as a finding (libFuzzer saves the input) when `ok` is false.
#define FUZZ_CHECK(ok)                                                                  \
  do {                                                                                  \
    if (!(ok)) {                                                                        \
      std::fprintf(stderr, "FUZZ_CHECK failed: %s (%s:%d)\n", #ok, __FILE__, __LINE__); \
      std::abort();                                                                     \
    }                                                                                   \
  } while (0)

}  // namespace pdfindex

#endif  // PDFINDEX_FUZZ_FUZZ_CHECK_H_
