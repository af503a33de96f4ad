// File names written into HTML: as link targets and as text.
#ifndef PDFINDEX_TEXT_HTML_ESCAPE_H_
#define PDFINDEX_TEXT_HTML_ESCAPE_H_

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

}  // namespace pdfindex

#endif  // PDFINDEX_TEXT_HTML_ESCAPE_H_
