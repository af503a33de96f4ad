// The entry point of the PDF reader module, the shared object that
// pdfindex loads only when --metadata reads PDFs: the parser's many
// libraries are then never loaded by a run that does not need them.
#include "metadata/pdf_module.h"

#include "metadata/pdf/poppler_pdf.h"

extern "C" __attribute__((visibility("default"))) const pdfindex::PdfModuleEntry*
pdfindex_pdf_module_entry() {
  static const pdfindex::PdfModuleEntry entry{pdfindex::kPdfModuleVersion, pdfindex::ReadPdfFacts};
  return &entry;
}
