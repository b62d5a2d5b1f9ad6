// The class library's byte streams held in memory.
#pragma once

#include <cstdint>
#include <string>

#include "rtl/Object.h"

enum class TSeekOrigin : uint16_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream : public TObject {
 public:
  TStream() = default;
  // A stream owns its memory or handle; a copy would free or close it twice.
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Read and Write move up to count bytes and return how many moved.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t size);

  // Exactly count bytes, or EReadError / EWriteError.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);

  // Copies count bytes from source's position; count 0 copies all of source
  // from its beginning. Returns the bytes copied.
  int64_t CopyFrom(TStream* source, int64_t count);
};

// Read and Seek of a stream over size bytes of memory at data, at position:
// reads stop at the end, and a position before the start reads nothing.
int32_t ReadMemory(const char* data, int64_t size, int64_t& position, void* buffer, int32_t count);
int64_t SeekMemory(int64_t size, int64_t& position, int64_t offset, TSeekOrigin origin);

// A stream over one growable block of memory that it owns.
class TMemoryStream : public TStream {
 public:
  ~TMemoryStream() override;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return FSize; }
  void SetSize(int64_t size) override;

  void* Memory() const { return FMemory; }
  void Clear();
  // Trades memory, size and position with other: bytes made in one stream
  // become another's without a copy.
  void Exchange(TMemoryStream& other);
  void LoadFromStream(TStream* stream);
  void SaveToStream(TStream* stream);
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);

 private:
  void SetCapacity(int64_t capacity);

  char* FMemory = nullptr;
  int64_t FSize = 0;
  int64_t FPosition = 0;
  int64_t FCapacity = 0;
};

// A stream over a string of bytes.
class TStringStream : public TStream {
 public:
  explicit TStringStream(std::string data = {}) : FData(std::move(data)) {}

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t size) override;

  const std::string& DataString() const { return FData; }

 private:
  std::string FData;
  int64_t FPosition = 0;
};
