// Output sinks: each turns the run's issue records into one output file.
// HtmlData.htm is one sink; the exports are others. A sink writes only to
// the file it was given; the run creates every sink's file and moves them
// all into place only after every sink has finished.
#ifndef PDFINDEX_CATALOGUE_SINK_H_
#define PDFINDEX_CATALOGUE_SINK_H_

#include <string_view>

#include "catalogue/record.h"
#include "catalogue/status.h"

namespace pdfindex {

/// Where a sink's bytes go.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  /// Appends `bytes`.
  virtual Status Write(std::string_view bytes) = 0;
};

/// One output of the run, fed the issue folders in walk order.
class CatalogueSink {
 public:
  virtual ~CatalogueSink() = default;
  /// Before the first issue folder.
  virtual Status Begin() = 0;
  /// One issue folder, in walk order.
  virtual Status Issue(const IssueRecord& issue) = 0;
  /// After the last issue folder.
  virtual Status Finish() = 0;
};

}  // namespace pdfindex

#endif  // PDFINDEX_CATALOGUE_SINK_H_
