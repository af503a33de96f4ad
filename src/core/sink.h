// Output sinks: each turns the run's issue records into one output file.
// HtmlData.htm is one sink; the exports are others. A sink writes only to
// the file it was given; the run creates every sink's file and moves them
// all into place only after every sink has finished.
#ifndef PDFINDEX_CORE_SINK_H_
#define PDFINDEX_CORE_SINK_H_

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

/// What one sink made of one issue folder ahead of the folder's turn.
class IssuePart {
 public:
  virtual ~IssuePart() = default;
};

/// A part that is the very bytes the folder adds to the output.
struct BytesPart : IssuePart {
  std::string bytes;
};

/// What the sinks of one issue folder share while they prepare their parts
/// (the texts and keys several outputs write alike): each item is made by
/// the first sink that asks for it and kept for the others. One thread uses
/// it at a time.
class IssueScratch {
 public:
  /// The item `owner` names for this folder, made by `make()` the first time
  /// it is asked for.
  template <typename T, typename Make>
  std::shared_ptr<const T> Get(const void* owner, Make make) {
    for (const auto& [o, item] : items_) {
      if (o == owner) return std::static_pointer_cast<const T>(item);
    }
    auto item = std::make_shared<const T>(make());
    items_.emplace_back(owner, item);
    return item;
  }

 private:
  std::vector<std::pair<const void*, std::shared_ptr<const void>>> items_;
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

  /// Makes as much of what `issue` adds to the output as needs no earlier
  /// folder, ahead of the folder's turn: it may run on an indexing thread,
  /// for several folders at once, and reads nothing that the calls below
  /// change. nullptr (the default): Issue does all the work in turn.
  virtual std::unique_ptr<IssuePart> Prepare(const IssueRecord& /*issue*/,
                                             IssueScratch& /*scratch*/) const {
    return nullptr;
  }
  /// Issue for a folder whose part Prepare made; the same bytes.
  virtual Status IssuePrepared(const IssueRecord& issue, IssuePart& /*part*/) {
    return Issue(issue);
  }
};

/// A sink whose work is all in Prepare and IssuePrepared, which Issue calls
/// one after the other.
class PreparingSink : public CatalogueSink {
 public:
  Status Issue(const IssueRecord& issue) final {
    IssueScratch scratch;
    return IssuePrepared(issue, *Prepare(issue, scratch));
  }
};

}  // namespace pdfindex

#endif  // PDFINDEX_CORE_SINK_H_
