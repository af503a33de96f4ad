// Small text helpers shared by the metadata readers: the values they find in
// pages, XMP packets and PDFs become plain single-blank text.
#ifndef PDFINDEX_METADATA_PLAIN_H_
#define PDFINDEX_METADATA_PLAIN_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "text/encoding.h"

namespace pdfindex {

/// `text` with every run of white space (blank, tab, CR, LF, FF, VT) made
/// one blank and none at either end.
std::string CollapseSpace(std::string_view text);

/// The character PDFDocEncoding means by code point `cp` of a text string
/// read byte for byte (0x80 is a bullet, 0x93 the "fi" ligature); other
/// code points unchanged.
uint32_t PdfDocCodePoint(uint32_t cp);

/// `text` without markup: each tag ("<i>", "</sub>", "<br/>") removed; a
/// "<" that starts no tag stays.
std::string StripMarkup(std::string_view text);

/// `text` with each "%XX" (two hex digits) made its byte.
std::string PercentDecode(std::string_view text);

/// The first four-digit year from 1000 to 2999 standing alone in `date`
/// ("2003-05-01", "May 2003"); "" when there is none.
std::string YearOf(std::string_view date);

/// The DOI inside `text` ("doi:10.1000/x", "https://doi.org/10.1000/x"):
/// "10." + 4 to 9 digits + "/" + a suffix up to white space, with trailing
/// punctuation dropped; "" when `text` holds none.
std::string FindDoi(std::string_view text);

}  // namespace pdfindex

#endif  // PDFINDEX_METADATA_PLAIN_H_
