#include "cli/plan.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <set>
#include <utility>

#include "metadata/cache.h"
#include "outputs/export_text.h"
#include "outputs/keys_file.h"
#include "outputs/search_page_text.h"
#include "text/escape.h"
#include "text/plain_text.h"
#include "run/report.h"
#include "text/escape.h"

namespace pdfindex {

namespace {

constexpr std::string_view kShownStandardOutput = "standard output";

// `path` resolved by the system, ending in "/"; "" when it does not resolve.
std::string Resolved(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return "";
  std::string out = resolved;
  if (out.back() != '/') out += '/';
  return out;
}

std::string Clash(const std::string& given) {
  return "'" + given + "' is written by more than one output";
}

}  // namespace

std::string CurrentFolder() { return Resolved("."); }

Place PlaceOf(const std::string& given) {
  Place place{given, given, {}};
  if (given == kStandardOutput) {
    place.folder = CurrentFolder();
    return place;
  }
  std::string path = given;
  if (path.empty() || path[0] != '/') {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) != nullptr) path = std::string(cwd) + "/" + path;
  }
  const size_t slash = path.rfind('/');
  place.folder = Resolved(slash == 0 ? "/" : path.substr(0, slash));
  place.target = place.folder.empty() ? path : place.folder + path.substr(slash + 1);
  return place;
}

std::string PlaceOutputs(const Options& options, OutputPlan* plan) {
  if (options.index_file) plan->places.push_back(PlaceOf(*options.index_file));
  for (const OutputOption& output : options.outputs) {
    plan->places.push_back(PlaceOf(output.file));
  }
  for (size_t n = 0; n < plan->places.size(); ++n) {
    const Place& place = plan->places[n];
    const bool index = options.index_file && n == 0;
    const bool needs_folder =
        index || options.outputs[n - (options.index_file ? 1 : 0)].kind->needs_folder;
    // Links from the file are made relative to its folder, which must be
    // there to be known.
    if (needs_folder && (place.folder.empty() || place.target.ends_with('/'))) {
      return "the folder of '" + place.given + "' does not exist";
    }
  }
  return "";
}

std::string PlanOutputs(const Options& options, const std::string& root, OutputPlan* plan) {
  std::set<std::string> taken;
  size_t next = 0;
  plan->index.write = !options.no_index;
  if (options.index_file) {
    const Place& place = plan->places[next++];
    plan->index.target = place.target;
    plan->index.href_root = EscapeHref(PageRelativeFolder(place.folder, root));
    taken.insert(place.target);
  } else if (plan->index.write) {
    taken.insert(root + std::string(kIndexName));
  }
  // With --metadata the cache is written in the root, never in an output's
  // place.
  if (options.metadata) taken.insert(root + std::string(kCacheName));
  // The --html page comes first, then the exports: the order the run has
  // always put them in place.
  std::vector<size_t> order;
  for (size_t n = 0; n < options.outputs.size(); ++n) {
    if (options.outputs[n].kind->needs_folder) order.push_back(n);
  }
  for (size_t n = 0; n < options.outputs.size(); ++n) {
    if (!options.outputs[n].kind->needs_folder) order.push_back(n);
  }
  // One run's outputs share their citation keys, so each key is made once;
  // the exports keep them in the keys file, which no output may replace.
  for (const OutputOption& output : options.outputs) {
    if (!output.kind->needs_folder) {
      plan->keys = std::make_shared<KeyBook>();
      std::string keys_path = root;
      keys_path += kKeysName;
      taken.insert(std::move(keys_path));
      break;
    }
  }
  for (const size_t n : order) {
    const Place& place = plan->places[next + n];
    if (!taken.insert(place.target).second) return Clash(place.given);
    OutputPlace where{place.target, place.folder, root};
    const OutputFactory make = options.outputs[n].kind->make;
    plan->outputs.push_back(
        {place.target, [make, where](ByteSink& out) { return make(out, where); }});
  }
  return "";
}

std::string UserPath(const OutputPlan& plan, const std::optional<std::string>& dir,
                     const std::string& path) {
  for (const Place& place : plan.places) {
    if (path == place.target) {
      return place.target == kStandardOutput ? std::string(kShownStandardOutput)
                                             : ShownPath(place.given);
    }
  }
  std::string shown;
  if (!dir) {
    shown = path.empty() ? "." : path;
  } else {
    shown = *dir;
    if (!path.empty()) {
      if (!shown.ends_with('/')) shown += '/';
      shown += path;
    }
  }
  return ShownPath(shown);
}

std::string UserFailureLine(const OutputPlan& plan, const std::optional<std::string>& dir,
                            const Status& error, const std::vector<std::string>& replaced) {
  std::string line = FailureLine(error, UserPath(plan, dir, error.path));
  // Standard output is no path: it stands without quotes.
  const std::string quoted = "'" + std::string(kShownStandardOutput) + "'";
  if (error.path == kStandardOutput) {
    if (const size_t at = line.find(quoted); at != std::string::npos) {
      line.replace(at, quoted.size(), kShownStandardOutput);
    }
  }
  if (!replaced.empty()) {
    line.pop_back();
    line += "; already replaced:";
    for (const std::string& path : replaced) line += " '" + UserPath(plan, dir, path) + "'";
    line += '\n';
  }
  return line;
}

}  // namespace pdfindex
