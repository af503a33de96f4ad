// Fuzzes one issue-title reader: the input is the bytes of a contents page.
// The reader must not crash, must give the same title every time, and must
// give its fixed title (and console exchange) for a page it cannot open.
#include <cstddef>
#include <cstdint>
#include <string>

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

  RecordingConsole console;
  const std::string title = kReader.title(pages, console, path);
  FUZZ_CHECK(kReader.title(pages, console, path) == title);
  FUZZ_CHECK(console.output.empty() && console.lines_read == 0);

  // A page named in the folder that is not in the set cannot be opened.
  const std::string missing = folder + "missing.htm";
  const std::string none = kReader.title(pages, console, missing);
  FUZZ_CHECK(none == (kReader.unopenable_title_is_path ? missing : ""));
  if (kReader.name == "sciencedirect") {
    FUZZ_CHECK(console.output == "eroare\r\n" && console.lines_read == 1);
  } else {
    FUZZ_CHECK(console.output.empty() && console.lines_read == 0);
  }
}

}  // namespace
}  // namespace pdfindex

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pdfindex::CheckTitles(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
