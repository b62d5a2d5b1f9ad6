// Registry values as lines of a .reg file ("Windows Registry Editor Version
// 5.00" syntax, UTF-8): "name"="text", "name"=dword:0000002a, "name"=hex:..,
// "name"=hex(2):.. and @ for the default value. The store keeps each key's
// values in this form, and winreg reads and writes whole files of it.
#pragma once

#include <string>
#include <string_view>

#include "winport/WinTypes.h"

// One value. Names are UTF-8 ("" is the default value). The data of REG_SZ and
// REG_EXPAND_SZ is UTF-8 text with its terminating NUL as stored; other types
// hold their bytes as they are.
struct RegValue {
  std::string Name;
  DWORD Type = 0;
  std::string Data;
};

// Whether a value of this type holds text, converted between GBK and UTF-8.
bool IsRegTextType(DWORD type);

// One line, without its line end.
std::string FormatRegValue(const RegValue& value);

// Parses one value line whose continuations are already joined. `"name"=-`
// answers true with `deletes` set. On malformed input answers false and says why.
bool ParseRegValue(std::string_view line, RegValue& value, bool& deletes, std::string& error);
