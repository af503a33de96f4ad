// Writes a made-up benchmark archive whose PDFs are real, small PDFs:
// make_pdf_archive ROOT ISSUES ARTICLES writes the archive make_archive
// writes, then fills every PDF with document information, an XMP packet on
// every other one, and a DOI on its first page.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bench/generator.h"
#include "tests/metadata/pdf_maker.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_pdf_archive ROOT ISSUES ARTICLES\n");
    return 2;
  }
  pdfindex::bench::WriteArchive(argv[1], std::atoi(argv[2]), std::atoi(argv[3]));
  long long count = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[1])) {
    if (!entry.is_regular_file() || entry.path().extension() != ".pdf") continue;
    const std::string base = entry.path().stem().string();
    pdfindex::PdfSpec spec;
    spec.title = "Made-Up Article " + base;
    spec.author = "Ann Able; Bo Baker";
    spec.producer = "make_pdf_archive";
    if (count % 2 == 0) {
      spec.xmp = pdfindex::MakeXmp(spec.title, {"Ann Able", "Bo Baker"},
                                   "10.5555/bench." + std::to_string(count), "Bench J");
    }
    spec.lines = {"Bench J 1 (2024) 1-10", "doi:10.4444/bench." + std::to_string(count)};
    std::ofstream(entry.path(), std::ios::binary) << pdfindex::MakePdf(spec);
    ++count;
  }
  std::printf("%lld\n", count);
  return 0;
}
