// A stand-in for the PDF reader module, for runs whose reading is counted:
// a "PDF" is a file whose second line is its title; each read takes half a
// millisecond and appends the path read to "reads.log" beside the module.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "metadata/pdf_module.h"

namespace {

pdfindex::PdfFacts ReadCounted(const std::string& path) {
  Dl_info info{};
  ::dladdr(reinterpret_cast<void*>(&ReadCounted), &info);
  std::string log = info.dli_fname != nullptr ? info.dli_fname : "";
  log = log.substr(0, log.rfind('/') + 1) + "reads.log";
  const std::string line = path + "\n";
  const int fd = ::open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) {
    (void)!::write(fd, line.data(), line.size());
    ::close(fd);
  }
  pdfindex::PdfFacts facts;
  std::ifstream in(path);
  std::string first;
  if (!std::getline(in, first) || !std::getline(in, facts.title)) {
    facts.outcome = pdfindex::PdfOutcome::kNotPdf;
  }
  ::usleep(500);
  return facts;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const pdfindex::PdfModuleEntry*
pdfindex_pdf_module_entry() {
  static const pdfindex::PdfModuleEntry entry{pdfindex::kPdfModuleVersion, ReadCounted};
  return &entry;
}
