// HtmlData.htm as one output sink: the classic index page, written from the
// run's issue records.
#ifndef PDFINDEX_OUTPUTS_HTML_DATA_H_
#define PDFINDEX_OUTPUTS_HTML_DATA_H_

#include <string>
#include <string_view>

#include "core/sink.h"

namespace pdfindex {

/// One issue folder's part of the index page, written piece by piece to
/// `out` as the folder's readers describe it, so that no folder's titles
/// and descriptions need be held at once: a rule and the page titles (each
/// only when it differs from the one before), a link with its classic
/// description per PDF, and the end of the line of links. The first failed
/// write sticks: later writes are dropped and status() keeps it.
class HtmlDataPart {
 public:
  /// Every link starts with `href_root` ("" for a page in the archive root).
  HtmlDataPart(ByteSink& out, std::string_view href_root) : out_(out), href_root_(href_root) {}

  /// The rule and the page titles of `issue`.
  void Head(const IssueRecord& issue);
  /// The link of one PDF of the issue and its description.
  void Pdf(const PdfRecord& pdf);
  /// The end of the issue's line of links.
  void Tail();
  const Status& status() const { return error_; }

 private:
  void Write(std::string_view bytes);
  void WriteLine(std::string_view bytes);

  ByteSink& out_;
  std::string_view href_root_;
  Status error_;
  /// The start of every link of the issue folder.
  std::string href_folder_;
  /// The link of the PDF being written.
  std::string line_;
};

/// Writes the index page to `out`: a header, per issue folder its part
/// (HtmlDataPart), and a footer.
class HtmlDataSink : public CatalogueSink {
 public:
  explicit HtmlDataSink(ByteSink& out, std::string href_root = {})
      : CatalogueSink(out), href_root_(std::move(href_root)) {}

  Status Begin() override;
  void Render(const IssueRecord& issue, FolderShare& share, std::string& bytes) const override;
  Status Finish() override;

  /// What every link starts with.
  const std::string& href_root() const { return href_root_; }

 private:
  std::string href_root_;
};

}  // namespace pdfindex

#endif  // PDFINDEX_OUTPUTS_HTML_DATA_H_
