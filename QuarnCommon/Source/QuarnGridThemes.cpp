#include "QuarnCommon/Source/QuarnGridThemes.h"

#include <cstring>
#include <utility>

TQuarnGridThemeServices* TQuarnGridThemeServices::FInstance = nullptr;
HMODULE ThemeLibrary = nullptr;
bool ThemeLibraryLoaded = false;

TQuarnGridThemeServices::TQuarnGridThemeServices() : FOwned1(New<TObject>()), FOwned2(New<TObject>()) {}

TQuarnGridThemeServices* TQuarnGridThemeServices::NewInstance() {
  if (!FInstance) FInstance = New<TQuarnGridThemeServices>();
  return FInstance;
}

void TQuarnGridThemeServices::ReleaseInstance() {
  if (TQuarnGridThemeServices* instance = std::exchange(FInstance, nullptr)) instance->Free();
}

void TQuarnGridThemeServices::ClearInstance() { FInstance = nullptr; }

TQuarnGridThemeServices::~TQuarnGridThemeServices() {
  DeleteGdiObject();
  FreeAndNil(FOwned1);
  FreeAndNil(FOwned2);
}

void TQuarnGridThemeServices::DeleteGdiObject() {
  if (FGdiObject) DeleteObject(FGdiObject);
  FGdiObject = nullptr;
}

// Not inlined: GCC 12 takes the global allocation it would see inside and the
// class's own deallocation for a mismatched pair.
[[gnu::noinline]] void* TQuarnGridThemeServices::operator new(size_t size) {
  void* p = ::operator new(size);
  std::memset(p, 0, size);
  return p;
}

void TQuarnGridThemeServices::operator delete(void* p, size_t size) {
  // An instance forgotten by ClearInstance must not take a newer one along.
  const bool current = FInstance == p;
  ::operator delete(p, size);
  if (current) FInstance = nullptr;
}

void QuarnGridThemesInitialize() { TQuarnGridThemeServices::ClearInstance(); }

void QuarnGridThemesFinalize() {
  TQuarnGridThemeServices::ReleaseInstance();
  if (ThemeLibraryLoaded && ThemeLibrary) FreeLibrary(ThemeLibrary);
}
