#include "core/status.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace pdfindex {

namespace {

// The report's own code for the operating system's error number `err`, or
// 0 when it has none.
int ReportCode(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return 2;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
      return 3;
    case EMFILE:
    case ENFILE:
      return 4;
    case EACCES:
    case EPERM:
    case EROFS:
      return 5;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return 101;
    default:
      return 0;
  }
}

}  // namespace

Status Status::FromErrno(int err, std::string path) {
  if (err == 0) return Ok();
  Status s;
  s.kind = StatusKind::kIo;
  s.code = ReportCode(err);
  s.known = s.code != 0;
  if (!s.known) s.code = err;
  s.message = std::strerror(err);
  s.path = std::move(path);
  return s;
}

Status Status::Code(int code, std::string path) {
  Status s;
  s.kind = StatusKind::kIo;
  s.code = code;
  s.known = true;
  s.message = StatusMessage(s);
  s.path = std::move(path);
  return s;
}

Status Status::OutOfMemory(std::string path) {
  Status s = FromErrno(ENOMEM, std::move(path));
  s.kind = StatusKind::kOutOfMemory;
  return s;
}

Status Status::At(std::string_view at) const {
  Status s = *this;
  if (s.path.empty()) s.path = at;
  return s;
}

Status Status::During(std::string_view verb) const {
  Status s = *this;
  if (s.operation.empty()) s.operation = verb;
  return s;
}

std::string StatusMessage(const Status& error) {
  if (error.known) {
    switch (error.code) {
      case 2:
        return "File not found";
      case 3:
        return "Invalid filename";
      case 4:
        return "Too many open files";
      case 5:
        return "File access denied";
      case 100:
        return "Read beyond end of file";
      case 101:
        return "Disk full";
      case 106:
        return "Invalid numeric input";
      default:
        break;
    }
  }
  return "I/O error " + std::to_string(error.code);
}

std::string FailureReport(std::string_view program, const Status& error) {
  const size_t slash = program.rfind('/');
  if (slash != std::string_view::npos) program.remove_prefix(slash + 1);
  std::string message = StatusMessage(error);
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

std::string FailureLine(const Status& error, std::string_view shown_path) {
  std::string line = "pdfindex: cannot ";
  line.append(error.operation.empty() ? std::string_view("use") : error.operation);
  line += " '";
  line.append(shown_path);
  line += "': ";
  line += error.message.empty() ? StatusMessage(error) : error.message;
  line += '\n';
  return line;
}

}  // namespace pdfindex
