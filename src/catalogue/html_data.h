// HtmlData.htm as one output sink: the classic index page, written from the
// run's issue records.
#ifndef PDFINDEX_CATALOGUE_HTML_DATA_H_
#define PDFINDEX_CATALOGUE_HTML_DATA_H_

#include <string_view>

#include "catalogue/sink.h"

namespace pdfindex {

/// Writes the index page to `out`: a header, per issue folder a rule, its
/// page titles (each only when it differs from the one before) and a link
/// with its classic description per PDF, and a footer. The first failed write
/// sticks: later writes are dropped and every call returns it.
class HtmlDataSink : public CatalogueSink {
 public:
  explicit HtmlDataSink(ByteSink& out) : out_(out) {}

  Status Begin() override;
  Status Issue(const IssueRecord& issue) override;
  Status Finish() override;

 private:
  void Write(std::string_view bytes);
  void WriteLine(std::string_view bytes);

  ByteSink& out_;
  Status error_;
};

}  // namespace pdfindex

#endif  // PDFINDEX_CATALOGUE_HTML_DATA_H_
