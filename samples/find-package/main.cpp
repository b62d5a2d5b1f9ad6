// Loads the installed Tarvik library and prints how many rate libraries are
// installed, and the caption of each (GBK, as the library gives it).
#include <cstdio>

#include "RateIntf/Tarvik.h"
#include "winport/Module.h"

int main() {
  HMODULE library = LoadLibraryA(TARVIK_LIBRARY);
  if (!library) return 2;
  auto getTarviks =
      reinterpret_cast<TGetTarviks>(reinterpret_cast<void (*)()>(GetProcAddress(library, GetTarviksName)));
  int status = 0;
  try {
    IntfPtr<IRateBQs> catalogue;
    getTarviks(catalogue);
    std::printf("%d\n", catalogue->Count());
  } catch (const Exception& e) {  // caught by class: the class library is shared
    std::printf("error: %s\n", e.Message().c_str());
    status = 1;
  }
  FreeLibrary(library);
  return status;
}
