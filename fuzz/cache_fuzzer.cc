// Fuzzes the metadata cache's reader: any bytes as the cache file must load
// or be refused without a crash, in time in proportion to their size, and
// whatever loads is written back as a file that loads to the same entries.
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fake_disk.h"
#include "fuzz_check.h"
#include "metadata/cache.h"

namespace {

double CpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The paths a fuzzed file is likely to name, looked up with the stamp the
// first entry would carry.
constexpr std::string_view kPaths[] = {"a", "b", "P/I/a.pdf", "P/I/b.pdf", ""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using pdfindex::MetadataCache;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string name(pdfindex::kCacheName);
  pdfindex::FakeDisk disk;
  disk.AddFile(name, bytes);
  // Loading and looking up read each byte a bounded number of times. A run
  // over the time allowed is timed twice more: a stall of the machine
  // passes on a second try, work that is not linear fails all three.
  std::optional<MetadataCache> made;
  bool loaded = false;
  for (int attempt = 0;; ++attempt) {
    const double start = CpuSeconds();
    MetadataCache& cache = made.emplace();
    loaded = cache.Load(disk);
    pdfindex::PdfOutcome outcome;
    for (const std::string_view path : kPaths) {
      for (const pdfindex::PdfStamp stamp : {pdfindex::PdfStamp{0, 0}, pdfindex::PdfStamp{1, 1}}) {
        cache.Find(std::string(path), stamp);
        cache.Knows(std::string(path), stamp, &outcome);
      }
    }
    if (CpuSeconds() - start < 0.05 + 1e-6 * static_cast<double>(size)) break;
    FUZZ_CHECK(attempt < 2);
  }
  MetadataCache& cache = *made;
  // A checkpoint keeps every entry loaded and the one put: it loads, and
  // loaded, put to and checkpointed again it is the same file.
  const pdfindex::PdfFacts facts;
  cache.Put("\xff\xff", pdfindex::PdfStamp{}, facts);
  FUZZ_CHECK(cache.Checkpoint(disk).ok());
  const std::string checkpoint = disk.Contents(name);
  MetadataCache again;
  FUZZ_CHECK(again.Load(disk));
  again.Put("\xff\xff", pdfindex::PdfStamp{}, facts);
  FUZZ_CHECK(again.Checkpoint(disk).ok());
  FUZZ_CHECK(disk.Contents(name) == checkpoint);
  FUZZ_CHECK(loaded || checkpoint.size() < 200);  // only the entry put
  return 0;
}
