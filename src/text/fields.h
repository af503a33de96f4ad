// Shared steps of the readers that fill an article's fields: the plain text
// of a piece of a page, and the recurring shapes of author lists, page
// ranges, citations and issue titles.
#ifndef PDFINDEX_TEXT_FIELDS_H_
#define PDFINDEX_TEXT_FIELDS_H_

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/page.h"
#include "core/record.h"

namespace pdfindex {

/// The plain text of `html`, a piece of `page`, decoded by the page's charset.
std::string FieldText(const Page& page, std::string_view html);

/// The page's text from offset `begin` to `end` with a blank where a line
/// ends, so that words on two lines stay apart.
std::string LinedText(const Page& page, size_t begin, size_t end);

/// LinedText(page, begin, end) cut where FirstTagOf(tags) cuts it, made no
/// further than the cut.
std::string LinedTextBefore(const Page& page, size_t begin, size_t end,
                            std::span<const std::string_view> tags);

/// `html` less every `name` element and its content (any case), as
/// affiliation marks "<sup>a</sup>" are dropped from author names.
std::string WithoutElements(std::string_view html, std::string_view name);

/// What follows the first `open` in `text` up to the next `close` (or the
/// end), both found in any case; "" when `text` holds no `open`.
std::string_view Between(std::string_view text, std::string_view open, std::string_view close);

/// Where `text` ends when it is cut before the first of `tags` (each found
/// in any case) one after the other: the first place any of them starts,
/// or text.size(). Each tag starts with "<" and holds no other "<".
size_t FirstTagOf(std::string_view text, std::span<const std::string_view> tags);

/// What follows the first `open` in `text` (found in any case); "" when
/// there is none.
std::string_view After(std::string_view text, std::string_view open);

/// What precedes the first `close` in `text` (found in any case); all of it
/// when there is none.
std::string_view Before(std::string_view text, std::string_view close);

/// SetIssueTitle with the plain text of the issue title of `page` as
/// `reader` makes it, which is read and taken apart once per page.
void SetIssueTitleOf(const Page& page, TitleRecord (*reader)(const Page*, const std::string&),
                     ArticleFields* fields);

/// The names of an author list in plain text, one person each, as
/// SplitPersons finds them ("Van der Berg, J.; Müller, K.-H." is two); a
/// final full stop after an initial ("Okonkwo L.") goes.
std::vector<std::string> AuthorList(std::string_view plain);

/// Sets the first and last page from a plain page range ("1-12", "pp. 1-12",
/// "Pages 1–12", "Page 25"); leaves them when the text holds no number.
void SetPageRange(std::string_view plain, ArticleFields* fields);

/// Sets the container, year, volume and pages from a citation of the form
/// "J. Mol. Things 2001 20: 1-12." (the year may be missing).
void SetCitation(std::string_view plain, ArticleFields* fields);

/// Fills the container, volume, issue and year that are still empty from a
/// plain issue title such as "Journal of X, Vol. 20, No. 1 (2001)".
void SetIssueTitle(std::string_view plain, ArticleFields* fields);

}  // namespace pdfindex

#endif  // PDFINDEX_TEXT_FIELDS_H_
