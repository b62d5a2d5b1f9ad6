// zlib behind the class library's stream interface: a compressing stream that
// writes into a target stream and a decompressing stream that reads from a
// source stream, each with a 64 KB buffer. Both work on raw deflate data, the
// form that zip entries hold: no zlib header, no Adler-32 to compute.
#pragma once

#include <zlib.h>

#include <string>

#include "rtl/Exceptions.h"
#include "rtl/Stream.h"

class EZlibError : public Exception {
 public:
  using Exception::Exception;
};
class ECompressionError : public EZlibError {
 public:
  using EZlibError::EZlibError;
};
class EDecompressionError : public EZlibError {
 public:
  using EZlibError::EZlibError;
};

// Write-only. Finish flushes what zlib still holds; the target stream is
// borrowed and receives nothing after Finish.
class TCompressionStream : public TStream {
 public:
  // level: zlib's 0 to 9, or Z_DEFAULT_COMPRESSION.
  TCompressionStream(TStream* dest, int level);
  ~TCompressionStream() override;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void Finish();

 private:
  void Drain(int flush);

  z_stream FZ{};
  TStream* FDest;
  char FBuffer[0x10000];
};

// Read-only. Reads come back short once the compressed stream ends or the
// source runs dry; damaged data raises EDecompressionError.
class TDecompressionStream : public TStream {
 public:
  explicit TDecompressionStream(TStream* source);
  ~TDecompressionStream() override;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

 private:
  z_stream FZ{};
  TStream* FSource;
  bool FEnded = false;
  char FBuffer[0x10000];
};
