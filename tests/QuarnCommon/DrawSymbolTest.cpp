#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "QuarnCommon/Source/DrawSymbol.h"
#include "QuarnCommon/Source/ModuleInstance.h"
#include "tests/QuarnCommon/DrawSymbolFixture.h"
#include "tests/Variant.h"
#include "winport/Codepage.h"
#include "rtl/Exceptions.h"
#include "winport/GlobalMemory.h"
#include "winport/Resources.h"

namespace {

using namespace drawsymboltest;

TEST_F(DrawSymbolTest, MetreUnitsAreAnMWithARaisedHalfSizeDigit) {
  const Calls calls = Record(Meter, "5m2", kAlignLeft, {10, 10, 300, 100});
  const int x = 10 + W("5");
  EXPECT_EQ(recorder::Only(calls, "TextOutA"),
            (Calls{"TextOutA 10,10 5 h=-16", "TextOutA " + std::to_string(x) + ",10 m h=-16",
                   "TextOutA " + std::to_string(x + W("m")) + ",10 2 h=-8"}));
  // The digit's cell shares the top edge of the "m", so its ink stands in the m's upper half.
  const RECT m = InkBox(dc(), {x, 0, x + W("m"), 120});
  const RECT digit = InkBox(dc(), {x + W("m"), 0, 300, 120});
  ASSERT_FALSE(Empty(digit));
  EXPECT_LT(digit.bottom, (m.top + m.bottom) / 2 + 1);
  EXPECT_LT(digit.bottom - digit.top, m.bottom - m.top + 2);

  EXPECT_EQ(recorder::Only(Record(Meter, "5M3", kAlignLeft, {10, 40, 300, 100}), "TextOutA"),
            (Calls{"TextOutA 10,40 5 h=-16", "TextOutA " + std::to_string(x) + ",40 m h=-16",
                   "TextOutA " + std::to_string(x + W("m")) + ",40 3 h=-8"}));
  EXPECT_EQ(recorder::Only(Record(Meter, "mm2", kAlignLeft, {10, 70, 300, 100}), "TextOutA").size(), 3u);
}

TEST_F(DrawSymbolTest, HashSignsAreSevenTenthsHighButAdvanceTheFullWidth) {
  const Calls calls = recorder::Only(Record(Meter, "10#5", kAlignLeft, {0, 0, 300, 100}), "TextOutA");
  const int hash = W("1") + W("0");
  ASSERT_EQ(calls.size(), 4u);
  // Ceil(12 * 0.7) = 9 points, 12 pixels.
  EXPECT_EQ(calls[2], "TextOutA " + std::to_string(hash) + ",0 # h=-12");
  EXPECT_EQ(calls[3], "TextOutA " + std::to_string(hash + W("#")) + ",0 5 h=-16");
}

TEST_F(DrawSymbolTest, CrLfStartsALineAndAnEmptyLineTakesNoHeight) {
  Record(Meter, "\xC9\xCF" "m2\r\n\xCF\xC2", kAlignLeft, {0, 0, 300, 120});  // 上m2 CR LF 下
  EXPECT_EQ(InkBands(dc(), {0, 0, 400, 120}).size(), 2u);

  const int lineHeight = canvas->TextHeight("a");
  const Calls calls = recorder::Only(Record(Meter, "a\r\n\r\nb", kAlignLeft, {200, 0, 300, 120}), "TextOutA");
  EXPECT_EQ(calls, (Calls{"TextOutA 200,0 a h=-16", "TextOutA 200," + std::to_string(lineHeight) + " b h=-16"}));
}

TEST_F(DrawSymbolTest, LinesBreakBeforeTheFirstCharacterThatDoesNotFitAndNeverInsideOne) {
  const std::string text = kSteel + "\xBB\xEC\xC4\xFD";  // 钢筋混凝
  const int han = W("\xB8\xD6");
  int32_t width = 2 * han + han / 2;
  EXPECT_EQ(FitLine(canvas, text, width), 4);
  EXPECT_EQ(width, 2 * han);
  width = 2 * han;  // fits exactly: taken whole
  EXPECT_EQ(FitLine(canvas, text.substr(0, 4), width), 4);
  width = han - 1;
  EXPECT_EQ(FitLine(canvas, text, width), 0);
  EXPECT_EQ(width, 0);
  width = 1000;
  EXPECT_EQ(FitLine(canvas, "ab\r\ncd", width), 4);
  EXPECT_EQ(width, W("ab"));
  // A metre-unit code is one character as wide as "m" and a half-size digit.
  width = W("5") + MeterUnitWidth(canvas) - 1;
  EXPECT_EQ(FitLine(canvas, "5\x8F\x70", width), 1);
  width = W("5") + MeterUnitWidth(canvas);
  EXPECT_EQ(FitLine(canvas, "5\x8F\x70", width), 3);

  // Drawn in a rectangle two and a half characters wide: each line whole characters.
  const Calls calls = recorder::Only(Record(Meter, text + "m2", kAlignLeft, {0, 0, 2 * han + han / 2, 120}),
                                     "TextOutA");
  for (const std::string& call : calls) {
    const std::string written = call.substr(call.find(' ', 9) + 1, call.rfind(' ') - call.find(' ', 9) - 1);
    EXPECT_TRUE(written.size() == 1 || (written.size() == 2 && IsDBCSLeadByte(written[0]))) << call;
  }
  EXPECT_EQ(InkBands(dc(), {0, 0, 400, 120}).size(), 3u);
}

TEST_F(DrawSymbolTest, RightAndCentredLinesAreMeasuredWithTheirTrailingSpaces) {
  const int w = W("ab") + 2 * W(" ");
  Calls calls = recorder::Only(Record(Meter, "ab  #", kAlignRight, {10, 0, 10 + w, 120}), "TextOutA");
  // "ab  " fills the first line; the spaces are trimmed, so "b" ends short of the edge by their width.
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0], "TextOutA 10,0 a h=-16");
  const RECT ink = InkBox(dc(), {0, 0, 400, canvas->TextHeight("a")});
  EXPECT_LE(ink.right, 10 + w - W(" "));

  const int max = w + 7;
  calls = recorder::Only(Record(Meter, "ab  ", kAlignCenter, {100, 60, 100 + max, 120}), "TextOutA");
  EXPECT_EQ(calls[0], "TextOutA " + std::to_string(100 + (max - w) / 2) + ",60 a h=-16");
  calls = recorder::Only(Record(Meter, "ab  ", kAlignRight, {200, 60, 200 + max, 120}), "TextOutA");
  EXPECT_EQ(calls[0], "TextOutA " + std::to_string(200 + max - w) + ",60 a h=-16");

  try {
    Record(Meter, "5m2", 3, {0, 0, 100, 100});
    ADD_FAILURE();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "Assertion failure (DrawSymbol, line 870)");
  }
}

TEST_F(DrawSymbolTest, DiameterPictureThenTheRestOfTheTextByAlignment) {
  const std::string text = kPhi + "A12";
  Calls calls = Record(Dia100, text, kAlignLeft, {20, 10, 220, 60});
  EXPECT_EQ(calls,
            (Calls{"LoadBitmapA SDIAA", "GetDIBits header bpp=24", "GlobalAlloc 0x2 520", "GetDIBits bits bpp=24",
                   "StretchDIBits 20,10,13,13 from 0,0,13,13 bpp=24", "DrawTextA 12 33,10,220,60 0x2810"}));
  ExpectPicture(dc(), "SDIAA", 20, 10);
  EXPECT_GE(InkBox(dc(), {33, 10, 220, 60}).left, 33);

  calls = Record(Dia100, text, kAlignRight, {20, 60, 220, 110});
  EXPECT_EQ(recorder::Only(calls, "StretchDIBits")[0], "StretchDIBits 207,60,13,13 from 0,0,13,13 bpp=24");
  EXPECT_EQ(recorder::Only(calls, "DrawTextA")[0], "DrawTextA 12 20,60,207,110 0x2812");
  ExpectPicture(dc(), "SDIAA", 207, 60);
  EXPECT_LE(InkBox(dc(), {20, 60, 207, 110}).right, 207);

  calls = Record(Dia100, text, kAlignCenter, {240, 10, 341, 60});
  EXPECT_EQ(recorder::Only(calls, "StretchDIBits")[0], "StretchDIBits 284,10,13,13 from 0,0,13,13 bpp=24");
  EXPECT_EQ(recorder::Only(calls, "DrawTextA")[0], "DrawTextA 12 297,10,341,60 0x2810");

  calls = Record(Dia100, kPhi + "A", kAlignLeft, {240, 60, 341, 110});
  EXPECT_TRUE(recorder::Only(calls, "DrawTextA").empty());
  EXPECT_EQ(recorder::Only(calls, "StretchDIBits").size(), 1u);
}

TEST_F(DrawSymbolTest, AtScale200ThePictureIsDrawnDoubleButPlacedByItsOwnWidth) {
  Calls calls = Record(Dia200, kPhi + "L12", kAlignLeft, {20, 10, 220, 60});
  EXPECT_EQ(recorder::Only(calls, "StretchDIBits")[0], "StretchDIBits 20,10,26,26 from 0,0,13,13 bpp=24");
  EXPECT_EQ(recorder::Only(calls, "DrawTextA")[0], "DrawTextA 12 46,10,220,60 0x2810");
  ExpectPicture(dc(), "SDIAL", 20, 10, 2);

  calls = Record(Dia200, kPhi + "B12", kAlignRight, {20, 60, 220, 110});
  EXPECT_EQ(recorder::Only(calls, "StretchDIBits")[0], "StretchDIBits 207,60,26,26 from 0,0,13,13 bpp=24");
  ExpectPicture(dc(), "SDIAB", 207, 60, 2);  // reaching 13 pixels past the edge
  EXPECT_EQ(recorder::Only(calls, "DrawTextA")[0], "DrawTextA 12 20,60,207,110 0x2812");

  try {
    Record(Dia200, kPhi + "B12", 7, {0, 0, 100, 100});
    ADD_FAILURE();
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message(), "Assertion failure (DrawSymbol, line 969)");
  }
}

TEST_F(DrawSymbolTest, NothingIsDrawnWithoutARowOrWithoutItsPicture) {
  EXPECT_TRUE(Record(Dia100, kPhi + "E12", kAlignLeft, {0, 0, 200, 50}).empty());
  recorder::FailLoadBitmap = true;
  const Calls calls = Record(Dia100, kPhi + "C12", kAlignLeft, {0, 0, 200, 50});
  recorder::FailLoadBitmap = false;
  EXPECT_EQ(calls, Calls{"LoadBitmapA SDIAC"});
  EXPECT_TRUE(Empty(InkBox(dc(), {0, 0, 400, 120})));
}

TEST_F(DrawSymbolTest, EveryGradeHasItsPictureInChineseSimplified) {
  int x = 0;
  for (const TDiameterSymbolRec& row : DiameterSymbols) {
    const std::string name(row.BitmapName);
    EXPECT_NE(FindResourceExA(HInstance(), RT_BITMAP, name.c_str(), 2052), nullptr) << name;
    Record(Dia100, std::string(row.Symbol), kAlignLeft, {x, 0, x + 40, 50});
    ExpectPicture(dc(), name, x, 0);
    x += 40;
  }
  EXPECT_EQ(DiameterSymbols.size(), ByVariant(8u, 6u));
  // The older variant has neither the grades G and Y nor their pictures.
  for (const char* name : {"SDIAG", "SDIAY"})
    EXPECT_EQ(FindResourceExA(HInstance(), RT_BITMAP, name, 2052) != nullptr, !kOlderVariant) << name;
}

TEST_F(DrawSymbolTest, StretchedAreasAreTakenIn16Bits) {
  TBitmap* picture = New<TBitmap>();
  picture->SetHandle(LoadBitmapA(HInstance(), "SDIAA"));
  recorder::Start();
  StretchDrawBitmapRect(dc(), {-8, 5, 5, 18}, picture);
  const Calls calls = recorder::Stop();
  EXPECT_EQ(recorder::Only(calls, "StretchDIBits")[0], "StretchDIBits 65528,5,13,13 from 0,0,13,13 bpp=24");
  EXPECT_TRUE(Empty(InkBox(dc(), {0, 0, 400, 120})));
  EXPECT_NE(picture->Handle(), nullptr);  // given back after use
  picture->Free();
}

TEST(DrawSymbolClasses, WhichTextsEachClassDraws) {
  const TDrawSymbolClass meter = ClassOf<TMeterDrawSymbol>(), dia = ClassOf<TDiaDrawSymbol>();
  EXPECT_TRUE(meter->CanDraw("5m2"));
  EXPECT_TRUE(meter->CanDraw("xM3y"));
  EXPECT_TRUE(meter->CanDraw("10#"));
  EXPECT_FALSE(meter->CanDraw("5m4 M"));
  // "m" here is the second byte of a double-byte character, not a metre.
  EXPECT_FALSE(meter->CanDraw("\x81m2"));
  EXPECT_EQ(EncodeMeterUnits("\x81m2 m2"), "\x81m2 \x8F\x70");
  EXPECT_EQ(EncodeMeterUnits("m2M2m3M3"), "\x8F\x70\x8F\x70\x8F\x71\x8F\x71");

  EXPECT_TRUE(dia->CanDraw(kPhi + "A12"));
  EXPECT_EQ(dia->CanDraw(kPhi + "Y"), !kOlderVariant);
  EXPECT_FALSE(dia->CanDraw(kPhi + "E12"));
  EXPECT_FALSE(dia->CanDraw(kSteel + kPhi + "A12"));
  EXPECT_EQ(IndexOfDiameterSymbol(kPhi + "G"), ByVariant(4, -1));
  EXPECT_EQ(IndexOfDiameterSymbol(kPhi + "L12"), ByVariant(5, 4));
  EXPECT_EQ(IndexOfDiameterSymbol("A12"), -1);
}

TEST(DrawSymbolManager, RegistersEachClassOnceInOrder) {
  ASSERT_EQ(DrawSymbolManager, nullptr);
  DrawSymbolInitialize();
  TDrawSymbolManager* manager = DrawSymbolManager;
  DrawSymbolInitialize();  // a second run keeps the registry and adds nothing
  EXPECT_EQ(DrawSymbolManager, manager);
  EXPECT_EQ(manager->SymbolClasses(),
            (std::vector<TDrawSymbolClass>{ClassOf<TMeterDrawSymbol>(), ClassOf<TDiaDrawSymbol>()}));
  DrawSymbolFinalize();
  EXPECT_EQ(DrawSymbolManager, nullptr);
}

}  // namespace
