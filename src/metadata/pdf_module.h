// The PDF reader behind --metadata lives in a module of its own (a shared
// object beside the program), loaded at the first run that reads PDFs, so
// that every other run starts without the parser's libraries.
#ifndef PDFINDEX_METADATA_PDF_MODULE_H_
#define PDFINDEX_METADATA_PDF_MODULE_H_

#include <string>

#include "metadata/pdf_facts.h"

namespace pdfindex {

/// Changes whenever PdfModuleEntry or PdfFacts change shape, so that a
/// module built for another version of the program is refused.
inline constexpr int kPdfModuleVersion = 2;

/// What the module gives the program.
struct PdfModuleEntry {
  int version;
  PdfFacts (*read)(const std::string& path);
};

/// The module's PDF reader, loaded from `module_path` (the first time);
/// nullptr when it cannot be loaded, with *why saying why.
PdfFacts (*LoadPdfModule(const std::string& module_path, std::string* why))(const std::string&);

/// Where the module lies for the program at `program_path`: beside it (a
/// build folder), else at `installed` taken from the program's folder.
std::string PdfModulePath(const std::string& program_path, const std::string& installed);

}  // namespace pdfindex

#endif  // PDFINDEX_METADATA_PDF_MODULE_H_
