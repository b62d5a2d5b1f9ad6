#include "QuarnCommon/Source/DrawSymbol.h"

#include <algorithm>

#include "QuarnCommon/Source/ModuleInstance.h"
#include "rtl/Assert.h"
#include "winport/Codepage.h"
#include "winport/GlobalMemory.h"

namespace {

constexpr const char* kUnit = "DrawSymbol";
constexpr const char* kAssertionFailure = "Assertion failure";
constexpr int kLineLineAlignment = 870;
constexpr int kLinePictureAlignment = 969;

// The sign Φ and a grade letter, pictured by the bitmap "SDIA" and the letter.
#define DIAMETER_ROW(letter) {"\xA6\xB5" #letter, "SDIA" #letter}
// The older variant has no grades G and Y.
#ifdef TARVIK_OLDER_VARIANT
constexpr TDiameterSymbolRec kDiameterRows[] = {
    DIAMETER_ROW(A), DIAMETER_ROW(B), DIAMETER_ROW(C), DIAMETER_ROW(D), DIAMETER_ROW(L), DIAMETER_ROW(N),
};
#else
constexpr TDiameterSymbolRec kDiameterRows[] = {
    DIAMETER_ROW(A), DIAMETER_ROW(B), DIAMETER_ROW(C), DIAMETER_ROW(D),
    DIAMETER_ROW(G), DIAMETER_ROW(L), DIAMETER_ROW(N), DIAMETER_ROW(Y),
};
#endif
#undef DIAMETER_ROW

constexpr size_t kSymbolLength = 3;

constexpr std::string_view kSquareMetres = "\x8F\x70";
constexpr std::string_view kCubicMetres = "\x8F\x71";

constexpr UINT kFormatLeft = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;    // 0x2810
constexpr UINT kFormatRight = DT_RIGHT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;  // 0x2812

// The byte length of the character at pos: two for a lead byte with a byte after it.
size_t CharLength(const std::string& text, size_t pos) {
  return IsDBCSLeadByte(static_cast<BYTE>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

// The first occurrence of what at or after from that starts on a character,
// so that a match never begins inside a double-byte character.
size_t FindAtCharacter(const std::string& text, const std::string& what, size_t from) {
  for (size_t pos = from; pos < text.size(); pos += CharLength(text, pos))
    if (text.compare(pos, what.size(), what) == 0) return pos;
  return std::string::npos;
}

// Ceil(size * tenths / 10) in whole numbers, so that seven tenths of 10 is 7.
int CeilTenths(int size, int tenths) {
  const int product = size * tenths;
  return product >= 0 ? (product + 9) / 10 : -(-product / 10);
}

// Sets the canvas font to a size for the life of the object, then back.
class TFontSizeChange {
 public:
  TFontSizeChange(TCanvas* canvas, int size) : FFont(canvas->Font()), FHeight(FFont->Height()) {
    FFont->SetSize(size);
  }
  ~TFontSizeChange() { FFont->SetHeight(FHeight); }

 private:
  TFont* FFont;
  int FHeight;
};

std::string TrimRight(std::string s) {
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.pop_back();
  return s;
}

}  // namespace

const std::span<const TDiameterSymbolRec> DiameterSymbols = kDiameterRows;
TDrawSymbolManager* DrawSymbolManager = nullptr;

void TCustomDrawSymbol::Draw(TCanvas*, int32_t, const std::string&, int32_t, const RECT&) const {}

void TDrawSymbolManager::RegisterSymbolClass(TDrawSymbolClass SymbolClass) {
  if (std::find(FSymbolClasses.begin(), FSymbolClasses.end(), SymbolClass) == FSymbolClasses.end())
    FSymbolClasses.push_back(SymbolClass);
}

int32_t IndexOfDiameterSymbol(const std::string& Text) {
  for (size_t i = 0; i < DiameterSymbols.size(); ++i)
    if (Text.starts_with(DiameterSymbols[i].Symbol)) return static_cast<int32_t>(i);
  return -1;
}

bool HasMeterUnit(const std::string& Text) {
  for (const char* unit : {"m2", "m3", "M2", "M3"})
    if (FindAtCharacter(Text, unit, 0) != std::string::npos) return true;
  return false;
}

bool HasHashSign(const std::string& Text) { return Text.find('#') != std::string::npos; }

std::string EncodeMeterUnits(const std::string& Text) {
  std::string text = Text;
  const std::pair<const char*, std::string_view> replacements[] = {
      {"m2", kSquareMetres}, {"M2", kSquareMetres}, {"m3", kCubicMetres}, {"M3", kCubicMetres}};
  for (auto [unit, code] : replacements) {
    for (size_t pos = FindAtCharacter(text, unit, 0); pos != std::string::npos;
         pos = FindAtCharacter(text, unit, pos + code.size()))
      text.replace(pos, 2, code);
  }
  return text;
}

bool IsMeterUnitCode(const std::string& Char) { return Char == kSquareMetres || Char == kCubicMetres; }

bool IsHashSign(const std::string& Char) { return Char == "#"; }

int32_t MeterUnitWidth(TCanvas* Canvas) {
  const int size = Canvas->Font()->Size();
  int32_t width = Canvas->TextWidth("m");
  TFontSizeChange half(Canvas, CeilTenths(size, 5));
  return width + Canvas->TextWidth("3");
}

void DrawMeterUnit(TCanvas* Canvas, int32_t X, int32_t Y, const std::string& Code) {
  const int size = Canvas->Font()->Size();
  const int32_t mWidth = Canvas->TextWidth("m");
  Canvas->TextOut(X, Y, "m");
  TFontSizeChange half(Canvas, CeilTenths(size, 5));
  Canvas->TextOut(X + mWidth, Y, Code == kSquareMetres ? "2" : "3");
}

void DrawHashSign(TCanvas* Canvas, int32_t X, int32_t Y) {
  TFontSizeChange smaller(Canvas, CeilTenths(Canvas->Font()->Size(), 7));
  Canvas->TextOut(X, Y, "#");
}

int32_t FitLine(TCanvas* Canvas, const std::string& Text, int32_t& Width) {
  int32_t remaining = Width, taken = 0;
  for (size_t pos = 0; pos < Text.size();) {
    if (Text[pos] == '\r' && pos + 1 < Text.size() && Text[pos + 1] == '\n') {
      Width = taken;
      return static_cast<int32_t>(pos + 2);  // the LF's position, counting from 1
    }
    const std::string ch = Text.substr(pos, CharLength(Text, pos));
    const int32_t w = IsMeterUnitCode(ch) ? MeterUnitWidth(Canvas) : Canvas->TextWidth(ch);
    if (w > remaining) {
      Width = taken;
      return static_cast<int32_t>(pos);
    }
    remaining -= w;
    taken += w;
    pos += ch.size();
  }
  Width = taken;
  return static_cast<int32_t>(Text.size());
}

void DrawLines(TCanvas* Canvas, std::string Text, int32_t Alignment, int32_t Left, int32_t Top, int32_t MaxWidth,
               int32_t& TotalHeight) {
  int32_t y = Top, lineHeight = 0;
  TotalHeight = 0;
  int32_t w = MaxWidth;
  for (int32_t n = FitLine(Canvas, Text, w); n != 0; n = FitLine(Canvas, Text, w)) {
    int32_t x;
    switch (Alignment) {
      case kAlignLeft: x = Left; break;
      case kAlignRight: x = Left + MaxWidth - w; break;
      case kAlignCenter: x = Left + (MaxWidth - w) / 2; break;
      default: AssertionFailed(kAssertionFailure, kUnit, kLineLineAlignment);
    }
    y += lineHeight;
    int32_t lineWidth;
    DrawLine(Canvas, TrimRight(Text.substr(0, n)), x, y, lineWidth, lineHeight);
    TotalHeight += lineHeight;
    Text.erase(0, n);
    w = MaxWidth;
  }
}

void DrawLine(TCanvas* Canvas, const std::string& Line, int32_t X, int32_t Y, int32_t& LineWidth,
              int32_t& LineHeight) {
  LineWidth = 0;
  LineHeight = 0;
  for (size_t pos = 0; pos < Line.size();) {
    const std::string ch = Line.substr(pos, CharLength(Line, pos));
    int32_t advance;
    if (IsMeterUnitCode(ch)) {
      DrawMeterUnit(Canvas, X, Y, ch);
      advance = MeterUnitWidth(Canvas);
    } else if (IsHashSign(ch)) {
      DrawHashSign(Canvas, X, Y);
      advance = Canvas->TextWidth("#");
    } else {
      Canvas->TextOut(X, Y, ch);
      advance = Canvas->TextWidth(ch);
    }
    X += advance;
    LineWidth += advance;
    LineHeight = std::max(LineHeight, Canvas->TextHeight(ch));
    pos += ch.size();
  }
}

void TMeterDrawSymbol::Draw(TCanvas* Canvas, int32_t, const std::string& Text, int32_t Alignment,
                            const RECT& Rect) const {
  int32_t totalHeight;
  DrawLines(Canvas, EncodeMeterUnits(Text), Alignment, Rect.left, Rect.top, Rect.right - Rect.left, totalHeight);
}

bool TMeterDrawSymbol::CanDraw(const std::string& Text) const { return HasMeterUnit(Text) || HasHashSign(Text); }

void TDiaDrawSymbol::Draw(TCanvas* Canvas, int32_t Scale, const std::string& Text, int32_t Alignment,
                          const RECT& Rect) const {
  Canvas->RequiredState(TCanvas::csHandleValid | TCanvas::csFontValid | TCanvas::csPenValid |
                        TCanvas::csBrushValid);
  DrawToDC(Canvas->Handle(), Scale, Text, Alignment, Rect);
}

bool TDiaDrawSymbol::CanDraw(const std::string& Text) const { return IndexOfDiameterSymbol(Text) >= 0; }

void TDiaDrawSymbol::DrawToDC(HDC DC, int32_t Scale, const std::string& Text, int32_t Alignment,
                              const RECT& Rect) const {
  const int32_t row = IndexOfDiameterSymbol(Text);
  if (row < 0) return;
  RECT picture = Rect;
  {
    // The picture is loaded, converted and freed on every draw, also when drawing fails.
    struct Owned {
      TBitmap* Bitmap = New<TBitmap>();
      ~Owned() { Bitmap->Free(); }
    } owned;
    TBitmap* bitmap = owned.Bitmap;
    HBITMAP handle = LoadBitmapA(HInstance(), std::string(DiameterSymbols[row].BitmapName).c_str());
    if (!handle) return;
    bitmap->SetHandle(handle);
    switch (Alignment) {
      case kAlignLeft: break;
      case kAlignRight: picture.left = Rect.right - bitmap->Width(); break;
      case kAlignCenter: picture.left = (Rect.left + Rect.right - bitmap->Width()) / 2; break;
      default: AssertionFailed(kAssertionFailure, kUnit, kLinePictureAlignment);
    }
    // Placed by the picture's own width; only the drawn size is scaled.
    picture.right = picture.left + MulDiv(bitmap->Width(), Scale, 100);
    picture.bottom = picture.top + MulDiv(bitmap->Height(), Scale, 100);
    StretchDrawBitmapRect(DC, picture, bitmap);
  }
  const std::string rest = Text.substr(kSymbolLength);
  if (rest.empty()) return;
  RECT text = Rect;
  if (Alignment == kAlignRight) {
    text.right = picture.left;
  } else {
    text.left = picture.right;
  }
  DrawTextA(DC, rest.data(), static_cast<int>(rest.size()), &text,
            Alignment == kAlignRight ? kFormatRight : kFormatLeft);
}

void StretchDrawBitmapRect(HDC DC, const RECT& Rect, TBitmap* Bitmap) {
  StretchDrawBitmap(DC, static_cast<uint16_t>(Rect.left), static_cast<uint16_t>(Rect.top),
                    static_cast<uint16_t>(Rect.right - Rect.left), static_cast<uint16_t>(Rect.bottom - Rect.top),
                    Bitmap);
}

void StretchDrawBitmap(HDC DC, uint16_t X, uint16_t Y, uint16_t Width, uint16_t Height, TBitmap* Bitmap) {
  std::vector<uint8_t> header(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  HDC screen = GetDC(nullptr);
  const bool paletteScreen = GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE;
  const int colours = paletteScreen ? 256 : 0;
  auto* info = reinterpret_cast<BITMAPINFO*>(header.data());
  info->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), Bitmap->Width(), Bitmap->Height(), 1,
                                     static_cast<WORD>(paletteScreen ? 8 : 24), BI_RGB, 0, 0, 0,
                                     static_cast<DWORD>(colours), static_cast<DWORD>(colours)};
  const int width = Bitmap->Width(), height = Bitmap->Height();
  // The bitmap gives up its handle and palette while they are in use here.
  HBITMAP handle = Bitmap->ReleaseHandle();
  HPALETTE palette = Bitmap->ReleasePalette();

  HPALETTE oldPalette = nullptr;
  if (paletteScreen) {
    oldPalette = SelectPalette(screen, palette, TRUE);
    RealizePalette(screen);
  }
  GetDIBits(screen, handle, 0, height, nullptr, info, DIB_RGB_COLORS);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, info->bmiHeader.biSizeImage);
  void* bits = block ? GlobalLock(block) : nullptr;
  if (bits) GetDIBits(screen, handle, 0, height, bits, info, DIB_RGB_COLORS);
  if (paletteScreen) {
    PALETTEENTRY entries[256];
    GetSystemPaletteEntries(screen, 0, 256, entries);
    for (int i = 0; i < 256; ++i)
      info->bmiColors[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    SelectPalette(screen, oldPalette, TRUE);
    RealizePalette(screen);
  }
  ReleaseDC(nullptr, screen);

  if (bits) {
    const bool paletteDevice = GetDeviceCaps(DC, RASTERCAPS) & RC_PALETTE;
    HPALETTE oldDCPalette = nullptr;
    if (paletteDevice) {
      oldDCPalette = SelectPalette(DC, palette, TRUE);
      RealizePalette(DC);
    }
    StretchDIBits(DC, X, Y, Width, Height, 0, 0, width, height, bits, info, DIB_RGB_COLORS, SRCCOPY);
    if (paletteDevice) {
      SelectPalette(DC, oldDCPalette, TRUE);
      RealizePalette(DC);
    }
  }
  if (block) {
    GlobalUnlock(block);
    GlobalFree(block);
  }
  Bitmap->SetHandle(handle);
  Bitmap->SetPalette(palette);
}

void DrawSymbolInitialize() {
  if (!DrawSymbolManager) DrawSymbolManager = New<TDrawSymbolManager>();
  DrawSymbolManager->RegisterSymbolClass(ClassOf<TMeterDrawSymbol>());
  DrawSymbolManager->RegisterSymbolClass(ClassOf<TDiaDrawSymbol>());
}

void DrawSymbolFinalize() { FreeAndNil(DrawSymbolManager); }
