// Device contexts, object handles and selection, stock objects, pens, brushes
// and the screen's capabilities.
#include <algorithm>
#include <unordered_map>
#include <utility>

#include "winport/Errors.h"
#include "winport/GdiObjects.h"

namespace gdi {

namespace {

std::unordered_map<Object*, std::unique_ptr<Object>>& Live() {
  static auto* live = new std::unordered_map<Object*, std::unique_ptr<Object>>;  // kept for the process's life
  return *live;
}

bool paletteScreen = false;

constexpr int kScreenWidth = 1024, kScreenHeight = 768, kPixelsPerInch = 96;

template <class T>
std::unique_ptr<T> MakeStock() {
  auto o = std::make_unique<T>();
  o->Stock = true;
  return o;
}

struct Stocks {
  std::unique_ptr<Object> Items[DEFAULT_PALETTE + 1];
  std::unique_ptr<Bitmap> OnePixel;

  Stocks() {
    auto brush = [](bool hollow, COLORREF color) {
      auto b = MakeStock<Brush>();
      b->Hollow = hollow;
      b->Color = color;
      return b;
    };
    auto pen = [](int style, COLORREF color) {
      auto p = MakeStock<Pen>();
      p->Style = style;
      p->Color = color;
      return p;
    };
    Items[WHITE_BRUSH] = brush(false, RGB(255, 255, 255));
    Items[BLACK_BRUSH] = brush(false, 0);
    Items[NULL_BRUSH] = brush(true, 0);
    Items[WHITE_PEN] = pen(PS_SOLID, RGB(255, 255, 255));
    Items[BLACK_PEN] = pen(PS_SOLID, 0);
    Items[NULL_PEN] = pen(PS_NULL, 0);
    auto font = MakeStock<Font>();
    font->Log.lfHeight = -16;
    Items[SYSTEM_FONT] = std::move(font);
    auto palette = MakeStock<Palette>();
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 246, 247, 248, 249, 250, 251, 252, 253, 254, 255})
      palette->Entries.push_back(SystemPalette()[i]);
    Items[DEFAULT_PALETTE] = std::move(palette);
    OnePixel = std::make_unique<Bitmap>(1, 1, false);
    OnePixel->Stock = true;
  }
};

Stocks& TheStocks() {
  static auto* stocks = new Stocks;
  return *stocks;
}

void Select(Object*& slot, Object* object) {
  if (slot) --slot->Selections;
  slot = object;
  if (slot) ++slot->Selections;
}

template <class T>
void SelectInto(T*& slot, T* object) {
  Object* o = slot;
  Select(o, object);
  slot = static_cast<T*>(o);
}

void Deselect(Context* dc) {
  SelectInto(dc->Surface, static_cast<Bitmap*>(nullptr));
  SelectInto(dc->TheFont, static_cast<Font*>(nullptr));
  SelectInto(dc->ThePen, static_cast<Pen*>(nullptr));
  SelectInto(dc->TheBrush, static_cast<Brush*>(nullptr));
  SelectInto(dc->ThePalette, static_cast<Palette*>(nullptr));
}

HDC NewContext(bool screen) {
  auto dc = std::make_unique<Context>();
  dc->Screen = screen;
  Stocks& s = TheStocks();
  SelectInto(dc->Surface, s.OnePixel.get());
  SelectInto(dc->TheFont, static_cast<Font*>(s.Items[SYSTEM_FONT].get()));
  SelectInto(dc->ThePen, static_cast<Pen*>(s.Items[BLACK_PEN].get()));
  SelectInto(dc->TheBrush, static_cast<Brush*>(s.Items[WHITE_BRUSH].get()));
  SelectInto(dc->ThePalette, static_cast<Palette*>(s.Items[DEFAULT_PALETTE].get()));
  return Register(std::move(dc));
}

BOOL FreeContext(HDC handle, bool screen) {
  std::lock_guard<std::mutex> guard(Lock());
  Context* dc = Find<Context>(handle, Kind::Context);
  if (!dc || dc->Screen != screen) {
    if (dc) SetLastErrorInvalidHandle();
    return FALSE;
  }
  Deselect(dc);
  Live().erase(dc);
  return TRUE;
}

}  // namespace

std::mutex& Lock() {
  static auto* lock = new std::mutex;
  return *lock;
}

void SetLastErrorInvalidHandle() { SetLastError(ERROR_INVALID_HANDLE); }

Object* Find(HGDIOBJ handle) {
  auto* o = static_cast<Object*>(handle);
  if (o && Live().count(o)) return o;
  Stocks& s = TheStocks();
  if (o == s.OnePixel.get()) return o;
  for (auto& item : s.Items)
    if (item && item.get() == o) return o;
  SetLastErrorInvalidHandle();
  return nullptr;
}

HGDIOBJ Register(std::unique_ptr<Object> object) {
  Object* o = object.get();
  Live().emplace(o, std::move(object));
  return o;
}

Object* Stock(int kind) {
  if (kind < 0 || kind > DEFAULT_PALETTE) return nullptr;
  return TheStocks().Items[kind].get();
}

bool PaletteScreen() { return paletteScreen; }

Bitmap::Bitmap(int width, int height, bool topDown)
    : Object(Kind::Bitmap), Width(width), Height(height), Stride((3 * width + 3) & ~3), TopDown(topDown),
      Bits(static_cast<size_t>(Stride) * height) {}

std::unique_ptr<Bitmap> NewBitmap(int width, int height, bool topDown) {
  // Past this a row or the whole image no longer fits the 32-bit sizes of DIB headers.
  constexpr int64_t kMaxBytes = INT32_MAX;
  if (width <= 0 || height <= 0 || ((3 * int64_t{width} + 3) & ~3) * height > kMaxBytes) return nullptr;
  try {
    return std::make_unique<Bitmap>(width, height, topDown);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

RECT WholeOf(const Bitmap* target) { return {0, 0, target->Width, target->Height}; }

void Fill(Bitmap* target, RECT area, const RECT& clip, COLORREF color) {
  if (!target) return;
  const RECT whole = WholeOf(target);
  area.left = std::max({area.left, clip.left, whole.left});
  area.top = std::max({area.top, clip.top, whole.top});
  area.right = std::min({area.right, clip.right, whole.right});
  area.bottom = std::min({area.bottom, clip.bottom, whole.bottom});
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      uint8_t* p = target->Pixel(x, y);
      p[0] = GetBValue(color);
      p[1] = GetGValue(color);
      p[2] = GetRValue(color);
    }
}

}  // namespace gdi

using namespace gdi;

HDC GetDC(HWND window) {
  if (window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(Lock());
  return NewContext(true);
}

int ReleaseDC(HWND, HDC dc) { return FreeContext(dc, true); }

HDC CreateCompatibleDC(HDC dc) {
  std::lock_guard<std::mutex> guard(Lock());
  if (dc && !Find<Context>(dc, Kind::Context)) return nullptr;
  return NewContext(false);
}

BOOL DeleteDC(HDC dc) { return FreeContext(dc, false); }

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
  std::lock_guard<std::mutex> guard(Lock());
  Context* dc = Find<Context>(handle, Kind::Context);
  Object* o = dc ? Find(object) : nullptr;
  if (!o) return nullptr;
  Object* old = nullptr;
  switch (o->TheKind) {
    case Kind::Bitmap:
      // A bitmap belongs to one context at a time, and the screen has no surface to swap.
      if (dc->Screen || (o->Selections > 0 && !o->Stock && dc->Surface != o)) {
        SetLastErrorInvalidHandle();
        return nullptr;
      }
      old = dc->Surface;
      SelectInto(dc->Surface, static_cast<Bitmap*>(o));
      break;
    case Kind::Font:
      old = dc->TheFont;
      SelectInto(dc->TheFont, static_cast<Font*>(o));
      break;
    case Kind::Pen:
      old = dc->ThePen;
      SelectInto(dc->ThePen, static_cast<Pen*>(o));
      break;
    case Kind::Brush:
      old = dc->TheBrush;
      SelectInto(dc->TheBrush, static_cast<Brush*>(o));
      break;
    default:
      SetLastErrorInvalidHandle();
      return nullptr;
  }
  return old;
}

BOOL DeleteObject(HGDIOBJ object) {
  std::lock_guard<std::mutex> guard(Lock());
  Object* o = Find(object);
  if (!o || o->TheKind == Kind::Context) {
    if (o) SetLastErrorInvalidHandle();
    return FALSE;
  }
  if (o->Stock) return TRUE;
  if (o->Selections > 0) {
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  Live().erase(o);
  return TRUE;
}

HGDIOBJ GetStockObject(int kind) {
  std::lock_guard<std::mutex> guard(Lock());
  return Stock(kind);
}

int GetObjectA(HGDIOBJ object, int size, void* buffer) {
  std::lock_guard<std::mutex> guard(Lock());
  Object* o = Find(object);
  if (!o) return 0;
  if (o->TheKind == Kind::Bitmap && size >= static_cast<int>(sizeof(BITMAP))) {
    auto* b = static_cast<Bitmap*>(o);
    *static_cast<BITMAP*>(buffer) = BITMAP{0, b->Width, b->Height, b->Stride, 1, 24, b->Bits.data()};
    return sizeof(BITMAP);
  }
  if (o->TheKind == Kind::Font && size >= static_cast<int>(sizeof(LOGFONTA))) {
    *static_cast<LOGFONTA*>(buffer) = static_cast<Font*>(o)->Log;
    return sizeof(LOGFONTA);
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}

HGDIOBJ GetCurrentObject(HDC handle, UINT kind) {
  std::lock_guard<std::mutex> guard(Lock());
  Context* dc = Find<Context>(handle, Kind::Context);
  if (!dc) return nullptr;
  switch (kind) {
    case OBJ_PEN: return dc->ThePen;
    case OBJ_BRUSH: return dc->TheBrush;
    case OBJ_PAL: return dc->ThePalette;
    case OBJ_FONT: return dc->TheFont;
    case OBJ_BITMAP: return dc->Surface;
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
  }
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

DWORD GetGuiResources(HANDLE process, DWORD flags) {
  if (process != GetCurrentProcess() || flags != GR_GDIOBJECTS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> guard(Lock());
  return static_cast<DWORD>(Live().size());
}

int GetDeviceCaps(HDC dc, int index) {
  std::lock_guard<std::mutex> guard(Lock());
  if (!Find<Context>(dc, Kind::Context)) return 0;
  switch (index) {
    case HORZRES: return kScreenWidth;
    case VERTRES: return kScreenHeight;
    case BITSPIXEL: return paletteScreen ? 8 : 24;
    case PLANES: return 1;
    case NUMCOLORS: return paletteScreen ? 20 : -1;
    case RASTERCAPS: return RC_BITBLT | RC_DI_BITMAP | RC_STRETCHDIB | (paletteScreen ? RC_PALETTE : 0);
    case LOGPIXELSX:
    case LOGPIXELSY: return kPixelsPerInch;
    case SIZEPALETTE: return paletteScreen ? 256 : 0;
    default: return 0;
  }
}

void SetPaletteScreen(BOOL palette) {
  std::lock_guard<std::mutex> guard(Lock());
  paletteScreen = palette != FALSE;
}

namespace {

template <class T>
T ChangeContext(HDC handle, T Context::*field, T value, T failed) {
  std::lock_guard<std::mutex> guard(Lock());
  Context* dc = Find<Context>(handle, Kind::Context);
  if (!dc) return failed;
  return std::exchange(dc->*field, value);
}

}  // namespace

COLORREF SetTextColor(HDC dc, COLORREF color) { return ChangeContext(dc, &Context::TextColor, color, CLR_INVALID); }
COLORREF SetBkColor(HDC dc, COLORREF color) { return ChangeContext(dc, &Context::BkColor, color, CLR_INVALID); }
int SetBkMode(HDC dc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return ChangeContext(dc, &Context::BkMode, mode, 0);
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style != PS_SOLID && style != PS_NULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto pen = std::make_unique<Pen>();
  pen->Style = style;
  pen->Width = std::max(width, 1);
  pen->Color = color;
  std::lock_guard<std::mutex> guard(Lock());
  return Register(std::move(pen));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto brush = std::make_unique<Brush>();
  brush->Color = color;
  std::lock_guard<std::mutex> guard(Lock());
  return Register(std::move(brush));
}

int FillRect(HDC handle, const RECT* rect, HBRUSH brushHandle) {
  std::lock_guard<std::mutex> guard(Lock());
  Context* dc = Find<Context>(handle, Kind::Context);
  Brush* brush = dc ? Find<Brush>(brushHandle, Kind::Brush) : nullptr;
  if (!brush || !rect) return FALSE;
  if (!brush->Hollow && dc->Target()) Fill(dc->Target(), *rect, WholeOf(dc->Target()), brush->Color);
  return TRUE;
}

BOOL Rectangle(HDC handle, int left, int top, int right, int bottom) {
  std::lock_guard<std::mutex> guard(Lock());
  Context* dc = Find<Context>(handle, Kind::Context);
  if (!dc) return FALSE;
  Bitmap* target = dc->Target();
  if (!target) return TRUE;
  const RECT clip = WholeOf(target);
  const Pen& pen = *dc->ThePen;
  const int w = pen.Style == PS_NULL ? 0 : pen.Width;
  if (!dc->TheBrush->Hollow) Fill(target, {left + w, top + w, right - w, bottom - w}, clip, dc->TheBrush->Color);
  if (w == 0) return TRUE;
  Fill(target, {left, top, right, top + w}, clip, pen.Color);
  Fill(target, {left, bottom - w, right, bottom}, clip, pen.Color);
  Fill(target, {left, top, left + w, bottom}, clip, pen.Color);
  Fill(target, {right - w, top, right, bottom}, clip, pen.Color);
  return TRUE;
}

COLORREF GetPixel(HDC handle, int x, int y) {
  std::lock_guard<std::mutex> guard(Lock());
  Context* dc = Find<Context>(handle, Kind::Context);
  Bitmap* target = dc ? dc->Target() : nullptr;
  if (!target || x < 0 || y < 0 || x >= target->Width || y >= target->Height) return CLR_INVALID;
  const uint8_t* p = target->Pixel(x, y);
  return RGB(p[2], p[1], p[0]);
}
