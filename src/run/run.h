// The catalogue run: walks the archive and writes its index page.
#ifndef PDFINDEX_RUN_RUN_H_
#define PDFINDEX_RUN_RUN_H_

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/sink.h"
#include "core/status.h"
#include "metadata/enricher.h"
#include "platform/disk.h"
#include "run/observer.h"

namespace pdfindex {

class KeyBook;

/// Where the run writes the classic index page.
struct IndexTarget {
  /// False: no index page is written (the other outputs still are).
  bool write = true;
  /// The path the page replaces (relative to the archive root, or as the
  /// disk takes it), or "-" for standard output.
  std::string target = std::string(kIndexName);
  /// What every link of the page starts with: "" in the root, else the way
  /// from the page's folder to the root, escaped for an href ("../a/").
  std::string href_root;
};

/// What a run writes and who watches it.
struct RunSetup {
  RunObserver* observer = nullptr;
  std::vector<OutputRequest> outputs;
  IssueEnricher* enricher = nullptr;
  /// The citation keys of the outputs that read them, with the keys file;
  /// nullptr: the run makes them afresh.
  KeyBook* keys = nullptr;
  int jobs = 1;
  IndexTarget index;
  /// The outputs but HtmlData.htm, and the enricher, also get a loose record
  /// for each folder of PDFs outside issue folders, in walk order (the
  /// root's first, a publisher folder's before its issue folders, those
  /// below an issue folder after it); the observer is told as without.
  bool all_pdfs = false;
};

/// Writes the index of the archive on `disk` to HtmlData.htm in its root
/// (or where `setup.index` says, or nowhere), and each of `setup.outputs`
/// to its target. Every output is written to a pending file (standard
/// output and devices are held back the same way); only when every sink has
/// finished and every file is ready are the files put in place, then the
/// outputs written through (standard output, devices). So a failure leaves
/// every earlier output as it was and nothing behind, but for a failure of
/// an output written through (or a rename that fails once others were
/// done), after which `replaced`, when given, names the targets of the
/// files already put in place. Returns the failure that ended the run, or
/// success. `setup.observer`, when given, is told of every folder, page and
/// PDF; the bytes written never depend on it. A page that cannot be opened,
/// of a reader that pauses on one (Reader::pauses_on_unopenable_page), makes the run
/// write "eroare" on `console` and wait for one line of its input.
/// `setup.enricher`, when given, sees every issue folder's record after its
/// readers and before the outputs. `setup.jobs` threads work on issue
/// folders at once, a few folders ahead of the one being written; the
/// outputs, the observer's events and the console are the same whatever
/// their number (`disk` must then take reads from several threads).
Status Run(Disk& disk, Console& console, const RunSetup& setup,
           std::vector<std::string>* replaced = nullptr);

/// Run with the setup given part by part.
Status RunCatalogue(Disk& disk, Console& console, RunObserver* observer = nullptr,
                    const std::vector<OutputRequest>& outputs = {},
                    IssueEnricher* enricher = nullptr, int jobs = 1,
                    const IndexTarget& index = IndexTarget(),
                    std::vector<std::string>* replaced = nullptr, bool all_pdfs = false);

}  // namespace pdfindex

#endif  // PDFINDEX_RUN_RUN_H_
