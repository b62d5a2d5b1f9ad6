#include "host/TarvikLibrary.h"

#include <stdexcept>

#include "rtl/Exceptions.h"
#include "tools/ModuleFile.h"
#include "winport/Codepage.h"
#include "winport/Errors.h"

TarvikLibrary::TarvikLibrary(const std::string& fileName) {
  FHandle = LoadLibraryA(fileName.c_str());
  if (!FHandle)
    throw std::runtime_error("cannot load the Tarvik library " + GbkToUtf8(fileName) + ": " +
                             GbkToUtf8(SysErrorMessage(GetLastError())));
  FGetTarviks = reinterpret_cast<TGetTarviks>(reinterpret_cast<void (*)()>(GetProcAddress(FHandle, GetTarviksName)));
  if (!FGetTarviks) {
    FreeLibrary(FHandle);
    throw std::runtime_error(GbkToUtf8(fileName) + " does not export " + GetTarviksName);
  }
}

TarvikLibrary::~TarvikLibrary() { FreeLibrary(FHandle); }

IntfPtr<IRateBQs> TarvikLibrary::Catalogue() {
  IntfPtr<IRateBQs> catalogue;
  FGetTarviks(catalogue);
  return catalogue;
}

std::string TarvikLibrary::DefaultFileName() { return ModuleFile(TarvikLibraryFile); }
