// The class library's bitmap: a 24-bit off-screen picture with a palette and
// a canvas to draw on it. For one thread at a time. It owns its bitmap handle,
// its palette and its canvas.
#pragma once

#include "rtl/Canvas.h"

class TBitmapCanvas;

class TBitmap : public TObject {
 public:
  ~TBitmap() override;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // A new white picture of that size (none for an empty size).
  void SetSize(int width, int height);

  // The bitmap handle, nil while empty. The bitmap keeps it.
  HBITMAP Handle() const { return FHandle; }
  // Takes a bitmap handle over (freeing the one held) and learns its size.
  void SetHandle(HBITMAP handle);
  // Hands the bitmap handle to the caller, who frees it or gives it back with
  // SetHandle. The bitmap keeps its size meanwhile.
  HBITMAP ReleaseHandle();

  // The palette, nil when there is none. The bitmap keeps it.
  HPALETTE Palette() const { return FPalette; }
  void SetPalette(HPALETTE palette);
  // Hands the palette to the caller, who frees it.
  HPALETTE ReleasePalette();

  // Made when first asked for; the bitmap keeps it.
  TCanvas* Canvas();

 private:
  friend class TBitmapCanvas;
  // Lets the canvas's device context go before the handle changes.
  void FreeContext();

  HBITMAP FHandle = nullptr;
  HPALETTE FPalette = nullptr;
  int FWidth = 0, FHeight = 0;
  TBitmapCanvas* FCanvas = nullptr;
};
