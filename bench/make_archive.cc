// Writes a made-up benchmark archive: make_archive ROOT ISSUES ARTICLES
// gives, for every publisher layout, ISSUES issue folders of ARTICLES
// articles each.
#include <cstdio>
#include <cstdlib>

#include "bench/generator.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_archive ROOT ISSUES ARTICLES\n");
    return 2;
  }
  const long long bytes =
      pdfindex::bench::WriteArchive(argv[1], std::atoi(argv[2]), std::atoi(argv[3]));
  std::printf("%lld\n", bytes);
  return 0;
}
