// Where the project's programs find its modules (the Tarvik library, the
// engine library and its template model): beside themselves, as in the build
// tree and in a Windows install, or else in the install's module folder,
// TARVIK_MODULES_FROM_PROGRAMS relative to their own folder ("../lib" for a
// Linux install, set by the build).
#pragma once

#include <string>

#include "rtl/Paths.h"

// The full file name of the module (a GBK name) for this program.
inline std::string ModuleFile(const std::string& name) {
  const std::string programs = ExtractFilePath(GetModuleName(nullptr));
  if (FileExists(programs + name)) return programs + name;
  return ExpandFileName(IncludeTrailingPathDelimiter(programs + TARVIK_MODULES_FROM_PROGRAMS) + name);
}
