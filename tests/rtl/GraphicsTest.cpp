#include <gtest/gtest.h>

#include "rtl/Bitmap.h"
#include "rtl/ComponentList.h"
#include "rtl/Exceptions.h"
#include "tests/Ink.h"
#include "winport/Errors.h"

namespace {

TEST(Font, SizeInPointsAndHeightInPixelsAt96Dpi) {
  TFont* font = New<TFont>();
  EXPECT_EQ(font->Size(), 9);
  EXPECT_EQ(font->Height(), -12);
  font->SetSize(5);
  EXPECT_EQ(font->Height(), -7);  // 6.67 pixels
  font->SetHeight(-16);
  EXPECT_EQ(font->Size(), 12);
  font->Free();
}

TEST(Canvas, ToolsThatChangeAreDeselectedAndTheirOldHandlesDeleted) {
  const DWORD before = LiveGdiObjects();
  TBitmap* bitmap = New<TBitmap>();
  bitmap->SetSize(40, 20);
  TCanvas* canvas = bitmap->Canvas();
  canvas->TextOut(0, 0, "a");
  const DWORD drawing = LiveGdiObjects();  // bitmap, context, font and brush
  if (GdiObjectsCounted()) {
    EXPECT_EQ(drawing, before + 4);
  }
  for (int size : {5, 9, 20, 9}) {
    canvas->Font()->SetSize(size);
    canvas->TextOut(0, 0, "a");
    EXPECT_EQ(LiveGdiObjects(), drawing);
  }
  LOGFONTA log{};
  GetObjectA(GetCurrentObject(canvas->Handle(), OBJ_FONT), sizeof log, &log);
  EXPECT_EQ(log.lfHeight, -12);
  canvas->Brush()->SetStyle(TBrushStyle::bsClear);
  canvas->Rectangle(0, 0, 40, 20);
  EXPECT_EQ(LiveGdiObjects(), drawing);  // a clear brush is a stock object; the pen is new
  bitmap->Free();
  EXPECT_EQ(LiveGdiObjects(), before);
}

TEST(Canvas, DrawsWithTheBrushBehindTheTextUnlessClear) {
  TBitmap* bitmap = New<TBitmap>();
  bitmap->SetSize(60, 20);
  TCanvas* canvas = bitmap->Canvas();
  EXPECT_EQ(GetPixel(canvas->Handle(), 5, 5), RGB(255, 255, 255));  // new bitmaps are white
  canvas->Brush()->SetColor(RGB(0, 255, 0));
  canvas->TextOut(0, 0, "a");
  EXPECT_EQ(GetPixel(canvas->Handle(), 0, 0), RGB(0, 255, 0));
  canvas->Brush()->SetStyle(TBrushStyle::bsClear);
  canvas->TextOut(30, 0, "a");
  EXPECT_EQ(GetPixel(canvas->Handle(), 30, 0), RGB(255, 255, 255));
  EXPECT_EQ(canvas->TextWidth("aa"), 2 * canvas->TextWidth("a"));
  EXPECT_GT(canvas->TextHeight("a"), 12);
  bitmap->Free();
}

TEST(Bitmap, HandleTakenOutAndGivenBack) {
  const DWORD before = LiveGdiObjects();
  TBitmap* bitmap = New<TBitmap>();
  bitmap->SetSize(7, 3);
  bitmap->Canvas()->Handle();  // the bitmap is selected into the canvas's context
  HBITMAP handle = bitmap->ReleaseHandle();
  EXPECT_EQ(bitmap->Handle(), nullptr);
  EXPECT_EQ(bitmap->Width(), 7);
  EXPECT_TRUE(DeleteObject(handle));  // no longer selected anywhere: the caller may free it
  bitmap->Free();
  EXPECT_EQ(LiveGdiObjects(), before);

  TBitmap* other = New<TBitmap>();
  HDC screen = GetDC(nullptr);
  other->SetHandle(CreateCompatibleBitmap(screen, 5, 4));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(other->Width(), 5);
  EXPECT_EQ(other->Height(), 4);
  other->SetHandle(nullptr);
  EXPECT_EQ(other->Width(), 0);
  other->Free();
  EXPECT_EQ(LiveGdiObjects(), before);
}

TEST(Canvas, WithoutADeviceContextRefusesToDraw) {
  // A plain canvas has nothing of its own to draw on.
  TCanvas* canvas = New<TCanvas>();
  try {
    canvas->TextOut(0, 0, "a");
    ADD_FAILURE();
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "Canvas does not allow drawing");
  }
  canvas->Free();
}

struct Probe : TComponent {
  explicit Probe(int* freed) : Freed(freed) {}
  ~Probe() override { ++*Freed; }
  int* Freed;
};

TEST(ComponentList, OwningListFreesAndEveryListForgetsFreedComponents) {
  int freed = 0;
  TComponentList* owning = New<TComponentList>(true);
  TComponentList* referring = New<TComponentList>(false);
  Probe* a = New<Probe>(&freed);
  Probe* b = New<Probe>(&freed);
  owning->Add(a);
  owning->Add(b);
  referring->Add(b);
  referring->Add(a);

  a->Free();  // freed elsewhere: both lists let go of it
  EXPECT_EQ(freed, 1);
  EXPECT_EQ(owning->Count(), 1);
  EXPECT_EQ(referring->Count(), 1);
  EXPECT_EQ(referring->Items(0), b);
  EXPECT_THROW(referring->Items(1), EListError);

  owning->Free();  // frees b, which leaves the other list
  EXPECT_EQ(freed, 2);
  EXPECT_EQ(referring->Count(), 0);
  referring->Free();

  Probe* c = New<Probe>(&freed);
  TComponentList* list = New<TComponentList>(false);
  list->Add(c);
  list->Free();  // lets go without freeing
  EXPECT_EQ(freed, 2);
  c->Free();
  EXPECT_EQ(freed, 3);
}

TEST(OSError, RaisedWithTheCodeAndTheSystemsReason) {
  SetLastError(5);
  try {
    RaiseLastOSError();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode, 5u);
    EXPECT_EQ(e.Message(), "System Error.  Code: 5.\r\n" + SysErrorMessage(5));
  }
  SetLastError(0);
  EXPECT_THROW(RaiseLastOSError(), EOSError);
}

}  // namespace
