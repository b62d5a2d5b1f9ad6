// A read-only stream over bytes that the caller keeps alive, so that stored
// entry data can be decrypted and inflated without first being copied.
#pragma once

#include <string>

#include "rtl/Stream.h"

class TByteViewStream : public TStream {
 public:
  TByteViewStream(const char* data, size_t size) : FData(data), FSize(static_cast<int64_t>(size)) {}
  explicit TByteViewStream(const std::string& bytes) : TByteViewStream(bytes.data(), bytes.size()) {}

  int32_t Read(void* buffer, int32_t count) override { return ReadMemory(FData, FSize, FPosition, buffer, count); }
  int32_t Write(const void*, int32_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override { return SeekMemory(FSize, FPosition, offset, origin); }
  int64_t Size() override { return FSize; }

 private:
  const char* FData;
  int64_t FSize;
  int64_t FPosition = 0;
};
