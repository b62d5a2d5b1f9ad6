// The library's entry on Windows: the system calls DllMain when a process
// loads the library and when it frees it again or ends. Also at the end of
// the process the units give back what they took: global atoms outlive a
// process that does not delete them. The engine library is detached by then
// (it was loaded after this one), but releasing its engine needs only its
// code, which stays mapped, and the shared C++ run time, detached after both.
#include <windows.h>

#include "RateIntf/TarvikUnits.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) TarvikLoad();
  if (reason == DLL_PROCESS_DETACH) TarvikUnload();
  return TRUE;
}
