#include "platform/HugePages.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace zun {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnMappings = false;  // the sanitizer watches heap blocks only
#else
constexpr bool kOwnMappings = true;
#endif

bool Mapped(size_t bytes) { return kOwnMappings && bytes >= kHugePage; }
size_t Rounded(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* AllocateLarge(size_t bytes) {
  if (!Mapped(bytes)) return std::malloc(bytes == 0 ? 1 : bytes);
  const size_t size = Rounded(bytes);
  // Mapped one huge page more, then trimmed to a start on a huge-page boundary.
  void* const mapping = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) return nullptr;
  const uintptr_t start = reinterpret_cast<uintptr_t>(mapping);
  const uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) munmap(mapping, aligned - start);
  const size_t after = kHugePage - (aligned - start);
  if (after > 0) munmap(reinterpret_cast<void*>(aligned + size), after);
  void* const block = reinterpret_cast<void*>(aligned);
  madvise(block, size, MADV_HUGEPAGE);  // a hint: without it the block is simply in small pages
  return block;
}

void FreeLarge(void* block, size_t bytes) {
  if (block == nullptr) return;
  if (!Mapped(bytes)) return std::free(block);
  munmap(block, Rounded(bytes));
}

}  // namespace zun
