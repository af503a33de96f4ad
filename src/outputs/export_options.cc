#include "outputs/export_options.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <set>

#include "outputs/export_text.h"

namespace pdfindex {

ExportFactory ExportFactoryFor(std::string_view option) {
  if (option == "--json") return MakeJsonSink;
  if (option == "--bibtex") return MakeBibtexSink;
  if (option == "--csl-json") return MakeCslJsonSink;
  if (option == "--ris") return MakeRisSink;
  return nullptr;
}

std::string AbsoluteTarget(const std::string& file) {
  if (file == kStandardOutput) return file;
  std::string path = file;
  if (path.empty() || path[0] != '/') {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) != nullptr) path = std::string(cwd) + "/" + path;
  }
  const size_t slash = path.rfind('/');
  const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  char resolved[PATH_MAX];
  // A folder that does not resolve is left as written: creating the file
  // there fails and the run reports it.
  if (::realpath(folder.c_str(), resolved) == nullptr) return path;
  std::string out = resolved;
  if (out.back() != '/') out += '/';
  return out + path.substr(slash + 1);
}

std::string CurrentFolder() {
  char resolved[PATH_MAX];
  if (::realpath(".", resolved) == nullptr) return "";
  std::string out = resolved;
  if (out.back() != '/') out += '/';
  return out;
}

std::string ExportRequests(const std::vector<ExportOption>& exports, const std::string& root,
                           std::vector<OutputRequest>* requests,
                           std::shared_ptr<KeyBook>* book) {
  std::string folder = root;
  if (folder.empty() || folder.back() != '/') folder += '/';
  std::set<std::string> taken = {folder + std::string(kIndexName),
                                 folder + std::string(kKeysName)};
  // One run's exports share their keys, so each key is made once.
  const auto keys = std::make_shared<KeyBook>();
  if (book != nullptr) *book = keys;
  for (const ExportOption& option : exports) {
    if (!taken.insert(option.target).second) {
      return "'" + option.target + "' is written by more than one output";
    }
    const ExportFactory make = option.make;
    ExportContext context = ContextFor(option.target, folder);
    context.keys = keys;
    requests->push_back(
        {option.target, [make, context](ByteSink& out) { return make(out, context); }});
  }
  return "";
}

}  // namespace pdfindex
