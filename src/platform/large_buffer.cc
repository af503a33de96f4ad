#include "platform/large_buffer.h"

#include <sys/mman.h>

#include <cstdint>

namespace pdfindex {

namespace {

constexpr uintptr_t kLargePage = uintptr_t{2} << 20;

uintptr_t RoundUp(uintptr_t n) { return (n + kLargePage - 1) & ~(kLargePage - 1); }

}  // namespace

void* MapLarge(size_t bytes) {
  const size_t size = RoundUp(bytes);
  // One large page more than asked for, so that a stretch starting on a
  // large page's boundary fits; what lies outside it is given back at once.
  const size_t mapped = size + kLargePage;
  void* raw = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  char* const first = static_cast<char*>(raw);
  const uintptr_t start = reinterpret_cast<uintptr_t>(first);
  const size_t skipped = RoundUp(start) - start;
  char* const memory = first + skipped;
  if (skipped > 0) ::munmap(first, skipped);
  if (const size_t after = mapped - skipped - size; after > 0) ::munmap(memory + size, after);
#if defined(MADV_HUGEPAGE)
  // A hint: without large pages the memory is the same, only slower to
  // fill.
  ::madvise(memory, size, MADV_HUGEPAGE);
#endif
  return memory;
}

void UnmapLarge(void* memory, size_t bytes) { ::munmap(memory, RoundUp(bytes)); }

}  // namespace pdfindex
