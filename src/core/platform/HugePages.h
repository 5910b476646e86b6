#pragma once
// An allocator for the few buffers that grow with the race (tens of megabytes at a million
// lines): they are backed by 2 MiB pages where the kernel allows it, so that filling them costs a
// fault per 2 MiB rather than per 4 KiB. Smaller blocks, and every block under the address
// sanitizer, come from the usual heap.
#include <cstddef>
#include <new>
#include <string>
#include <vector>

namespace zun {

// A block of at least `bytes` (nullptr when the system has none); free it with FreeLarge, giving
// the same size.
void* AllocateLarge(size_t bytes);
void FreeLarge(void* block, size_t bytes);

template <typename T>
struct HugePageAllocator {
  using value_type = T;

  HugePageAllocator() = default;
  template <typename U>
  HugePageAllocator(const HugePageAllocator<U>&) {}

  T* allocate(size_t n) {
    if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    void* block = AllocateLarge(n * sizeof(T));
    if (block == nullptr) throw std::bad_alloc();
    return static_cast<T*>(block);
  }
  void deallocate(T* block, size_t n) { FreeLarge(block, n * sizeof(T)); }

  template <typename U>
  bool operator==(const HugePageAllocator<U>&) const {
    return true;
  }
};

template <typename T>
using LargeVector = std::vector<T, HugePageAllocator<T>>;
using LargeString = std::basic_string<char, std::char_traits<char>, HugePageAllocator<char>>;

}  // namespace zun
