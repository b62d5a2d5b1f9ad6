// The recorder in place on Windows: the import table entries for the
// recorded calls, of this program and of the project's modules it imports
// (those in its own folder: the class library draws the canvas's text), point
// at the recorder, which keeps the system's own. A library loaded at run time
// binds its imports for itself and is not recorded.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/QuarnCommon/GdiRecorder.h"

namespace {

recorder::Calls systemCalls;

template <class F>
struct Slot {
  const char* Name;
  F Recording;
  F* System;
};

// Calls visit(the imported module's name, its first import descriptor).
template <class Visit>
void ForEachImportedModule(HMODULE module, Visit visit) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* nt =
      reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* from = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); from->Name != 0;
       ++from)
    visit(base, *from);
}

// Points the import entry at the recorder and keeps what it held.
template <class F>
void Redirect(void** entry, const Slot<F>& slot) {
  DWORD protection;
  VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &protection);
  *slot.System = reinterpret_cast<F>(*entry);
  *entry = reinterpret_cast<void*>(slot.Recording);
  VirtualProtect(entry, sizeof *entry, protection, &protection);
}

template <class... F>
void RedirectAll(HMODULE module, const Slot<F>&... slots) {
  ForEachImportedModule(module, [&](BYTE* base, const IMAGE_IMPORT_DESCRIPTOR& from) {
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + from.OriginalFirstThunk);
    auto* entries = reinterpret_cast<IMAGE_THUNK_DATA*>(base + from.FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++entries) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const char* name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
      auto* entry = reinterpret_cast<void**>(&entries->u1.Function);
      ((std::strcmp(name, slots.Name) == 0 ? Redirect(entry, slots) : void()), ...);
    }
  });
}

std::string Folder(HMODULE module) {
  char name[MAX_PATH];
  const std::string path(name, GetModuleFileNameA(module, name, sizeof name));
  return path.substr(0, path.find_last_of("\\/") + 1);
}

// The program and the modules of its folder that it imports.
std::vector<HMODULE> OwnModules() {
  HMODULE program = GetModuleHandleA(nullptr);
  std::vector<HMODULE> modules{program};
  ForEachImportedModule(program, [&](BYTE* base, const IMAGE_IMPORT_DESCRIPTOR& from) {
    HMODULE module = GetModuleHandleA(reinterpret_cast<const char*>(base + from.Name));
    if (module && Folder(module) == Folder(program)) modules.push_back(module);
  });
  return modules;
}

// Before the tests run, and before any recorded call is made through a table.
const bool redirected = [] {
  const recorder::Calls& r = recorder::Recording;
  recorder::Calls& s = systemCalls;
  for (HMODULE module : OwnModules())
    RedirectAll(module, Slot{"TextOutA", r.TextOutA, &s.TextOutA}, Slot{"DrawTextA", r.DrawTextA, &s.DrawTextA},
                Slot{"StretchDIBits", r.StretchDIBits, &s.StretchDIBits},
                Slot{"GetDIBits", r.GetDIBits, &s.GetDIBits}, Slot{"LoadBitmapA", r.LoadBitmapA, &s.LoadBitmapA},
                Slot{"SelectPalette", r.SelectPalette, &s.SelectPalette},
                Slot{"RealizePalette", r.RealizePalette, &s.RealizePalette},
                Slot{"GetSystemPaletteEntries", r.GetSystemPaletteEntries, &s.GetSystemPaletteEntries},
                Slot{"GlobalAlloc", r.GlobalAlloc, &s.GlobalAlloc},
                Slot{"GetVersionExA", r.GetVersionExA, &s.GetVersionExA},
                Slot{"RegisterWindowMessageA", r.RegisterWindowMessageA, &s.RegisterWindowMessageA},
                Slot{"GlobalAddAtomA", r.GlobalAddAtomA, &s.GlobalAddAtomA},
                Slot{"GlobalDeleteAtom", r.GlobalDeleteAtom, &s.GlobalDeleteAtom});
  return true;
}();

}  // namespace

const recorder::Calls& recorder::System() { return systemCalls; }
