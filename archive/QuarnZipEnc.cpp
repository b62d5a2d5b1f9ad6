#include "archive/QuarnZipEnc.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <new>

#include <zlib.h>

#include "rtl/Assert.h"

namespace {

constexpr const char* kUnit = "QuarnZipEnc";
// Lines that the assertion messages name; fixed so that messages stay put.
constexpr int kLineDecode = 183;
constexpr int kLineVerifyHeader = 196;
constexpr int kLineCreateHeader = 232;
constexpr int kLineEncodeBuffer = 263;
constexpr int kLineStreamRead = 318;
constexpr int kLineStreamWrite = 330;
constexpr int kLineStreamReadOnly = 384;

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// Two views of the same table for the decryption chain: the low byte of each
// entry (what key 1 takes of key 0), and bits 0-15 with bit 1 set (what the
// stream byte takes of key 2; bit 1 is set whatever key 2 held, so it can be
// set in the table and kept out of what the entry is combined with).
constexpr std::array<uint8_t, 256> MakeCrcLowBytes() {
  std::array<uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(kCrcTable[i]);
  return table;
}

constexpr std::array<uint16_t, 256> MakeStreamWords() {
  std::array<uint16_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint16_t>(kCrcTable[i] | 2);
  return table;
}

constexpr std::array<uint8_t, 256> kCrcLowBytes = MakeCrcLowBytes();
constexpr std::array<uint16_t, 256> kStreamWords = MakeStreamWords();

constexpr uint32_t kKeyMultiplier = 134775813u;

// The library's own generator; only header creation draws from it.
uint32_t RandSeed = 0;

uint8_t RandomByte() {
  RandSeed = RandSeed * 134775813u + 1;
  return static_cast<uint8_t>((static_cast<uint64_t>(RandSeed) * 256) >> 32);
}

inline uint32_t CrcStep(uint8_t b, uint32_t crc) { return kCrcTable[(crc ^ b) & 0xFF] ^ (crc >> 8); }

// The cipher steps, kept internal so that the byte loops inline them.
inline void UpdateKeys(TZipKeys& keys, uint8_t plain) {
  keys.Key0 = CrcStep(plain, keys.Key0);
  keys.Key1 = (keys.Key1 + (keys.Key0 & 0xFF)) * kKeyMultiplier + 1;
  keys.Key2 = CrcStep(static_cast<uint8_t>(keys.Key1 >> 24), keys.Key2);
}

// Of t, only bits 1-15 count: t and t ^ 1 are the same pair either way.
inline uint8_t StreamByteOf(uint32_t t) { return static_cast<uint8_t>((t * (t ^ 1)) >> 8); }

inline uint8_t StreamByte(const TZipKeys& keys) { return StreamByteOf((keys.Key2 & 0xFFFF) | 2); }

// Hides how a value was made from the optimiser, which would otherwise fold
// it back into the serial chain below and lengthen it.
inline uint32_t Apart(uint32_t value) {
  asm("" : "+r"(value));
  return value;
}

void KeysFromPassphrase(TZipKeys& keys, const std::string& passphrase) {
  keys = {0x12345678, 0x23456789, 0x34567890};
  for (char c : passphrase) UpdateKeys(keys, static_cast<uint8_t>(c));
}

// Each plain byte feeds the keys that make the next stream byte, so the bytes
// go one at a time along a chain: stream byte, key 0's table step, key 1's
// multiply, key 2's table step, the next stream byte. Whatever the previous
// keys alone decide is worked out beside the chain, so that on it stand only
// two table loads, two multiplies and a few single steps. The keys are those
// of UpdateKeys: key 1 = (key 1 + low byte of key 0) * m + 1 is taken as
// (key 1 * m + 1) + low byte * m, and bits 0-15 of key 2 | 2 as
// stream word of the entry ^ (bits 8-23 of the old key 2 without bit 1).
void DecodeBytes(TZipKeys& keys, uint8_t* p, int32_t count) {
  uint32_t key0 = keys.Key0, key1 = keys.Key1, key2 = keys.Key2;
  uint32_t stream = StreamByte(keys);
  for (int32_t i = 0; i < count; ++i) {
    const uint32_t cipher = p[i];
    const uint32_t low0 = Apart((key0 ^ cipher) & 0xFF), next0 = Apart((key0 >> 8) & 0xFF);
    const uint32_t base1 = Apart(key1 * kKeyMultiplier + 1), low2 = Apart(key2 & 0xFF);
    const uint32_t rest2 = (key2 >> 8) & 0xFFFD;
    p[i] = static_cast<uint8_t>(cipher ^ stream);
    const uint32_t i0 = low0 ^ stream;
    key0 = kCrcTable[i0] ^ (key0 >> 8);
    key1 = base1 + (kCrcLowBytes[i0] ^ next0) * kKeyMultiplier;
    const uint32_t i2 = (key1 >> 24) ^ low2;
    key2 = kCrcTable[i2] ^ (key2 >> 8);
    stream = StreamByteOf(kStreamWords[i2] ^ rest2);
  }
  keys = {key0, key1, key2};
}

void EncodeBytes(TZipKeys& keys, uint8_t* p, int32_t count) {
  TZipKeys k = keys;
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t plain = p[i];
    p[i] = plain ^ StreamByte(k);
    UpdateKeys(k, plain);
  }
  keys = k;
}

}  // namespace

uint32_t UpdateCrc32(uint8_t b, uint32_t crc) { return CrcStep(b, crc); }

// zlib's crc32 computes the same CRC several bytes at a time; it inverts the
// value on the way in and out, which these steps do not.
uint32_t UpdateCrc32Buffer(const void* data, size_t count, uint32_t crc) {
  return ~static_cast<uint32_t>(crc32_z(~crc & 0xFFFFFFFFu, static_cast<const Bytef*>(data), count));
}

uint32_t BufferCrc32(const void* data, size_t count) {
  return static_cast<uint32_t>(crc32_z(0, static_cast<const Bytef*>(data), count));
}

uint32_t StringCrc32(const std::string& s) { return BufferCrc32(s.data(), s.size()); }

void QuarnZipEncInitialize() { RandSeed = 0; }

void TZipDecryptEngine::InitKeys(const std::string& passphrase) { KeysFromPassphrase(FKeys, passphrase); }
void TZipEncryptEngine::InitKeys(const std::string& passphrase) { KeysFromPassphrase(FKeys, passphrase); }

void TZipDecryptEngine::Decode(void* buffer, int32_t count) {
  Assert(FVerified, "TZipDecryptEngine.Decode: must successfully call VerifyHeader first", kUnit, kLineDecode);
  DecodeBytes(FKeys, static_cast<uint8_t*>(buffer), count);
}

bool TZipDecryptEngine::VerifyHeader(const TZipHeader& header, const std::string& passphrase, uint32_t check) {
  Assert(!passphrase.empty(), "TZipDecryptEngine.VerifyHeader: need a passphrase", kUnit, kLineVerifyHeader);
  InitKeys(passphrase);
  TZipHeader plain;
  std::memcpy(plain, header, kZipHeaderSize);
  DecodeBytes(FKeys, plain, kZipHeaderSize);
  FVerified = plain[11] == static_cast<uint8_t>(check >> 24);
  return FVerified;
}

void TZipEncryptEngine::CreateHeader(TZipHeader& header, const std::string& passphrase, uint32_t check) {
  Assert(!passphrase.empty(), "TZipEncryptEngine.CreateHeader: need a passphrase", kUnit, kLineCreateHeader);
  // The ten random bytes are themselves run through a cipher first, as the
  // format's reference implementation does.
  InitKeys(passphrase);
  for (int i = 0; i < 10; ++i) {
    uint8_t r = RandomByte();
    uint8_t k = StreamByte(FKeys);
    UpdateKeys(FKeys, r);
    header[i] = r ^ k;
  }
  InitKeys(passphrase);
  EncodeBytes(FKeys, header, 10);
  header[10] = static_cast<uint8_t>(check >> 16);
  header[11] = static_cast<uint8_t>(check >> 24);
  EncodeBytes(FKeys, header + 10, 2);
  FHeaderCreated = true;
}

void TZipEncryptEngine::EncodeBuffer(void* buffer, int32_t count) {
  Assert(FHeaderCreated, "TZipEncryptEngine.EncodeBuffer: must call CreateHeader first", kUnit, kLineEncodeBuffer);
  EncodeBytes(FKeys, static_cast<uint8_t*>(buffer), count);
}

TZipDecryptStream::TZipDecryptStream(TStream* source, uint32_t check, std::string passphrase)
    : FCheck(check), FEngine(New<TZipDecryptEngine>()), FPassphrase(std::move(passphrase)), FSource(source) {}

TZipDecryptStream::~TZipDecryptStream() { FEngine->Free(); }

bool TZipDecryptStream::VerifyHeader() {
  TZipHeader header;
  FSource->ReadBuffer(header, kZipHeaderSize);
  FHeaderVerified = FEngine->VerifyHeader(header, FPassphrase, FCheck);
  if (!FHeaderVerified) FSource->Seek(-kZipHeaderSize, TSeekOrigin::soCurrent);
  return FHeaderVerified;
}

int32_t TZipDecryptStream::Read(void* buffer, int32_t count) {
  Assert(FHeaderVerified, "TZipDecryptStream.Read: the stream header has not been verified", kUnit, kLineStreamRead);
  int32_t n = FSource->Read(buffer, count);
  if (n > 0) FEngine->Decode(buffer, n);
  return n;
}

int32_t TZipDecryptStream::Write(const void*, int32_t) {
  AssertionFailed("TZipDecryptStream.Write: the stream is Read-only", kUnit, kLineStreamWrite);
}

int64_t TZipDecryptStream::Seek(int64_t offset, TSeekOrigin origin) { return FSource->Seek(offset, origin); }

TZipEncryptStream::TZipEncryptStream(TStream* dest, uint32_t check, const std::string& passphrase)
    : FEngine(New<TZipEncryptEngine>()), FDest(dest) {
  try {
    TZipHeader header;
    FEngine->CreateHeader(header, passphrase, check);
    FDest->WriteBuffer(header, kZipHeaderSize);
  } catch (...) {
    FEngine->Free();
    throw;
  }
}

TZipEncryptStream::~TZipEncryptStream() {
  std::free(FBuffer);
  FEngine->Free();
}

int32_t TZipEncryptStream::Read(void*, int32_t) {
  AssertionFailed("TZipEncryptStream.Read: the stream is Write-only", kUnit, kLineStreamReadOnly);
}

int32_t TZipEncryptStream::Write(const void* buffer, int32_t count) {
  if (FBufferSize < count) {
    void* grown = std::malloc(count);
    if (!grown) throw std::bad_alloc();
    std::free(FBuffer);
    FBuffer = static_cast<uint8_t*>(grown);
    FBufferSize = count;
  }
  if (count > 0) {
    std::memcpy(FBuffer, buffer, count);
    FEngine->EncodeBuffer(FBuffer, count);
  }
  return FDest->Write(FBuffer, count);
}

int64_t TZipEncryptStream::Seek(int64_t offset, TSeekOrigin origin) { return FDest->Seek(offset, origin); }
