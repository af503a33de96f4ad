// The one error the run can end with: an input/output failure, reported on
// standard output with the message of its error code.
#ifndef PDFINDEX_CATALOGUE_IO_ERROR_H_
#define PDFINDEX_CATALOGUE_IO_ERROR_H_

#include <string>
#include <string_view>

namespace pdfindex {

/// An input/output failure, or success. `code` is one of the report's own
/// codes (2 file not found, 3 invalid filename, 4 too many open files, 5
/// access denied, 100 read beyond end of file, 101 disk full, 106 invalid
/// numeric input) when `known`, otherwise the operating system's error number.
struct IoError {
  int code = 0;
  bool known = true;

  bool ok() const { return code == 0; }
  /// Success.
  static IoError Ok() { return {}; }
  /// The failure for the operating system's error number `err`.
  static IoError FromErrno(int err);
  /// One of the report's own codes.
  static IoError Code(int code) { return {code, true}; }
};

/// The message for `error`: the code's own text, or "I/O error N".
std::string IoErrorMessage(const IoError& error);

/// The failure report written to standard output when the run ends on
/// `error`: "Exception EInOutError in module <program> at <address>.", a line
/// feed, the message with a full stop, and a carriage return and line feed.
/// `program` is the program's file name; its folder is left out.
std::string FailureReport(std::string_view program, const IoError& error);

}  // namespace pdfindex

#endif  // PDFINDEX_CATALOGUE_IO_ERROR_H_
