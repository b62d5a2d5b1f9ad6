// The Tarvik library, loaded at run time and reached through its one export.
#pragma once

#include <string>

#include "RateIntf/Tarvik.h"
#include "winport/Module.h"

class TarvikLibrary {
 public:
  // Loads the library (a GBK file name); std::runtime_error when it does not
  // load or lacks the export.
  explicit TarvikLibrary(const std::string& fileName);
  ~TarvikLibrary();
  TarvikLibrary(const TarvikLibrary&) = delete;
  TarvikLibrary& operator=(const TarvikLibrary&) = delete;

  // A new catalogue from GetTarviks; the library's exceptions pass through.
  IntfPtr<IRateBQs> Catalogue();

  // The Tarvik library beside this program, or where the install put it.
  static std::string DefaultFileName();

 private:
  HMODULE FHandle = nullptr;
  TGetTarviks FGetTarviks = nullptr;
};
