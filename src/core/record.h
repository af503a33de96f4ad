// The catalogue as data: what the readers find for one issue folder, as
// values. The classic strings are the exact bytes HtmlData.htm gets; the
// fields beside them are plain text (UTF-8, entities decoded, tags
// stripped, white space made single blanks) for every other output.
#ifndef PDFINDEX_CORE_RECORD_H_
#define PDFINDEX_CORE_RECORD_H_

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
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

/// A field of ArticleFields.
enum class Field : uint8_t {
  kAuthors,
  kTitle,
  kContainer,
  kVolume,
  kIssue,
  kYear,
  kFirstPage,
  kLastPage,
  kDoi,
  kUrl,
  kAbstract,
};
/// Every field, in the order of ArticleFields.
inline constexpr Field kAllFields[] = {
    Field::kAuthors,   Field::kTitle,    Field::kContainer, Field::kVolume,
    Field::kIssue,     Field::kYear,     Field::kFirstPage, Field::kLastPage,
    Field::kDoi,       Field::kUrl,      Field::kAbstract};

/// Where the value of a field came from.
enum class FieldSource : uint8_t {
  kLayoutPage,     ///< the entry on the folder's contents page
  kMetaTags,       ///< a saved article page's meta tags
  kPdfInfo,        ///< the PDF's document information
  kXmp,            ///< the PDF's XMP metadata
  kFirstPageText,  ///< the text of the PDF's first page
};
/// Every source, in the order they fill fields.
inline constexpr FieldSource kAllSources[] = {FieldSource::kLayoutPage, FieldSource::kMetaTags,
                                              FieldSource::kPdfInfo, FieldSource::kXmp,
                                              FieldSource::kFirstPageText};

/// The name the outputs give `field`: "authors", "first_page", ...
constexpr std::string_view FieldName(Field field) {
  switch (field) {
    case Field::kAuthors: return "authors";
    case Field::kTitle: return "title";
    case Field::kContainer: return "container";
    case Field::kVolume: return "volume";
    case Field::kIssue: return "issue";
    case Field::kYear: return "year";
    case Field::kFirstPage: return "first_page";
    case Field::kLastPage: return "last_page";
    case Field::kDoi: return "doi";
    case Field::kUrl: return "url";
    case Field::kAbstract: return "abstract";
  }
  return "";
}

/// The name the outputs give `source`: "layout page", "meta tags", "PDF
/// info", "XMP", "first-page text".
constexpr std::string_view SourceName(FieldSource source) {
  switch (source) {
    case FieldSource::kLayoutPage: return "layout page";
    case FieldSource::kMetaTags: return "meta tags";
    case FieldSource::kPdfInfo: return "PDF info";
    case FieldSource::kXmp: return "XMP";
    case FieldSource::kFirstPageText: return "first-page text";
  }
  return "";
}

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

/// Why a PDF is taken for a likely duplicate of another.
enum class DuplicateWhy : uint8_t {
  kNone,
  kCopy,     // a browser's copy ("x (1).pdf") of a PDF of its folder
  kCase,     // its name differs only in case from one the listing took
  kContent,  // the same bytes as an earlier PDF
  kDoi,      // the same DOI as an earlier PDF
};

/// One PDF of an issue folder and what its folder's finder made of it.
struct PdfRecord {
  std::string file;  ///< the file name, as listed
  std::string base;  ///< the link text: the name less a final ".pdf" in any case
  ArticleRecord article;
  /// The PDF's citation key (BibTeX key, CSL-JSON id, RIS ID): unique in
  /// the run, kept from run to run; "" unless an output of the run reads it.
  std::string citation_key;
  /// Where each filled field of article.fields came from; empty unless the
  /// run read metadata.
  std::map<Field, FieldSource> sources;
  /// Where another source tells a field otherwise than the one named in
  /// `sources`: by field, by that other source, what it says
  /// (authors joined by "; "). Tellings that only differ in case, marks or
  /// completeness (a subtitle, the first author alone, an abbreviated
  /// journal) are no disagreement; abstracts are not compared.
  std::map<Field, std::map<FieldSource, std::string>> disagreements;
  /// Why the PDF itself gave no metadata ("crashed", "timed out", "not a
  /// PDF", ...); "" when it was read or never opened.
  std::string metadata_failure;
  /// The path (from the root) of the PDF this one likely duplicates, an
  /// earlier one or the original of a browser's copy; "" when none.
  std::string duplicate_of;
  /// Why it is taken for a duplicate; kNone when it is none.
  DuplicateWhy duplicate_why = DuplicateWhy::kNone;
};

/// A PDF of a folder that the listing left out because its name differs
/// from a name taken only in case.
struct CaseVariant {
  std::string left_out;  ///< the file name left out
  std::string taken;     ///< the file name the folder's record holds
};

/// Everything the run found in one issue folder, in walk order; or, for
/// `loose`, the PDFs of one folder outside issue folders (--all-pdfs).
struct IssueRecord {
  std::string publisher;  ///< the publisher folder's name (P)
  /// The issue folder's name (I); for `loose`, the path below P ("I/x",
  /// "" for PDFs directly in P).
  std::string issue;
  /// The PDFs lie in the root (publisher and issue ""), directly in a
  /// publisher folder, or below an issue folder; the folder has no
  /// contents pages, and HtmlData.htm leaves it out.
  bool loose = false;
  /// The publisher keyword whose finder described the PDFs, or "none".
  std::string format;
  std::vector<PageRecord> pages;
  std::vector<PdfRecord> pdfs;
  /// PDFs the listing left out for a name taken in another case, by name.
  std::vector<CaseVariant> case_variants;

  /// The folder path: P + "/" + I + "/"; for `loose`, "" for the root.
  std::string Folder() const {
    if (loose && publisher.empty()) return "";
    if (loose && issue.empty()) return publisher + "/";
    return publisher + "/" + issue + "/";
  }
};

}  // namespace pdfindex

#endif  // PDFINDEX_CORE_RECORD_H_
