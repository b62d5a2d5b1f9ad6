// Test support: hand-made zip records, so that damaged and unusual archives can
// be written byte by byte, the message of an expected exception, and the
// output of a shell command (the real zip tools).
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "archive/QuarnZipEnc.h"
#include "rtl/Exceptions.h"
#include "rtl/Stream.h"

namespace ziptest {

// The message of the class library exception that f raises.
template <class F>
std::string ErrorText(F f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "no error";
}

// The standard output of a shell command, and its exit status when asked for.
inline std::string Shell(const std::string& command, int* status = nullptr) {
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  if (!pipe) return output;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) output.append(buf, n);
  const int rc = pclose(pipe);
  if (status) *status = rc;
  return output;
}

inline std::string Le16(uint32_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
inline std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

inline uint32_t GetLe32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(s[at + i]);
  return v;
}
inline uint16_t GetLe16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}

struct Record {
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t time = 0x6000;  // 12:00:00
  uint16_t date = 0x5721;  // 2023-09-01
  uint32_t crc = 0;
  uint32_t usize = 0;
  std::string name = "a.txt";
  std::string extra;
  std::string data;  // stored bytes
  // When set, replaces the compressed size that data gives.
  int64_t csize = -1;
  uint32_t attributes = 0;
};

inline std::string LocalRecord(const Record& r) {
  return Le32(0x04034B50) + Le16(20) + Le16(r.flags) + Le16(r.method) + Le16(r.time) + Le16(r.date) + Le32(r.crc) +
         Le32(r.csize >= 0 ? static_cast<uint32_t>(r.csize) : static_cast<uint32_t>(r.data.size())) + Le32(r.usize) +
         Le16(static_cast<uint32_t>(r.name.size())) + Le16(static_cast<uint32_t>(r.extra.size())) + r.name + r.extra +
         r.data;
}

inline std::string CentralRecord(const Record& r, uint32_t localOffset, const std::string& comment = "") {
  return Le32(0x02014B50) + Le16(20) + Le16(20) + Le16(r.flags) + Le16(r.method) + Le16(r.time) + Le16(r.date) +
         Le32(r.crc) + Le32(static_cast<uint32_t>(r.data.size())) + Le32(r.usize) +
         Le16(static_cast<uint32_t>(r.name.size())) + Le16(static_cast<uint32_t>(r.extra.size())) +
         Le16(static_cast<uint32_t>(comment.size())) + Le16(0) + Le16(0) + Le32(r.attributes) + Le32(localOffset) +
         r.name + r.extra + comment;
}

inline std::string EndRecord(uint16_t entries, const std::string& comment) {
  return Le32(0x06054B50) + Le16(0) + Le16(0) + Le16(entries) + Le16(entries) + Le32(0) + Le32(0) +
         Le16(static_cast<uint32_t>(comment.size())) + comment;
}

// A stored record holding plain, with its CRC-32.
inline Record Stored(const std::string& name, const std::string& plain) {
  Record r;
  r.name = name;
  r.data = plain;
  r.crc = StringCrc32(plain);
  r.usize = static_cast<uint32_t>(plain.size());
  return r;
}

// Encrypts bytes under password with the given check value: header then data.
inline std::string Encrypted(const std::string& bytes, const std::string& password, uint32_t check) {
  TStringStream out;
  {
    TZipEncryptStream writer(&out, check, password);
    writer.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  }
  return out.DataString();
}

// Raw deflate of plain by zlib itself, independent of the code under test.
inline std::string RawDeflated(const std::string& plain, int level = Z_DEFAULT_COMPRESSION) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, plain.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
  z.avail_in = static_cast<uInt>(plain.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// A deflated record holding plain.
inline Record Deflated(const std::string& name, const std::string& plain) {
  Record r = Stored(name, plain);
  r.method = 8;
  r.data = RawDeflated(plain);
  return r;
}

}  // namespace ziptest
