// The exports beside HtmlData.htm: the catalogue as JSON, BibTeX, CSL-JSON
// and RIS. Each is a CatalogueSink writing valid UTF-8 to its ByteSink.
#ifndef PDFINDEX_OUTPUTS_EXPORT_H_
#define PDFINDEX_OUTPUTS_EXPORT_H_

#include <memory>
#include <string>
#include <string_view>

#include "core/sink.h"

namespace pdfindex {

/// What an export says about the paths it holds. Paths are relative to the
/// archive root; when the output file lies outside the root, `root` is the
/// root's absolute path ending in "/" and each output says so (JSON: a
/// "root" member; BibTeX: an @comment; CSL-JSON and RIS: every PDF path
/// carries the root as its prefix). An output on standard output, or in the
/// root folder itself, has an empty `root`.
struct ExportContext {
  std::string root;
  /// The archive root's absolute path ending in "/", whatever `root` says:
  /// what BibTeX names as the file directory, and the folder of the
  /// file:// URIs of paths that cannot be written as text.
  std::string archive;
};

/// The context for an output written to `target` ("-" for standard output,
/// else an absolute path) of the archive whose absolute root is `root`.
ExportContext ContextFor(std::string_view target, std::string_view root);

/// The whole catalogue as one JSON document (doc/catalogue.schema.json).
std::unique_ptr<CatalogueSink> MakeJsonSink(ByteSink& out, const ExportContext& context);
/// One BibTeX entry per PDF.
std::unique_ptr<CatalogueSink> MakeBibtexSink(ByteSink& out, const ExportContext& context);
/// One CSL-JSON item per PDF, with the BibTeX keys as ids.
std::unique_ptr<CatalogueSink> MakeCslJsonSink(ByteSink& out, const ExportContext& context);
/// One RIS record per PDF.
std::unique_ptr<CatalogueSink> MakeRisSink(ByteSink& out, const ExportContext& context);

}  // namespace pdfindex

#endif  // PDFINDEX_OUTPUTS_EXPORT_H_
