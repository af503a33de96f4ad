#include "metadata/pdf/poppler_pdf.h"

#include <fcntl.h>
#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <utility>

#include "metadata/first_page.h"
#include "metadata/plain.h"
#include "metadata/xmp.h"

namespace pdfindex {

namespace {

// A document information string: the parser gives UTF-16 strings as they
// are and others byte for byte, which PDFDocEncoding then says how to read.
std::string Utf8(const poppler::ustring& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, PdfDocCodePoint(cp));
  }
  return CollapseSpace(out);
}

// The bytes of a stream the parser gives as text: it widens each byte to
// a character unless the stream starts with a UTF-16 mark, so an XMP
// packet's UTF-8 comes back whole by narrowing them again.
std::string StreamBytes(const poppler::ustring& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (const auto unit : text) {
    if (unit > 0xFF) {
      const poppler::byte_array utf8 = text.to_utf8();
      return std::string(utf8.data(), utf8.size());
    }
    bytes += static_cast<char>(unit);
  }
  return bytes;
}

bool BoldFont(std::string_view name) {
  const std::string lower = AsciiLower(name);
  for (std::string_view mark : {"bold", "black", "heavy", "semibold", "demi", "medi", "cmbx",
                                "-bd", ",b"}) {
    if (lower.find(mark) != std::string::npos) return true;
  }
  return false;
}

// The words of page `index` with their fonts and places.
PageWords WordsOf(const poppler::document& doc, int index) {
  PageWords words;
  std::unique_ptr<poppler::page> page(doc.create_page(index));
  if (!page) return words;
  const poppler::rectf box = page->page_rect();
  words.width = box.width();
  words.height = box.height();
  for (const poppler::text_box& t : page->text_list(poppler::page::text_list_include_font)) {
    if (t.rotation() != 0) continue;
    const poppler::byte_array bytes = t.text().to_utf8();
    PageWord w;
    w.text.assign(bytes.data(), bytes.size());
    const poppler::rectf r = t.bbox();
    w.x0 = r.left();
    w.y0 = r.top();
    w.x1 = r.right();
    w.y1 = r.bottom();
    w.size = t.has_font_info() ? t.get_font_size() : r.height();
    w.bold = t.has_font_info() && BoldFont(t.get_font_name());
    words.words.push_back(std::move(w));
  }
  return words;
}

// What a cover sheet's citation block gives, over what the article's page
// shows: its journal, volume, issue, year and pages as one (a running
// head's volume beside the cover's journal could belong to no citation),
// the title and authors where the page shows none.
void TakeCoverCitation(const ArticleFields& cited, ArticleFields* page) {
  if (!cited.container.empty() && !cited.year.empty()) {
    page->container = cited.container;
    page->volume = cited.volume;
    page->issue = cited.issue;
    page->year = cited.year;
    page->first_page = cited.first_page;
    page->last_page = cited.last_page;
  }
  if (page->title.empty()) page->title = cited.title;
  if (page->authors.empty()) page->authors = cited.authors;
}

// The pages past the second whose running heads and footers are looked
// at for a DOI when the first two show none: enough for a DOI printed on
// every page but the first, few enough to cost little.
constexpr int kLastDoiPage = 6;

// The DOI labelled in the margins of the pages from the third on: the one
// seen on the most of them (looking stops once one is seen twice); none
// when another is seen as often (the end of a list of references).
std::string LaterPagesDoi(const poppler::document& doc) {
  std::map<std::string, std::pair<std::string, int>> seen;  // by lower case
  const int last = std::min(doc.pages(), kLastDoiPage);
  for (int index = 2; index < last; ++index) {
    std::set<std::string> on_page;
    for (std::string& doi : MarginDois(WordsOf(doc, index))) {
      const std::string key = AsciiLower(doi);
      if (!on_page.insert(key).second) continue;
      std::pair<std::string, int>& entry = seen[key];
      if (entry.second++ == 0) entry.first = std::move(doi);
    }
    bool twice = false;
    for (const auto& [key, entry] : seen) twice = twice || entry.second >= 2;
    if (twice) break;
  }
  std::string best;
  int best_count = 0;
  bool tie = false;
  for (const auto& [key, entry] : seen) {
    if (entry.second > best_count) {
      best = entry.first;
      best_count = entry.second;
      tie = false;
    } else if (entry.second == best_count) {
      tie = true;
    }
  }
  return tie ? "" : best;
}

// What the article's first pages show: its fields, the DOI that is its
// own, and whether the titles the file names stand on the page.
void ReadPages(const poppler::document& doc, const std::string& path, PdfFacts* facts) {
  const int pages = doc.pages();
  if (pages <= 0) return;
  FirstPage first = ReadFirstPage(WordsOf(doc, 0));
  FirstPage article;
  bool second_read = false;
  // A cover sheet, or a first page without text (a blank or a scan).
  if ((first.cover || first.folded_text.size() < 100) && pages > 1) {
    article = ReadFirstPage(WordsOf(doc, 1));
    second_read = true;
    // The cover's DOI ("To cite this article: ... DOI: ...") is the article's.
    if (first.cover) {
      for (FirstPage::Doi& d : first.dois) d.above_title = false;
      article.dois.insert(article.dois.begin(), first.dois.begin(), first.dois.end());
      article.folded_text += ' ' + first.folded_text;
      TakeCoverCitation(first.cited, &article.fields);
    }
  } else {
    article = std::move(first);
  }
  if (article.dois.empty() && !second_read && pages > 1) {
    const PageWords second = WordsOf(doc, 1);
    FirstPage next = ReadFirstPage(second);
    // The second page's running head and footer name the article; a DOI in
    // its text (a reference) counts only where it is the file name's, the
    // document information's or the XMP's.
    const std::vector<std::string> margin = MarginDois(second);
    for (FirstPage::Doi& d : next.dois) {
      d.above_title = std::find(margin.begin(), margin.end(), d.doi) == margin.end();
    }
    article.dois = std::move(next.dois);
  }
  const size_t slash = path.find_last_of('/');
  const std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
  facts->text_doi = ArticleDoi(article, base, {facts->info_doi, facts->xmp.doi});
  // Only a journal's article (its page cites the journal) is worth the
  // extra pages: a manual or a vignette has no DOI to find there.
  if (facts->text_doi.empty() && facts->info_doi.empty() && facts->xmp.doi.empty() &&
      (!article.fields.container.empty() || !facts->xmp.container.empty())) {
    facts->text_doi = LaterPagesDoi(doc);
  }
  facts->page = std::move(article.fields);
  facts->page_text = !article.folded_text.empty();
  facts->info_title_on_page = TitleOnPage(facts->title, article.folded_text);
  facts->xmp_title_on_page = TitleOnPage(facts->xmp.title, article.folded_text);
}

// The parser's complaints about damaged files would fill the terminal.
void Quiet(const std::string& /*message*/, void* /*closure*/) {}

// The first bytes of the file: empty, or whether "%PDF-" starts within the
// first kilobyte (where readers look for it).
PdfOutcome Sniff(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return PdfOutcome::kMissing;
  char head[1024];
  ssize_t n = ::read(fd, head, sizeof head);
  ::close(fd);
  if (n < 0) return PdfOutcome::kMissing;
  if (n == 0) return PdfOutcome::kEmpty;
  const std::string_view bytes(head, static_cast<size_t>(n));
  return bytes.find("%PDF-") == std::string_view::npos ? PdfOutcome::kNotPdf : PdfOutcome::kRead;
}

}  // namespace

PdfFacts ReadPdfFacts(const std::string& path) {
  PdfFacts facts;
  facts.outcome = Sniff(path);
  if (facts.outcome != PdfOutcome::kRead) return facts;
  poppler::set_debug_error_function(Quiet, nullptr);
  std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(path));
  if (!doc) {
    facts.outcome = PdfOutcome::kDamaged;
    return facts;
  }
  if (doc->is_locked()) {
    facts.outcome = PdfOutcome::kEncrypted;
    return facts;
  }
  facts.title = Utf8(doc->info_key("Title"));
  facts.author = Utf8(doc->info_key("Author"));
  facts.subject = Utf8(doc->info_key("Subject"));
  facts.keywords = Utf8(doc->info_key("Keywords"));
  facts.producer = Utf8(doc->info_key("Producer"));
  facts.creator = Utf8(doc->info_key("Creator"));
  facts.info_doi = FindDoi(Utf8(doc->info_key("doi")));
  if (facts.info_doi.empty()) facts.info_doi = FindDoi(facts.subject);
  if (facts.info_doi.empty()) facts.info_doi = FindDoi(facts.keywords);
  const std::string xmp = StreamBytes(doc->metadata());
  if (!xmp.empty()) facts.xmp = ParseXmp(xmp);
  ReadPages(*doc, path, &facts);
  return facts;
}

}  // namespace pdfindex
