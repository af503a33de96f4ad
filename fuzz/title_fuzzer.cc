// Fuzzes every issue-title reader of the registry: the input is the bytes of
// a contents page. A reader must not crash, must give the same title every
// time, must give what its step-by-step oracle gives (on pages short enough
// for the oracle's copies), and must give either nothing or the path for a
// page it cannot open; the plain text is valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "oracles/oracles.h"
#include "readers/registry.h"
#include "text/plain_text.h"

namespace pdfindex {
namespace {

// The oracles copy the text at each step: longer pages take them too long.
constexpr size_t kMaxOracleBytes = 16 << 10;

void CheckTitles(const Reader& reader, std::string_view bytes) {
  const std::string folder = std::string(reader.keyword) + "/v1/";
  const std::string path = folder + "toc.htm";
  PageSet pages;
  pages.Add(path, bytes);

  const TitleRecord title = reader.title(pages.Open(path), path);
  FUZZ_CHECK(reader.title(pages.Open(path), path).classic == title.classic);
  FUZZ_CHECK(IsValidUtf8(title.text));
  const Oracle* oracle = OracleOf(reader.keyword);
  FUZZ_CHECK(oracle != nullptr);
  if (bytes.size() <= kMaxOracleBytes) FUZZ_CHECK(title.classic == oracle->title(pages, path));

  // A page that cannot be opened.
  const std::string missing = folder + "missing.htm";
  const TitleRecord none = reader.title(nullptr, missing);
  FUZZ_CHECK(none.classic == (none.is_path ? missing : ""));
  FUZZ_CHECK(none.classic == oracle->title(pages, missing));
}

}  // namespace
}  // namespace pdfindex

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const pdfindex::Reader& reader : pdfindex::Readers()) pdfindex::CheckTitles(reader, bytes);
  pdfindex::CheckTitles(pdfindex::GeneralReader(), bytes);
  return 0;
}
