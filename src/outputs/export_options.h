// The command line's export options (--json, --bibtex, --csl-json, --ris
// FILE) turned into the run's output requests.
#ifndef PDFINDEX_OUTPUTS_EXPORT_OPTIONS_H_
#define PDFINDEX_OUTPUTS_EXPORT_OPTIONS_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "run/run.h"
#include "outputs/export.h"

namespace pdfindex {

/// Makes one export's sink.
using ExportFactory = std::unique_ptr<CatalogueSink> (*)(ByteSink&, const ExportContext&);

/// One export asked for on the command line.
struct ExportOption {
  ExportFactory make = nullptr;
  /// "-" for standard output, else an absolute path (see AbsoluteTarget).
  std::string target;
};

/// The export `option` asks for ("--json", "--bibtex", "--csl-json",
/// "--ris"); nullptr when it names none.
ExportFactory ExportFactoryFor(std::string_view option);

/// `file` as an export target: "-" as it is, else an absolute path whose
/// folder has its symbolic links resolved (so that it compares with the
/// archive root); a relative `file` is taken from the current folder.
std::string AbsoluteTarget(const std::string& file);

/// The current folder's absolute path with its symbolic links resolved,
/// ending in "/"; "" when it cannot be found.
std::string CurrentFolder();

/// The run's requests for `exports` of the archive whose absolute root is
/// `root`, in the order given, in `requests`. Returns "" or, when two
/// outputs would write the same file (or the same standard output, or
/// HtmlData.htm or the keys file in the root), a message that says so.
/// `keys`, when given, is set to the key book the exports share, for the
/// run to open and save its keys file.
std::string ExportRequests(const std::vector<ExportOption>& exports, const std::string& root,
                           std::vector<OutputRequest>* requests,
                           std::shared_ptr<KeyBook>* keys = nullptr);

}  // namespace pdfindex

#endif  // PDFINDEX_OUTPUTS_EXPORT_OPTIONS_H_
