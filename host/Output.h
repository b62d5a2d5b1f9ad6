// Text for a person: the library's GBK strings as UTF-8, and JSON strings.
#pragma once

#include <string>

std::string Printable(const std::string& gbk);

// A quoted JSON string of UTF-8 text.
std::string JsonString(const std::string& utf8);
