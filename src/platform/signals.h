// What a run does about the signals that end it: an interrupted run leaves
// nothing of itself behind (the files it had named for its output are
// removed) and exits with 128 + the signal's number, so that the earlier
// index stays as it was. A closed pipe or a file size limit becomes a
// failed write instead of the end of the process.
#ifndef PDFINDEX_PLATFORM_SIGNALS_H_
#define PDFINDEX_PLATFORM_SIGNALS_H_

#include <signal.h>

#include <string>

namespace pdfindex {

/// Makes SIGINT, SIGTERM and SIGHUP remove every held path and exit with 128
/// + the signal, and SIGPIPE and SIGXFSZ be ignored (the write fails).
void InstallSignalHandlers();

/// Says whether standard error ends in a line left open (a progress line
/// being redrawn): a signal that ends the process first ends that line, so
/// that the shell's prompt starts on a line of its own.
void SetLineOpen(bool open);

/// Holds `path` (relative to the current folder) for removal should a
/// signal end the process; returns its slot, or -1 when every slot is taken.
int HoldPath(const std::string& path);

/// Stops holding the path in `slot` (-1 is no slot).
void ReleasePath(int slot);

/// Keeps SIGINT, SIGTERM and SIGHUP from being handled while it lives, so
/// that a short step (putting an output in place) is never cut in half;
/// a signal that came meanwhile is handled when it ends. Threads started
/// while it lives never take these signals: the starting thread does.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace pdfindex

#endif  // PDFINDEX_PLATFORM_SIGNALS_H_
