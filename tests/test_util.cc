#include "test_util.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace pdfindex {

std::string EmboPage(const std::string& title) {
  return "<HTML><HEAD><TITLE>" + title +
         "</TITLE></HEAD>\r\n"
         "<DL><DT><A HREF=\"/cgi/reprint/20/1/a1\">\r\n"
         " Heading of a1</A><DD>\r\n"
         "<STRONG>Ann Author</STRONG><BR>\r\n"
         "J. Mol. Things 20: 1-10.<NOBR> <A "
         "HREF=\"/cgi/content/abstract/20/1/a1\">[Abstract]</A>\r\n"
         "</DL></HTML>\r\n";
}

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

ProgramRun RunProgram(const fs::path& cwd, const ProgramOptions& options) {
  // Named after the test process, as test processes run side by side.
  const std::string tag = std::to_string(::getpid()) + "_" + cwd.filename().string();
  const fs::path out = fs::temp_directory_path() / ("pdfindex_run_out_" + tag);
  const fs::path err = fs::temp_directory_path() / ("pdfindex_run_err_" + tag);
  std::vector<std::string> argv_strings = {"pdfindex"};
  argv_strings.insert(argv_strings.end(), options.args.begin(), options.args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_strings) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = options.in >= 0 ? options.in : ::open("/dev/null", O_RDONLY);
    const int o =
        options.out >= 0 ? options.out : ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || o < 0 || e < 0 || ::chdir(cwd.c_str()) != 0) ::_exit(127);
    ::dup2(in, 0);
    ::dup2(o, 1);
    ::dup2(e, 2);
    if (options.file_size_limit >= 0) {
      const rlimit l{static_cast<rlim_t>(options.file_size_limit),
                     static_cast<rlim_t>(options.file_size_limit)};
      ::setrlimit(RLIMIT_FSIZE, &l);
    }
    if (options.memory_limit >= 0) {
      const rlimit l{static_cast<rlim_t>(options.memory_limit),
                     static_cast<rlim_t>(options.memory_limit)};
      ::setrlimit(RLIMIT_AS, &l);
    }
    if (options.as_nobody && ::geteuid() == 0) {
      if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
        ::_exit(126);
      }
    }
    if (options.process_limit >= 0) {
      const rlimit l{static_cast<rlim_t>(options.process_limit),
                     static_cast<rlim_t>(options.process_limit)};
      ::setrlimit(RLIMIT_NPROC, &l);
    }
    if (options.umask >= 0) ::umask(static_cast<mode_t>(options.umask));
    for (const int fd : options.closed) ::close(fd);
    ::execv(PDFINDEX_BINARY, argv.data());
    ::_exit(127);
  }
  if (options.while_running) options.while_running(pid);
  ProgramRun run;
  const auto deadline = std::chrono::steady_clock::now() + options.limit;
  int raw = 0;
  while (::waitpid(pid, &raw, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &raw, 0);
      ADD_FAILURE() << "pdfindex did not finish within " << options.limit.count() << " s in "
                    << cwd;
      fs::remove(out);
      fs::remove(err);
      return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (WIFEXITED(raw)) {
    run.status = WEXITSTATUS(raw);
  } else {
    run.status = -2;
    run.signal = WTERMSIG(raw);
  }
  run.out = Slurp(out);
  run.err = Slurp(err);
  fs::remove(out);
  fs::remove(err);
  return run;
}

std::string PageDataText(const std::string& page, std::string_view name) {
  const std::string open = "<script type=\"text/plain\" class=\"" + std::string(name) + "\">\n";
  std::string bytes;
  unsigned bits = 0;
  int count = 0;
  for (size_t start = page.find(open); start != std::string::npos;
       start = page.find(open, start + 1)) {
    const size_t end = page.find("</script>", start);
    for (size_t i = start + open.size(); i < end; ++i) {
      const char c = page[i];
      if (c == '\n' || c == '=') continue;
      constexpr std::string_view kDigits =
          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
      const size_t digit = kDigits.find(c);
      if (digit == std::string_view::npos) {
        ADD_FAILURE() << "not base64 in " << name << ": " << c;
        return {};
      }
      bits = bits << 6 | static_cast<unsigned>(digit);
      if ((count += 6) >= 8) {
        count -= 8;
        bytes += static_cast<char>((bits >> count) & 0xFF);
      }
    }
  }
  if (bytes.empty()) return {};
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) return {};
  std::string text;
  stream.next_in = reinterpret_cast<Bytef*>(bytes.data());
  stream.avail_in = static_cast<uInt>(bytes.size());
  int status = Z_OK;
  while (status == Z_OK) {
    char buffer[4096];
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof(buffer);
    status = inflate(&stream, Z_NO_FLUSH);
    text.append(buffer, sizeof(buffer) - stream.avail_out);
  }
  inflateEnd(&stream);
  if (status != Z_STREAM_END) ADD_FAILURE() << name << " does not inflate: " << status;
  return status == Z_STREAM_END ? text : std::string();
}

}  // namespace pdfindex
