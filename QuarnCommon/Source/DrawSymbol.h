// Drawing of short texts with symbols that an ordinary font cannot show: unit
// texts with square and cubic metres and "#" signs, and diameter symbols drawn
// from the library's own bitmap resources. Each kind of symbol is a class of
// its own; the registry holds the classes. Drawing keeps no state between
// calls; for one thread at a time, as the canvas is.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/Bitmap.h"
#include "rtl/Canvas.h"

// Alignments of Draw.
constexpr int32_t kAlignLeft = 0;
constexpr int32_t kAlignRight = 1;
constexpr int32_t kAlignCenter = 2;

// A symbol class. The classes carry no data: each is stood for by one
// instance of its own (ClassOf), which the registry holds.
class TCustomDrawSymbol : public TObject {
 public:
  // Draws the text into the rectangle; the base draws nothing.
  virtual void Draw(TCanvas* Canvas, int32_t Scale, const std::string& Text, int32_t Alignment,
                    const RECT& Rect) const;
  virtual bool CanDraw(const std::string& Text) const = 0;
};

using TDrawSymbolClass = const TCustomDrawSymbol*;

template <class T>
TDrawSymbolClass ClassOf() {
  static const T symbolClass;
  return &symbolClass;
}

// Texts with "m2", "m3", "M2", "M3" or "#": the metres drawn as "m" with a
// raised half-size digit, "#" at seven tenths of the font size, the text
// broken into lines at the rectangle's width. Scale and bottom are not used.
class TMeterDrawSymbol : public TCustomDrawSymbol {
 public:
  void Draw(TCanvas* Canvas, int32_t Scale, const std::string& Text, int32_t Alignment,
            const RECT& Rect) const override;
  bool CanDraw(const std::string& Text) const override;
};

// Texts that begin with a diameter symbol: its picture, scaled, then the rest
// of the text beside it.
class TDiaDrawSymbol : public TCustomDrawSymbol {
 public:
  void Draw(TCanvas* Canvas, int32_t Scale, const std::string& Text, int32_t Alignment,
            const RECT& Rect) const override;
  bool CanDraw(const std::string& Text) const override;
  void DrawToDC(HDC DC, int32_t Scale, const std::string& Text, int32_t Alignment, const RECT& Rect) const;
};

// The registry of symbol classes, each at most once, in the order registered.
// Picking a class for a text is the caller's business.
class TDrawSymbolManager : public TObject {
 public:
  void RegisterSymbolClass(TDrawSymbolClass SymbolClass);
  const std::vector<TDrawSymbolClass>& SymbolClasses() const { return FSymbolClasses; }

 private:
  std::vector<TDrawSymbolClass> FSymbolClasses;
};

// The unit's registry: made at load, freed at unload.
extern TDrawSymbolManager* DrawSymbolManager;

// A diameter symbol: the GBK sign Φ (A6 B5) and a grade letter, and the name
// of the bitmap resource that pictures it.
struct TDiameterSymbolRec {
  std::string_view Symbol;
  std::string_view BitmapName;
};

// Searched in order: A, B, C, D, G, L, N, Y; in the older variant A, B, C, D,
// L, N.
extern const std::span<const TDiameterSymbolRec> DiameterSymbols;

// The first row whose symbol begins the text, or -1.
int32_t IndexOfDiameterSymbol(const std::string& Text);
bool HasMeterUnit(const std::string& Text);
bool HasHashSign(const std::string& Text);
// The text with its metre units replaced by the metre-unit codes 8F 70 and 8F 71.
std::string EncodeMeterUnits(const std::string& Text);

// How many bytes of the text make the next line at most Width wide; Width
// becomes the width they take.
int32_t FitLine(TCanvas* Canvas, const std::string& Text, int32_t& Width);
void DrawLines(TCanvas* Canvas, std::string Text, int32_t Alignment, int32_t Left, int32_t Top, int32_t MaxWidth,
               int32_t& TotalHeight);
void DrawLine(TCanvas* Canvas, const std::string& Line, int32_t X, int32_t Y, int32_t& LineWidth,
              int32_t& LineHeight);
int32_t MeterUnitWidth(TCanvas* Canvas);
void DrawMeterUnit(TCanvas* Canvas, int32_t X, int32_t Y, const std::string& Code);
void DrawHashSign(TCanvas* Canvas, int32_t X, int32_t Y);
// Of one character (one or two bytes).
bool IsMeterUnitCode(const std::string& Char);
bool IsHashSign(const std::string& Char);

// Draws the bitmap stretched into the area, through a device-independent copy
// of it, realizing its palette on palette devices. The area is taken in
// unsigned 16-bit values.
void StretchDrawBitmap(HDC DC, uint16_t X, uint16_t Y, uint16_t Width, uint16_t Height, TBitmap* Bitmap);
void StretchDrawBitmapRect(HDC DC, const RECT& Rect, TBitmap* Bitmap);

void DrawSymbolInitialize();
void DrawSymbolFinalize();
