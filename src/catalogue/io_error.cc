#include "catalogue/io_error.h"

#include <cerrno>

namespace pdfindex {

IoError IoError::FromErrno(int err) {
  switch (err) {
    case 0:
      return Ok();
    case ENOENT:
    case ENOTDIR:
      return Code(2);
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
      return Code(3);
    case EMFILE:
    case ENFILE:
      return Code(4);
    case EACCES:
    case EPERM:
    case EROFS:
      return Code(5);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return Code(101);
    default:
      return {err, false};
  }
}

std::string IoErrorMessage(const IoError& error) {
  if (error.known) {
    switch (error.code) {
      case 2: return "File not found";
      case 3: return "Invalid filename";
      case 4: return "Too many open files";
      case 5: return "File access denied";
      case 100: return "Read beyond end of file";
      case 101: return "Disk full";
      case 106: return "Invalid numeric input";
      default: break;
    }
  }
  return "I/O error " + std::to_string(error.code);
}

std::string FailureReport(std::string_view program, const IoError& error) {
  const size_t slash = program.rfind('/');
  if (slash != std::string_view::npos) program.remove_prefix(slash + 1);
  std::string message = IoErrorMessage(error);
  if (message.empty() || message.back() != '.') message += '.';
  // The code address has no meaning outside the original platform; a fixed
  // value keeps the report the same on every run.
  std::string report = "Exception EInOutError in module ";
  report.append(program);
  report += " at 00401000.\n";
  report += message;
  report += "\r\n";
  return report;
}

}  // namespace pdfindex
