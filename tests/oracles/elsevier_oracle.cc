#include "oracles/steps.h"

namespace pdfindex {

std::string ElsevierTitleOracle(const PageSet& pages, const std::string& path) {
  std::string line;
  if (!ElementText(pages, path, "<TITLE>", "</TITLE>", &line)) return path;
  if (const Pos s = PosOf(": Free Sample Issue.", line); s > 0) DeleteRange(line, s, Len(line));
  return line;
}

}  // namespace pdfindex
