#include "tests/QuarnCommon/GdiRecorder.h"

#include "rtl/Format.h"
#include "winport/Errors.h"

namespace recorder {

namespace {

bool recording = false;
std::vector<std::string> lines;

void Write(const std::string& line) {
  if (recording) lines.push_back(line);
}

std::string Text(LPCSTR text, int length) { return length < 0 ? std::string(text) : std::string(text, length); }

// The height of the font selected into the context.
LONG FontHeight(HDC dc) {
  LOGFONTA log{};
  GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof log, &log);
  return log.lfHeight;
}

BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
  Write(Format("TextOutA %d,%d %s h=%d", x, y, Text(text, length), FontHeight(dc)));
  return System().TextOutA(dc, x, y, text, length);
}

int WINAPI DrawTextA(HDC dc, LPCSTR text, int length, RECT* rect, UINT format) {
  Write(Format("DrawTextA %s %d,%d,%d,%d 0x%X", Text(text, length), rect->left, rect->top, rect->right, rect->bottom,
               format));
  return System().DrawTextA(dc, text, length, rect, format);
}

int WINAPI StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                         int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                         DWORD rop) {
  Write(Format("StretchDIBits %d,%d,%d,%d from %d,%d,%d,%d bpp=%d", xDest, yDest, destWidth, destHeight, xSrc, ySrc,
               srcWidth, srcHeight, info->bmiHeader.biBitCount));
  return System().StretchDIBits(dc, xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth, srcHeight, bits, info,
                                usage, rop);
}

int WINAPI GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT count, void* bits, BITMAPINFO* info, UINT usage) {
  Write(Format("GetDIBits %s bpp=%d", bits ? "bits" : "header", info->bmiHeader.biBitCount));
  return System().GetDIBits(dc, bitmap, start, count, bits, info, usage);
}

HBITMAP WINAPI LoadBitmapA(HINSTANCE instance, LPCSTR name) {
  Write(Format("LoadBitmapA %s", name));
  if (FailLoadBitmap) {
    SetLastError(1814);  // ERROR_RESOURCE_NAME_NOT_FOUND
    return nullptr;
  }
  return System().LoadBitmapA(instance, name);
}

HPALETTE WINAPI SelectPalette(HDC dc, HPALETTE palette, BOOL background) {
  Write(Format("SelectPalette background=%d", background));
  return System().SelectPalette(dc, palette, background);
}

UINT WINAPI RealizePalette(HDC dc) {
  Write("RealizePalette");
  return System().RealizePalette(dc);
}

UINT WINAPI GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries) {
  Write(Format("GetSystemPaletteEntries %u,%u", start, count));
  return System().GetSystemPaletteEntries(dc, start, count, entries);
}

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T size) {
  Write(Format("GlobalAlloc 0x%X %zu", flags, static_cast<size_t>(size)));
  return System().GlobalAlloc(flags, size);
}

BOOL WINAPI GetVersionExA(OSVERSIONINFOA* info) {
  Write("GetVersionExA");
  return System().GetVersionExA(info);
}

UINT WINAPI RegisterWindowMessageA(LPCSTR name) {
  Write(Format("RegisterWindowMessageA %s", name));
  return System().RegisterWindowMessageA(name);
}

ATOM WINAPI GlobalAddAtomA(LPCSTR name) {
  Write(Format("GlobalAddAtomA %s", name));
  return System().GlobalAddAtomA(name);
}

ATOM WINAPI GlobalDeleteAtom(ATOM atom) {
  char name[256] = "";
  GlobalGetAtomNameA(atom, name, sizeof name);
  Write(Format("GlobalDeleteAtom %s", name));
  return System().GlobalDeleteAtom(atom);
}

}  // namespace

const Calls Recording = {TextOutA,       DrawTextA,      StretchDIBits,           GetDIBits,    LoadBitmapA,
                         SelectPalette,  RealizePalette, GetSystemPaletteEntries, GlobalAlloc,  GetVersionExA,
                         RegisterWindowMessageA, GlobalAddAtomA, GlobalDeleteAtom};

bool FailLoadBitmap = false;

void Start() {
  lines.clear();
  recording = true;
}

std::vector<std::string> Stop() {
  recording = false;
  return std::move(lines);
}

std::vector<std::string> Only(const std::vector<std::string>& calls, const std::string& name) {
  std::vector<std::string> found;
  for (const std::string& call : calls)
    if (call.compare(0, name.size() + 1, name + " ") == 0 || call == name) found.push_back(call);
  return found;
}

}  // namespace recorder
