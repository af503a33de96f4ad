// Fuzzes the meta-tag and XMP readers on one buffer: neither may crash,
// hang or leak, every value they return is trimmed single-blank text, and a
// DOI they return is one the finder finds in itself.
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

}  // namespace
}  // namespace pdfindex

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const pdfindex::PageMeta meta = pdfindex::ParsePageMeta(bytes);
  pdfindex::CheckFields(meta.fields);
  FUZZ_CHECK(meta.tagged || meta.fields.empty());
  pdfindex::PageDescribesPdf(meta, "a.htm", "a.pdf", "a");
  pdfindex::CheckFields(pdfindex::ParseXmp(bytes));
  return 0;
}
