// The text policy of every output beside HtmlData.htm: page bytes become
// plain UTF-8 text (decoded by the page's charset, entities decoded, tags
// stripped, white space made single blanks), file names become UTF-8.
#ifndef PDFINDEX_TEXT_PLAIN_TEXT_H_
#define PDFINDEX_TEXT_PLAIN_TEXT_H_

#include <string>
#include <string_view>

#include "core/record.h"
#include "text/encoding.h"

namespace pdfindex {

/// The charset `html` declares in a `<meta charset>` or a Content-Type
/// `http-equiv` element within its first 64 KiB; kUndeclared when it
/// declares none that is known.
Charset DeclaredCharset(std::string_view html);

/// The charset of `page`, found once and kept with the page.
Charset PageCharset(const Page& page);

/// A charset that decodes `piece` of `page` as the page's charset does
/// (the page's own only when the piece holds a byte from 0x80 up).
Charset PieceCharset(const Page& page, std::string_view piece);

/// `html` as plain UTF-8 text: decoded by `charset`, character entities
/// decoded, tags stripped, runs of white space made one blank, trimmed.
/// The result is always valid UTF-8.
std::string PlainText(std::string_view html, Charset charset);

/// The file name `bytes` as UTF-8: as it is when valid UTF-8, else each
/// byte read as the code point of its value (ISO-8859-1).
std::string FileNameText(std::string_view bytes);

/// True when the file `name` is a contents page: it ends in ".htm" or
/// ".html", in any case.
bool IsContentsPage(std::string_view name);

/// True when the file `name` ends in ".pdf", in any case.
bool IsPdf(std::string_view name);

/// The link text of the PDF file `file`: its name less a final ".pdf" in
/// any case.
std::string PdfBaseName(std::string_view file);

/// The title `classic` read from `page`, with its plain text (of at most its
/// first 4096 bytes).
TitleRecord PageTitle(const Page& page, std::string classic);

/// A page named by its path `path` for want of a title.
TitleRecord PathTitle(const std::string& path);

}  // namespace pdfindex

#endif  // PDFINDEX_TEXT_PLAIN_TEXT_H_
