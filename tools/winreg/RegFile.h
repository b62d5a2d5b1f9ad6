// .reg files against the store. Imports read "Windows Registry Editor Version
// 5.00" files in UTF-8 (with or without a byte-order mark) or in UTF-16LE with
// a byte-order mark, and "REGEDIT4" files in the ANSI code page (GBK).
#pragma once

#include <string>

// Applies a whole file: [KEY] creates the key and sets the values below it,
// [-KEY] deletes the key with everything under it, "name"=- deletes a value.
// Nothing is applied when the file does not parse. Answers an error message,
// empty on success.
std::string ImportRegFile(const std::string& bytes);

// A key with its values and every key below it, as a .reg file in UTF-8 with
// line feeds. Answers an error message, empty on success.
std::string ExportRegKey(const std::string& keyPath, std::string& text);

