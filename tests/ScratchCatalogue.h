// Test support: an empty catalogue of rate libraries for each test. On POSIX a
// registry store in a temporary root; on Windows the system's registry (a
// scratch Wine prefix in CI), whose catalogue key goes before and after.
#pragma once

#ifdef _WIN32
#include <windows.h>

class ScratchCatalogue {
 public:
  ScratchCatalogue() { Clear(); }
  ~ScratchCatalogue() { Clear(); }
  ScratchCatalogue(const ScratchCatalogue&) = delete;
  ScratchCatalogue& operator=(const ScratchCatalogue&) = delete;

 private:
  static void Clear() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SoftWare\\Velmora"); }
};
#else
#include "tests/TempRegistry.h"

using ScratchCatalogue = TempRegistry;
#endif
