#include "KivEngine/LargePages.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace kivengine {

void AdviseLargePages(void* memory, size_t size) {
#ifdef __linux__
  const uintptr_t start = reinterpret_cast<uintptr_t>(memory);
  const uintptr_t first = (start + kLargePageSize - 1) & ~(kLargePageSize - 1);
  const uintptr_t last = (start + size) & ~(kLargePageSize - 1);
  // Only a hint: memory without large pages works the same.
  if (first < last) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)memory;
  (void)size;
#endif
}

void* AllocateLarge(size_t size) {
  if (size < kLargePageSize) return ::operator new(size);
  void* memory = ::operator new(size, std::align_val_t(kLargePageSize));
  AdviseLargePages(memory, size);
  return memory;
}

void FreeLarge(void* memory, size_t size) noexcept {
  if (size < kLargePageSize)
    ::operator delete(memory);
  else
    ::operator delete(memory, std::align_val_t(kLargePageSize));
}

}  // namespace kivengine
