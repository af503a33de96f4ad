// Fuzzes the meta-tag and XMP readers on one buffer: neither may crash,
// hang or leak, every value they return is trimmed single-blank text, and a
// DOI they return is one the finder finds in itself. The tag reader must
// also take time in proportion to the page: the input repeated to a few
// hundred kilobytes is read within a bound per byte.
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "metadata/page_meta.h"
#include "metadata/plain.h"
#include "metadata/xmp.h"

namespace pdfindex {
namespace {

void CheckFields(const ArticleFields& f) {
  for (const std::string* s :
       {&f.title, &f.container, &f.volume, &f.issue, &f.first_page, &f.last_page, &f.year}) {
    FUZZ_CHECK(*s == CollapseSpace(*s));
  }
  FUZZ_CHECK(f.doi.empty() || FindDoi(f.doi) == f.doi);
  FUZZ_CHECK(f.year.empty() || f.year.size() == 4);
}

double CpuSeconds() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Reads `bytes` repeated to at least 256 KB and checks that it took no more
// than 20 ms and a quarter microsecond per byte of processor time: a linear
// reading takes a tenth of that even under the sanitizers, one that reads
// the rest of the page once per tag many times more.
void CheckLinear(std::string_view bytes) {
  if (bytes.empty()) return;
  std::string page;
  page.reserve((size_t{256} << 10) + bytes.size());
  while (page.size() < (size_t{256} << 10)) page += bytes;
  const double limit = 0.02 + 0.25e-6 * static_cast<double>(page.size());
  // A reading that takes too long once is timed twice more: a stall of the
  // machine (another process, a page fault storm) passes on the second
  // try, a reading that is not linear fails all three.
  for (int attempt = 0;; ++attempt) {
    const double start = CpuSeconds();
    ParsePageMeta(page);
    if (CpuSeconds() - start < limit) break;
    FUZZ_CHECK(attempt < 2);
  }
}

}  // namespace
}  // namespace pdfindex

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const pdfindex::PageMeta meta = pdfindex::ParsePageMeta(bytes);
  pdfindex::CheckFields(meta.fields);
  FUZZ_CHECK(meta.tagged || meta.fields.empty());
  pdfindex::PageDescribesPdf(meta, "a.htm", "a.pdf", "a");
  pdfindex::CheckFields(pdfindex::ParseXmp(bytes));
  pdfindex::CheckLinear(bytes);
  return 0;
}
