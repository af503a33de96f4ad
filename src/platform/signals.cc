#include "platform/signals.h"

#include <unistd.h>

#include <atomic>
#include <cstring>

namespace pdfindex {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// A slot is free, being filled, or holds a path the handler removes. The
// handler reads only slots that are full, so it never sees half a path.
enum SlotState : int { kFree, kFilling, kFull };

struct Slot {
  std::atomic<int> state{kFree};
  char path[4096] = {};
};

constexpr int kSlots = 16;
Slot slots[kSlots];

static_assert(std::atomic<int>::is_always_lock_free, "the handler needs lock-free slots");

std::atomic<bool> line_open{false};

// Only async-signal-safe calls: write, unlink and _exit.
extern "C" void RemoveHeldPathsAndExit(int signal_number) {
  if (line_open.load()) {
    const ssize_t written = ::write(STDERR_FILENO, "\n", 1);
    static_cast<void>(written);
  }
  for (Slot& slot : slots) {
    if (slot.state.load() == kFull) ::unlink(slot.path);
  }
  ::_exit(128 + signal_number);
}

sigset_t EndingSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : kSignals) sigaddset(&set, s);
  return set;
}

}  // namespace

void InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = RemoveHeldPathsAndExit;
  // Every ending signal is blocked while one is handled: the handler runs
  // once and to its end.
  action.sa_mask = EndingSignals();
  for (int s : kSignals) ::sigaction(s, &action, nullptr);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGPIPE, &ignore, nullptr);
  ::sigaction(SIGXFSZ, &ignore, nullptr);
}

void SetLineOpen(bool open) { line_open.store(open); }

int HoldPath(const std::string& path) {
  if (path.size() >= sizeof slots[0].path) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
    std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
    slots[i].state.store(kFull);
    return i;
  }
  return -1;
}

void ReleasePath(int slot) {
  if (slot >= 0 && slot < kSlots) slots[slot].state.store(kFree);
}

SignalsHeld::SignalsHeld() : previous_() {
  const sigset_t set = EndingSignals();
  ::pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

SignalsHeld::~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace pdfindex
