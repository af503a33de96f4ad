// HtmlData.htm as one output sink: the classic index page, written from the
// run's issue records.
#ifndef PDFINDEX_OUTPUTS_HTML_DATA_H_
#define PDFINDEX_OUTPUTS_HTML_DATA_H_

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "core/sink.h"

namespace pdfindex {

/// Writes the index page to `out`: a header, per issue folder a rule, its
/// page titles (each only when it differs from the one before) and a link
/// with its classic description per PDF, and a footer. The first failed write
/// sticks: later writes are dropped and every call returns it. Every link
/// starts with `href_root` ("" for a page in the archive root).
class HtmlDataSink : public CatalogueSink {
 public:
  explicit HtmlDataSink(ByteSink& out, std::string href_root = {})
      : out_(out), href_root_(std::move(href_root)) {}

  Status Begin() override;
  Status Issue(const IssueRecord& issue) override;
  Status Finish() override;
  std::unique_ptr<IssuePart> Prepare(const IssueRecord& issue,
                                     IssueScratch& scratch) const override;
  Status IssuePrepared(const IssueRecord& issue, IssuePart& part) override;

  /// Issue() in three steps, for a run that writes each PDF's line as soon
  /// as its finder has described it (so that no folder's descriptions are
  /// held at once): the rule and the page titles of `issue`; the line of
  /// one of its PDFs; the end of its line of links.
  Status IssueHead(const IssueRecord& issue);
  Status IssuePdf(const PdfRecord& pdf);
  Status IssueTail();

  /// What every link starts with.
  const std::string& href_root() const { return href_root_; }

 private:
  void Write(std::string_view bytes);
  void WriteLine(std::string_view bytes);

  ByteSink& out_;
  std::string href_root_;
  Status error_;
  /// The start of every link of the issue folder being written.
  std::string href_folder_;
  /// The link of the PDF being written.
  std::string line_;
};

}  // namespace pdfindex

#endif  // PDFINDEX_OUTPUTS_HTML_DATA_H_
