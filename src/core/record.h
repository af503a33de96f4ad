// The catalogue as data: what the readers find for one issue folder, as
// values. The classic strings are the exact bytes HtmlData.htm gets; the
// fields beside them are plain text (UTF-8, entities decoded, tags
// stripped, white space made single blanks) for every other output.
#ifndef PDFINDEX_CORE_RECORD_H_
#define PDFINDEX_CORE_RECORD_H_

#include <map>
#include <string>
#include <vector>

namespace pdfindex {

class Page;

/// The pieces of one article entry, as plain UTF-8 text; "" (or no authors)
/// where the entry does not hold the piece.
struct ArticleFields {
  std::vector<std::string> authors;  ///< one name each, in the entry's order
  std::string title;
  std::string container;  ///< the journal or book
  std::string volume;
  std::string issue;
  std::string year;
  std::string first_page;
  std::string last_page;
  std::string doi;
  std::string url;
  /// The article's abstract, one paragraph of plain text.
  std::string abstract;

  /// True when no field is filled.
  bool empty() const {
    return authors.empty() && title.empty() && container.empty() && volume.empty() &&
           issue.empty() && year.empty() && first_page.empty() && last_page.empty() &&
           doi.empty() && url.empty() && abstract.empty();
  }
};

/// What an article finder found for one PDF.
struct ArticleRecord {
  /// True when a contents page held the PDF's entry.
  bool found = false;
  /// The exact description HtmlData.htm gets after the PDF's link, also
  /// when no page held the entry.
  std::string classic;
  ArticleFields fields;
};

/// What an issue-title reader found for one contents page.
struct TitleRecord {
  /// The exact title as the reader makes it (HtmlData.htm compares and
  /// writes it).
  std::string classic;
  /// True when `classic` is the page's path rather than text of the page
  /// (a page without a title tag, or one that cannot be opened, for the
  /// readers that fall back to the path); such a title is written as text,
  /// escaped like a folder name.
  bool is_path = false;
  /// The title as plain UTF-8 text.
  std::string text;
};

/// One issue folder's contents pages as the readers get them: the page
/// names in listing order, and for each its loaded page or nullptr when it
/// cannot be opened.
struct IssuePages {
  /// The issue folder path, P + "/" + I + "/".
  std::string folder;
  std::vector<std::string> names;
  std::vector<const Page*> pages;
  /// False when no output of the run reads the articles' fields: the
  /// finders then leave them empty and make only the classic descriptions.
  bool want_fields = true;

  /// The path of page `i`: folder + names[i].
  std::string PathOf(size_t i) const { return folder + names[i]; }
};

/// One contents page of an issue folder and its title.
struct PageRecord {
  std::string name;  ///< the file name, as listed
  bool opened = false;
  /// The publisher keyword whose title reader read it, or "none".
  std::string format;
  TitleRecord title;
};

/// One PDF of an issue folder and what its folder's finder made of it.
struct PdfRecord {
  std::string file;  ///< the file name, as listed
  std::string base;  ///< the link text: the name less a final ".pdf" in any case
  ArticleRecord article;
  /// Where each filled field of article.fields came from, by field name
  /// ("authors", "title", "container", "volume", "issue", "year",
  /// "first_page", "last_page", "doi", "url", "abstract") to source ("layout page",
  /// "meta tags", "PDF info", "XMP", "first-page text"); empty unless the run
  /// read metadata.
  std::map<std::string, std::string> sources;
  /// Where another source tells a field otherwise than the one named in
  /// `sources`: by field name, by that other source's name, what it says
  /// (authors joined by "; "). Tellings that only differ in case, marks or
  /// completeness (a subtitle, the first author alone, an abbreviated
  /// journal) are no disagreement; abstracts are not compared.
  std::map<std::string, std::map<std::string, std::string>> disagreements;
  /// Why the PDF itself gave no metadata ("crashed", "timed out", "not a
  /// PDF", ...); "" when it was read or never opened.
  std::string metadata_failure;
};

/// Everything the run found in one issue folder, in walk order.
struct IssueRecord {
  std::string publisher;  ///< the publisher folder's name (P)
  std::string issue;      ///< the issue folder's name (I)
  /// The publisher keyword whose finder described the PDFs, or "none".
  std::string format;
  std::vector<PageRecord> pages;
  std::vector<PdfRecord> pdfs;

  /// The issue folder path, P + "/" + I + "/".
  std::string Folder() const { return publisher + "/" + issue + "/"; }
};

}  // namespace pdfindex

#endif  // PDFINDEX_CORE_RECORD_H_
