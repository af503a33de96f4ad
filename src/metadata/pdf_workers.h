// PDFs are untrusted input for a large parser: each is read in a worker
// process with a time and a memory limit, so that one that crashes, hangs
// or exhausts the parser costs only its own metadata.
#ifndef PDFINDEX_METADATA_PDF_WORKERS_H_
#define PDFINDEX_METADATA_PDF_WORKERS_H_

#include <poll.h>
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "metadata/pdf_facts.h"

namespace pdfindex {

/// Reads one PDF by path; runs inside a worker process.
using PdfParser = std::function<PdfFacts(const std::string& path)>;

/// Gives the parser; runs in the helper process that starts the workers, at
/// its first worker, so that the parser's libraries are loaded there and
/// never in the calling process. May give none: then no PDF is read.
using PdfParserLoader = std::function<PdfParser()>;

/// The limits of the worker processes.
struct WorkerLimits {
  int workers = 1;                        ///< processes reading at once
  int milliseconds_per_pdf = 20000;       ///< wall time for one PDF before its worker is killed
  size_t memory_bytes = size_t{1} << 30;  ///< address space of one worker (0: none)
  /// Processor time for one PDF, which ends a worker that nobody waits for
  /// any more (0: a second more than milliseconds_per_pdf).
  int cpu_seconds_per_pdf = 0;
};

/// A set of worker processes. They are forked (without exec, so the parser
/// can be any function, also a test's) from a small helper process that
/// the constructor forks at once: made before the caller grows, it gives
/// each worker a small start under its memory limit. Workers end with the
/// helper and the helper with the caller's thread that made it (a
/// parent-death signal, and end of file on the sockets they read); a worker
/// that dies or overruns is replaced by a new one for the next PDF.
class PdfWorkers {
 public:
  PdfWorkers(const PdfParserLoader& load, const WorkerLimits& limits);
  PdfWorkers(const PdfParser& parser, const WorkerLimits& limits)
      : PdfWorkers(PdfParserLoader([parser] { return parser; }), limits) {}
  ~PdfWorkers();
  PdfWorkers(const PdfWorkers&) = delete;
  PdfWorkers& operator=(const PdfWorkers&) = delete;

  /// Called with the index in `paths` of each PDF whose facts are final, as
  /// each is.
  using OnRead = std::function<void(size_t index, const PdfFacts& facts)>;

  /// The facts of each PDF in `paths`, in the same order; a PDF whose worker
  /// died, overran or could not be started gets kCrashed or kTimedOut. Empty
  /// when the parser could not be loaded.
  std::vector<PdfFacts> ReadAll(const std::vector<std::string>& paths,
                                const OnRead& on_read = nullptr);

  /// Number of worker processes started so far.
  int started() const { return started_; }

  /// Replaces poll(2), for tests of a failing one.
  using PollFunction = int (*)(pollfd* fds, nfds_t count, int milliseconds);
  void set_poll(PollFunction poll) { poll_ = poll; }

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

  WorkerLimits limits_;
  std::vector<Worker> workers_;
  pid_t helper_ = -1;
  int helper_fd_ = -1;  // requests to the helper: start a worker, kill one
  bool no_parser_ = false;
  int started_ = 0;
  PollFunction poll_;
};

/// False in builds under the address or thread sanitizer, whose shadow
/// memory leaves no room for an address-space limit: there the workers run
/// without one.
bool MemoryLimitApplies();

/// The number of processors online (at least 1).
int ProcessorCount();

}  // namespace pdfindex

#endif  // PDFINDEX_METADATA_PDF_WORKERS_H_
