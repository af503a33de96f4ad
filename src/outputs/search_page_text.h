// Text helpers of the searchable index page: archive names and page text as
// UTF-8, JSON strings that are safe inside a script element, and links that
// resolve to a file's exact bytes.
#ifndef PDFINDEX_OUTPUTS_SEARCH_PAGE_TEXT_H_
#define PDFINDEX_OUTPUTS_SEARCH_PAGE_TEXT_H_

#include <string>
#include <string_view>

namespace pdfindex {

/// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or
/// code points past U+10FFFF).
bool IsUtf8(std::string_view bytes);

/// `bytes` as UTF-8: unchanged when they are UTF-8 already, else each byte
/// read as Latin-1.
std::string PageTextOfBytes(std::string_view bytes);

/// `utf8` as a double-quoted JSON string; "<", ">", "&", U+2028 and U+2029
/// are escaped too, so the string can stand inside a script element.
std::string PageJsonString(std::string_view utf8);

/// `utf8` as HTML text or attribute value: "&", "<", ">", "\"" and "'" as
/// character references.
std::string PageHtmlText(std::string_view utf8);

/// The path bytes `path` percent-encoded for a relative URL: every byte but
/// letters, digits, "-", ".", "_", "~" and the separator "/" as %XX.
std::string PagePercentEncode(std::string_view path);

/// The relative path from the absolute folder `from` to the absolute folder
/// `to`: "" when they are the same, else a path ending in "/" ("../a/").
/// Both are taken as written ("." and empty steps dropped, ".." undoing the
/// step before), so symbolic links must be resolved by the caller.
std::string PageRelativeFolder(std::string_view from, std::string_view to);

/// The text an HTML description shows: tags dropped, the common character
/// references decoded, white space made single blanks and trimmed, as UTF-8
/// (Latin-1 when the bytes are not UTF-8); "" when no letter or digit is
/// left, so a bare "; .<BR>" shows as nothing.
std::string PageTextOfHtml(std::string_view html);

}  // namespace pdfindex

#endif  // PDFINDEX_OUTPUTS_SEARCH_PAGE_TEXT_H_
