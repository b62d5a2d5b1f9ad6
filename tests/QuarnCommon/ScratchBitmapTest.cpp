#include <gtest/gtest.h>

#include "QuarnCommon/Source/ScratchBitmap.h"
#include "tests/Ink.h"

namespace {

TEST(ScratchBitmap, ABitmapAndItsCanvasFromLoadToUnload) {
  const DWORD live = LiveGdiObjects();
  ScratchBitmapInitialize();
  ASSERT_NE(ScratchBitmap, nullptr);
  EXPECT_EQ(ScratchCanvas, ScratchBitmap->Canvas());
  EXPECT_EQ(ScratchBitmap->Width(), 0);
  ScratchCanvas->TextWidth("x");  // draws: a context and a font
  ScratchBitmapFinalize();
  EXPECT_EQ(ScratchBitmap, nullptr);
  EXPECT_EQ(ScratchCanvas, nullptr);
  EXPECT_EQ(LiveGdiObjects(), live);
}

}  // namespace
