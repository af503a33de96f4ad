#include "metadata/first_page.h"

#include <gtest/gtest.h>

namespace pdfindex {
namespace {

// A page built line by line, each word as wide as half its size per letter;
// "^x" sets word x as a raised mark in a smaller size.
class PageBuilder {
 public:
  PageBuilder& Line(const std::string& text, double y, double size = 10, bool bold = false,
                    double x = 60) {
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find(' ', start);
      if (end == std::string::npos) end = text.size();
      std::string word = text.substr(start, end - start);
      const bool mark = word.starts_with("^");
      if (mark) word.erase(0, 1);
      const double s = mark ? size * 0.6 : size;
      PageWord w{word, x, y - (mark ? size * 0.4 : 0), x + 0.5 * s * double(word.size()),
                 y - (mark ? size * 0.4 : 0) + s, s, bold};
      page_.words.push_back(w);
      x = w.x1 + 0.3 * size;
      start = end + 1;
    }
    return *this;
  }
  const PageWords& page() const { return page_; }

 private:
  PageWords page_;
};

PageWords ArticlePage(bool neighbour) {
  PageBuilder b;
  b.Line("Postgrad Med J 2010;86:272–276", 30, 8);
  if (neighbour) b.Line("...the end of the article before. doi:10.1136/pgmj.2009.000001", 70, 9);
  b.Line("Original Article", 100, 9)
      .Line("Thermal regulation of honey bees in a warm-", 120, 18, true)
      .Line("ing climate", 142, 18, true)
      .Line("Anna Müller ^1,* , José van der Berg ^2 and Chen Li ^1", 170, 11)
      .Line("^1 Department of Biology, University of Nowhere, USA", 186, 8)
      .Line("Abstract", 210, 10, true)
      .Line("Bees keep their hives warm by shivering and we show how they", 224, 10)
      .Line("manage it when the climate warms over many seasons in a row.", 236, 10)
      .Line("Keywords: bees; heat", 256, 10)
      .Line("Body text of the article goes here as the paper begins now.", 300, 10)
      .Line("Body text of the article goes on here as the paper begins.", 312, 10)
      .Line("Body text of the article goes on here again as it should.", 324, 10)
      .Line("doi:10.1136/pgmj.2010.", 760, 8)
      .Line("088417 More text", 770, 8);
  return b.page();
}

TEST(FirstPageTest, ReadsTheFieldsOfAnArticlesFirstPage) {
  for (bool neighbour : {false, true}) {
    const FirstPage page = ReadFirstPage(ArticlePage(neighbour));
    const ArticleFields& f = page.fields;
    EXPECT_EQ(f.title, "Thermal regulation of honey bees in a warming climate");
    EXPECT_EQ(f.authors, (std::vector<std::string>{"Anna Müller", "José van der Berg", "Chen Li"}));
    EXPECT_EQ(f.abstract,
              "Bees keep their hives warm by shivering and we show how they manage it when the "
              "climate warms over many seasons in a row.");
    EXPECT_EQ(f.container + "|" + f.year + "|" + f.volume + "|" + f.first_page + "|" + f.last_page,
              "Postgrad Med J|2010|86|272|276");
    EXPECT_FALSE(page.cover);
    // The DOI of the article before the title is not this one's; a DOI
    // broken at a line end is joined.
    EXPECT_EQ(ArticleDoi(page, "x", {}), "10.1136/pgmj.2010.088417") << neighbour;
    EXPECT_EQ(ArticleDoi(page, "pgmj.2009.000001", {}),
              neighbour ? "10.1136/pgmj.2009.000001" : "10.1136/pgmj.2010.088417");
  }
  EXPECT_TRUE(TitleOnPage("Thermal Regulation of Honey-Bees", ReadFirstPage(ArticlePage(false)).folded_text));
  EXPECT_FALSE(TitleOnPage("Proceedings Template - WORD", ReadFirstPage(ArticlePage(false)).folded_text));
}

TEST(FirstPageTest, KnowsCoverSheetsAndPagesWithoutATitle) {
  PageBuilder cover;
  cover.Line("This article was downloaded by: [Some Library]", 40)
      .Line("To cite this article: A. Smith (2010) A title, J X, 1:2, 3-4", 80);
  EXPECT_TRUE(ReadFirstPage(cover.page()).cover);
  PageBuilder plain;
  plain.Line("Just text in one size all over the page and nothing else", 100)
      .Line("more text in the same size all the way down the page", 112);
  const FirstPage page = ReadFirstPage(plain.page());
  EXPECT_FALSE(page.cover);
  EXPECT_TRUE(page.fields.title.empty());
  EXPECT_TRUE(page.fields.authors.empty());
}

TEST(FirstPageTest, ParsesCitationLines) {
  const std::pair<const char*, const char*> rows[] = {
      {"Int J Syst Evol Microbiol (2013), 63, 4141–4148",
       "Int J Syst Evol Microbiol|63||2013|4141|4148"},
      {"Postgrad Med J 2010;86:272–276", "Postgrad Med J|86||2010|272|276"},
      {"Trials 2015, 16:1", "Trials|16||2015|1|"},
      {"Vol. 12, No. 3, pp. 1–12, 2001", "|12|3|2001|1|12"},
      {"Pain, 155 (2014) 2461-2470. doi:10.1016/j.pain.2014.09.020", "Pain|155||2014|2461|2470"},
      {"J. Am. Chem. Soc. 2001, 123, 801-809", "J. Am. Chem. Soc.|123||2001|801|809"},
      {"Blood 2001; 97(5): 1-12", "Blood|97|5|2001|1|12"},
      {"We measured 12 (2001) samples", ""},
      {"Received 12 May 2010", ""},
  };
  for (const auto& [line, expected] : rows) {
    const ArticleFields f = ParseCitation(line);
    const std::string got = f.empty() ? "" : f.container + "|" + f.volume + "|" + f.issue + "|" +
                                                 f.year + "|" + f.first_page + "|" + f.last_page;
    EXPECT_EQ(got, expected) << line;
  }
}

TEST(FirstPageTest, ReadsACoverSheetsCitationBlock) {
  const std::pair<const char*, const char*> rows[] = {
      {"To cite this article: Anna Smith & Bo Jones (2012) Heat, light, and bees, Journal of "
       "Examples, 45:3, 123–145, DOI: 10.1080/0001.2012.1",
       "Anna Smith;Bo Jones|2012|Heat, light, and bees|Journal of Examples|45|3|123|145|"
       "10.1080/0001.2012.1"},
      {"To cite this article: A. Smith (2010): A title, J X, 1, DOI: 10.1080/x.y",
       "A. Smith|2010|A title|J X|1||||10.1080/x.y"},
      {"To cite this article: Doe, J. (2001). Title here. Some Journal, 12(4), e1234.",
       "Doe, J.|2001|Title here|Some Journal|12|4|e1234||"},
      {"To cite this article: nothing that cites", ""},
      {"A. Smith (2010) A title, J X, 1:2, 3-4", ""},
  };
  for (const auto& [block, expected] : rows) {
    const ArticleFields f = ParseCoverCitation(block);
    std::string authors;
    for (const std::string& a : f.authors) authors += (authors.empty() ? "" : ";") + a;
    const std::string got = f.empty() ? ""
                                      : authors + "|" + f.year + "|" + f.title + "|" + f.container +
                                            "|" + f.volume + "|" + f.issue + "|" + f.first_page +
                                            "|" + f.last_page + "|" + f.doi;
    EXPECT_EQ(got, expected) << block;
  }
  // On the page, the block runs over lines up to the next notice.
  PageBuilder cover;
  cover.Line("This article was downloaded by: [Some Library]", 40)
      .Line("To cite this article: Anna Smith (2012) Heat and", 80)
      .Line("bees, J Ex, 45:3, 123-145, DOI: 10.1080/0001.2012.1", 92)
      .Line("To link to this article: https://doi.org/10.1080/0001.2012.1", 104);
  const FirstPage page = ReadFirstPage(cover.page());
  EXPECT_EQ(page.cited.title + "|" + page.cited.container + "|" + page.cited.doi,
            "Heat and bees|J Ex|10.1080/0001.2012.1");
}

TEST(FirstPageTest, FindsDoisLabelledInAPagesMargins) {
  PageBuilder b;
  b.Line("Heat and bees doi:10.1234/head.1", 30, 8)
      .Line("Body text with a reference doi:10.1234/body.2 in the middle of the page", 400)
      .Line("Page 3 https://doi.org/10.1234/foot.", 760, 8)
      .Line("3 and more", 770, 8)
      .Line("10.1234/unlabelled.4", 780, 8);
  EXPECT_EQ(MarginDois(b.page()), (std::vector<std::string>{"10.1234/head.1", "10.1234/foot.3"}));
}

TEST(FirstPageTest, SplitsAuthorLines) {
  const std::pair<const char*, std::vector<std::string>> rows[] = {
      {"A. Smith, B. Jones and C. Doe", {"A. Smith", "B. Jones", "C. Doe"}},
      {"Ann Able & Bo Baker", {"Ann Able", "Bo Baker"}},
      {"Smith, J., Jones, K.", {"Smith, J.", "Jones, K."}},
      {"Smith, John", {"Smith, John"}},
      {"Smith, John; Doe, Jane", {"Smith, John", "Doe, Jane"}},
      {"John Smith Jr., Ann Able, PhD, Bo Baker, MD", {"John Smith Jr.", "Ann Able", "Bo Baker"}},
      {"John Smith, Jr., Ann Able", {"John Smith, Jr.", "Ann Able"}},
      {"Nuala E. Tully {et al.}", {"Nuala E. Tully"}},
      {"Ann Able, Bo Baker, et al.", {"Ann Able", "Bo Baker"}},
  };
  for (const auto& [line, expected] : rows) EXPECT_EQ(SplitAuthorLine(line), expected) << line;
}

}  // namespace
}  // namespace pdfindex
