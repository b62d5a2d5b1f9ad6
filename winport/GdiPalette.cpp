// Logical palettes and the system palette of a palette screen.
#include <algorithm>

#include "winport/Errors.h"
#include "winport/GdiObjects.h"

namespace gdi {

std::vector<PALETTEENTRY>& SystemPalette() {
  static auto* entries = [] {
    auto* e = new std::vector<PALETTEENTRY>(256, PALETTEENTRY{0, 0, 0, 0});
    const std::pair<int, COLORREF> statics[] = {
        {0, RGB(0, 0, 0)},         {1, RGB(128, 0, 0)},       {2, RGB(0, 128, 0)},       {3, RGB(128, 128, 0)},
        {4, RGB(0, 0, 128)},       {5, RGB(128, 0, 128)},     {6, RGB(0, 128, 128)},     {7, RGB(192, 192, 192)},
        {8, RGB(192, 220, 192)},   {9, RGB(166, 202, 240)},   {246, RGB(255, 251, 240)}, {247, RGB(160, 160, 164)},
        {248, RGB(128, 128, 128)}, {249, RGB(255, 0, 0)},     {250, RGB(0, 255, 0)},     {251, RGB(255, 255, 0)},
        {252, RGB(0, 0, 255)},     {253, RGB(255, 0, 255)},   {254, RGB(0, 255, 255)},   {255, RGB(255, 255, 255)}};
    for (auto [i, c] : statics) (*e)[i] = PALETTEENTRY{GetRValue(c), GetGValue(c), GetBValue(c), 0};
    return e;
  }();
  return *entries;
}

namespace {

constexpr int kFirstFree = 10, kLastFree = 245;
int nextFree = kFirstFree;

bool SameColour(const PALETTEENTRY& a, const PALETTEENTRY& b) {
  return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

}  // namespace

UINT Realize(const Palette& palette) {
  if (!PaletteScreen()) return 0;
  std::vector<PALETTEENTRY>& system = SystemPalette();
  UINT added = 0;
  for (const PALETTEENTRY& e : palette.Entries) {
    if (std::any_of(system.begin(), system.end(), [&](const PALETTEENTRY& s) { return SameColour(s, e); })) continue;
    if (nextFree > kLastFree) break;
    system[nextFree++] = PALETTEENTRY{e.peRed, e.peGreen, e.peBlue, 0};
    ++added;
  }
  return added;
}

}  // namespace gdi

using namespace gdi;

HPALETTE CreatePalette(const LOGPALETTE* log) {
  if (!log || log->palNumEntries == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto palette = std::make_unique<Palette>();
  palette->Entries.assign(log->palPalEntry, log->palPalEntry + log->palNumEntries);
  std::lock_guard<std::mutex> guard(Lock());
  return Register(std::move(palette));
}

HPALETTE SelectPalette(HDC handle, HPALETTE paletteHandle, BOOL) {
  std::lock_guard<std::mutex> guard(Lock());
  Context* dc = Find<Context>(handle, Kind::Context);
  Palette* palette = dc ? Find<Palette>(paletteHandle, Kind::Palette) : nullptr;
  if (!palette) return nullptr;
  Palette* old = dc->ThePalette;
  --old->Selections;
  dc->ThePalette = palette;
  ++palette->Selections;
  return old;
}

UINT RealizePalette(HDC handle) {
  std::lock_guard<std::mutex> guard(Lock());
  Context* dc = Find<Context>(handle, Kind::Context);
  return dc ? Realize(*dc->ThePalette) : 0;
}

UINT GetSystemPaletteEntries(HDC handle, UINT start, UINT count, PALETTEENTRY* entries) {
  std::lock_guard<std::mutex> guard(Lock());
  if (!Find<Context>(handle, Kind::Context) || !PaletteScreen()) return 0;
  const std::vector<PALETTEENTRY>& system = SystemPalette();
  if (!entries) return static_cast<UINT>(system.size());
  if (start >= system.size()) return 0;
  const UINT n = std::min<UINT>(count, static_cast<UINT>(system.size()) - start);
  std::copy_n(system.begin() + start, n, entries);
  return n;
}
