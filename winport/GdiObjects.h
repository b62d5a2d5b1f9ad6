// Inside winport's GDI: the objects behind the handles, and the one lock that
// every GDI call holds while it runs. Public calls never call each other, so
// the lock is taken once per call.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "winport/FontFaces.h"
#include "winport/Gdi.h"

namespace gdi {

enum class Kind { Context, Bitmap, Font, Pen, Brush, Palette };

struct Object {
  explicit Object(Kind kind) : TheKind(kind) {}
  virtual ~Object() = default;
  Kind TheKind;
  bool Stock = false;
  int Selections = 0;  // the contexts it is selected into
};

// 24-bit pixels in rows padded to 4 bytes, bottom-up unless TopDown.
struct Bitmap : Object {
  Bitmap(int width, int height, bool topDown);
  int Width, Height, Stride;
  bool TopDown;
  std::vector<uint8_t> Bits;

  uint8_t* Pixel(int x, int y) {
    return Bits.data() + static_cast<size_t>(TopDown ? y : Height - 1 - y) * Stride + 3 * x;
  }
};

struct Font : Object {
  Font() : Object(Kind::Font) {}
  LOGFONTA Log{};
  std::shared_ptr<const FontInstance> Instance;
};

struct Pen : Object {
  Pen() : Object(Kind::Pen) {}
  int Style = PS_SOLID;
  int Width = 1;
  COLORREF Color = 0;
};

struct Brush : Object {
  Brush() : Object(Kind::Brush) {}
  bool Hollow = false;
  COLORREF Color = 0;
};

struct Palette : Object {
  Palette() : Object(Kind::Palette) {}
  std::vector<PALETTEENTRY> Entries;
};

struct Context : Object {
  Context() : Object(Kind::Context) {}
  bool Screen = false;
  Bitmap* Surface = nullptr;
  Font* TheFont = nullptr;
  Pen* ThePen = nullptr;
  Brush* TheBrush = nullptr;
  Palette* ThePalette = nullptr;
  COLORREF TextColor = 0;
  COLORREF BkColor = RGB(255, 255, 255);
  int BkMode = OPAQUE;

  // The surface to draw on: none for the screen.
  Bitmap* Target() { return Screen ? nullptr : Surface; }
};

std::mutex& Lock();

// The live object behind a handle, of the kind asked for; nil with
// ERROR_INVALID_HANDLE otherwise.
Object* Find(HGDIOBJ handle);
void SetLastErrorInvalidHandle();
template <class T>
T* Find(HGDIOBJ handle, Kind kind) {
  Object* o = Find(handle);
  if (o && o->TheKind == kind) return static_cast<T*>(o);
  SetLastErrorInvalidHandle();
  return nullptr;
}

// Makes the object live and answers its handle.
HGDIOBJ Register(std::unique_ptr<Object> object);
Object* Stock(int kind);

bool PaletteScreen();
// The 256 entries of the system palette.
std::vector<PALETTEENTRY>& SystemPalette();
// Puts the palette's colours into the system palette; answers how many moved in.
UINT Realize(const Palette& palette);

// A new bitmap, or nil when its size is out of reach.
std::unique_ptr<Bitmap> NewBitmap(int width, int height, bool topDown);

// Fills [left, right) x [top, bottom), cut to the bitmap and to clip.
void Fill(Bitmap* target, RECT area, const RECT& clip, COLORREF color);
RECT WholeOf(const Bitmap* target);

}  // namespace gdi
