// Conversion between the system's ANSI code page (GBK, code page 936) and UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "winport/WinTypes.h"

// Bytes that do not convert are kept as they are, so that no text is lost.
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);

// The UTF-8 form of one GBK character (a single byte, or a lead and a trail
// byte); empty when the bytes are not exactly one character of the code page.
std::string GbkCharToUtf8(std::string_view gbkChar);

// UTF-16LE, the text of hex(1) and hex(2) values in .reg files.
std::string Utf8ToUtf16Le(std::string_view utf8);
std::string Utf16LeToUtf8(std::string_view utf16);

// The program's arguments (without the program name) as UTF-8 text: as given
// on POSIX, taken from the wide command line on Windows, whose narrow
// arguments are in the ANSI code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

#ifndef _WIN32
// Code points of GBK text; a byte that starts no character becomes U+FFFD.
std::u32string GbkToUtf32(std::string_view gbk);

// Whether the byte starts a double-byte character of the ANSI code page (GBK:
// 0x81 to 0xFE).
BOOL IsDBCSLeadByte(BYTE c);
#endif
