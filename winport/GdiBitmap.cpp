// Bitmaps, device-independent bitmaps in and out, and bitmap resources.
#include <algorithm>
#include <cstring>

#include "winport/Errors.h"
#include "winport/GdiObjects.h"
#include "winport/Resources.h"

using namespace gdi;

namespace {

uint32_t DibStride(int width, int bitCount) { return ((static_cast<uint32_t>(width) * bitCount + 31) / 32) * 4; }

int ColourTableSize(const BITMAPINFOHEADER& h) {
  return h.biBitCount == 8 ? (h.biClrUsed ? std::min<int>(h.biClrUsed, 256) : 256) : 0;
}

// A header this layer reads and writes: plain RGB at 8 or 24 bits.
bool UsableHeader(const BITMAPINFOHEADER& h) {
  return h.biSize >= sizeof(BITMAPINFOHEADER) && h.biWidth > 0 && h.biHeight != 0 && h.biHeight != INT32_MIN &&
         h.biPlanes == 1 && (h.biBitCount == 8 || h.biBitCount == 24) && h.biCompression == BI_RGB &&
         static_cast<uint64_t>(DibStride(h.biWidth, h.biBitCount)) * static_cast<uint64_t>(std::abs(h.biHeight)) <=
             INT32_MAX;
}

const RGBQUAD* ColourTable(const BITMAPINFO* info) {
  return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(info) + info->bmiHeader.biSize);
}

int Nearest(const std::vector<PALETTEENTRY>& palette, const uint8_t* bgr) {
  int best = 0, bestDistance = INT32_MAX;
  for (size_t i = 0; i < palette.size(); ++i) {
    const int dr = palette[i].peRed - bgr[2], dg = palette[i].peGreen - bgr[1], db = palette[i].peBlue - bgr[0];
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) bestDistance = d, best = static_cast<int>(i);
  }
  return best;
}

HBITMAP Refused(LONG error) {
  SetLastError(error);
  return nullptr;
}

}  // namespace

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  std::lock_guard<std::mutex> guard(Lock());
  if (!Find<Context>(dc, Kind::Context)) return nullptr;
  if (width <= 0 || height <= 0) return Refused(ERROR_INVALID_PARAMETER);
  auto bitmap = NewBitmap(width, height, false);
  if (!bitmap) return Refused(ERROR_NOT_ENOUGH_MEMORY);
  return Register(std::move(bitmap));
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
  if (bits) *bits = nullptr;
  std::lock_guard<std::mutex> guard(Lock());
  if (dc && !Find<Context>(dc, Kind::Context)) return nullptr;
  if (!info || usage != DIB_RGB_COLORS || section || !UsableHeader(info->bmiHeader) ||
      info->bmiHeader.biBitCount != 24)
    return Refused(ERROR_INVALID_PARAMETER);
  auto bitmap = NewBitmap(info->bmiHeader.biWidth, std::abs(info->bmiHeader.biHeight), info->bmiHeader.biHeight < 0);
  if (!bitmap) return Refused(ERROR_NOT_ENOUGH_MEMORY);
  if (bits) *bits = bitmap->Bits.data();
  return Register(std::move(bitmap));
}

int GetDIBits(HDC dc, HBITMAP handle, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage) {
  std::lock_guard<std::mutex> guard(Lock());
  Bitmap* bitmap = Find<Context>(dc, Kind::Context) ? Find<Bitmap>(handle, Kind::Bitmap) : nullptr;
  if (!bitmap) return 0;
  if (!info || usage != DIB_RGB_COLORS || !UsableHeader(info->bmiHeader) ||
      info->bmiHeader.biWidth != bitmap->Width || std::abs(info->bmiHeader.biHeight) != bitmap->Height) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  BITMAPINFOHEADER& h = info->bmiHeader;
  const uint32_t stride = DibStride(h.biWidth, h.biBitCount);
  h.biSizeImage = stride * bitmap->Height;
  const std::vector<PALETTEENTRY>& palette = SystemPalette();
  if (h.biBitCount == 8) {
    auto* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(info) + h.biSize);
    for (int i = 0; i < ColourTableSize(h); ++i)
      table[i] = RGBQUAD{palette[i].peBlue, palette[i].peGreen, palette[i].peRed, 0};
  }
  if (!bits) return bitmap->Height;
  const UINT first = std::min<UINT>(start, bitmap->Height);
  const UINT count = std::min<UINT>(lines, bitmap->Height - first);
  for (UINT i = 0; i < count; ++i) {
    // Scan line 0 is the bottom row of a bottom-up DIB and the top row of a top-down one.
    const int y = h.biHeight > 0 ? bitmap->Height - 1 - static_cast<int>(first + i) : static_cast<int>(first + i);
    uint8_t* out = static_cast<uint8_t*>(bits) + static_cast<size_t>(i) * stride;
    for (int x = 0; x < bitmap->Width; ++x) {
      const uint8_t* p = bitmap->Pixel(x, y);
      if (h.biBitCount == 24)
        std::memcpy(out + 3 * x, p, 3);
      else
        out[x] = static_cast<uint8_t>(Nearest(palette, p));
    }
  }
  return static_cast<int>(count);
}

int StretchDIBits(HDC handle, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  std::lock_guard<std::mutex> guard(Lock());
  Context* dc = Find<Context>(handle, Kind::Context);
  if (!dc) return 0;
  if (!bits || !info || usage != DIB_RGB_COLORS || rop != SRCCOPY || !UsableHeader(info->bmiHeader) ||
      destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const int width = h.biWidth, height = std::abs(h.biHeight);
  const uint32_t stride = DibStride(width, h.biBitCount);
  const RGBQUAD* table = ColourTable(info);
  const int tableSize = ColourTableSize(h);
  // The source area's top row, counted from the top; ySrc counts from the
  // bottom in a bottom-up DIB.
  const int64_t top = h.biHeight > 0 ? int64_t{height} - ySrc - srcHeight : ySrc;
  Bitmap* target = dc->Target();
  for (int dy = 0; target && dy < destHeight; ++dy) {
    const int64_t y = int64_t{yDest} + dy;
    const int64_t sy = top + int64_t{dy} * srcHeight / destHeight;
    if (y < 0 || y >= target->Height || sy < 0 || sy >= height) continue;
    const uint8_t* row =
        static_cast<const uint8_t*>(bits) + static_cast<size_t>(h.biHeight > 0 ? height - 1 - sy : sy) * stride;
    for (int dx = 0; dx < destWidth; ++dx) {
      const int64_t x = int64_t{xDest} + dx;
      const int64_t sx = xSrc + int64_t{dx} * srcWidth / destWidth;
      if (x < 0 || x >= target->Width || sx < 0 || sx >= width) continue;
      uint8_t* p = target->Pixel(static_cast<int>(x), static_cast<int>(y));
      if (h.biBitCount == 24) {
        std::memcpy(p, row + 3 * sx, 3);
      } else {
        const int i = row[sx];
        const RGBQUAD c = i < tableSize ? table[i] : RGBQUAD{0, 0, 0, 0};
        p[0] = c.rgbBlue, p[1] = c.rgbGreen, p[2] = c.rgbRed;
      }
    }
  }
  return srcHeight;
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) {
  HRSRC resource = FindResourceA(instance, name, RT_BITMAP);
  if (!resource) return nullptr;
  const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(instance, resource)));
  const DWORD size = SizeofResource(instance, resource);
  BITMAPINFOHEADER h;
  if (size < sizeof h) return Refused(ERROR_INVALID_DATA);
  std::memcpy(&h, data, sizeof h);
  if (!UsableHeader(h) || h.biBitCount != 24 ||
      h.biSize + static_cast<uint64_t>(DibStride(h.biWidth, 24)) * std::abs(h.biHeight) > size)
    return Refused(ERROR_INVALID_DATA);
  auto bitmap = NewBitmap(h.biWidth, std::abs(h.biHeight), h.biHeight < 0);
  if (!bitmap) return Refused(ERROR_NOT_ENOUGH_MEMORY);
  std::memcpy(bitmap->Bits.data(), data + h.biSize, bitmap->Bits.size());
  std::lock_guard<std::mutex> guard(Lock());
  return Register(std::move(bitmap));
}
