// Test support: a record of the system calls that the drawing and load-time
// units make. The recorder stands in for those calls: each writes a line and
// goes on to the system's own (winport's on POSIX). GdiRecorder_posix.cpp and
// GdiRecorder_windows.cpp put it in their place.
#pragma once

#include <string>
#include <vector>

#include "winport/Atoms.h"
#include "winport/Gdi.h"
#include "winport/GlobalMemory.h"
#include "winport/Version.h"
#include "winport/WindowMessage.h"

namespace recorder {

void Start();
// The lines written since Start; recording stops.
std::vector<std::string> Stop();
// The recorded lines that begin with the call's name.
std::vector<std::string> Only(const std::vector<std::string>& calls, const std::string& name);

// While set, LoadBitmapA finds no resource.
extern bool FailLoadBitmap;

// The recorded calls: the recorder's own, and the system's behind them.
struct Calls {
  decltype(&::TextOutA) TextOutA;
  decltype(&::DrawTextA) DrawTextA;
  decltype(&::StretchDIBits) StretchDIBits;
  decltype(&::GetDIBits) GetDIBits;
  decltype(&::LoadBitmapA) LoadBitmapA;
  decltype(&::SelectPalette) SelectPalette;
  decltype(&::RealizePalette) RealizePalette;
  decltype(&::GetSystemPaletteEntries) GetSystemPaletteEntries;
  decltype(&::GlobalAlloc) GlobalAlloc;
  decltype(&::GetVersionExA) GetVersionExA;
  decltype(&::RegisterWindowMessageA) RegisterWindowMessageA;
  decltype(&::GlobalAddAtomA) GlobalAddAtomA;
  decltype(&::GlobalDeleteAtom) GlobalDeleteAtom;
};
extern const Calls Recording;
// Found by the platform's part.
const Calls& System();

}  // namespace recorder
