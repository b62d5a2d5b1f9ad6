#include "QuarnCommon/Source/WideControls.h"

#include <cstdio>
#include <utility>

#include "QuarnCommon/Source/ModuleInstance.h"
#include "rtl/Exceptions.h"
#include "rtl/Format.h"
#include "winport/Version.h"
#include "winport/WindowMessage.h"

bool Win32PlatformIsUnicode = false;
bool Win32PlatformIsXP = false;
bool Win32PlatformIs2003 = false;
bool Win32PlatformIsVista = false;
UINT WM_DESTROYWINDOW = 0;
TComponentList* OwnedComponents = nullptr;
TComponentList* ReferencedComponents = nullptr;
char WindowAtomString[32] = "";
char ControlAtomString[48] = "";
ATOM WindowAtom = 0;
ATOM ControlAtom = 0;

std::string WindowAtomName(DWORD processId) { return Format("%s%.8X", kWindowAtomPrefix, processId); }

std::string ControlAtomName(HMODULE module, DWORD threadId) {
  return Format("ControlOfs%.*llX%.8X", static_cast<int>(2 * sizeof(HMODULE)),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(module)), threadId);
}

namespace {

void ReadVersion() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExA(&info);
  const DWORD major = info.dwMajorVersion, minor = info.dwMinorVersion;
  Win32PlatformIsUnicode = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
  Win32PlatformIsXP = (major == 5 && minor >= 1) || major > 5;
  Win32PlatformIs2003 = (major == 5 && minor >= 2) || major > 5;
  Win32PlatformIsVista = major >= 6;
}

template <size_t N>
void Keep(char (&field)[N], const std::string& name) {
  std::snprintf(field, N, "%s", name.c_str());
}

ATOM AddGlobalAtom(const char* name) {
  ATOM atom = GlobalAddAtomA(name);
  if (!atom) RaiseLastOSError();
  return atom;
}

}  // namespace

void WideControlsInitialize() {
  ReadVersion();
  WM_DESTROYWINDOW = RegisterWindowMessageA("TntUnicodeVcl.DestroyWindow");
  OwnedComponents = New<TComponentList>(true);
  ReferencedComponents = New<TComponentList>(false);
  Keep(WindowAtomString, WindowAtomName(GetCurrentProcessId()));
  Keep(ControlAtomString, ControlAtomName(HInstance(), GetCurrentThreadId()));
  WindowAtom = AddGlobalAtom(WindowAtomString);
  ControlAtom = AddGlobalAtom(ControlAtomString);
}

void WideControlsFinalize() {
  if (ControlAtom) GlobalDeleteAtom(std::exchange(ControlAtom, 0));
  if (WindowAtom) GlobalDeleteAtom(std::exchange(WindowAtom, 0));
  FreeAndNil(OwnedComponents);
  FreeAndNil(ReferencedComponents);
  WindowAtomString[0] = '\0';
  ControlAtomString[0] = '\0';
}
