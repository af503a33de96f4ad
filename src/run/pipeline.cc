#include "run/pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <new>
#include <system_error>
#include <thread>

#include "platform/signals.h"

namespace pdfindex {

namespace {

class Scheduler {
 public:
  Scheduler(size_t folders, const std::vector<Stage>& stages, size_t window)
      : folders_(folders), stages_(stages), slots_(window) {}

  // Runs stages until every folder is through or the run fails.
  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      size_t folder = 0;
      size_t stage = 0;
      changed_.wait(lock, [&] { return stop_ || low_ == folders_ || Pick(&folder, &stage); });
      if (stop_ || low_ == folders_) return;
      lock.unlock();
      const Status status = Run(folder, stage);
      lock.lock();
      Done(folder, stage, status);
    }
  }

  const Status& error() const { return error_; }

 private:
  struct Slot {
    size_t done = 0;  // stages the folder is through
    bool busy = false;
  };

  Slot& SlotOf(size_t folder) { return slots_[folder % slots_.size()]; }

  // The oldest folder with a stage it may start now, and that stage.
  bool Pick(size_t* folder, size_t* stage) {
    while (next_ < folders_ && next_ < low_ + slots_.size()) SlotOf(next_++) = Slot();
    for (size_t k = low_; k < next_; ++k) {
      Slot& slot = SlotOf(k);
      if (slot.busy || slot.done == stages_.size()) continue;
      if (stages_[slot.done].order == Stage::Order::kInOrder) {
        if (in_order_busy_) continue;
        if (k > low_ && SlotOf(k - 1).done <= slot.done) continue;
        in_order_busy_ = true;
      }
      slot.busy = true;
      *folder = k;
      *stage = slot.done;
      return true;
    }
    return false;
  }

  Status Run(size_t folder, size_t stage) {
    // Memory running out, or the system refusing a resource, ends the run
    // like any other failure: the earlier outputs stay.
    try {
      return stages_[stage].run(folder);
    } catch (const std::bad_alloc&) {
      return Status::OutOfMemory().During("index");
    } catch (const std::system_error& e) {
      return Status::FromErrno(e.code().value()).During("index");
    }
  }

  void Done(size_t folder, size_t stage, const Status& status) {
    Slot& slot = SlotOf(folder);
    slot.busy = false;
    ++slot.done;
    if (stages_[stage].order == Stage::Order::kInOrder) in_order_busy_ = false;
    if (!status.ok() && !stop_) {
      stop_ = true;
      error_ = status;
    }
    while (low_ < next_ && SlotOf(low_).done == stages_.size()) ++low_;
    changed_.notify_all();
  }

  const size_t folders_;
  const std::vector<Stage>& stages_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Slot> slots_;  // folder k's at k % window
  size_t low_ = 0;           // the oldest folder not through every stage
  size_t next_ = 0;          // the next folder to let in
  bool in_order_busy_ = false;
  bool stop_ = false;
  Status error_;
};

}  // namespace

Status RunPipeline(size_t folders, const std::vector<Stage>& stages, int workers, size_t window) {
  if (folders == 0 || stages.empty()) return Status::Ok();
  Scheduler scheduler(folders, stages, std::max<size_t>(window, 1));
  std::vector<std::thread> threads;
  {
    // The threads take no signal: the run's own thread handles them.
    const SignalsHeld held;
    const size_t extra = std::min(static_cast<size_t>(std::max(workers, 1)) - 1, folders - 1);
    try {
      for (size_t t = 0; t < extra; ++t) threads.emplace_back([&scheduler] { scheduler.Work(); });
    } catch (const std::system_error&) {
      // The system gives no more threads (a limit on processes, memory):
      // those it gave do the work, and the output is the same.
    }
  }
  scheduler.Work();
  for (std::thread& thread : threads) thread.join();
  return scheduler.error();
}

Status OrderedBytes::Write(size_t folder, std::string_view bytes) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!error_.ok()) return error_;
  if (folder == turn_) {
    error_ = out_.Write(bytes);
  } else {
    held_[folder].bytes.append(bytes);
  }
  return error_;
}

Status OrderedBytes::Close(size_t folder) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!error_.ok()) return error_;
  if (folder != turn_) {
    held_[folder].closed = true;
    return Status::Ok();
  }
  // The next folders' turns: what they hold goes out, up to one that is
  // still being written.
  for (++turn_; error_.ok();) {
    const auto next = held_.find(turn_);
    if (next == held_.end()) break;
    error_ = out_.Write(next->second.bytes);
    const bool closed = next->second.closed;
    held_.erase(next);
    if (!closed) break;
    ++turn_;
  }
  open_.store(turn_, std::memory_order_release);
  return error_;
}

Status OrderedBytes::WriteThrough(std::string_view bytes) {
  Status e = out_.Write(bytes);
  if (!e.ok()) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (error_.ok()) error_ = e;
  }
  return e;
}

Status FolderBytes::Write(std::string_view bytes) {
  // The folder whose turn it is has nothing to hold back: its bytes go
  // straight to the sink, without a copy into a piece first.
  if (!through_ && to_.Open(folder_)) {
    through_ = true;
    if (!piece_.empty()) {
      Status e = to_.WriteThrough(piece_);
      std::string().swap(piece_);
      if (!e.ok()) return e;
    }
  }
  if (through_) return to_.WriteThrough(bytes);
  if (piece_.size() + bytes.size() <= kPiece) {
    piece_.append(bytes);
    return Status::Ok();
  }
  if (!piece_.empty()) {
    if (Status e = to_.Write(folder_, piece_); !e.ok()) return e;
    piece_.clear();
  }
  if (bytes.size() >= kPiece) return to_.Write(folder_, bytes);
  piece_.append(bytes);
  return Status::Ok();
}

Status FolderBytes::Close() {
  if (!piece_.empty()) {
    if (Status e = to_.Write(folder_, piece_); !e.ok()) return e;
    std::string().swap(piece_);
  }
  return to_.Close(folder_);
}

}  // namespace pdfindex
