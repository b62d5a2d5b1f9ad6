// .reg files ("Windows Registry Editor Version 5.00", UTF-8) against the store.
#pragma once

#include <string>

// Applies a whole file: [KEY] creates the key and sets the values below it,
// [-KEY] deletes the key with everything under it, "name"=- deletes a value.
// Nothing is applied when the file does not parse. Answers an error message,
// empty on success.
std::string ImportRegFile(const std::string& text);

// A key with its values and every key below it, as a .reg file. Answers an
// error message, empty on success.
std::string ExportRegKey(const std::string& keyPath, std::string& text);
