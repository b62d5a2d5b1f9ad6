#include "KivEngine/RecordChunks.h"

#include <algorithm>
#include <new>

#include "KivEngine/LargePages.h"

namespace kivengine {

namespace {

constexpr size_t kAlign = alignof(std::max_align_t);
constexpr size_t kHead = (sizeof(TRecordChunk) + kAlign - 1) / kAlign * kAlign;

size_t Aligned(size_t size) { return (size + kAlign - 1) / kAlign * kAlign; }

}  // namespace

TRecordChunks::~TRecordChunks() {
  for (TRecordChunk* chunk : FChunks) {
    if (chunk->Live == 0)
      Free(chunk);
    else
      chunk->Owner = nullptr;
  }
}

void TRecordChunks::Free(TRecordChunk* chunk) noexcept {
  const size_t size = chunk->Size;
  chunk->~TRecordChunk();
  FreeLarge(chunk, size);
}

void* TRecordChunks::Take(size_t size, TRecordChunk*& chunk) {
  size = Aligned(size);
  if (!FCurrent || FCurrent->Size - FCurrent->Used < size) {
    FCurrent = nullptr;
    for (TRecordChunk* empty : FChunks)
      if (empty->Live == 0 && empty->Size - kHead >= size) {
        FCurrent = empty;
        FCurrent->Used = kHead;
        break;
      }
    if (!FCurrent) {
      FChunks.reserve(FChunks.size() + 1);
      const size_t bytes = std::max(kHead + size, std::min(FBytes, kLargePageSize));
      FCurrent = new (AllocateLarge(bytes)) TRecordChunk{this, FKeep, bytes, kHead};
      FChunks.push_back(FCurrent);
      FBytes += bytes;
    }
  }
  chunk = FCurrent;
  chunk->Served = true;
  ++chunk->Live;
  void* block = reinterpret_cast<char*>(chunk) + chunk->Used;
  chunk->Used += size;
  return block;
}

void TRecordChunks::Give(TRecordChunk* chunk) noexcept {
  if (--chunk->Live == 0 && !chunk->Owner) Free(chunk);
}

size_t TRecordChunks::Shrink(TRecordChunk* chunk, void* block, size_t size, size_t kept) noexcept {
  const size_t start = static_cast<size_t>(static_cast<char*>(block) - reinterpret_cast<char*>(chunk));
  if (chunk->Used != start + Aligned(size)) return Aligned(size);
  chunk->Used = start + Aligned(kept);
  return Aligned(kept);
}

void TRecordChunks::Trim() noexcept {
  FCurrent = nullptr;
  size_t kept = 0;
  for (TRecordChunk* chunk : FChunks) {
    if (chunk->Live == 0 && !chunk->Served) {
      FBytes -= chunk->Size;
      Free(chunk);
      continue;
    }
    chunk->Served = false;
    FChunks[kept++] = chunk;
  }
  FChunks.resize(kept);
}

}  // namespace kivengine
