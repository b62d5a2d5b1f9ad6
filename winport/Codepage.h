// Conversion between the system's ANSI code page (GBK, code page 936) and UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Bytes that do not convert are kept as they are, so that no text is lost.
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);

// UTF-16LE, the text of hex(1) and hex(2) values in .reg files.
std::string Utf8ToUtf16Le(std::string_view utf8);
std::string Utf16LeToUtf8(std::string_view utf16);

// The program's arguments (without the program name) as UTF-8 text: as given
// on POSIX, taken from the wide command line on Windows, whose narrow
// arguments are in the ANSI code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
