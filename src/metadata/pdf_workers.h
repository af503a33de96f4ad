// PDFs are untrusted input for a large parser: each is read in a worker
// process with a time and a memory limit, so that one that crashes, hangs
// or exhausts the parser costs only its own metadata.
#ifndef PDFINDEX_METADATA_PDF_WORKERS_H_
#define PDFINDEX_METADATA_PDF_WORKERS_H_

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "metadata/pdf_facts.h"

namespace pdfindex {

/// Reads one PDF by path; runs inside a worker process.
using PdfParser = std::function<PdfFacts(const std::string& path)>;

/// The limits of the worker processes.
struct WorkerLimits {
  int workers = 1;                        ///< processes reading at once
  int milliseconds_per_pdf = 20000;       ///< wall time for one PDF before its worker is killed
  size_t memory_bytes = size_t{1} << 30;  ///< address space of one worker (0: none)
};

/// A set of worker processes made by fork() (without exec, so the parser
/// can be any function, also a test's); a worker that dies or overruns is
/// replaced by a new one for the next PDF.
class PdfWorkers {
 public:
  PdfWorkers(PdfParser parser, WorkerLimits limits);
  ~PdfWorkers();
  PdfWorkers(const PdfWorkers&) = delete;
  PdfWorkers& operator=(const PdfWorkers&) = delete;

  /// The facts of each PDF in `paths`, in the same order; a PDF whose worker
  /// died, overran or could not be started gets kCrashed or kTimedOut.
  std::vector<PdfFacts> ReadAll(const std::vector<std::string>& paths);

  /// Number of worker processes started so far.
  int started() const { return started_; }

 private:
  struct Worker {
    pid_t pid = -1;
    int fd = -1;
    long job = -1;           // index into the current paths, -1 when idle
    long long deadline = 0;  // milliseconds on the monotonic clock
    std::string reply;
  };
  bool Start(Worker* w);
  void Stop(Worker* w, bool kill_it);
  void RunChild(int fd);

  PdfParser parser_;
  WorkerLimits limits_;
  std::vector<Worker> workers_;
  int started_ = 0;
};

/// False in builds under the address or thread sanitizer, whose shadow
/// memory leaves no room for an address-space limit: there the workers run
/// without one.
bool MemoryLimitApplies();

/// The number of processors online (at least 1).
int ProcessorCount();

}  // namespace pdfindex

#endif  // PDFINDEX_METADATA_PDF_WORKERS_H_
