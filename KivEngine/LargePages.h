// Memory for the engine's large blocks: record chunks, index arrays, the
// result. Where the system has transparent huge pages (Linux), they are asked
// for wherever a block spans whole 2 MB pages, so that filling the block takes
// one page fault per 2 MB instead of one per 4 KB and lookups in it few
// page-table walks; elsewhere the blocks are plain memory. Any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace kivengine {

constexpr size_t kLargePageSize = size_t{2} << 20;

// Asks for large pages for the whole large pages that lie within
// [memory, memory + size); the bytes there are not changed.
void AdviseLargePages(void* memory, size_t size);

// size bytes, aligned to a large page (and advised) when size is at least
// one; freed with FreeLarge and the same size.
void* AllocateLarge(size_t size);
void FreeLarge(void* memory, size_t size) noexcept;

// For the vectors that can grow large.
template <class T>
struct LargePageAllocator {
  using value_type = T;
  LargePageAllocator() = default;
  template <class U>
  LargePageAllocator(const LargePageAllocator<U>&) {}
  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(AllocateLarge(n * sizeof(T)));
  }
  void deallocate(T* memory, size_t n) noexcept { FreeLarge(memory, n * sizeof(T)); }
  template <class U>
  bool operator==(const LargePageAllocator<U>&) const {
    return true;
  }
};

}  // namespace kivengine
