// The palette screen is winport's alone: SetPaletteScreen turns its screen
// into an 8-bit palette device, which the system's screen is not.
#include "tests/QuarnCommon/DrawSymbolFixture.h"

namespace {

using namespace drawsymboltest;

TEST_F(DrawSymbolTest, APaletteScreenGoesThroughTheSystemPaletteToTheSamePixels) {
  SetPaletteScreen(TRUE);
  const Calls calls = Record(Dia100, kPhi + "D12", kAlignLeft, {20, 10, 220, 60});
  SetPaletteScreen(FALSE);
  EXPECT_EQ(recorder::Only(calls, "GetDIBits"), (Calls{"GetDIBits header bpp=8", "GetDIBits bits bpp=8"}));
  EXPECT_EQ(recorder::Only(calls, "GetSystemPaletteEntries"), Calls{"GetSystemPaletteEntries 0,256"});
  EXPECT_EQ(recorder::Only(calls, "SelectPalette"), Calls(4, "SelectPalette background=1"));
  EXPECT_EQ(recorder::Only(calls, "RealizePalette").size(), 4u);
  EXPECT_EQ(recorder::Only(calls, "StretchDIBits")[0], "StretchDIBits 20,10,13,13 from 0,0,13,13 bpp=8");
  ExpectPicture(dc(), "SDIAD", 20, 10);
}

}  // namespace
