#include "outputs/search_page.h"

#include <zlib.h>

#include <algorithm>
#include <string_view>
#include <utility>

#include "outputs/search_page_assets.h"
#include "outputs/export_text.h"
#include "outputs/search_page_text.h"
#include "text/escape.h"

namespace pdfindex {
namespace {

// The page up to its title.
constexpr std::string_view kSearchPageHead =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
    "<meta name=\"color-scheme\" content=\"light dark\">\n";

// The page's controls, contents list and the place of its rows, after the
// heading; the script fills them from the data.
constexpr std::string_view kSearchPageBody =
    "<p id=\"counts\">Counting&#8230;</p>\n"
    "<form id=\"filters\" role=\"search\" aria-label=\"Filter the PDFs\">\n"
    "<div class=\"field query\"><label for=\"q\">Filter</label>\n"
    "<input id=\"q\" type=\"search\" autocomplete=\"off\" spellcheck=\"false\" "
    "placeholder=\"words of a title, author, journal, year or path\" "
    "aria-describedby=\"q-help\" aria-controls=\"rows\"></div>\n"
    "<div class=\"field\"><label for=\"format\">Publisher format</label>\n"
    "<select id=\"format\" aria-controls=\"rows\"><option value=\"\">All formats</option>"
    "</select></div>\n"
    "<div class=\"field\"><label for=\"sort\">Sort</label>\n"
    "<select id=\"sort\" aria-controls=\"rows\"><option value=\"\">Folder order</option>"
    "<option value=\"title\">Title A&#8211;Z</option>"
    "<option value=\"-title\">Title Z&#8211;A</option>"
    "<option value=\"author\">First author A&#8211;Z</option>"
    "<option value=\"-author\">First author Z&#8211;A</option>"
    "<option value=\"journal\">Journal A&#8211;Z</option>"
    "<option value=\"-journal\">Journal Z&#8211;A</option>"
    "<option value=\"year\">Year, oldest first</option>"
    "<option value=\"-year\">Year, newest first</option></select></div>\n"
    "<div class=\"checks\"><div class=\"field check\"><input id=\"undescribed\" "
    "type=\"checkbox\" aria-controls=\"rows\"><label for=\"undescribed\">Not described "
    "only</label></div>\n"
    "<div class=\"field check\"><input id=\"whole\" type=\"checkbox\" aria-controls=\"rows\">"
    "<label for=\"whole\">Whole catalogue</label></div></div>\n"
    "<p id=\"q-help\" class=\"help\">All words must match, case and accents aside; "
    "<kbd>author:</kbd> <kbd>title:</kbd> <kbd>journal:</kbd> <kbd>doi:</kbd> restrict a word, "
    "<kbd>\"two words\"</kbd> keeps them together, <kbd>year:2001</kbd> or "
    "<kbd>year:1998..2003</kbd>.<span class=\"keys\"> <kbd>/</kbd> filter, "
    "<kbd>&#8595;</kbd> results, <kbd>Esc</kbd> clear.</span></p>\n"
    "<p id=\"shown\" role=\"status\"></p>\n"
    "</form>\n</header>\n"
    "<nav id=\"toc\" aria-labelledby=\"toc-heading\"><details id=\"toc-details\" open>"
    "<summary><h2 id=\"toc-heading\">Contents</h2></summary>"
    "<ul id=\"contents\"></ul></details></nav>\n"
    "<main id=\"rows\"><noscript><p>This page needs JavaScript to show the PDFs.</p>"
    "</noscript></main>\n";

// The last step of `path`, the archive's own name.
std::string_view LastStep(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The page's data is text of records, each ended by kRecordEnd, of fields
// apart by kFieldEnd: the archive root first, then each folder's record and
// its rows' records. The few characters that mark the data (and NUL, which
// ends the rows of a folder while it is rendered) are written as kEscape and
// the character 64 higher, so a field holds any text.
constexpr char kEscape = '\x1b', kFieldEnd = '\x1f', kRecordEnd = '\x1e';

void AppendField(std::string& out, std::string_view bytes) {
  std::string decoded;
  const std::string_view text = PageTextIn(bytes, &decoded);
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\0' && (c < kEscape || c > kFieldEnd)) continue;
    out.append(text, start, i - start);
    out += kEscape;
    out += static_cast<char>(c + 64);
    start = i + 1;
  }
  out.append(text, start, text.size() - start);
}

// A folder's record: '#', then publisher, name, format, the folder's href
// and the titles it shows: each page's title once per run of equal ones,
// as the classic index does, leaving out empty ones.
void AppendFolder(std::string& out, const IssueRecord& issue) {
  // A loose folder in the root, or directly in a publisher folder, shows
  // "." for the name it lacks.
  const auto shown = [&issue](const std::string& name) {
    return issue.loose && name.empty() ? std::string_view(".") : std::string_view(name);
  };
  out += '#';
  AppendField(out, shown(issue.publisher));
  out += kFieldEnd;
  AppendField(out, shown(issue.issue));
  out += kFieldEnd;
  AppendField(out, issue.format);
  out += kFieldEnd;
  out += PercentEncodePath(issue.Folder());
  std::string previous;
  for (const PageRecord& page : issue.pages) {
    std::string title = PageText(page.title.text);
    if (title.empty()) {
      title = page.title.is_path ? PageText(page.title.classic)
                                 : PageTextOfHtml(page.title.classic);
    }
    if (title.empty() || title == previous) continue;
    out += kFieldEnd;
    AppendField(out, title);
    previous = std::move(title);
  }
  out += kRecordEnd;
}

// One PDF's record: a digit, 1 when it is described plus 2 when it has an
// abstract, then file, href of the file, title, journal, volume, issue,
// pages, year, doi, classic description as text, and its authors.
void AppendRow(std::string& out, const PdfRecord& pdf) {
  const ArticleFields& f = pdf.article.fields;
  out += static_cast<char>('0' + (pdf.article.found ? 1 : 0) + (f.abstract.empty() ? 0 : 2));
  AppendField(out, pdf.file);
  out += kFieldEnd;
  out += PercentEncodePath(pdf.file);
  out += kFieldEnd;
  AppendField(out, f.title);
  out += kFieldEnd;
  AppendField(out, f.container);
  out += kFieldEnd;
  AppendField(out, f.volume);
  out += kFieldEnd;
  AppendField(out, f.issue);
  out += kFieldEnd;
  std::string pages = f.first_page;
  if (!f.last_page.empty() && f.last_page != f.first_page) {
    pages += pages.empty() ? "" : "\xE2\x80\x93";  // an en dash
    pages += f.last_page;
  }
  AppendField(out, pages);
  out += kFieldEnd;
  AppendField(out, f.year);
  out += kFieldEnd;
  AppendField(out, f.doi);
  out += kFieldEnd;
  if (f.empty()) AppendField(out, PageTextOfHtml(pdf.article.classic));
  for (const std::string& author : f.authors) {
    out += kFieldEnd;
    AppendField(out, author);
  }
  out += kRecordEnd;
}

// Appends `abstract` as one line of the abstracts text, its line breaks
// made blanks.
void AppendAbstractLine(std::string& out, std::string_view abstract) {
  for (const char c : PageText(abstract)) out += c == '\n' || c == '\r' ? ' ' : c;
  out += '\n';
}

// Text compressed with deflate (raw, as the browser's DecompressionStream
// reads it) and written in base64 lines: the HTML parser reads such a
// line several times faster than the text itself and no text can end the
// element, and the page holds a third of the bytes. zlib's output is the
// same for the same input, so the page stays byte for byte the same.
//
// The lines are held in elements of 64 lines each, of class `name`: the
// parser appends the text of one element to itself piece by piece, which
// costs more than the parse itself once the element holds megabytes; the
// script joins the elements' texts again.
class DeflatedText {
 public:
  // (stream_ is made before ok_, which starts it.)
  explicit DeflatedText(std::string_view name)
      : open_("<script type=\"text/plain\" class=\"" + std::string(name) + "\">\n"),
        ok_(deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8,
                         Z_DEFAULT_STRATEGY) == Z_OK) {}
  ~DeflatedText() {
    if (ok_) deflateEnd(&stream_);
  }
  DeflatedText(const DeflatedText&) = delete;
  DeflatedText& operator=(const DeflatedText&) = delete;

  // Compresses `text`, appending what is ready as base64 to `out`, the
  // first element's start tag first.
  bool Add(std::string_view text, std::string& out) { return Deflate(text, Z_NO_FLUSH, out); }
  // Ends the stream, appending the rest and the end tag to `out`.
  bool Finish(std::string& out) {
    if (!Deflate({}, Z_FINISH, out)) return false;
    Encode(out, true);
    if (column_ > 0) out += '\n';
    if (lines_ == 0 && column_ == 0) out += open_;  // nothing was written
    out += "</script>\n";
    return true;
  }

 private:
  static constexpr size_t kLine = 1024;         // base64 characters a line
  static constexpr size_t kElementLines = 64;  // lines an element

  bool Deflate(std::string_view text, int flush, std::string& out) {
    if (!ok_) return false;
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream_.avail_in = static_cast<uInt>(text.size());
    unsigned char buffer[1 << 16];
    int status = Z_OK;
    do {
      stream_.next_out = buffer;
      stream_.avail_out = sizeof(buffer);
      status = deflate(&stream_, flush);
      if (status == Z_STREAM_ERROR || (flush == Z_FINISH && status == Z_BUF_ERROR)) {
        return ok_ = false;
      }
      bytes_.append(reinterpret_cast<const char*>(buffer), sizeof(buffer) - stream_.avail_out);
    } while (stream_.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    Encode(out, false);
    return true;
  }
  // Appends bytes_ as base64, all of it when `last`, else whole groups of
  // three.
  void Encode(std::string& out, bool last) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    size_t at = 0;
    auto put = [&](char c) {
      if (column_ == 0 && lines_ % kElementLines == 0) {
        if (lines_ > 0) out += "</script>\n";
        out += open_;
      }
      out += c;
      if (++column_ == kLine) {
        out += '\n';
        column_ = 0;
        ++lines_;
      }
    };
    for (; at + 3 <= bytes_.size(); at += 3) {
      const unsigned n = static_cast<unsigned char>(bytes_[at]) << 16 |
                         static_cast<unsigned char>(bytes_[at + 1]) << 8 |
                         static_cast<unsigned char>(bytes_[at + 2]);
      for (int shift = 18; shift >= 0; shift -= 6) put(kDigits[(n >> shift) & 63]);
    }
    if (last && at < bytes_.size()) {
      const bool two = at + 2 == bytes_.size();
      const unsigned n = static_cast<unsigned char>(bytes_[at]) << 16 |
                         (two ? static_cast<unsigned char>(bytes_[at + 1]) << 8 : 0u);
      put(kDigits[n >> 18]);
      put(kDigits[(n >> 12) & 63]);
      put(two ? kDigits[(n >> 6) & 63] : '=');
      put('=');
      at = bytes_.size();
    }
    bytes_.erase(0, at);
  }

  std::string open_;  // an element's start tag
  z_stream stream_{};
  bool ok_ = false;
  size_t lines_ = 0;  // whole lines written
  std::string bytes_;  // compressed bytes not yet encoded
  size_t column_ = 0;
};

class SearchPage : public CatalogueSink {
 public:
  SearchPage(ByteSink& out, const SearchPageOptions& options)
      : CatalogueSink(out),
        options_(options),
        href_root_(PercentEncodePath(PageRelativeFolder(options.page_folder, options.root))) {}

  Status Begin() override {
    const std::string name = EscapeAttribute(PageText(LastStep(options_.root)));
    head_ += kSearchPageHead;
    head_ += "<title>PDF articles in ";
    head_ += name;
    head_ += "</title>\n<style>\n";
    head_ += kSearchPageCss;
    head_ += "</style>\n</head>\n<body>\n<header>\n<h1>PDF articles in <span class=\"root\">";
    head_ += name;
    head_ += "</span></h1>\n";
    head_ += kSearchPageBody;
    first_ = href_root_ + kRecordEnd;
    if (!catalogue_.Add(first_, held_)) return Status::OutOfMemory();
    return Status::Ok();
  }

  // The folder's records, then a NUL (which the records escape) and one
  // abstract line per PDF.
  void Render(const IssueRecord& issue, FolderShare& /*share*/, std::string& out) const override {
    AppendFolder(out, issue);
    for (const PdfRecord& pdf : issue.pdfs) AppendRow(out, pdf);
    out += '\0';
    for (const PdfRecord& pdf : issue.pdfs) AppendAbstractLine(out, pdf.article.fields.abstract);
  }

  Status Add(std::string_view part) override {
    const size_t end = part.find('\0');
    const std::string_view abstracts = part.substr(end + 1);
    std::string plain;
    if (!has_abstracts_ && abstracts.find_first_not_of('\n') != std::string_view::npos) {
      // The first abstract: every row before it gets an empty line.
      has_abstracts_ = true;
      plain.assign(rows_, '\n');
    }
    if (has_abstracts_) plain += abstracts;
    const size_t rows = static_cast<size_t>(std::count(abstracts.begin(), abstracts.end(), '\n'));
    const std::string_view data = part.substr(0, end);
    if (holding_ && rows_ < kFirstRows) AddFirst(data, kFirstRows - rows_);
    rows_ += rows;
    std::string encoded;
    if (!catalogue_.Add(data, holding_ ? held_ : encoded) ||
        !abstracts_.Add(plain, abstracts_encoded_)) {
      return Status::OutOfMemory();
    }
    if (holding_ && rows_ > kLargeRows) {
      // A large catalogue: its first screen of rows goes ahead of the data,
      // so that the page shows them before it has read the rest.
      std::string start = std::move(head_);
      start += "<script type=\"application/json\" id=\"first\">\n";
      start += JsonString(first_, JsonEscapes::kScript);
      start += "\n</script>\n";
      return WriteHeld(start);
    }
    return encoded.empty() ? Status::Ok() : out_.Write(encoded);
  }

  Status Finish() override {
    std::string tail;
    if (!catalogue_.Finish(tail)) return Status::OutOfMemory();
    if (holding_) {
      Status status = WriteHeld(std::move(head_));
      if (!status.ok()) return status;
    }
    // The script waits for this one, which tells it that the data is read.
    tail += "<script>document.dispatchEvent(new Event(\"pdfindex-data\"))</script>\n";
    // The abstracts come last, so the rows show while they are read.
    if (has_abstracts_) {
      Status status = out_.Write(tail);
      if (!status.ok()) return status;
      if (!abstracts_.Finish(abstracts_encoded_)) return Status::OutOfMemory();
      tail = std::move(abstracts_encoded_);
      abstracts_encoded_ = std::string();
    }
    tail += "</body>\n</html>\n";
    return out_.Write(tail);
  }

 private:
  // Rows the page holds ahead of the data once it holds more than
  // kLargeRows: a screen's worth on a tall screen. (Up to kLargeRows the
  // page renders every row, and its data is read at once.)
  static constexpr size_t kFirstRows = 60;
  static constexpr size_t kLargeRows = 3000;

  // Adds folder `folder` (its records) to the first rows, up to `room`
  // rows of it.
  void AddFirst(std::string_view folder, size_t room) {
    size_t cut = folder.find(kRecordEnd);  // the folder's own record
    for (size_t n = 0; n < room && cut != std::string_view::npos; ++n) {
      cut = folder.find(kRecordEnd, cut + 1);
    }
    first_ += folder.substr(0, cut == std::string_view::npos ? cut : cut + 1);
  }
  // Writes `start`, then the page's script and the data held so far, and
  // from now on writes the data as it comes.
  Status WriteHeld(std::string start) {
    holding_ = false;
    start += "<script>\n";
    for (const std::string_view piece : kSearchPageJs) start += piece;
    start += "</script>\n";
    start += held_;
    held_ = std::string();
    return out_.Write(start);
  }

  SearchPageOptions options_;
  std::string href_root_;  // the archive root relative to the page, encoded
  size_t rows_ = 0;
  // The page's start and data, held until the page is known to be large
  // (or ends), and the first rows of the data.
  bool holding_ = true;
  std::string head_;
  std::string held_;
  std::string first_;
  DeflatedText catalogue_{"catalogue"};  // the records
  // One line per row once any row has an abstract, kept compressed until
  // the abstracts element is written after the script.
  bool has_abstracts_ = false;
  DeflatedText abstracts_{"abstracts"};
  std::string abstracts_encoded_;
};

}  // namespace

std::unique_ptr<CatalogueSink> MakeSearchPage(ByteSink& out, const SearchPageOptions& options) {
  return std::make_unique<SearchPage>(out, options);
}

}  // namespace pdfindex
