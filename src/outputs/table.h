// Every output the command line can ask for besides the classic index: one
// row per option, with the sink it makes and where that sink stands.
#ifndef PDFINDEX_OUTPUTS_TABLE_H_
#define PDFINDEX_OUTPUTS_TABLE_H_

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/sink.h"

namespace pdfindex {

/// Where one output is written, for the sink that writes it.
struct OutputPlace {
  /// "-" for standard output, else an absolute path whose folder has its
  /// symbolic links resolved.
  std::string target;
  /// The folder the output's links start from: the target's folder, or the
  /// folder pdfindex started in for standard output (absolute, resolved).
  std::string folder;
  /// The archive root, absolute, resolved, ending in "/".
  std::string root;
};

/// Makes one output's sink, writing to the given bytes.
using OutputFactory = std::unique_ptr<CatalogueSink> (*)(ByteSink&, const OutputPlace&);

/// One output option.
struct OutputKind {
  /// The option, "--json".
  std::string_view flag;
  OutputFactory make;
  /// True when the output reads the records' fields (the classic index,
  /// which is no row here, reads only their classic descriptions).
  bool reads_fields;
  /// True when the output's folder must exist before the run starts (its
  /// links are made relative to it).
  bool needs_folder;
};

/// Every output option, in the order --help names them.
std::span<const OutputKind> OutputTable();

/// The row of `flag`, or nullptr.
const OutputKind* OutputKindFor(std::string_view flag);

}  // namespace pdfindex

#endif  // PDFINDEX_OUTPUTS_TABLE_H_
