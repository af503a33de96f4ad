// Output sinks: each turns the run's issue records into one output file.
// HtmlData.htm is one sink; the exports are others. A sink writes only to
// the file it was given; the run creates every sink's file and moves them
// all into place only after every sink has finished.
#ifndef PDFINDEX_CORE_SINK_H_
#define PDFINDEX_CORE_SINK_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/record.h"
#include "core/status.h"

namespace pdfindex {

/// Where a sink's bytes go.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  /// Appends `bytes`.
  virtual Status Write(std::string_view bytes) = 0;
};

/// Appends what it is given to a string.
class StringAppender : public ByteSink {
 public:
  explicit StringAppender(std::string* to) : to_(to) {}
  Status Write(std::string_view bytes) override {
    to_->append(bytes);
    return Status::Ok();
  }

 private:
  std::string* to_;
};

struct IssueTexts;

/// What the sinks that render one issue folder make once and share: the
/// first that needs the folder's texts (outputs/export_text.h) makes them.
struct FolderShare {
  std::shared_ptr<IssueTexts> texts;
};

/// One output of the run. Each issue folder's part is rendered on its own,
/// for several folders at once on any thread, and the parts are then added
/// to the output in walk order.
class CatalogueSink {
 public:
  explicit CatalogueSink(ByteSink& out) : out_(out) {}
  virtual ~CatalogueSink() = default;
  CatalogueSink(const CatalogueSink&) = delete;
  CatalogueSink& operator=(const CatalogueSink&) = delete;

  /// Before the first issue folder.
  virtual Status Begin() { return Status::Ok(); }
  /// Appends what `issue` adds to the output to `bytes`, taking what the
  /// other sinks rendering `issue` share from `share` (or making it there
  /// for them); reads nothing that Add or Finish change.
  virtual void Render(const IssueRecord& issue, FolderShare& share,
                      std::string& bytes) const = 0;
  /// Writes one folder's rendered part, folders in walk order; by default
  /// as it is.
  virtual Status Add(std::string_view part) { return out_.Write(part); }
  /// After the last issue folder.
  virtual Status Finish() { return Status::Ok(); }
  /// True when Render reads the PDFs' citation keys, which the run then
  /// gives them before any part is rendered.
  virtual bool reads_keys() const { return false; }

 protected:
  ByteSink& out_;
};

/// The target that names standard output in an OutputRequest.
inline constexpr std::string_view kStandardOutput = "-";

/// One more output of the run besides HtmlData.htm.
struct OutputRequest {
  /// The path the output replaces (relative to the archive root, or as the
  /// disk takes it), or "-" for standard output.
  std::string target;
  /// Makes the sink that writes the output to the given bytes.
  std::function<std::unique_ptr<CatalogueSink>(ByteSink&)> make;
};

/// The index page's file name in the archive root.
inline constexpr std::string_view kIndexName = "HtmlData.htm";
/// The fixed name earlier versions wrote the index to before it replaced
/// kIndexName; the real disk clears away a file left there.
inline constexpr std::string_view kIndexTempName = ".HtmlData.htm.tmp";

}  // namespace pdfindex

#endif  // PDFINDEX_CORE_SINK_H_
