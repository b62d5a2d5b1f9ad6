// The run-time library's text conversions.
#pragma once

#include <cstdint>
#include <string>

// True when c starts a double-byte character of the ANSI code page (GBK) when
// a byte follows it.
inline bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x81 && static_cast<unsigned char>(c) <= 0xFE; }

// s without leading and trailing blanks and control characters (bytes up to ' ').
std::string Trim(const std::string& s);

// True when a and b have the same bytes once ASCII letters are folded to upper
// case; other bytes, those of double-byte characters included, must be equal.
bool SameText(const std::string& a, const std::string& b);

// Converts all of s to a 32-bit integer: an optional sign, then decimal digits,
// or hexadecimal digits after "$", "x", "X", "0x" or "0X". Decimal values must
// fit the signed range; hexadecimal digits give a 32-bit pattern ("$FFFFFFFF"
// is -1). False, with value untouched, when s does not convert.
bool TryStrToInt(const std::string& s, int32_t& value);
