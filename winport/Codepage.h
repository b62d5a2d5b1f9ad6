// Conversion between the system's ANSI code page (GBK, code page 936) and UTF-8.
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

#include "winport/WinTypes.h"

// Bytes that do not convert are kept as they are, so that no text is lost.
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);

// Code points of GBK text; a byte that starts no character becomes U+FFFD.
std::u32string GbkToUtf32(std::string_view gbk);

// Whether the byte starts a double-byte character of the ANSI code page (GBK:
// 0x81 to 0xFE).
BOOL IsDBCSLeadByte(BYTE c);

// UTF-16LE, the text of hex(1) and hex(2) values in .reg files.
std::string Utf8ToUtf16Le(std::string_view utf8);
std::string Utf16LeToUtf8(std::string_view utf16);

// A conversion descriptor from one encoding to another in its initial state:
// this thread's own, opened on first use and kept, since opening is costly.
// Invalid ((iconv_t)-1) when iconv knows no such conversion.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from);
  ~IconvHandle();
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  iconv_t get() const { return FDescriptor; }
  bool valid() const { return FDescriptor != reinterpret_cast<iconv_t>(-1); }

 private:
  iconv_t FDescriptor;
  bool FOwned = false;  // opened for this use alone: the thread's cache is gone
};
