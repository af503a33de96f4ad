// The run as a list of stages, each taken by every issue folder in turn:
// a stage runs for several folders at once, or for one folder at a time in
// walk order. A bounded window of folders is in flight at once.
#ifndef PDFINDEX_RUN_PIPELINE_H_
#define PDFINDEX_RUN_PIPELINE_H_

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/sink.h"
#include "core/status.h"

namespace pdfindex {

/// One step of the work on an issue folder.
struct Stage {
  enum class Order {
    kParallel,  ///< any number of folders at once, on any thread
    kInOrder,   ///< folders in walk order, one in-order stage at a time
  };
  Order order;
  /// The work on folder `folder` (its place in walk order). A failure ends
  /// the run: no stage is started after it.
  std::function<Status(size_t folder)> run;
};

/// Runs `stages` for folders 0 .. `folders` - 1, each folder through the
/// stages in list order, with `workers` threads (the calling thread is one
/// of them; fewer when the system gives no more) and at most `window`
/// folders between their first stage and their last. The in-order stages
/// never run at once, as if on one thread, and always on folders in walk
/// order. Returns the first failure, or success when every folder went
/// through every stage.
Status RunPipeline(size_t folders, const std::vector<Stage>& stages, int workers, size_t window);

/// Bytes of several folders written to one sink in walk order as they come:
/// those of the folder whose turn it is go straight through, those of later
/// folders are held until every folder before them is closed. No writer
/// waits for another.
class OrderedBytes {
 public:
  explicit OrderedBytes(ByteSink& out) : out_(out) {}
  /// Appends `bytes` to folder `folder`'s part.
  Status Write(size_t folder, std::string_view bytes);
  /// Folder `folder` has no more bytes.
  Status Close(size_t folder);
  /// True when it is folder `folder`'s turn and every byte before its own
  /// is out: until it closes, no other folder writes to the sink, and it
  /// may write with WriteThrough.
  bool Open(size_t folder) const { return open_.load(std::memory_order_acquire) == folder; }
  /// Appends `bytes` to the part of the folder that is Open, straight to
  /// the sink.
  Status WriteThrough(std::string_view bytes);

 private:
  struct Held {
    std::string bytes;
    bool closed = false;
  };
  std::mutex mutex_;
  ByteSink& out_;
  size_t turn_ = 0;
  // The folder whose turn it is once what it held is out; turn_ before.
  std::atomic<size_t> open_{0};
  std::map<size_t, Held> held_;
  Status error_;
};

/// One folder's bytes for an OrderedBytes, gathered in pieces of a few
/// kilobytes (a piece as long as that goes through by itself), and once
/// the folder is Open written straight through.
class FolderBytes : public ByteSink {
 public:
  FolderBytes(OrderedBytes& to, size_t folder) : to_(to), folder_(folder) {}
  Status Write(std::string_view bytes) override;
  /// Writes what is gathered and closes the folder.
  Status Close();

 private:
  static constexpr size_t kPiece = size_t{64} << 10;
  OrderedBytes& to_;
  size_t folder_;
  std::string piece_;
  bool through_ = false;  // the folder is Open: nothing is gathered
};

}  // namespace pdfindex

#endif  // PDFINDEX_RUN_PIPELINE_H_
