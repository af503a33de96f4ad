// Text helpers of the searchable index page: the text a description shows,
// and links between its folder and the archive's.
#ifndef PDFINDEX_OUTPUTS_SEARCH_PAGE_TEXT_H_
#define PDFINDEX_OUTPUTS_SEARCH_PAGE_TEXT_H_

#include <string>
#include <string_view>

namespace pdfindex {

/// The relative path from the absolute folder `from` to the absolute folder
/// `to`: "" when they are the same, else a path ending in "/" ("../a/").
/// Both are taken as written ("." and empty steps dropped, ".." undoing the
/// step before), so symbolic links must be resolved by the caller.
std::string PageRelativeFolder(std::string_view from, std::string_view to);

/// The text an HTML description shows: tags dropped, character references
/// decoded, white space made single blanks and trimmed, as UTF-8
/// (windows-1252 when the bytes are not UTF-8); "" when no letter or digit
/// is left, so a bare "; .<BR>" shows as nothing.
std::string PageTextOfHtml(std::string_view html);

}  // namespace pdfindex

#endif  // PDFINDEX_OUTPUTS_SEARCH_PAGE_TEXT_H_
