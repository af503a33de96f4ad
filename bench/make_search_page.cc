// Writes the searchable page of a made-up catalogue to a file, for the page
// benchmark: make_search_page OUT.html [PDFS] [PDFS_PER_FOLDER]
//
// Every described PDF gets every field and an abstract of typical length
// (180 words drawn from a vocabulary of 20,000 made-up words, the common
// ones far more often, as in real text), one in five is not described, and
// names mix plain ASCII, UTF-8 and Latin-1 bytes.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "browser/page_file.h"

namespace {

constexpr const char* kWords[] = {
    "protein",   "folding",  "kinetics",    "membrane",     "quantum",       "lattice",
    "spin",      "catalyst", "synthesis",   "neural",       "cortex",        "receptor",
    "enzyme",    "crystal",  "phase",       "transition",   "thermal",       "optical",
    "resonance", "graphene", "caf\xC3\xA9", "na\xC3\xAFve", "M\xC3\xBCller", "\xC3\xA9tude",
    "polymer",   "signal",   "ligand"};
constexpr const char* kFormats[] = {"Embo",      "Springer",      "AmChemSoc",
                                    "JBCOnline", "ScienceDirect", "none"};
constexpr size_t kWordCount = sizeof(kWords) / sizeof(kWords[0]);

std::string Words(unsigned& seed, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    if (i > 0) out += ' ';
    out += kWords[(seed >> 16) % kWordCount];
  }
  return out;
}

// Made-up words of one to four syllables, and how often each comes
// (the n-th most common about 1/n as often as the first).
class Vocabulary {
 public:
  Vocabulary() {
    static constexpr const char* kSyllables[] = {"ka", "to", "ri",  "men", "sel", "pro", "te",
                                                 "in", "an", "ly",  "sis", "cor", "ex",  "ne",
                                                 "ur", "al", "mo",  "di",  "ver", "gen", "ph",
                                                 "qu", "st", "tion"};
    unsigned seed = 11;
    double sum = 0;
    for (int i = 0; i < 20000; ++i) {
      seed = seed * 1103515245u + 12345u;
      std::string word;
      for (unsigned n = 1 + (seed >> 16) % 4; n > 0; --n) {
        seed = seed * 1103515245u + 12345u;
        word += kSyllables[(seed >> 16) % (sizeof(kSyllables) / sizeof(kSyllables[0]))];
      }
      words_.push_back(word);
      sum += 1.0 / (i + 1);
      cumulative_.push_back(sum);
    }
  }
  std::string Text(unsigned& seed, int n) const {
    std::string out;
    for (int i = 0; i < n; ++i) {
      seed = seed * 1103515245u + 12345u;
      const double at = ((seed >> 8) % 1000000) / 1e6 * cumulative_.back();
      const size_t w = static_cast<size_t>(
          std::lower_bound(cumulative_.begin(), cumulative_.end(), at) - cumulative_.begin());
      if (i > 0) out += (i % 17 == 0) ? ". " : i % 7 == 0 ? ", " : " ";
      out += words_[std::min(w, words_.size() - 1)];
    }
    return out + ".";
  }

 private:
  std::vector<std::string> words_;
  std::vector<double> cumulative_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: make_search_page OUT.html [PDFS] [PDFS_PER_FOLDER]\n", stderr);
    return 2;
  }
  const long pdfs = argc > 2 ? std::atol(argv[2]) : 50000;
  const long per_folder = argc > 3 ? std::atol(argv[3]) : 25;
  unsigned seed = 7;
  const Vocabulary vocabulary;
  const auto write = [&](pdfindex::CatalogueSink& page) {
    for (long done = 0, folder = 0; done < pdfs; ++folder) {
      pdfindex::IssueRecord issue;
      const char* format = kFormats[folder % 6];
      issue.publisher = std::string(format) + (folder % 12 < 6 ? "" : " Archive");
      issue.format = format;
      issue.issue = "v" + std::to_string(folder / 12 + 1) + (folder % 5 == 0 ? " caf\xE9" : "");
      pdfindex::PageRecord contents;
      contents.name = "contents.htm";
      contents.title.text = "Journal of " + Words(seed, 2) + " " + std::to_string(folder);
      issue.pages.push_back(contents);
      for (long k = 0; k < per_folder && done < pdfs; ++k, ++done) {
        pdfindex::PdfRecord pdf;
        pdf.file = "a" + std::to_string(done) + (k % 9 == 0 ? "-r\xE9sum\xE9" : "") + ".pdf";
        pdf.base = pdf.file.substr(0, pdf.file.size() - 4);
        pdf.article.found = done % 5 != 0;
        pdf.article.classic = "<B>" + Words(seed, 6) + "</B>, <I>J. Things</I> 12: 1-10.<BR>";
        if (pdf.article.found) {
          pdfindex::ArticleFields& f = pdf.article.fields;
          f.title = Words(seed, 9);
          f.authors = {Words(seed, 2), Words(seed, 2), Words(seed, 1)};
          f.container = "Journal of " + Words(seed, 2);
          f.volume = std::to_string(folder / 12 + 1);
          f.issue = std::to_string(folder % 12 + 1);
          f.first_page = std::to_string(k * 10 + 1);
          f.last_page = std::to_string(k * 10 + 9);
          f.year = std::to_string(1990 + folder % 30);
          f.doi = "10.1000/j." + std::to_string(done);
          f.abstract = Words(seed, 3) + " " + vocabulary.Text(seed, 177);
        }
        issue.pdfs.push_back(std::move(pdf));
      }
      std::string part;
      pdfindex::FolderShare share;
      page.Render(issue, share, part);
      if (!page.Add(part).ok()) return false;
    }
    return true;
  };
  return pdfindex::WritePageFile(argv[1], {"/archive", "/archive"}, write) ? 0 : 1;
}
