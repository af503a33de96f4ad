#include "metadata/pdf_workers.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdint>
#include <ctime>
#include <new>
#include <utility>

namespace pdfindex {

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

long long NowMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Messages on the socket are a 4-byte length and the bytes.
bool SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool SendMessage(int fd, std::string_view bytes) {
  const auto size = static_cast<uint32_t>(bytes.size());
  const char head[4] = {static_cast<char>(size >> 24), static_cast<char>(size >> 16),
                        static_cast<char>(size >> 8), static_cast<char>(size)};
  return SendAll(fd, std::string_view(head, 4)) && SendAll(fd, bytes);
}

bool ReadExactly(int fd, char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::read(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// The length of the message at the front of `buffer` when it is complete,
// else -1.
long CompleteMessage(const std::string& buffer) {
  if (buffer.size() < 4) return -1;
  const uint32_t size = (static_cast<uint32_t>(static_cast<unsigned char>(buffer[0])) << 24) |
                        (static_cast<uint32_t>(static_cast<unsigned char>(buffer[1])) << 16) |
                        (static_cast<uint32_t>(static_cast<unsigned char>(buffer[2])) << 8) |
                        static_cast<uint32_t>(static_cast<unsigned char>(buffer[3]));
  return buffer.size() - 4 >= size ? static_cast<long>(size) : -1;
}

uint32_t DecodeSize(const char* head) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(head[0])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(head[1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(head[2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(head[3]));
}

void EncodeSize(uint32_t size, char* head) {
  head[0] = static_cast<char>(size >> 24);
  head[1] = static_cast<char>(size >> 16);
  head[2] = static_cast<char>(size >> 8);
  head[3] = static_cast<char>(size);
}

// The helper's requests and replies are one 5-byte packet each: a letter
// and a process id. Requests: 'w' starts a worker, 'k' kills worker `pid`.
// Replies to 'w': 'w' with the worker's pid and its socket attached, 'n'
// when there is no parser, 'f' when no worker could be started.
bool SendPacket(int fd, char letter, pid_t pid, int attached = -1) {
  char packet[5] = {letter};
  EncodeSize(static_cast<uint32_t>(pid), packet + 1);
  iovec io{packet, sizeof packet};
  msghdr message{};
  message.msg_iov = &io;
  message.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  if (attached >= 0) {
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(header), &attached, sizeof(int));
  }
  for (;;) {
    const ssize_t n = ::sendmsg(fd, &message, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    return n == static_cast<ssize_t>(sizeof packet);
  }
}

// Receives one packet; `*attached` is the socket that came with it, or -1.
bool ReceivePacket(int fd, char* letter, pid_t* pid, int* attached) {
  char packet[5];
  iovec io{packet, sizeof packet};
  msghdr message{};
  message.msg_iov = &io;
  message.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t n = 0;
  while ((n = ::recvmsg(fd, &message, MSG_CMSG_CLOEXEC)) < 0 && errno == EINTR) {
  }
  *attached = -1;
  for (cmsghdr* h = CMSG_FIRSTHDR(&message); n > 0 && h != nullptr; h = CMSG_NXTHDR(&message, h)) {
    if (h->cmsg_level == SOL_SOCKET && h->cmsg_type == SCM_RIGHTS) {
      std::memcpy(attached, CMSG_DATA(h), sizeof(int));
    }
  }
  if (n != static_cast<ssize_t>(sizeof packet)) {
    if (*attached >= 0) ::close(*attached);
    *attached = -1;
    return false;
  }
  *letter = packet[0];
  *pid = static_cast<pid_t>(DecodeSize(packet + 1));
  return true;
}

// Ends this process with SIGKILL when its parent ends (and at once when
// the parent `parent` already has).
void DieWithParent(pid_t parent) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(0);
}

// The run's handlers remove its outputs; a helper or worker only ends.
void DefaultSignals() {
  for (const int number : {SIGINT, SIGTERM, SIGHUP, SIGXCPU}) ::signal(number, SIG_DFL);
  ::signal(SIGPIPE, SIG_IGN);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

// What a worker that reaches its processor-time limit sends before it ends
// (made before the first PDF: the signal handler only writes it).
int g_reply_fd = -1;
const std::string* g_timed_out_reply = nullptr;
volatile sig_atomic_t g_busy = 0;

void OnCpuLimit(int /*signal*/) {
  if (g_busy != 0 && g_timed_out_reply != nullptr) {
    ::send(g_reply_fd, g_timed_out_reply->data(), g_timed_out_reply->size(), MSG_NOSIGNAL);
  }
  ::_exit(0);
}

// Lets the worker use `seconds` more of processor time.
void AllowCpuSeconds(int seconds) {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  rlimit limit{};
  ::getrlimit(RLIMIT_CPU, &limit);
  rlim_t soft = static_cast<rlim_t>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + 1 + seconds);
  if (limit.rlim_max != RLIM_INFINITY) soft = std::min(soft, limit.rlim_max);
  limit.rlim_cur = soft;
  ::setrlimit(RLIMIT_CPU, &limit);
}

[[noreturn]] void RunWorker(int fd, const PdfParser& parser, const WorkerLimits& limits) {
  // The address-space limit does not work beside the sanitizers' shadow
  // memory, so sanitized test builds run without it.
  if (limits.memory_bytes > 0 && !kSanitized) {
    rlimit limit{limits.memory_bytes, limits.memory_bytes};
    ::setrlimit(RLIMIT_AS, &limit);
  }
  PdfFacts timed_out;
  timed_out.outcome = PdfOutcome::kTimedOut;
  const std::string facts = SerializeFacts(timed_out);
  static std::string reply;
  reply.assign(4, '\0');
  EncodeSize(static_cast<uint32_t>(facts.size()), reply.data());
  reply += facts;
  g_reply_fd = fd;
  g_timed_out_reply = &reply;
  ::signal(SIGXCPU, OnCpuLimit);
  const int cpu_seconds = limits.cpu_seconds_per_pdf > 0
                              ? limits.cpu_seconds_per_pdf
                              : limits.milliseconds_per_pdf / 1000 + 1;
  for (;;) {
    char head[4];
    if (!ReadExactly(fd, head, 4)) break;
    std::string path(DecodeSize(head), '\0');
    if (!ReadExactly(fd, path.data(), path.size())) break;
    AllowCpuSeconds(cpu_seconds);
    g_busy = 1;
    PdfFacts result;
    try {
      result = parser(path);
    } catch (const std::bad_alloc&) {
      result = PdfFacts{};
      result.outcome = PdfOutcome::kOutOfMemory;
    } catch (...) {
      result = PdfFacts{};
      result.outcome = PdfOutcome::kDamaged;
    }
    g_busy = 0;
    if (!SendMessage(fd, SerializeFacts(result))) break;
  }
  ::_exit(0);
}

// The helper process: starts workers on request, from its own small
// memory, and kills those the caller gives up on. It ends, and its workers
// with it, when the caller closes its end or dies.
[[noreturn]] void RunHelper(int control, const PdfParserLoader& load, const WorkerLimits& limits) {
  const pid_t self = ::getpid();
  std::vector<pid_t> children;
  PdfParser parser;
  bool loaded = false;
  char letter = 0;
  pid_t pid = 0;
  int attached = -1;
  while (ReceivePacket(control, &letter, &pid, &attached)) {
    if (attached >= 0) ::close(attached);
    // Workers that ended are reaped here, between requests: until then
    // their ids stay theirs, so a kill never reaches another process.
    std::erase_if(children, [](pid_t child) { return ::waitpid(child, nullptr, WNOHANG) != 0; });
    if (letter == 'k') {
      if (std::find(children.begin(), children.end(), pid) != children.end()) {
        ::kill(pid, SIGKILL);
      }
      continue;
    }
    if (!loaded) {
      loaded = true;
      if (load) parser = load();
    }
    if (!parser) {
      SendPacket(control, 'n', 0);
      continue;
    }
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
      SendPacket(control, 'f', 0);
      continue;
    }
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(control);
      ::close(fds[0]);
      DieWithParent(self);
      RunWorker(fds[1], parser, limits);
    }
    ::close(fds[1]);
    if (child < 0) {
      SendPacket(control, 'f', 0);
    } else {
      children.push_back(child);
      SendPacket(control, 'w', child, fds[0]);
    }
    ::close(fds[0]);
  }
  for (const pid_t child : children) ::kill(child, SIGKILL);
  for (const pid_t child : children) {
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  ::_exit(0);
}

}  // namespace

bool MemoryLimitApplies() { return !kSanitized; }

int ProcessorCount() {
  const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<int>(n) : 1;
}

PdfWorkers::PdfWorkers(const PdfParserLoader& load, const WorkerLimits& limits)
    : limits_(limits), poll_(::poll) {
  workers_.resize(static_cast<size_t>(limits_.workers < 1 ? 1 : limits_.workers));
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0) return;
  const pid_t caller = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    DieWithParent(caller);
    DefaultSignals();
    RunHelper(fds[1], load, limits_);
  }
  ::close(fds[1]);
  if (pid < 0) {
    ::close(fds[0]);
    return;
  }
  helper_ = pid;
  helper_fd_ = fds[0];
}

PdfWorkers::~PdfWorkers() {
  for (Worker& w : workers_) Stop(&w, false);
  if (helper_ < 0) return;
  ::close(helper_fd_);  // the helper ends its workers and itself
  while (::waitpid(helper_, nullptr, 0) < 0 && errno == EINTR) {
  }
}

bool PdfWorkers::Start(Worker* w) {
  if (helper_fd_ < 0 || no_parser_ || !SendPacket(helper_fd_, 'w', 0)) return false;
  char letter = 0;
  pid_t pid = 0;
  int fd = -1;
  if (!ReceivePacket(helper_fd_, &letter, &pid, &fd)) return false;
  if (letter != 'w' || fd < 0) {
    if (fd >= 0) ::close(fd);
    no_parser_ = letter == 'n';
    return false;
  }
  w->pid = pid;
  w->fd = fd;
  w->job = -1;
  w->reply.clear();
  ++started_;
  return true;
}

void PdfWorkers::Stop(Worker* w, bool kill_it) {
  if (w->pid < 0) return;
  if (kill_it) SendPacket(helper_fd_, 'k', w->pid);
  ::close(w->fd);  // an idle worker sees end of file and exits
  w->pid = -1;
  w->fd = -1;
  w->job = -1;
  w->reply.clear();
}

std::vector<PdfFacts> PdfWorkers::ReadAll(const std::vector<std::string>& paths,
                                          const OnRead& on_read) {
  std::vector<PdfFacts> results(paths.size());
  size_t next = 0;
  size_t done = 0;
  const auto finish = [&](size_t index) {
    ++done;
    if (on_read) on_read(index, results[index]);
  };
  const auto fail = [&](Worker* w, PdfOutcome outcome) {
    const auto index = static_cast<size_t>(w->job);
    results[index] = PdfFacts{};
    results[index].outcome = outcome;
    Stop(w, true);
    finish(index);
  };
  while (done < paths.size()) {
    // Live idle workers first: a new process only where none is free.
    std::vector<Worker*> idle;
    for (Worker& w : workers_) {
      if (w.job < 0 && w.pid >= 0) idle.push_back(&w);
    }
    for (Worker& w : workers_) {
      if (w.job < 0 && w.pid < 0) idle.push_back(&w);
    }
    for (Worker* wp : idle) {
      Worker& w = *wp;
      if (next >= paths.size()) break;
      const std::string& path = paths[next];
      // A worker that died while idle (killed from outside) is replaced
      // once before the PDF is given up.
      bool sent = false;
      for (int attempt = 0; attempt < 2 && !sent; ++attempt) {
        if (w.pid < 0 && !Start(&w)) break;
        sent = SendMessage(w.fd, path);
        if (!sent) Stop(&w, true);
      }
      if (no_parser_) return {};
      if (!sent) {
        results[next].outcome = PdfOutcome::kCrashed;
        finish(next++);
        continue;
      }
      w.job = static_cast<long>(next++);
      w.deadline = NowMs() + limits_.milliseconds_per_pdf;
    }
    std::vector<pollfd> polled;
    std::vector<Worker*> busy;
    long long wait = -1;
    const long long now = NowMs();
    for (Worker& w : workers_) {
      if (w.job < 0) continue;
      polled.push_back({w.fd, POLLIN, 0});
      busy.push_back(&w);
      const long long left = w.deadline > now ? w.deadline - now : 0;
      if (wait < 0 || left < wait) wait = left;
    }
    if (busy.empty()) continue;
    const int ready = poll_(polled.data(), polled.size(), static_cast<int>(wait));
    if (ready < 0 && errno != EINTR) {
      // Replies can no longer be waited for: the PDFs not done fail as the
      // worker's failure (read again next run), and the busy workers are
      // stopped, so that no reply meant for this call reaches a later one.
      for (Worker* w : busy) fail(w, PdfOutcome::kCrashed);
      while (next < paths.size()) {
        results[next].outcome = PdfOutcome::kCrashed;
        finish(next++);
      }
      break;
    }
    for (size_t k = 0; k < busy.size() && ready > 0; ++k) {
      Worker* w = busy[k];
      if ((polled[k].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        char buffer[65536];
        const ssize_t n = ::read(w->fd, buffer, sizeof buffer);
        if (n <= 0) {
          if (n < 0 && errno == EINTR) continue;
          fail(w, PdfOutcome::kCrashed);
          continue;
        }
        w->reply.append(buffer, static_cast<size_t>(n));
        const long size = CompleteMessage(w->reply);
        if (size < 0) continue;
        std::string_view message = std::string_view(w->reply).substr(4, static_cast<size_t>(size));
        PdfFacts facts;
        if (!ParseFacts(&message, &facts)) {
          fail(w, PdfOutcome::kCrashed);
          continue;
        }
        const auto index = static_cast<size_t>(w->job);
        results[index] = std::move(facts);
        w->job = -1;
        w->reply.clear();
        // A worker past its processor-time limit said so and ends.
        if (results[index].outcome == PdfOutcome::kTimedOut) Stop(w, true);
        finish(index);
      }
    }
    for (Worker* w : busy) {
      if (w->job >= 0 && NowMs() >= w->deadline) fail(w, PdfOutcome::kTimedOut);
    }
  }
  return results;
}

}  // namespace pdfindex
