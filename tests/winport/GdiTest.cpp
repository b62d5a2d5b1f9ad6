#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "winport/Errors.h"
#include "winport/Gdi.h"
#include "winport/ResourceNote.h"
#include "winport/Resources.h"
#include "tests/Ink.h"

namespace {

DWORD LiveObjects() { return LiveGdiObjects(); }

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A memory context over a white 24-bit DIB section; everything goes at the end.
class Surface {
 public:
  Surface(int width, int height) : FWidth(width), FHeight(height) {
    FDC = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    FBitmap = CreateDIBSection(FDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::memset(bits, 0xFF, static_cast<size_t>((3 * width + 3) & ~3) * height);
    FOld = SelectObject(FDC, FBitmap);
  }
  ~Surface() {
    SelectObject(FDC, FOld);
    DeleteDC(FDC);
    DeleteObject(FBitmap);
  }
  HDC dc() const { return FDC; }
  HBITMAP bitmap() const { return FBitmap; }

  RECT Ink(RECT area) const { return InkBox(FDC, area); }
  RECT Ink() const { return Ink({0, 0, FWidth, FHeight}); }

 private:
  int FWidth, FHeight;
  HDC FDC;
  HBITMAP FBitmap;
  HGDIOBJ FOld;
};

HFONT Font(int height, const char* face = "") {
  LOGFONTA log{};
  log.lfHeight = height;
  std::strncpy(log.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirectA(&log);
}

int Width(HDC dc, const std::string& text) {
  SIZE size{};
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  return size.cx;
}

TEST(GdiObjects, CountedWhileLiveAndNotDeletedWhileSelected) {
  const DWORD before = LiveObjects();
  {
    Surface a(4, 4);
    EXPECT_EQ(LiveObjects(), before + 2);
    EXPECT_FALSE(DeleteObject(a.bitmap()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUSY));

    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, a.bitmap()), nullptr);  // one context at a time
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HGDIOBJ oldBrush = SelectObject(other, brush);
    EXPECT_EQ(oldBrush, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(other, OBJ_BRUSH), brush);
    EXPECT_EQ(LiveObjects(), before + 4);
    EXPECT_FALSE(DeleteObject(brush));
    SelectObject(other, oldBrush);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));  // stock: nothing happens
    EXPECT_TRUE(DeleteDC(other));

    HDC screen = GetDC(nullptr);
    EXPECT_EQ(LiveObjects(), before + 3);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(1)), nullptr);
  }
  EXPECT_EQ(LiveObjects(), before);
}

TEST(GdiPaint, FillAndRectangleStayInsideTheirEdges) {
  Surface s(20, 10);
  RECT area{2, 2, 6, 5};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(s.dc(), &area, red);
  EXPECT_EQ(GetPixel(s.dc(), 2, 2), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(s.dc(), 5, 4), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(s.dc(), 6, 4), kWhite);
  EXPECT_EQ(GetPixel(s.dc(), 5, 5), kWhite);

  HGDIOBJ oldBrush = SelectObject(s.dc(), GetStockObject(NULL_BRUSH));
  Rectangle(s.dc(), 10, 1, 16, 6);
  EXPECT_EQ(GetPixel(s.dc(), 10, 1), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(s.dc(), 15, 5), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(s.dc(), 12, 3), kWhite);  // a null brush leaves the inside
  EXPECT_EQ(s.Ink({7, 0, 20, 10}).right, 16);
  EXPECT_EQ(GetPixel(s.dc(), 20, 0), CLR_INVALID);
  SelectObject(s.dc(), oldBrush);
  DeleteObject(red);
}

TEST(GdiText, ExtentsAddUpAndTextStaysInItsCell) {
  Surface s(200, 40);
  HFONT font = Font(-16);
  HGDIOBJ old = SelectObject(s.dc(), font);
  SIZE cell{};
  ASSERT_TRUE(GetTextExtentPoint32A(s.dc(), "Hm", 2, &cell));
  EXPECT_EQ(cell.cx, Width(s.dc(), "H") + Width(s.dc(), "m"));
  EXPECT_GT(cell.cy, 16);
  const int han = Width(s.dc(), "\xB8\xD6");  // 钢, from the Chinese face
  EXPECT_GT(han, Width(s.dc(), "1"));

  SetBkMode(s.dc(), TRANSPARENT);
  TextOutA(s.dc(), 10, 5, "Hm\xB8\xD6", -1);
  const RECT ink = s.Ink();
  EXPECT_GE(ink.left, 10);
  EXPECT_GE(ink.top, 5);
  EXPECT_LE(ink.right, 10 + cell.cx + han);
  EXPECT_LE(ink.bottom, 5 + cell.cy);
  EXPECT_FALSE(Empty(s.Ink({10 + cell.cx, 0, 200, 40})));  // the Chinese character has ink

  SetBkMode(s.dc(), OPAQUE);
  SetBkColor(s.dc(), RGB(0, 0, 255));
  TextOutA(s.dc(), 100, 5, "H", 1);
  EXPECT_EQ(GetPixel(s.dc(), 100, 5), RGB(0, 0, 255));  // the cell's corner is background
  EXPECT_EQ(GetPixel(s.dc(), 100, 4), kWhite);
  SelectObject(s.dc(), old);
  DeleteObject(font);
}

std::vector<std::pair<int, int>> Bands(const Surface& s, RECT area) { return InkBands(s.dc(), area); }

class DrawTextTest : public ::testing::Test {
 protected:
  DrawTextTest() : s(300, 200), font(Font(-16)), old(SelectObject(s.dc(), font)) {
    SIZE size{};
    GetTextExtentPoint32A(s.dc(), "x", 1, &size);
    lineHeight = size.cy;
  }
  ~DrawTextTest() override {
    SelectObject(s.dc(), old);
    DeleteObject(font);
  }
  int Draw(const std::string& text, RECT rect, UINT format) {
    return DrawTextA(s.dc(), text.data(), static_cast<int>(text.size()), &rect, format);
  }

  Surface s;
  HFONT font;
  HGDIOBJ old;
  int lineHeight;
};

TEST_F(DrawTextTest, BreaksBetweenWordsAndAroundChineseCharacters) {
  const int word = Width(s.dc(), "abc ");
  // Room for "abc abc" but not "abc abc abc".
  const RECT rect{0, 0, 2 * word + Width(s.dc(), "ab"), 200};
  EXPECT_EQ(Draw("abc abc abc", rect, DT_WORDBREAK), 2 * lineHeight);
  EXPECT_EQ(Bands(s, {0, 0, 300, 200}).size(), 2u);
  // The third word starts the second line at the left edge.
  EXPECT_LT(s.Ink({0, lineHeight, 300, 2 * lineHeight}).left, 3);

  // 钢筋混凝: two Chinese characters to a line, each line starting at the left.
  const int han = Width(s.dc(), "\xB8\xD6");
  EXPECT_EQ(Draw("\xB8\xD6\xBD\xEE\xBB\xEC\xC4\xFD", {0, 100, 2 * han + han / 2, 200}, DT_WORDBREAK),
            2 * lineHeight);
  EXPECT_LE(s.Ink({0, 100, 300, 200}).right, 2 * han);
}

TEST_F(DrawTextTest, LineEndsBreakAndRightAlignmentMeetsTheEdge) {
  EXPECT_EQ(Draw("ab\r\ncd\ref\ngh", {0, 0, 300, 200}, DT_LEFT), 4 * lineHeight);
  EXPECT_EQ(Bands(s, {0, 0, 300, 200}).size(), 4u);

  Surface r(300, 40);
  HGDIOBJ oldFont = SelectObject(r.dc(), font);
  RECT rect{0, 0, 200, 40};
  DrawTextA(r.dc(), "right", -1, &rect, DT_RIGHT);
  const RECT ink = r.Ink();
  EXPECT_LE(ink.right, 200);
  EXPECT_GE(ink.right, 200 - 3);
  SelectObject(r.dc(), oldFont);
}

TEST_F(DrawTextTest, EditControlCutsLongWordsAndLeavesOutACutLastLine) {
  const int a = Width(s.dc(), "a");
  const RECT narrow{0, 0, 3 * a, 200};
  EXPECT_EQ(Draw("aaaaaaa", narrow, DT_WORDBREAK | DT_EDITCONTROL), 3 * lineHeight);
  EXPECT_TRUE(Empty(s.Ink({3 * a, 0, 300, 200})));  // nothing past the edge

  Surface t(300, 200);
  HGDIOBJ oldFont = SelectObject(t.dc(), font);
  RECT clipped{0, 0, 3 * a, 200};
  DrawTextA(t.dc(), "aaaaaaa", -1, &clipped, DT_WORDBREAK);  // the word stays whole, cut at the edge
  EXPECT_EQ(Bands(t, {0, 0, 300, 200}).size(), 1u);
  EXPECT_TRUE(Empty(t.Ink({3 * a, 0, 300, 200})));

  Surface u(300, 200);
  SelectObject(u.dc(), font);
  RECT short_{0, 0, 300, lineHeight + lineHeight / 2};
  DrawTextA(u.dc(), "one\r\ntwo", -1, &short_, DT_WORDBREAK | DT_EDITCONTROL);
  EXPECT_EQ(Bands(u, {0, 0, 300, 200}).size(), 1u);
  SelectObject(u.dc(), oldFont);
  SelectObject(t.dc(), oldFont);
}

// A bitmap of 3 x 2 pixels with a colour of its own in every pixel.
HBITMAP Pattern(HDC dc) {
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 3, 2);
  HDC m = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(m, bitmap);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      HBRUSH b = CreateSolidBrush(RGB(10 * x, 100 + y, 200));
      RECT r{x, y, x + 1, y + 1};
      FillRect(m, &r, b);
      DeleteObject(b);
    }
  SelectObject(m, old);
  DeleteDC(m);
  return bitmap;
}

TEST(GdiDib, GetDIBitsGivesRowsInTheOrderTheHeaderAsks) {
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = Pattern(screen);
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  EXPECT_EQ(GetDIBits(screen, bitmap, 0, 2, nullptr, &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(info.bmiHeader.biSizeImage, 24u);  // rows of 9 bytes padded to 12
  uint8_t bits[24];
  ASSERT_EQ(GetDIBits(screen, bitmap, 0, 2, bits, &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(bits[3 * 2 + 1], 101);  // bottom-up: the first row is y = 1
  EXPECT_EQ(bits[3 * 2 + 2], 20);
  info.bmiHeader.biHeight = -2;
  ASSERT_EQ(GetDIBits(screen, bitmap, 0, 2, bits, &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(bits[1], 100);
  EXPECT_EQ(GetDIBits(screen, bitmap, 1, 5, bits, &info, DIB_RGB_COLORS), 1);
  EXPECT_EQ(bits[1], 101);
  info.bmiHeader.biWidth = 4;
  EXPECT_EQ(GetDIBits(screen, bitmap, 0, 2, bits, &info, DIB_RGB_COLORS), 0);
  DeleteObject(bitmap);
  ReleaseDC(nullptr, screen);
}

TEST(GdiDib, StretchDIBitsScalesByNearestNeighbour) {
  // A 2 x 2 bottom-up DIB: bottom row black, white; top row red, blue.
  const uint8_t bits[16] = {0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 255, 0, 0, 0, 0};
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  Surface s(10, 10);
  EXPECT_EQ(StretchDIBits(s.dc(), 1, 1, 4, 4, 0, 0, 2, 2, bits, &info, DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(GetPixel(s.dc(), 1, 1), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(s.dc(), 2, 2), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(s.dc(), 3, 1), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(s.dc(), 1, 3), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(s.dc(), 4, 4), kWhite);
  const RECT ink = s.Ink();
  EXPECT_EQ(ink.left, 1);
  EXPECT_EQ(ink.bottom, 5);
  // ySrc counts from the bottom of a bottom-up DIB: row 0 is the black and white one.
  Surface t(4, 4);
  StretchDIBits(t.dc(), 0, 0, 2, 1, 0, 0, 2, 1, bits, &info, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(GetPixel(t.dc(), 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(StretchDIBits(t.dc(), 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, DIB_RGB_COLORS, 0x00EE0086), 0);

  // An 8-bit DIB takes its colours from its table.
  std::vector<uint8_t> header(sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD));
  auto* eight = reinterpret_cast<BITMAPINFO*>(header.data());
  eight->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 1, 1, 1, 8, BI_RGB, 0, 0, 0, 2, 2};
  eight->bmiColors[0] = RGBQUAD{0, 0, 0, 0};
  reinterpret_cast<RGBQUAD*>(eight->bmiColors)[1] = RGBQUAD{0, 200, 0, 0};
  const uint8_t one[4] = {1, 0, 0, 0};
  StretchDIBits(t.dc(), 3, 3, 1, 1, 0, 0, 1, 1, one, eight, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(GetPixel(t.dc(), 3, 3), RGB(0, 200, 0));

  HDC screen = GetDC(nullptr);  // the screen has no surface, but takes the call
  EXPECT_EQ(StretchDIBits(screen, 0, 0, 2, 2, 0, 0, 2, 2, bits, &info, DIB_RGB_COLORS, SRCCOPY), 2);
  ReleaseDC(nullptr, screen);
}

TEST(GdiPalette, APaletteScreenRealizesColoursIntoTheSystemPalette) {
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, 0);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
  EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 256, nullptr), 0u);
  SetPaletteScreen(TRUE);
  EXPECT_NE(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, 0);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 8);

  LOGPALETTE log{0x300, 1, {{12, 34, 56, 0}}};
  HPALETTE palette = CreatePalette(&log);
  HPALETTE old = SelectPalette(screen, palette, TRUE);
  EXPECT_EQ(old, GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(RealizePalette(screen), 1u);
  EXPECT_EQ(RealizePalette(screen), 0u);  // already there
  PALETTEENTRY entries[256];
  ASSERT_EQ(GetSystemPaletteEntries(screen, 0, 256, entries), 256u);
  bool found = false;
  for (int i = 10; i < 246; ++i) found |= entries[i].peRed == 12 && entries[i].peGreen == 34 && entries[i].peBlue == 56;
  EXPECT_TRUE(found);
  EXPECT_EQ(entries[255].peRed, 255);
  EXPECT_FALSE(DeleteObject(palette));  // still selected
  SelectPalette(screen, old, TRUE);
  EXPECT_TRUE(DeleteObject(palette));

  // 8-bit DIBs of a bitmap: each pixel the nearest system palette entry.
  HBITMAP bitmap = Pattern(screen);
  std::vector<uint8_t> header(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* info = reinterpret_cast<BITMAPINFO*>(header.data());
  info->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 3, 2, 1, 8, BI_RGB, 0, 0, 0, 256, 256};
  uint8_t bits[8];
  ASSERT_EQ(GetDIBits(screen, bitmap, 0, 2, bits, info, DIB_RGB_COLORS), 2);
  const RGBQUAD c = reinterpret_cast<RGBQUAD*>(info->bmiColors)[bits[0]];
  EXPECT_EQ(c.rgbRed, entries[bits[0]].peRed);
  EXPECT_EQ(info->bmiHeader.biSizeImage, 8u);
  DeleteObject(bitmap);
  SetPaletteScreen(FALSE);
  ReleaseDC(nullptr, screen);
}

// Two bitmap resources of this program: a 2 x 1 picture, and one whose bytes
// are no 24-bit DIB.
constexpr std::array<uint8_t, 48> kProbeDib = {40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0,
                                               0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0,
                                               /* blue, then green */ 255, 0, 0, 0, 255, 0, 0, 0};
WINPORT_RESOURCE constexpr auto kProbe = ResourceNote<48>(2, 2052, "PROBE", kProbeDib);
constexpr std::array<uint8_t, 8> kBrokenDib = {40, 0, 0, 0, 2, 0, 0, 0};
WINPORT_RESOURCE constexpr auto kBroken = ResourceNote<8>(2, 2052, "BROKEN", kBrokenDib);

HMODULE ThisProgram() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&ThisProgram), &module);
  return module;
}

TEST(Resources, FoundByTypeNameAndLanguageInTheModuleImage) {
  const HMODULE module = ThisProgram();
  HRSRC probe = FindResourceExA(module, RT_BITMAP, "probe", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(SizeofResource(module, probe), 48u);
  EXPECT_EQ(std::memcmp(LockResource(LoadResource(module, probe)), kProbeDib.data(), 48), 0);
  EXPECT_EQ(FindResourceA(module, "PROBE", RT_BITMAP), probe);
  EXPECT_EQ(FindResourceExA(module, RT_BITMAP, "PROBE", 1033), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND));
  EXPECT_EQ(FindResourceA(module, "ABSENT", RT_BITMAP), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(FindResourceA(module, "PROBE", MAKEINTRESOURCEA(3)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
  HMODULE libc = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&std::memcmp), &libc);
  EXPECT_EQ(FindResourceA(libc, "PROBE", RT_BITMAP), nullptr);  // another module's resources are its own
}

TEST(Resources, LoadBitmapMakesABitmapOfAPackedDib) {
  const DWORD before = LiveObjects();
  HBITMAP bitmap = LoadBitmapA(ThisProgram(), "Probe");
  ASSERT_NE(bitmap, nullptr);
  BITMAP info{};
  ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 2);
  EXPECT_EQ(info.bmHeight, 1);
  HDC m = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(m, bitmap);
  EXPECT_EQ(GetPixel(m, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(m, 1, 0), RGB(0, 255, 0));
  SelectObject(m, old);
  DeleteDC(m);
  DeleteObject(bitmap);

  EXPECT_EQ(LoadBitmapA(ThisProgram(), "BROKEN"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_EQ(LoadBitmapA(ThisProgram(), "SDIAA"), nullptr);
  EXPECT_EQ(LiveObjects(), before);
}

}  // namespace
