#include "metadata/pdf_workers.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
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

}  // namespace

bool MemoryLimitApplies() { return !kSanitized; }

int ProcessorCount() {
  const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<int>(n) : 1;
}

PdfWorkers::PdfWorkers(PdfParser parser, WorkerLimits limits)
    : parser_(std::move(parser)), limits_(limits) {
  workers_.resize(static_cast<size_t>(limits_.workers < 1 ? 1 : limits_.workers));
}

PdfWorkers::~PdfWorkers() {
  for (Worker& w : workers_) Stop(&w, false);
}

void PdfWorkers::RunChild(int fd) {
  // The address-space limit does not work beside the sanitizers' shadow
  // memory, so sanitized test builds run without it.
  if (limits_.memory_bytes > 0 && !kSanitized) {
    rlimit limit{limits_.memory_bytes, limits_.memory_bytes};
    ::setrlimit(RLIMIT_AS, &limit);
  }
  for (;;) {
    char head[4];
    if (!ReadExactly(fd, head, 4)) break;
    const uint32_t size = (static_cast<uint32_t>(static_cast<unsigned char>(head[0])) << 24) |
                          (static_cast<uint32_t>(static_cast<unsigned char>(head[1])) << 16) |
                          (static_cast<uint32_t>(static_cast<unsigned char>(head[2])) << 8) |
                          static_cast<uint32_t>(static_cast<unsigned char>(head[3]));
    std::string path(size, '\0');
    if (!ReadExactly(fd, path.data(), size)) break;
    PdfFacts facts;
    try {
      facts = parser_(path);
    } catch (const std::bad_alloc&) {
      facts = PdfFacts{};
      facts.outcome = PdfOutcome::kOutOfMemory;
    } catch (...) {
      facts = PdfFacts{};
      facts.outcome = PdfOutcome::kDamaged;
    }
    if (!SendMessage(fd, SerializeFacts(facts))) break;
  }
  ::_exit(0);
}

bool PdfWorkers::Start(Worker* w) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return false;
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  if (pid == 0) {
    ::close(fds[0]);
    // The other workers' sockets stay with the parent alone, so that a
    // worker's end of file is seen as soon as it dies.
    for (const Worker& other : workers_) {
      if (other.fd >= 0) ::close(other.fd);
    }
    RunChild(fds[1]);
  }
  ::close(fds[1]);
  w->pid = pid;
  w->fd = fds[0];
  w->job = -1;
  w->reply.clear();
  ++started_;
  return true;
}

void PdfWorkers::Stop(Worker* w, bool kill_it) {
  if (w->pid < 0) return;
  if (kill_it) ::kill(w->pid, SIGKILL);
  ::close(w->fd);  // an idle worker sees end of file and exits
  int status = 0;
  while (::waitpid(w->pid, &status, 0) < 0 && errno == EINTR) {
  }
  w->pid = -1;
  w->fd = -1;
  w->job = -1;
  w->reply.clear();
}

std::vector<PdfFacts> PdfWorkers::ReadAll(const std::vector<std::string>& paths) {
  std::vector<PdfFacts> results(paths.size());
  size_t next = 0;
  size_t done = 0;
  auto fail = [&](Worker* w, PdfOutcome outcome) {
    results[static_cast<size_t>(w->job)].outcome = outcome;
    ++done;
    Stop(w, true);
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
      if (w.pid < 0 && !Start(&w)) {
        results[next++].outcome = PdfOutcome::kCrashed;
        ++done;
        continue;
      }
      w.job = static_cast<long>(next++);
      w.deadline = NowMs() + limits_.milliseconds_per_pdf;
      if (!SendMessage(w.fd, paths[static_cast<size_t>(w.job)])) fail(&w, PdfOutcome::kCrashed);
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
    const int ready = ::poll(polled.data(), polled.size(), static_cast<int>(wait));
    if (ready < 0 && errno != EINTR) break;
    for (size_t k = 0; k < busy.size(); ++k) {
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
        results[static_cast<size_t>(w->job)] = std::move(facts);
        ++done;
        w->job = -1;
        w->reply.clear();
      } else if (NowMs() >= w->deadline) {
        fail(w, PdfOutcome::kTimedOut);
      }
    }
  }
  return results;
}

}  // namespace pdfindex
