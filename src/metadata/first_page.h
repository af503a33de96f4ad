// What the first page of an article shows: its title, authors, abstract,
// citation and DOI, read from the page's words with their font sizes and
// positions, as the PDF parser gives them. Plain data in, fields out: the
// parser itself stays in the PDF module.
#ifndef PDFINDEX_METADATA_FIRST_PAGE_H_
#define PDFINDEX_METADATA_FIRST_PAGE_H_

#include <string>
#include <string_view>
#include <vector>

#include "core/record.h"

namespace pdfindex {

/// One word of a page, as the parser lays it out: y grows down the page.
struct PageWord {
  std::string text;  ///< UTF-8
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  double size = 0;  ///< the font size
  bool bold = false;
};

/// A page's words in the parser's reading order.
struct PageWords {
  double width = 612, height = 792;
  std::vector<PageWord> words;
};

/// One line of a page: words on one baseline; words set smaller and raised
/// or lowered (marks, indices) belong to the line they sit in.
struct PageLine {
  std::vector<PageWord> words;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  double size = 0;  ///< the size of the line's main text
  bool bold = false;

  /// The words joined by blanks; with `marks` false, without the words set
  /// smaller than the line.
  std::string Text(bool marks = true) const;
};

/// The page's words grouped into lines, in reading order.
std::vector<PageLine> LinesOf(const PageWords& page);

/// What a page says of the article on it.
struct FirstPage {
  ArticleFields fields;
  /// True when the page is a publisher's cover sheet ("To cite this
  /// article", download notices): the article starts on the next page.
  bool cover = false;
  /// The DOIs on the page, in reading order, each with whether it stands
  /// under a label ("doi:", "https://doi.org/") and where: above the title
  /// (the end of a neighbouring article), or in the header, footer or
  /// below the title.
  struct Doi {
    std::string doi;
    bool labelled = false;
    bool above_title = false;
  };
  std::vector<Doi> dois;
  /// The page's words, folded for TitleOnPage.
  std::string folded_text;
  /// On a cover sheet, the fields its "To cite this article" block gives.
  ArticleFields cited;
};

/// Reads the article's fields from its first page.
FirstPage ReadFirstPage(const PageWords& page);

/// The persons named on an author line ("A. Smith, B. Jones and C. Doe"),
/// marks and degrees already gone: split at commas, semicolons, "and" and
/// "&", suffixes ("Jr.") kept with their name, "et al." dropped.
std::vector<std::string> SplitAuthorLine(std::string_view line);

/// The citation in one line of text ("Postgrad Med J 2010;86:272-276",
/// "Pain 155 (2014) 2461-2470", "Vol. 12, No. 3, pp. 1-12, 2001"): the
/// journal, volume, issue, year and pages it gives; empty when it is none.
ArticleFields ParseCitation(std::string_view line);

/// The fields of a cover sheet's citation block, "To cite this article:"
/// and what follows it ("A. Smith & B. Jones (2012) Title, Journal, 45:3,
/// 123-145, DOI: 10.1080/x"); empty when it is none.
ArticleFields ParseCoverCitation(std::string_view block);

/// The DOIs labelled ("doi:", "https://doi.org/") in the running head or
/// the footer of a page (its top and bottom tenth), in reading order: where
/// a later page prints the article's DOI when the first shows none.
std::vector<std::string> MarginDois(const PageWords& page);

/// `text` made lower-case letters and digits, every other run one blank.
std::string FoldWords(std::string_view text);

/// True when most words of `title` (folded) are among `folded_page`'s.
bool TitleOnPage(std::string_view title, std::string_view folded_page);

/// The DOI that is the article's own among `page.dois`: one that equals
/// `known` (from the document information or XMP) or appears in `base` (the
/// file name), else the first labelled one not above the title, else the
/// first not above the title; "" when none.
std::string ArticleDoi(const FirstPage& page, std::string_view base,
                       const std::vector<std::string>& known);

}  // namespace pdfindex

#endif  // PDFINDEX_METADATA_FIRST_PAGE_H_
