// Where each output of a run goes: the files named on the command line
// resolved once, checked for clashes, and turned into the run's requests.
#ifndef PDFINDEX_CLI_PLAN_H_
#define PDFINDEX_CLI_PLAN_H_

#include <memory>
#include <string>
#include <vector>

#include "cli/flags.h"
#include "core/status.h"
#include "run/citation_keys.h"
#include "run/run.h"

namespace pdfindex {

/// A file named on the command line, taken from the folder pdfindex started
/// in (before it enters DIR).
struct Place {
  /// As the user gave it.
  std::string given;
  /// "-" for standard output, else an absolute path whose folder has its
  /// symbolic links resolved; as written when that folder does not resolve
  /// (creating the file there fails and the run says so).
  std::string target;
  /// The folder links from the file start at: the target's folder, or the
  /// current folder for standard output; absolute, resolved, ending in "/".
  /// "" when it does not exist.
  std::string folder;
};

/// `given` resolved from the current folder.
Place PlaceOf(const std::string& given);

/// The current folder's absolute path with its symbolic links resolved,
/// ending in "/"; "" when it cannot be found.
std::string CurrentFolder();

/// The outputs of a run, resolved.
struct OutputPlan {
  IndexTarget index;
  std::vector<OutputRequest> outputs;
  /// Every file named on the command line, for naming it as the user did.
  std::vector<Place> places;
  /// The citation keys the outputs share; null when no export is written
  /// (only exports keep keys in the archive's keys file).
  std::shared_ptr<KeyBook> keys;
};

/// The places of the files `options` names, resolved before the run enters
/// DIR (`plan->places`: the index file, if any, then the outputs in order).
/// Returns "" or a usage message for a file whose folder must exist and
/// does not.
std::string PlaceOutputs(const Options& options, OutputPlan* plan);

/// Completes `plan` for the archive whose resolved root is `root` (ending in
/// "/"): the index target and the requests in the order given. Returns "" or
/// a usage message when two outputs would write one file (or one standard
/// output).
std::string PlanOutputs(const Options& options, const std::string& root, OutputPlan* plan);

/// The path of `error` as the user knows it: a file named on the command
/// line as given ("standard output" for "-"), else `dir` joined to the path
/// in the archive; with control bytes made visible.
std::string UserPath(const OutputPlan& plan, const std::optional<std::string>& dir,
                     const std::string& path);

/// The failure line for `error` on standard error, its path as UserPath
/// gives it.
std::string UserFailureLine(const OutputPlan& plan, const std::optional<std::string>& dir,
                            const Status& error, const std::vector<std::string>& replaced = {});

}  // namespace pdfindex

#endif  // PDFINDEX_CLI_PLAN_H_
