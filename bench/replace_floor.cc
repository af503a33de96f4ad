// The floor of putting outputs in place safely, for bench/run.sh:
//
//   replace_floor PATH SIZE [PATH SIZE ...]
//
// For each PATH in turn: SIZE zero bytes written to PATH.new, synced,
// renamed over PATH (a file left there before, as a run replaces the one it
// wrote last time), and PATH's folder synced. One process, so that the
// figure holds no program starts.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool Replace(const std::string& path, size_t size) {
  const std::string temp = path + ".new";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  static const std::vector<char> zeros(size_t{1} << 16);
  while (size > 0) {
    const size_t part = size < zeros.size() ? size : zeros.size();
    const ssize_t n = ::write(fd, zeros.data(), part);
    if (n <= 0) return false;
    size -= static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) return false;
  if (::rename(temp.c_str(), path.c_str()) != 0) return false;
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return false;
  ::fsync(dir);
  ::close(dir);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc % 2 == 0) {
    std::fprintf(stderr, "usage: replace_floor PATH SIZE [PATH SIZE ...]\n");
    return 2;
  }
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!Replace(argv[i], std::strtoull(argv[i + 1], nullptr, 10))) {
      std::perror(argv[i]);
      return 1;
    }
  }
  return 0;
}
