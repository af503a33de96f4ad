#include "metadata/pdf/poppler_pdf.h"

#include <fcntl.h>
#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>
#include <unistd.h>

#include <memory>

#include "metadata/plain.h"
#include "metadata/xmp.h"

namespace pdfindex {

namespace {

std::string Utf8(const poppler::ustring& text) {
  const poppler::byte_array bytes = text.to_utf8();
  return CollapseSpace(std::string_view(bytes.data(), bytes.size()));
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
  const poppler::byte_array xmp = doc->metadata().to_utf8();
  if (!xmp.empty()) facts.xmp = ParseXmp(std::string_view(xmp.data(), xmp.size()));
  if (doc->pages() > 0) {
    std::unique_ptr<poppler::page> first(doc->create_page(0));
    if (first) {
      const poppler::byte_array text = first->text().to_utf8();
      facts.text_doi = FindDoi(std::string_view(text.data(), text.size()));
    }
  }
  return facts;
}

}  // namespace pdfindex
