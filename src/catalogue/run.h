// The catalogue run: walks the archive and writes its index page.
#ifndef PDFINDEX_CATALOGUE_RUN_H_
#define PDFINDEX_CATALOGUE_RUN_H_

#include <string>
#include <string_view>

#include "catalogue/disk.h"
#include "catalogue/io_error.h"

namespace pdfindex {

/// The index page's file name in the archive root.
inline constexpr std::string_view kIndexName = "HtmlData.htm";
/// Where the index is written before it replaces kIndexName.
inline constexpr std::string_view kIndexTempName = ".HtmlData.htm.tmp";

/// Writes the index of the archive on `disk` to HtmlData.htm in its root.
/// The page is written to a temporary file that replaces HtmlData.htm only
/// when complete, so on failure an earlier index stays as it was. Returns the
/// failure that ended the run, or success.
IoError RunCatalogue(Disk& disk, Console& console);

/// `name` written for an href value between double quotes: "%", "\"", "#",
/// "?" and control bytes as %XX, "&" as "&amp;".
std::string EscapeHref(std::string_view name);

/// `name` written as HTML text: "&", "<", ">" as character references.
std::string EscapeText(std::string_view name);

/// The link text of the PDF file `file`: its name less a final ".pdf" in
/// any case.
std::string PdfBaseName(std::string_view file);

}  // namespace pdfindex

#endif  // PDFINDEX_CATALOGUE_RUN_H_
