// Made-up archives for the benchmarks: contents pages in every publisher's
// layout with as many articles as asked for, the same bytes on every run.
#ifndef PDFINDEX_BENCH_GENERATOR_H_
#define PDFINDEX_BENCH_GENERATOR_H_

#include <string>
#include <vector>

namespace pdfindex::bench {

/// One issue folder's contents: its pages (name, bytes) and PDF base names.
struct Issue {
  std::vector<std::pair<std::string, std::string>> pages;
  std::vector<std::string> pdfs;
};

/// The publisher folder names the generator writes, one per page layout
/// (the last holds no publisher keyword).
const std::vector<std::string>& Publishers();

/// An issue of `articles` articles in the layout of `publisher`, spread over
/// `pages` contents pages; `seed` varies names and texts.
Issue MakeIssue(const std::string& publisher, int articles, int pages, unsigned seed);

/// Writes an archive under `root`: for each publisher `issues` issue folders
/// of `articles` articles each. Returns the bytes of contents pages written.
long long WriteArchive(const std::string& root, int issues, int articles);

}  // namespace pdfindex::bench

#endif  // PDFINDEX_BENCH_GENERATOR_H_
