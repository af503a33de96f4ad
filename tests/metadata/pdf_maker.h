// A writer of small, valid PDFs made up by the tests: document information,
// an XMP packet and lines of text on the first page, optionally encrypted or
// padded to a large size.
#ifndef PDFINDEX_TESTS_METADATA_PDF_MAKER_H_
#define PDFINDEX_TESTS_METADATA_PDF_MAKER_H_

#include <cstddef>
#include <string>
#include <vector>

namespace pdfindex {

/// What a made-up PDF holds; empty strings are left out.
struct PdfSpec {
  std::string title, author, subject, producer, creator;
  /// The XMP packet (XML text), stored as the catalogue's metadata stream.
  std::string xmp;
  /// Lines of text on the first page.
  std::vector<std::string> lines;
  /// Pages after the first, each with the lines of its footer.
  std::vector<std::vector<std::string>> footers;
  /// Locked with a user password, so that it cannot be read without one.
  bool encrypted = false;
  /// Bytes of an extra stream that nothing references (a large file).
  size_t padding = 0;
};

/// The bytes of a PDF as `spec` describes, with a correct cross-reference
/// table.
std::string MakePdf(const PdfSpec& spec);

/// An XMP packet with the given dc:title, dc:creator names and
/// prism:doi (each left out when empty).
std::string MakeXmp(const std::string& title, const std::vector<std::string>& creators,
                    const std::string& doi, const std::string& journal = "");

}  // namespace pdfindex

#endif  // PDFINDEX_TESTS_METADATA_PDF_MAKER_H_
