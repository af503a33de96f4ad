// Standard output as a file the run writes last.
#ifndef PDFINDEX_RUN_HELD_OUTPUT_H_
#define PDFINDEX_RUN_HELD_OUTPUT_H_

#include <string>
#include <string_view>

#include "core/status.h"
#include "platform/disk.h"

namespace pdfindex {

// Standard output as a pending file: the bytes are held until the run has
// succeeded, so that a failed run writes nothing there but its report.
class HeldStandardOutput : public PendingFile {
 public:
  explicit HeldStandardOutput(ByteSink& out) : out_(out) {}
  Status Write(std::string_view bytes) override {
    held_.append(bytes);
    return Status::Ok();
  }
  Status Finish() override { return Status::Ok(); }
  Status Commit() override {
    Status written = out_.Write(held_);
    std::string().swap(held_);
    return written;
  }
  bool WritesThrough() const override { return true; }

 private:
  ByteSink& out_;
  std::string held_;
};

}  // namespace pdfindex

#endif  // PDFINDEX_RUN_HELD_OUTPUT_H_
