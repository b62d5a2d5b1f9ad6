// Where a table's records live: blocks taken one after another from chunks
// that double in size up to a large page, so that a table of many records
// takes few fresh pages and a table of one record no more than its block. A
// block goes back to its chunk when its record is destroyed. A chunk whose
// blocks have all gone back serves the table's next records; one that has
// served none since the table last let go of its records is freed, so that a
// large request does not keep its memory through smaller ones. Chunks that
// still hold records when the table goes live on without it until their last
// record goes, and keep what their records need alive (the table's
// definition). Used by one thread at a time, the table's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kivengine {

class TRecordChunks;

// The head of a chunk; its blocks follow it.
struct TRecordChunk {
  TRecordChunks* Owner;  // nil once the table is gone
  std::shared_ptr<const void> Keep;
  size_t Size;           // bytes, this head included
  size_t Used;           // bytes taken, this head included
  uint32_t Live = 0;     // blocks taken and not given back
  bool Served = true;    // has taken blocks since the owner last trimmed
};

class TRecordChunks {
 public:
  // keep: what the records need as long as any of them lives.
  explicit TRecordChunks(std::shared_ptr<const void> keep) : FKeep(std::move(keep)) {}
  TRecordChunks(const TRecordChunks&) = delete;
  TRecordChunks& operator=(const TRecordChunks&) = delete;
  ~TRecordChunks();

  // A block of size bytes, aligned for any record, and the chunk it is from.
  void* Take(size_t size, TRecordChunk*& chunk);
  // A block of the chunk has gone back.
  static void Give(TRecordChunk* chunk) noexcept;
  // The block at block, taken with size bytes, keeps only its first kept
  // bytes when it is the last block taken from the chunk. Answers the bytes
  // the block has now: kept, or size when another block follows it, either
  // rounded up to the alignment.
  static size_t Shrink(TRecordChunk* chunk, void* block, size_t size, size_t kept) noexcept;
  // Frees the empty chunks that have served no block since the last call;
  // the next block is taken from the start of the first empty chunk.
  void Trim() noexcept;

 private:
  static void Free(TRecordChunk* chunk) noexcept;

  std::shared_ptr<const void> FKeep;
  std::vector<TRecordChunk*> FChunks;  // every chunk the table has
  TRecordChunk* FCurrent = nullptr;    // where blocks are taken from
  size_t FBytes = 0;                   // of every chunk: the size of the next
};

}  // namespace kivengine
