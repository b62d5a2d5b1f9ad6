// CRC-32 and the traditional PKWARE cipher of the zip format, with its 12-byte
// encryption header, as two engines and two stream adapters over them.
#pragma once

#include <cstdint>
#include <string>

#include "rtl/Object.h"
#include "rtl/Stream.h"

// CRC-32 of the bytes of s, as zip and zlib compute it; 0 for the empty string.
uint32_t StringCrc32(const std::string& s);
// The same over count bytes at data.
uint32_t BufferCrc32(const void* data, size_t count);
// One table step of the reflected CRC-32 (no pre- or post-inversion).
uint32_t UpdateCrc32(uint8_t b, uint32_t crc);
// The same steps over a buffer, for callers that hold bytes rather than a string.
uint32_t UpdateCrc32Buffer(const void* data, size_t count, uint32_t crc);

// Load-time hook: the header generator starts from seed 0 in every process, so
// the first header made with a given passphrase and check is always the same.
void QuarnZipEncInitialize();

constexpr int kZipHeaderSize = 12;
using TZipHeader = uint8_t[kZipHeaderSize];

// The three cipher keys of either engine.
struct TZipKeys {
  uint32_t Key0 = 0, Key1 = 0, Key2 = 0;
};

class TZipDecryptEngine : public TObject {
 public:
  void InitKeys(const std::string& passphrase);
  // Keys the engine and tests byte 11 of the decrypted header against the top
  // byte of check; header itself is left as it is.
  bool VerifyHeader(const TZipHeader& header, const std::string& passphrase, uint32_t check);
  void Decode(void* buffer, int32_t count);

  bool Verified() const { return FVerified; }

 private:
  bool FVerified = false;
  TZipKeys FKeys;
};

class TZipEncryptEngine : public TObject {
 public:
  void InitKeys(const std::string& passphrase);
  // Keys the engine and writes the encrypted header: ten random bytes, then
  // bits 16-23 and 24-31 of check.
  void CreateHeader(TZipHeader& header, const std::string& passphrase, uint32_t check);
  void EncodeBuffer(void* buffer, int32_t count);

  bool HeaderCreated() const { return FHeaderCreated; }

 private:
  bool FHeaderCreated = false;
  TZipKeys FKeys;
};

// Reads encrypted bytes from source and hands them out plain. The source is
// borrowed and stays open.
class TZipDecryptStream : public TStream {
 public:
  TZipDecryptStream(TStream* source, uint32_t check, std::string passphrase);
  ~TZipDecryptStream() override;

  // Reads the 12-byte header and tests it; on failure the source is moved back
  // to where it stood and nothing can be read.
  bool VerifyHeader();

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

 private:
  uint32_t FCheck;
  TZipDecryptEngine* FEngine;
  std::string FPassphrase;
  bool FHeaderVerified = false;
  TStream* FSource;
};

// Encrypts what is written to it into dest; the header is on dest as soon as
// the constructor returns. The destination is borrowed.
class TZipEncryptStream : public TStream {
 public:
  TZipEncryptStream(TStream* dest, uint32_t check, const std::string& passphrase);
  ~TZipEncryptStream() override;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

 private:
  uint8_t* FBuffer = nullptr;
  int32_t FBufferSize = 0;
  TZipEncryptEngine* FEngine;
  TStream* FDest;
};
