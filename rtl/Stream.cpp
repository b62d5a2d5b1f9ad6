#include "rtl/Stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "rtl/Exceptions.h"
#include "rtl/FileStream.h"

namespace {

// Moves size bytes in pieces that a 32-bit count can carry.
template <class Move>
void InPieces(int64_t size, Move move) {
  constexpr int64_t kPiece = int64_t{1} << 30;
  for (int64_t done = 0; done < size; done += kPiece) move(done, static_cast<int32_t>(std::min(size - done, kPiece)));
}

}  // namespace

int64_t TStream::Size() {
  int64_t position = Seek(0, TSeekOrigin::soCurrent);
  int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

void TStream::SetSize(int64_t) {}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError(SWriteError);
}

int64_t TStream::CopyFrom(TStream* source, int64_t count) {
  constexpr int32_t kBufferSize = 0xF000;
  if (count == 0) {
    source->SetPosition(0);
    count = source->Size();
  }
  int64_t copied = count;
  char buffer[kBufferSize];
  while (count > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count, kBufferSize));
    source->ReadBuffer(buffer, n);
    WriteBuffer(buffer, n);
    count -= n;
  }
  return copied;
}

int32_t ReadMemory(const char* data, int64_t size, int64_t& position, void* buffer, int32_t count) {
  if (count <= 0 || position < 0 || position >= size) return 0;
  const int32_t n = static_cast<int32_t>(std::min<int64_t>(count, size - position));
  std::memcpy(buffer, data + position, n);
  position += n;
  return n;
}

int64_t SeekMemory(int64_t size, int64_t& position, int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soBeginning: position = offset; break;
    case TSeekOrigin::soCurrent: position += offset; break;
    case TSeekOrigin::soEnd: position = size + offset; break;
  }
  return position;
}

TMemoryStream::~TMemoryStream() { std::free(FMemory); }

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  return ReadMemory(FMemory, FSize, FPosition, buffer, count);
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0 || FPosition < 0) return 0;
  int64_t end = FPosition + count;
  if (end > FSize) {
    if (end > FCapacity) SetCapacity(std::max(end, FCapacity + FCapacity / 4));
    FSize = end;
  }
  std::memcpy(FMemory + FPosition, buffer, count);
  FPosition = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  return SeekMemory(FSize, FPosition, offset, origin);
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) size = 0;
  SetCapacity(size);
  FSize = size;
  if (FPosition > size) FPosition = size;
}

void TMemoryStream::SetCapacity(int64_t capacity) {
  if (capacity == FCapacity) return;
  if (capacity == 0) {
    std::free(FMemory);
    FMemory = nullptr;
  } else {
    char* grown = static_cast<char*>(std::realloc(FMemory, capacity));
    if (!grown) throw std::bad_alloc();
    FMemory = grown;
  }
  FCapacity = capacity;
}

void TMemoryStream::Clear() {
  SetCapacity(0);
  FSize = 0;
  FPosition = 0;
}

void TMemoryStream::Exchange(TMemoryStream& other) {
  std::swap(FMemory, other.FMemory);
  std::swap(FSize, other.FSize);
  std::swap(FPosition, other.FPosition);
  std::swap(FCapacity, other.FCapacity);
}

void TMemoryStream::LoadFromStream(TStream* stream) {
  stream->SetPosition(0);
  int64_t size = stream->Size();
  SetSize(size);
  InPieces(size, [&](int64_t at, int32_t n) { stream->ReadBuffer(FMemory + at, n); });
  FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream* stream) {
  InPieces(FSize, [&](int64_t at, int32_t n) { stream->WriteBuffer(FMemory + at, n); });
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(&file);
}

int32_t TStringStream::Read(void* buffer, int32_t count) {
  return ReadMemory(FData.data(), Size(), FPosition, buffer, count);
}

int32_t TStringStream::Write(const void* buffer, int32_t count) {
  if (count <= 0 || FPosition < 0) return 0;
  int64_t end = FPosition + count;
  if (end > Size()) FData.resize(end);
  std::memcpy(FData.data() + FPosition, buffer, count);
  FPosition = end;
  return count;
}

int64_t TStringStream::Seek(int64_t offset, TSeekOrigin origin) {
  return SeekMemory(Size(), FPosition, offset, origin);
}

void TStringStream::SetSize(int64_t size) {
  FData.resize(size < 0 ? 0 : size);
  if (FPosition > Size()) FPosition = Size();
}
