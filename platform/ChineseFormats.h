// Text routines of the string unit.
#pragma once

#include <string>

// True when text, trimmed, converts as a whole to a 32-bit integer (decimal, or
// hexadecimal after "$", "x" or "0x"). Never raises.
bool IsIntegerText(const std::string& text);

// The 1-based position of the last ch in s; 0 when there is none.
int LastCharPos(char ch, const std::string& s);
