// Builds table bodies and values byte by byte, little-endian.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

class BodyBytes {
 public:
  BodyBytes& Byte(uint8_t value) { return Raw(&value, 1); }
  BodyBytes& Int16(int16_t value) { return Raw(&value, 2); }
  BodyBytes& Int32(int32_t value) { return Raw(&value, 4); }
  BodyBytes& Double(double value) { return Raw(&value, 8); }
  BodyBytes& ShortString(const std::string& s) { return Byte(static_cast<uint8_t>(s.size())).Raw(s.data(), s.size()); }
  BodyBytes& LongString(const std::string& s) { return Int32(static_cast<int32_t>(s.size())).Raw(s.data(), s.size()); }
  const std::string& Data() const { return FData; }

 private:
  BodyBytes& Raw(const void* data, size_t size) {
    FData.append(static_cast<const char*>(data), size);
    return *this;
  }
  std::string FData;
};
