// Test support: the fixture of the symbol-drawing tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "QuarnCommon/Source/DrawSymbol.h"
#include "QuarnCommon/Source/ModuleInstance.h"
#include "tests/Ink.h"
#include "tests/QuarnCommon/GdiRecorder.h"

namespace drawsymboltest {

using Calls = std::vector<std::string>;

inline const std::string kPhi = "\xA6\xB5";
inline const std::string kSteel = "\xB8\xD6\xBD\xEE";  // 钢筋

// A white 400 x 120 bitmap whose canvas writes at 12 points (16 pixels), with
// every tool made before the test, so that any GDI object a draw leaves
// behind shows in the count.
class DrawSymbolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bitmap = New<TBitmap>();
    bitmap->SetSize(400, 120);
    canvas = bitmap->Canvas();
    canvas->Font()->SetSize(12);
    canvas->RequiredState(TCanvas::csHandleValid | TCanvas::csFontValid | TCanvas::csPenValid |
                          TCanvas::csBrushValid);
    live = LiveGdiObjects();
  }
  void TearDown() override {
    // The canvas makes its font anew when it next needs it after a size change.
    canvas->RequiredState(TCanvas::csHandleValid | TCanvas::csFontValid);
    EXPECT_EQ(LiveGdiObjects(), live) << "a draw left GDI objects behind";
    EXPECT_EQ(canvas->Font()->Height(), -16) << "a draw left the font size changed";
    bitmap->Free();
  }

  Calls Record(void (*draw)(TCanvas*, const std::string&, int32_t, const RECT&), const std::string& text,
               int32_t alignment, RECT rect) {
    recorder::Start();
    draw(canvas, text, alignment, rect);
    return recorder::Stop();
  }
  static void Meter(TCanvas* c, const std::string& text, int32_t alignment, const RECT& rect) {
    ClassOf<TMeterDrawSymbol>()->Draw(c, 100, text, alignment, rect);
  }
  static void Dia100(TCanvas* c, const std::string& text, int32_t alignment, const RECT& rect) {
    ClassOf<TDiaDrawSymbol>()->Draw(c, 100, text, alignment, rect);
  }
  static void Dia200(TCanvas* c, const std::string& text, int32_t alignment, const RECT& rect) {
    ClassOf<TDiaDrawSymbol>()->Draw(c, 200, text, alignment, rect);
  }

  int W(const std::string& s) { return canvas->TextWidth(s); }
  HDC dc() { return canvas->Handle(); }

  TBitmap* bitmap = nullptr;
  TCanvas* canvas = nullptr;
  DWORD live = 0;
};

// The drawn picture at (x, y), scale x scale pixels per picture pixel, equals the resource.
inline void ExpectPicture(HDC dc, const std::string& name, int x, int y, int scale = 1) {
  HBITMAP picture = LoadBitmapA(HInstance(), name.c_str());
  ASSERT_NE(picture, nullptr);
  HDC m = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(m, picture);
  int black = 0;
  for (int py = 0; py < 13; ++py)
    for (int px = 0; px < 13; ++px) {
      for (int i = 0; i < scale * scale; ++i)
        EXPECT_EQ(GetPixel(dc, x + scale * px + i % scale, y + scale * py + i / scale), GetPixel(m, px, py))
            << name << " at " << px << "," << py;
      black += GetPixel(m, px, py) == 0;
    }
  EXPECT_GT(black, 20);
  SelectObject(m, old);
  DeleteDC(m);
  DeleteObject(picture);
}

}  // namespace drawsymboltest
