// The names of the files the run writes and of standard output.
#ifndef PDFINDEX_CORE_FILE_NAMES_H_
#define PDFINDEX_CORE_FILE_NAMES_H_

#include <string_view>

namespace pdfindex {

/// The index page's file name in the archive root.
inline constexpr std::string_view kIndexName = "HtmlData.htm";
/// The fixed name earlier versions wrote the index to before it replaced
/// kIndexName; the real disk clears away a file left there.
inline constexpr std::string_view kIndexTempName = ".HtmlData.htm.tmp";

/// The target that names standard output where an output's path is asked
/// for.
inline constexpr std::string_view kStandardOutput = "-";

}  // namespace pdfindex

#endif  // PDFINDEX_CORE_FILE_NAMES_H_
