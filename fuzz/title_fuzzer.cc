// Fuzzes one issue-title reader: the input is the bytes of a contents page.
// The reader must not crash, must give the same title every time, and must
// give its fixed title for a page it cannot open; the plain text is valid
// UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>

#include "text/plain_text.h"
#include "fuzz_check.h"
#include "readers.h"

namespace pdfindex {
namespace {

const FuzzedReader& kReader = ReaderNamed(PDFINDEX_FUZZ_READER);

void CheckTitles(std::string_view bytes) {
  const std::string folder = std::string(kReader.keyword) + "/v1/";
  const std::string path = folder + "toc.htm";
  PageSet pages;
  pages.Add(path, bytes);

  const TitleRecord title = kReader.title(pages.Open(path), path);
  FUZZ_CHECK(kReader.title(pages.Open(path), path).classic == title.classic);
  FUZZ_CHECK(IsValidUtf8(title.text));

  // A page that cannot be opened.
  const std::string missing = folder + "missing.htm";
  const TitleRecord none = kReader.title(nullptr, missing);
  FUZZ_CHECK(none.classic == (kReader.unopenable_title_is_path ? missing : ""));
  FUZZ_CHECK(none.is_path == kReader.unopenable_title_is_path);
}

}  // namespace
}  // namespace pdfindex

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pdfindex::CheckTitles(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
