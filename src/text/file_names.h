// File names as the outputs write them: HTML link targets and text, the
// link text of a PDF, and paths as a report shows them.
#ifndef PDFINDEX_TEXT_FILE_NAMES_H_
#define PDFINDEX_TEXT_FILE_NAMES_H_

#include <string>
#include <string_view>

namespace pdfindex {

/// `name` written for an href value between double quotes, so that a browser
/// finds the file of that name: "%", "\"", "#", "?", "\\", ":", control bytes,
/// bytes from 0x7F up and a blank that starts the name as %XX, "&" as "&amp;".
std::string EscapeHref(std::string_view name);
/// EscapeHref(name) appended to *out.
void AppendEscapedHref(std::string_view name, std::string* out);

/// `name` written as HTML text: "&", "<", ">" as character references.
std::string EscapeText(std::string_view name);
/// EscapeText(name) appended to *out.
void AppendEscapedText(std::string_view name, std::string* out);

/// True when `name` ends in ".pdf" in any case.
bool IsPdfName(std::string_view name);
/// The link text of the PDF file `file`: its name less a final ".pdf" in
/// any case.
std::string PdfBaseName(std::string_view file);

/// `path` as the report shows it: bytes below 0x20 and 0x7F as "\xNN" and a
/// backslash as "\\", so that every path stays on its own line and a
/// terminal shows it without acting on it; other bytes are unchanged.
std::string ShownPath(std::string_view path);

}  // namespace pdfindex

#endif  // PDFINDEX_TEXT_FILE_NAMES_H_
