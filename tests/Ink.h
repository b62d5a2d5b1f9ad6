// Test support: where a drawing put its ink, read back with GetPixel.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "winport/Gdi.h"

inline bool Empty(const RECT& r) { return r.right <= r.left; }

// The smallest rectangle around the pixels of the area that are not white;
// empty when there are none.
inline RECT InkBox(HDC dc, RECT area) {
  RECT box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF c = GetPixel(dc, x, y);
      if (c == CLR_INVALID || c == RGB(255, 255, 255)) continue;
      box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  return box.left == INT32_MAX ? RECT{0, 0, 0, 0} : box;
}

// The runs of rows of the area that hold ink, as [top, bottom) pairs: one per
// line of text.
inline std::vector<std::pair<int, int>> InkBands(HDC dc, RECT area) {
  std::vector<std::pair<int, int>> bands;
  for (int y = area.top; y < area.bottom; ++y) {
    if (Empty(InkBox(dc, {area.left, y, area.right, y + 1}))) continue;
    if (!bands.empty() && bands.back().second == y)
      bands.back().second = y + 1;
    else
      bands.push_back({y, y + 1});
  }
  return bands;
}

// The GDI objects the process holds.
inline DWORD LiveGdiObjects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

// Whether the system counts them at all: Wine answers 0 whatever there is.
inline bool GdiObjectsCounted() {
  const DWORD before = LiveGdiObjects();
  HGDIOBJ brush = CreateSolidBrush(0);
  const bool counted = LiveGdiObjects() > before;
  DeleteObject(brush);
  return counted;
}
