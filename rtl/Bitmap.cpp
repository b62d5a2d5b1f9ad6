#include "rtl/Bitmap.h"

#include <cstring>
#include <utility>

// A canvas whose device context is a memory context with its bitmap selected.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* bitmap) : FBitmap(bitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }

  void FreeContext() {
    HDC dc = FDC;
    if (!dc) return;
    SetHandle(nullptr);
    if (FOldBitmap) SelectObject(dc, FOldBitmap);
    DeleteDC(dc);
    FDC = nullptr;
  }

 protected:
  void CreateHandle() override {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return;
    FOldBitmap = FBitmap->Handle() ? SelectObject(dc, FBitmap->Handle()) : nullptr;
    FDC = dc;
    SetHandle(dc);
  }

 private:
  TBitmap* FBitmap;
  HDC FDC = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
};

TBitmap::~TBitmap() {
  if (FCanvas) {
    TObject* canvas = std::exchange(FCanvas, nullptr);
    canvas->Free();
  }
  if (FHandle) DeleteObject(FHandle);
  if (FPalette) DeleteObject(FPalette);
}

void TBitmap::FreeContext() {
  if (FCanvas) FCanvas->FreeContext();
}

void TBitmap::SetSize(int width, int height) {
  HBITMAP handle = nullptr;
  if (width > 0 && height > 0) {
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (handle) std::memset(bits, 0xFF, static_cast<size_t>((3 * width + 3) & ~3) * height);
  }
  SetHandle(handle);
}

void TBitmap::SetHandle(HBITMAP handle) {
  FreeContext();
  if (FHandle && FHandle != handle) DeleteObject(FHandle);
  FHandle = handle;
  BITMAP info{};
  if (!handle || !GetObjectA(handle, sizeof info, &info)) info.bmWidth = info.bmHeight = 0;
  FWidth = info.bmWidth;
  FHeight = info.bmHeight;
}

HBITMAP TBitmap::ReleaseHandle() {
  FreeContext();
  return std::exchange(FHandle, nullptr);
}

void TBitmap::SetPalette(HPALETTE palette) {
  if (FPalette && FPalette != palette) DeleteObject(FPalette);
  FPalette = palette;
}

HPALETTE TBitmap::ReleasePalette() { return std::exchange(FPalette, nullptr); }

TCanvas* TBitmap::Canvas() {
  if (!FCanvas) FCanvas = New<TBitmapCanvas>(this);
  return FCanvas;
}
