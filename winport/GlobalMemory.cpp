#include "winport/GlobalMemory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "winport/Errors.h"

namespace {

struct Block {
  void* Memory;
  int Locks;
};

std::mutex blocksLock;
std::unordered_set<Block*> blocks;

Block* BlockOf(HGLOBAL handle) {
  auto it = blocks.find(static_cast<Block*>(handle));
  if (it == blocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return *it;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T size) {
  if (flags & ~(GMEM_MOVEABLE | GMEM_ZEROINIT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* memory = (flags & GMEM_ZEROINIT) ? std::calloc(size ? size : 1, 1) : std::malloc(size ? size : 1);
  if (!memory) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Block* block = new Block{memory, 0};
  std::lock_guard<std::mutex> guard(blocksLock);
  blocks.insert(block);
  return block;
}

void* GlobalLock(HGLOBAL handle) {
  std::lock_guard<std::mutex> guard(blocksLock);
  Block* block = BlockOf(handle);
  if (!block) return nullptr;
  ++block->Locks;
  return block->Memory;
}

BOOL GlobalUnlock(HGLOBAL handle) {
  std::lock_guard<std::mutex> guard(blocksLock);
  Block* block = BlockOf(handle);
  if (!block) return FALSE;
  if (block->Locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  if (--block->Locks > 0) return TRUE;
  SetLastError(ERROR_SUCCESS);
  return FALSE;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
  std::lock_guard<std::mutex> guard(blocksLock);
  Block* block = BlockOf(handle);
  if (!block) return handle;
  blocks.erase(block);
  std::free(block->Memory);
  delete block;
  return nullptr;
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const int64_t product = static_cast<int64_t>(number) * numerator;
  const int64_t divisor = denominator;
  const int64_t magnitude = ((product < 0 ? -product : product) + (divisor < 0 ? -divisor : divisor) / 2) /
                            (divisor < 0 ? -divisor : divisor);
  const int64_t result = (product < 0) != (divisor < 0) ? -magnitude : magnitude;
  if (result > INT32_MAX || result < INT32_MIN) return -1;
  return static_cast<int>(result);
}
