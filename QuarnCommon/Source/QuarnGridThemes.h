// The grid theme services: one instance per process at most. Every
// construction (NewInstance) yields the process's instance, making it only
// when there is none. For one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "rtl/Object.h"
#include "winport/Gdi.h"

class TQuarnGridThemeServices : public TObject {
 public:
  // The process's instance, made now if there is none. The caller does not
  // own it: ReleaseInstance or Free ends it.
  static TQuarnGridThemeServices* NewInstance();
  // The instance, or nil.
  static TQuarnGridThemeServices* Instance() { return FInstance; }
  // Frees the instance, if there is one, and forgets it.
  static void ReleaseInstance();
  // Forgets the instance without freeing it.
  static void ClearInstance();

  // Deletes the GDI object, then frees the two owned objects.
  ~TQuarnGridThemeServices() override;
  void DeleteGdiObject();

  // The allocation of a new instance, zero-filled.
  static void* operator new(size_t size);
  // FreeInstance: releases the memory, then forgets the instance if it is
  // this one.
  static void operator delete(void* p, size_t size);

 private:
  friend struct TQuarnGridThemeServicesProbe;  // tests reach the fields
  template <class T, class... Args>
  friend T* New(Args&&... args);
  TQuarnGridThemeServices();

  static TQuarnGridThemeServices* FInstance;

  TObject* FOwned1 = nullptr;
  TObject* FOwned2 = nullptr;
  int32_t FValue = 0;
  std::string FText;
  HGDIOBJ FGdiObject = nullptr;
};

// The theme library that the unit loaded, and whether it did: nothing in this
// system loads one, so they stay nil and false.
extern HMODULE ThemeLibrary;
extern bool ThemeLibraryLoaded;

void QuarnGridThemesInitialize();
void QuarnGridThemesFinalize();
