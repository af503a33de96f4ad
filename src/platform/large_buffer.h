// Memory for buffers of megabytes that are filled once: mapped on their own
// in large pages where the system offers them. Every page of new memory
// costs a page fault when first written, and in 4 KiB pages a buffer of a
// few megabytes takes about a thousand of them, more than reading its bytes
// does; in 2 MiB pages it takes two.
#ifndef PDFINDEX_PLATFORM_LARGE_BUFFER_H_
#define PDFINDEX_PLATFORM_LARGE_BUFFER_H_

#include <cstddef>
#include <new>
#include <string>

namespace pdfindex {

/// Buffers from this size up are mapped on their own: a large page is
/// cleared in one go about as fast as this many bytes take small-page
/// faults on real hardware, and many times faster in a virtual machine.
inline constexpr size_t kLargeBufferBytes = size_t{512} << 10;

/// `bytes` (at least kLargeBufferBytes) of new memory, in large pages where
/// the system offers them; throws std::bad_alloc when none can be mapped.
void* MapLarge(size_t bytes);
/// Gives back what MapLarge(bytes) gave.
void UnmapLarge(void* memory, size_t bytes);

/// An allocator that maps large buffers with MapLarge and takes smaller ones
/// from the heap.
template <typename T>
class LargeAllocator {
 public:
  using value_type = T;
  LargeAllocator() = default;
  template <typename U>
  explicit LargeAllocator(const LargeAllocator<U>& /*other*/) {}

  T* allocate(size_t n) {
    const size_t bytes = n * sizeof(T);
    if (bytes >= kLargeBufferBytes) return static_cast<T*>(MapLarge(bytes));
    return static_cast<T*>(::operator new(bytes));
  }
  void deallocate(T* memory, size_t n) {
    const size_t bytes = n * sizeof(T);
    if (bytes >= kLargeBufferBytes) {
      UnmapLarge(memory, bytes);
    } else {
      ::operator delete(memory);
    }
  }
  template <typename U>
  bool operator==(const LargeAllocator<U>& /*other*/) const {
    return true;
  }
};

/// Bytes held in a large buffer.
using LargeString = std::basic_string<char, std::char_traits<char>, LargeAllocator<char>>;

}  // namespace pdfindex

#endif  // PDFINDEX_PLATFORM_LARGE_BUFFER_H_
