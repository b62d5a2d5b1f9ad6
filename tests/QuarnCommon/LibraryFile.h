// Test support: the full file name of the Tarvik library of the variant under test.
#pragma once

#include <cstdlib>
#include <string>

#include "RateIntf/Tarvik.h"
#include "rtl/Paths.h"

inline std::string LibraryPath() {
  return std::string(std::getenv("TARVIK_BIN")) + PathDelim + TarvikLibraryFile;
}
