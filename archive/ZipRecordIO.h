// Reading zip records: little-endian numbers inside their byte images, and
// variable-length parts that the stream must actually hold.
#pragma once

#include <cstdint>
#include <string>

#include "rtl/Stream.h"

inline uint16_t GetLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

inline uint32_t GetLE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

inline void PutLE16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

inline void PutLE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// count bytes from stream, or EReadError when the stream holds fewer; checked
// before anything is allocated, so a damaged length cannot ask for memory
// that the stream does not back.
std::string ReadRecordString(TStream* stream, uint32_t count);

// Up to count bytes: as many as the stream still holds.
std::string ReadAvailable(TStream* stream, uint32_t count);

// Everything from the stream's position to its end; EZipFileException when
// that is more than an entry can hold.
std::string ReadRestOfStream(TStream* stream);

// Raises EZipFileException naming what, when value does not fit a record
// field whose largest value is limit.
void CheckFieldFits(uint64_t value, uint64_t limit, const char* what);
