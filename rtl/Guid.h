// GUIDs in their in-memory layout, written from their registry text at compile time.
#pragma once

#include <cstdint>
#include <string>

struct TGUID {
  uint32_t D1;
  uint16_t D2;
  uint16_t D3;
  uint8_t D4[8];

  friend constexpr bool operator==(const TGUID& a, const TGUID& b) {
    if (a.D1 != b.D1 || a.D2 != b.D2 || a.D3 != b.D3) return false;
    for (int i = 0; i < 8; ++i)
      if (a.D4[i] != b.D4[i]) return false;
    return true;
  }
};

namespace rtl_detail {
constexpr uint32_t HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  throw "invalid hexadecimal digit in GUID";
}
constexpr uint32_t Hex(const char* s, int digits) {
  uint32_t v = 0;
  for (int i = 0; i < digits; ++i) v = v * 16 + HexDigit(s[i]);
  return v;
}
}  // namespace rtl_detail

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" to a GUID.
constexpr TGUID StringToGUID(const char (&s)[39]) {
  using rtl_detail::Hex;
  TGUID g{Hex(s + 1, 8), static_cast<uint16_t>(Hex(s + 10, 4)), static_cast<uint16_t>(Hex(s + 15, 4)), {}};
  g.D4[0] = static_cast<uint8_t>(Hex(s + 20, 2));
  g.D4[1] = static_cast<uint8_t>(Hex(s + 22, 2));
  for (int i = 0; i < 6; ++i) g.D4[2 + i] = static_cast<uint8_t>(Hex(s + 25 + 2 * i, 2));
  return g;
}

std::string GUIDToString(const TGUID& guid);
