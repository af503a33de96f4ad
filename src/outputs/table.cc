#include "outputs/table.h"

#include <array>

#include "outputs/export.h"
#include "outputs/search_page.h"

namespace pdfindex {

namespace {

template <std::unique_ptr<CatalogueSink> (*Make)(ByteSink&, const ExportContext&)>
std::unique_ptr<CatalogueSink> MakeExport(ByteSink& out, const OutputPlace& place) {
  return Make(out, ContextFor(place.target, place.root));
}

std::unique_ptr<CatalogueSink> MakePage(ByteSink& out, const OutputPlace& place) {
  SearchPageOptions options;
  options.root = place.root;
  // The page takes the root without its final "/", as the folder is.
  if (options.root.size() > 1 && options.root.back() == '/') options.root.pop_back();
  options.page_folder = place.folder;
  return MakeSearchPage(out, options);
}

constexpr std::array<OutputKind, 5> kOutputs = {{
    {"--json", MakeExport<MakeJsonSink>, true, false},
    {"--bibtex", MakeExport<MakeBibtexSink>, true, false},
    {"--csl-json", MakeExport<MakeCslJsonSink>, true, false},
    {"--ris", MakeExport<MakeRisSink>, true, false},
    {"--html", MakePage, true, true},
}};

}  // namespace

std::span<const OutputKind> OutputTable() { return kOutputs; }

const OutputKind* OutputKindFor(std::string_view flag) {
  for (const OutputKind& kind : kOutputs) {
    if (kind.flag == flag) return &kind;
  }
  return nullptr;
}

}  // namespace pdfindex
