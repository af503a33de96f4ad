// A ByteSink in memory for the export tests.
#ifndef PDFINDEX_TESTS_EXPORTS_STRING_SINK_H_
#define PDFINDEX_TESTS_EXPORTS_STRING_SINK_H_

#include <string>
#include <string_view>

#include "catalogue/sink.h"

namespace pdfindex {

/// A ByteSink that keeps what was written; the write after
/// `writes_before_failure` successful ones fails with `error`.
class StringSink : public ByteSink {
 public:
  Status Write(std::string_view bytes) override {
    if (writes_before_failure == 0) return error;
    if (writes_before_failure > 0) --writes_before_failure;
    bytes_ += bytes;
    return Status::Ok();
  }
  const std::string& bytes() const { return bytes_; }

  int writes_before_failure = -1;
  Status error = Status::Code(101);

 private:
  std::string bytes_;
};

}  // namespace pdfindex

#endif  // PDFINDEX_TESTS_EXPORTS_STRING_SINK_H_
