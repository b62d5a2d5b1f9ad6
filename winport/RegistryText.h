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

// The store's text in UTF-16LE and back, keeping every byte: a byte that is no
// part of a UTF-8 character (text set from bytes that are not GBK) stands as
// the lone surrogate U+DC00 + byte, and such a surrogate reads back as that
// byte. Other lone surrogates read as U+FFFD.
std::string RegTextToUtf16Le(std::string_view utf8);
std::string RegTextFromUtf16Le(std::string_view utf16);

// How hex(1) and hex(2) data spell their text: in UTF-16LE in "Windows
// Registry Editor Version 5.00" files, in the ANSI code page (GBK) in
// "REGEDIT4" ones.
enum class RegHexText { Utf16, Ansi };

// One line, without its line end.
std::string FormatRegValue(const RegValue& value);

// Parses one value line whose continuations are already joined. `"name"=-`
// answers true with `deletes` set. On malformed input answers false and says why.
bool ParseRegValue(std::string_view line, RegValue& value, bool& deletes, std::string& error,
                   RegHexText hexText = RegHexText::Utf16);

// A whole .reg file (UTF-8 text) in the form Windows' own tools write and
// read: UTF-16LE with a byte-order mark, lines ending in CR LF.
std::string WindowsRegFile(std::string_view text);
