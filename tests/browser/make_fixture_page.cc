// Writes the searchable page of a small catalogue whose every field is known,
// abstracts included, for the browser test: make_fixture_page ROOT OUT.html
// It prints the path of each PDF the page links to, relative to ROOT, one a
// line, so the test can make the files the links lead to. With a count N
// (make_fixture_page ROOT OUT.html N) the page holds N made-up PDFs whose
// sort keys share beginnings, repeat, differ in case and accents, stop
// short and leave ASCII, which the sorts must order as the test does.
#include <cstdio>
#include <string>
#include <vector>

#include "browser/page_file.h"

namespace {

struct Article {
  const char* file;
  const char* title;
  std::vector<std::string> authors;
  const char* journal;
  const char* volume;
  const char* issue;
  const char* year;
  const char* doi;
  const char* abstract;
};

pdfindex::PdfRecord Pdf(const Article& a) {
  pdfindex::PdfRecord pdf;
  pdf.file = a.file;
  pdf.base = pdf.file.substr(0, pdf.file.size() - 4);
  pdf.article.found = a.title[0] != '\0';
  pdf.article.classic = " <BR>";
  pdfindex::ArticleFields& f = pdf.article.fields;
  f.title = a.title;
  f.authors = a.authors;
  f.container = a.journal;
  f.volume = a.volume;
  f.issue = a.issue;
  f.year = a.year;
  f.first_page = pdf.article.found ? "101" : "";
  f.last_page = pdf.article.found ? "110" : "";
  f.doi = a.doi;
  f.abstract = a.abstract;
  return pdf;
}

pdfindex::IssueRecord Issue(const char* publisher, const char* name,
                            const std::vector<Article>& articles) {
  pdfindex::IssueRecord issue;
  issue.publisher = publisher;
  issue.issue = name;
  issue.format = "none";
  for (const Article& a : articles) issue.pdfs.push_back(Pdf(a));
  return issue;
}

// PDF i of the made-up catalogue, its texts in `texts` (kept alive there).
Article Made(int i, std::vector<std::string>& texts) {
  static const char* const kTitles[] = {
      "Slow rivers", "slow river", "Slow", "SLOW RIVERS OF", "R\xC3\xADo", "rio",
      "\xCE\xA1\xCE\xBF\xCE\xAE", "\xCF\x81\xCE\xBF\xCE\xAE \xCE\xBD\xCE\xB5\xCF\x81\xCE\xBF\xCF\x8D",
      "Zebra", "slow rivers"};
  static const char* const kEnds[] = {"", " a", " b", " of the north", " of the", " ab",
                                      " 2", " 10", " \xC3\xA9t\xC3\xA9", " of"};
  static const char* const kJournals[] = {"Journal of Hydrology", "Journal of Hydrology A",
                                          "Journal of Hydro", "journal of hydrology", "Annals",
                                          ""};
  texts.push_back("r" + std::to_string(1000 + i).substr(1) + ".pdf");
  texts.push_back(i % 23 == 0 ? "" : std::string(kTitles[i % 10]) + kEnds[(i / 10) % 10] +
                                        (i % 20 == 8 ? " \xE6\xB0\xB4" : ""));
  texts.push_back(i % 11 == 0 ? "" : std::to_string(1990 + (i * 7) % 30));
  const size_t at = texts.size() - 3;
  std::vector<std::string> authors;
  if (i % 5 != 0) authors.push_back("Given Family" + std::to_string(i % 7));
  if (i % 3 == 0) authors.insert(authors.begin(), "Family" + std::to_string(i % 4) + ", Given");
  return {texts[at].c_str(), texts[at + 1].c_str(), authors, kJournals[i % 6], "1", "",
          texts[at + 2].c_str(), "", ""};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fputs("usage: make_fixture_page ROOT OUT.html [N]\n", stderr);
    return 2;
  }
  std::vector<pdfindex::IssueRecord> issues = {
      Issue("Hydrology", "Vol 12",
            {{"varga2001.pdf", "Slow rivers of the north", {"Varga, Anna", "B\xC3\xA9la Kov\xC3\xA1" "cs"},
              "Journal of Hydrology", "12", "3", "2001",
              "10.1000/a.very.long.identifier/with/many/segments/2001.0123456789abcdef",
              "We measured how slow rivers carry \xC3\x85ngstr\xC3\xB6m-scale grains; "
              "<script>alert(1)</script> stays text, and so does a back\\slash."},
             {"mueller1998.pdf", "\xC3\x9C" "ber die W\xC3\xA4rmeleitung in Kristallen",
              {"M\xC3\xBCller, J\xC3\xBCrgen"}, "Zeitschrift f\xC3\xBCr Physik", "7", "1", "1998",
              "10.1000/zp.7", "A na\xC3\xAFve model of heat in crystals, compared with rivers."},
             {"gone.pdf", "", {}, "", "", "", "", "", ""}}),
      Issue("Science in Asia", "Vol 3",
            {{"wang2003.pdf", "\xE8\x9B\x8B\xE7\x99\xBD\xE8\xB4\xA8\xE6\x8A\x98\xE5\x8F\xA0\xE7\x9A\x84"
                              "\xE5\x8A\xA8\xE5\x8A\x9B\xE5\xAD\xA6",
              {"\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E"}, "\xE4\xB8\xAD\xE5\x9B\xBD\xE7\xA7\x91\xE5\xAD\xA6",
              "3", "2", "2003", "10.1000/cs.3",
              "\xE6\x88\x91\xE4\xBB\xAC\xE7\xA0\x94\xE7\xA9\xB6\xE4\xBA\x86\xE8\x9B\x8B\xE7\x99\xBD"
              "\xE8\xB4\xA8\xE6\x8A\x98\xE5\x8F\xA0\xE7\x9A\x84\xE9\x80\x9F\xE5\xBA\xA6\xE3\x80\x82"},
             {"papa1995.pdf", "\xCE\x9C\xCE\xB5\xCE\xBB\xCE\xAD\xCF\x84\xCE\xB7 \xCF\x84\xCE\xB7\xCF\x82 "
                              "\xCF\x81\xCE\xBF\xCE\xAE\xCF\x82",
              {"Papadopoulos, Eleni"}, "Annals of Flow", "9", "4", "1995", "", ""},
             {"adams2010.pdf", "Fast currents in shallow seas", {"Zoe Adams", "Varga, Bence"},
              "Annals of Flow", "24", "1", "2010", "10.1000/af.24", ""}}),
  };
  if (argc == 4) {
    std::vector<std::string> texts;
    texts.reserve(3 * 1000);
    std::vector<Article> made;
    for (int i = 0; i < std::stoi(argv[3]) && i < 1000; i++) made.push_back(Made(i, texts));
    issues = {Issue("Made", "Vol 1", {made.begin(), made.begin() + made.size() / 2}),
              Issue("Made", "Vol 2", {made.begin() + made.size() / 2, made.end()})};
  }
  std::string folder = argv[2];
  folder = folder.rfind('/') == std::string::npos ? "." : folder.substr(0, folder.rfind('/'));
  const auto write = [&](pdfindex::CatalogueSink& page) {
    for (const pdfindex::IssueRecord& issue : issues) {
      std::string part;
      pdfindex::FolderShare share;
      page.Render(issue, share, part);
      if (!page.Add(part).ok()) return false;
      for (const pdfindex::PdfRecord& pdf : issue.pdfs) {
        std::printf("%s%s\n", issue.Folder().c_str(), pdf.file.c_str());
      }
    }
    return true;
  };
  return pdfindex::WritePageFile(argv[2], {argv[1], folder}, write) ? 0 : 1;
}
