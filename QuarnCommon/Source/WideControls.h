// The wide-controls unit: at load it learns the Windows version, registers
// its window message, makes its two component lists and adds its two global
// atoms; at unload it lets them go. Process-wide state, set and cleared by the
// loading thread.
#pragma once

#include <string>

#include "rtl/ComponentList.h"
#include "winport/Atoms.h"
#include "winport/Module.h"

// The running Windows: of the NT family; 5.1 (XP) or later; 5.2 or later;
// 6 (Vista) or later.
extern bool Win32PlatformIsUnicode;
extern bool Win32PlatformIsXP;
extern bool Win32PlatformIs2003;
extern bool Win32PlatformIsVista;

// The id of the registered message "TntUnicodeVcl.DestroyWindow".
extern UINT WM_DESTROYWINDOW;

// The first owns its components, the second only refers to them.
extern TComponentList* OwnedComponents;
extern TComponentList* ReferencedComponents;

// The prefix word of the first atom's name, that of our run-time library's
// own window atom; the process id follows it in 8 hexadecimal digits.
inline constexpr const char* kWindowAtomPrefix = "TarvikRtl";

// Plain arrays, so that nothing of theirs is made or destroyed outside the
// load and unload hooks.
extern char WindowAtomString[32];   // the prefix and the process id
extern char ControlAtomString[48];  // "ControlOfs", the module handle and the thread id
extern ATOM WindowAtom;
extern ATOM ControlAtom;

// The names as the unit forms them. The module handle takes 16 hexadecimal
// digits, the width of a 64-bit handle, as the engine's window class name
// has it.
std::string WindowAtomName(DWORD processId);
std::string ControlAtomName(HMODULE module, DWORD threadId);

// Raises EOSError when an atom cannot be added; the steps after it are not run.
void WideControlsInitialize();
void WideControlsFinalize();
