// The one error convention of pdfindex: a small status value that says what
// failed (its kind and the report's error code), the system's message and
// the path it concerns. The run ends on the first failure that is not a
// page that cannot be opened, with the failure report on standard output.
#ifndef PDFINDEX_CORE_STATUS_H_
#define PDFINDEX_CORE_STATUS_H_

#include <string>
#include <string_view>

namespace pdfindex {

/// What kind of failure a Status is.
enum class StatusKind {
  kOk,           ///< success
  kIo,           ///< an input/output failure (reading, writing, creating, renaming)
  kOutOfMemory,  ///< memory ran out
};

/// Success, or a failure. `code` is one of the report's own codes (2 file not
/// found, 3 invalid filename, 4 too many open files, 5 access denied, 100
/// read beyond end of file, 101 disk full, 106 invalid numeric input) when
/// `known`, otherwise the operating system's error number.
struct Status {
  int code = 0;
  bool known = true;
  StatusKind kind = StatusKind::kOk;
  /// The system's own words for the failure ("Permission denied"); "" when
  /// there are none.
  std::string message;
  /// The file or folder the failure concerns, as the run names it; "" when
  /// none is known.
  std::string path;
  /// What was being done to `path` when it failed, as a verb for the user
  /// ("read", "write", "replace", "list", "index"); "" when not known.
  std::string_view operation;

  bool ok() const { return kind == StatusKind::kOk; }
  /// Success.
  static Status Ok() { return {}; }
  /// The failure for the operating system's error number `err` (success
  /// for 0), concerning `path`.
  static Status FromErrno(int err, std::string path = {});
  /// One of the report's own codes, concerning `path`.
  static Status Code(int code, std::string path = {});
  /// Memory ran out while working on `path`.
  static Status OutOfMemory(std::string path = {});
  /// The same failure, concerning `path` (when it named none yet).
  Status At(std::string_view at) const;
  /// The same failure, met while doing `verb` (when none was named yet);
  /// `verb` must outlive the status (a literal).
  Status During(std::string_view verb) const;
};

/// The report's message for `error`: the code's own text, or "I/O error N".
std::string StatusMessage(const Status& error);

/// The failure report written to standard output when the run ends on
/// `error`: "Exception EInOutError in module <program> at <address>.", a line
/// feed, the message with a full stop, and a carriage return and line feed.
/// `program` is the program's file name; its folder is left out.
std::string FailureReport(std::string_view program, const Status& error);

/// The line written to standard error for `error`, with its path shown as
/// `shown_path`: "pdfindex: cannot VERB 'PATH': MESSAGE" and a line feed.
std::string FailureLine(const Status& error, std::string_view shown_path);

}  // namespace pdfindex

#endif  // PDFINDEX_CORE_STATUS_H_
