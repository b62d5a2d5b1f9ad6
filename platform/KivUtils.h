// The platform's utility routines: little-endian readers of stream values,
// version numbers, and the engine's data-type name tables (current variant).
#pragma once

#include <bit>
#include <cstdint>
#include <string>

#include "platform/QuarnHashUtils.h"
#include "rtl/Stream.h"

// Each reader takes one value at the stream's position and moves past it. A
// stream that ends inside the value raises EReadError.
int32_t ReadInt32(TStream* stream);
uint8_t ReadUInt8(TStream* stream);
int8_t ReadInt8(TStream* stream);
int16_t ReadInt16(TStream* stream);
uint16_t ReadUInt16(TStream* stream);
// A Boolean: the byte as read, 0 False and any other byte True.
uint8_t ReadBool(TStream* stream);
double ReadDouble(TStream* stream);
// An unsigned 8-bit length, then that many bytes.
void ReadShortString(TStream* stream, std::string& s);
// A signed 32-bit length, then that many bytes; a negative length gives the
// empty string. Storage grows only with the bytes actually read, so a damaged
// length cannot ask for more memory than the stream holds.
void ReadLongString(TStream* stream, std::string& s);

// The readers' values straight from the bytes of a memory stream, with no call
// per value: the record stream decoder's hot path. The reader keeps its own
// position and hands it back to the stream at Stream() and when it goes out of
// scope, an exception's unwinding included, so the stream stands where the
// stream readers would have left it. A value cut off by the end raises
// EReadError with the stream at its end, as the stream readers do.
class TMemoryStreamReader {
 public:
  explicit TMemoryStreamReader(TMemoryStream* stream) : FStream(stream) { Resume(); }
  // A stream handed over and not taken back stands where its reader left it.
  ~TMemoryStreamReader() {
    if (!FHandedOver) FStream->SetPosition(FPosition);
  }
  TMemoryStreamReader(const TMemoryStreamReader&) = delete;
  TMemoryStreamReader& operator=(const TMemoryStreamReader&) = delete;

  int32_t Int32() { return static_cast<int32_t>(Take<4>()); }
  uint8_t UInt8() { return static_cast<uint8_t>(Take<1>()); }
  int8_t Int8() { return static_cast<int8_t>(Take<1>()); }
  int16_t Int16() { return static_cast<int16_t>(Take<2>()); }
  uint16_t UInt16() { return static_cast<uint16_t>(Take<2>()); }
  uint8_t Bool() { return Take<1>(); }
  double Double() { return std::bit_cast<double>(Take<8>()); }
  void ShortString(std::string& s) { Bytes(s, UInt8()); }
  void LongString(std::string& s) { Bytes(s, Int32()); }

  // The stream, standing at the reader's position, for others to read from;
  // Resume takes up where they left it.
  TStream* Stream() {
    FStream->SetPosition(FPosition);
    FHandedOver = true;
    return FStream;
  }
  void Resume();

 private:
  template <int n>
  uint64_t Take() {
    if (FPosition < 0 || FSize - FPosition < n) CutOff();
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | FBytes[FPosition + i];
    FPosition += n;
    return v;
  }
  void Bytes(std::string& s, int64_t n);
  [[noreturn]] void CutOff();

  TMemoryStream* FStream;
  const uint8_t* FBytes = nullptr;
  int64_t FSize = 0, FPosition = 0;
  bool FHandedOver = false;
};

// Takes the last dot-separated part off rest: part is what follows the last
// dot and rest what precedes it, both trimmed. Without a dot, part is the whole
// of rest, untrimmed, and rest becomes empty.
void SplitLastVersionPart(std::string& rest, std::string& part);

// Packs a version of up to three parts of 0 to 255 into one integer, the last
// part in bits 0-7 ("1.2" is 258). An empty part ends the parse. Anything else
// malformed raises EKivException with code -1.
int32_t VersionStrToInt(const std::string& s);

#ifndef TARVIK_OLDER_VARIANT
// Data-type name to code and code to name; built at load, freed at unload.
// The older variant has no such tables, and the unit nothing to do at load.
extern TStrKeyHash* DataTypeCodes;
extern TIntKeyStrHash* DataTypeNames;
void InitDataTypeNames();

// The unit's load and unload steps.
void KivUtilsInitialize();
void KivUtilsFinalize();
#endif
