// The PDF parser behind --metadata: document information, the XMP packet
// and the first page's text, through poppler's C++ interface.
#ifndef PDFINDEX_METADATA_PDF_POPPLER_PDF_H_
#define PDFINDEX_METADATA_PDF_POPPLER_PDF_H_

#include <string>

#include "metadata/pdf_facts.h"

namespace pdfindex {

/// Reads the metadata of the PDF at `path` (relative to the current
/// folder). Meant to run in a worker process: the parser may crash or hang
/// on hostile input.
PdfFacts ReadPdfFacts(const std::string& path);

}  // namespace pdfindex

#endif  // PDFINDEX_METADATA_PDF_POPPLER_PDF_H_
