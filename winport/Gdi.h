// The GDI subset of the drawing units, with real pixels: memory device
// contexts over 24-bit device-independent bitmaps, fonts rendered by FreeType
// from the fonts installed on the machine, palettes and a screen that has no
// surface of its own. Handles are process-wide; one thread at a time may draw
// into a device context, while every call is safe to make from any thread.
#pragma once

#include <cstdint>

#include "winport/Module.h"
#include "winport/WindowClass.h"

#ifndef _WIN32

using HGDIOBJ = void*;
using HDC = void*;
using HBITMAP = void*;
using HFONT = void*;
using HPEN = void*;
using HPALETTE = void*;
using COLORREF = DWORD;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) { return r | (g << 8) | (static_cast<DWORD>(b) << 16); }
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>(c >> 8); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>(c >> 16); }
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

struct RECT {
  LONG left, top, right, bottom;
};
struct SIZE {
  LONG cx, cy;
};

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;
};

#pragma pack(push, 2)
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // positive: rows bottom-up; negative: top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
  BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];  // as many as the header says
};

struct PALETTEENTRY {
  BYTE peRed, peGreen, peBlue, peFlags;
};
struct LOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];  // palNumEntries of them
};

constexpr int LF_FACESIZE = 32;
struct LOGFONTA {
  LONG lfHeight;  // negative: the em height in pixels; positive: the cell height
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  char lfFaceName[LF_FACESIZE];  // GBK
};

constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr UINT OBJ_PEN = 1;
constexpr UINT OBJ_BRUSH = 2;
constexpr UINT OBJ_PAL = 5;
constexpr UINT OBJ_FONT = 6;
constexpr UINT OBJ_BITMAP = 7;

constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int SYSTEM_FONT = 13;
constexpr int DEFAULT_PALETTE = 15;

constexpr int PS_SOLID = 0;
constexpr int PS_NULL = 5;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int SIZEPALETTE = 104;
constexpr int RC_BITBLT = 0x0001;
constexpr int RC_PALETTE = 0x0100;
constexpr int RC_DI_BITMAP = 0x0080;
constexpr int RC_STRETCHDIB = 0x2000;

constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr UINT DT_EDITCONTROL = 0x2000;

constexpr DWORD GR_GDIOBJECTS = 0;
constexpr LONG ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr LONG ERROR_BUSY = 170;

// Device contexts. GetDC(nil) gives a context of the screen, which reports the
// screen's capabilities and has no surface: drawing into it changes nothing.
// A memory context starts with a 1 x 1 bitmap, the system font, a black pen,
// a white brush and the default palette selected.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);

// Selecting answers the object of that kind that was selected before (a
// palette is selected with SelectPalette). A bitmap can be selected into one
// context at a time. nil with ERROR_INVALID_HANDLE for a bad handle.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Refuses (FALSE, ERROR_BUSY) an object still selected into a context. Stock
// objects are never deleted, and deleting one succeeds.
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int kind);
// A BITMAP for a bitmap, a LOGFONTA for a font; answers the bytes written.
int GetObjectA(HGDIOBJ object, int size, void* buffer);
// The object of that kind (OBJ_*) selected into the context.
HGDIOBJ GetCurrentObject(HDC dc, UINT kind);

// With GR_GDIOBJECTS: the number of GDI objects the process holds (contexts
// included, stock objects not). The process is always the current one.
HANDLE GetCurrentProcess();
DWORD GetGuiResources(HANDLE process, DWORD flags);

// Every context reports the screen: 96 pixels per inch, 1024 x 768, and by
// default 24 bits per pixel without a palette. SetPaletteScreen(TRUE), which
// only winport has, turns the screen into an 8-bit palette device (RC_PALETTE,
// 256 palette entries) so that code for such screens can be tested.
int GetDeviceCaps(HDC dc, int index);
void SetPaletteScreen(BOOL palette);

COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF SetBkColor(HDC dc, COLORREF color);
int SetBkMode(HDC dc, int mode);

HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
// Fills [left, right) x [top, bottom) with the brush.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
// The outline in the selected pen, width pixels thick inside the rectangle,
// and the inside in the selected brush.
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
COLORREF GetPixel(HDC dc, int x, int y);

// Bitmaps are 24 bits per pixel. A DIB section's bits are the bitmap's own
// pixels, in the row order its header asks for, each row padded to 4 bytes.
// 0 with ERROR_NOT_ENOUGH_MEMORY for a size that cannot be had.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
// Reads the bitmap as a DIB of the header's width, height and depth (24 bits,
// or 8 bits with the system palette as colour table and each pixel its nearest
// entry). Without bits it only fills in biSizeImage. Answers the rows copied.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
// Copies a source area of a 24- or 8-bit DIB onto a destination area of the
// context's bitmap, nearest neighbour. Only SRCCOPY; answers the source rows.
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
// A new bitmap from the module's RT_BITMAP resource of that name, a packed
// 24-bit DIB. 0 with the resource error, or ERROR_INVALID_DATA when its bytes
// are no such DIB.
HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);

// Palettes. The system palette has 256 entries, the 20 static colours at 0-9
// and 246-255; realizing a palette puts those of its colours that the system
// palette lacks into the free entries, as far as they go.
HPALETTE CreatePalette(const LOGPALETTE* palette);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC dc);
UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries);

// Fonts: the face of lfFaceName when one is installed, otherwise DejaVu Sans;
// characters that face lacks come from the next face that has them (DejaVu
// Sans, then WenQuanYi Micro Hei). Weight, italics and width are not rendered.
HFONT CreateFontIndirectA(const LOGFONTA* font);

// Text is GBK. A length of -1 means up to the NUL. TextOutA writes from the
// top-left corner of the text's cell; in OPAQUE mode the cell is filled with
// the background colour first.
BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length);
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, SIZE* size);
// Writes the text inside the rectangle, clipped to it, one line below the
// other from its top; answers the height of the lines. CR LF, CR and LF end a
// line. DT_WORDBREAK breaks lines between words and around double-byte
// characters where the next would cross the right edge, dropping the spaces
// at the break; DT_EDITCONTROL also breaks a word that is wider than the
// rectangle and leaves out a line that would be cut by the bottom edge. Lines
// stand at the left, or at the right with DT_RIGHT. "&" is always plain text.
int DrawTextA(HDC dc, LPCSTR text, int length, RECT* rect, UINT format);
#endif
