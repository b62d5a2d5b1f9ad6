#include "tests/QuarnCommon/GdiRecorder.h"

#include <dlfcn.h>

#include <cstdio>

#include "rtl/Format.h"
#include "winport/Atoms.h"
#include "winport/Errors.h"
#include "winport/Gdi.h"
#include "winport/GlobalMemory.h"
#include "winport/Version.h"
#include "winport/WindowMessage.h"

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

}  // namespace

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

using recorder::Write;

// winport's definition of a call that this program also defines, found by
// the (mangled) name of the program's own.
template <class F>
F Next(F self) {
  Dl_info info{};
  dladdr(reinterpret_cast<void*>(self), &info);
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, info.dli_sname));
}
#define REAL(name) static const auto real = Next(&name)

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
  REAL(TextOutA);
  Write(Format("TextOutA %d,%d %s h=%d", x, y, recorder::Text(text, length), recorder::FontHeight(dc)));
  return real(dc, x, y, text, length);
}

int DrawTextA(HDC dc, LPCSTR text, int length, RECT* rect, UINT format) {
  REAL(DrawTextA);
  Write(Format("DrawTextA %s %d,%d,%d,%d 0x%X", recorder::Text(text, length), rect->left, rect->top, rect->right,
               rect->bottom, format));
  return real(dc, text, length, rect, format);
}

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  REAL(StretchDIBits);
  Write(Format("StretchDIBits %d,%d,%d,%d from %d,%d,%d,%d bpp=%d", xDest, yDest, destWidth, destHeight, xSrc, ySrc,
               srcWidth, srcHeight, info->bmiHeader.biBitCount));
  return real(dc, xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth, srcHeight, bits, info, usage, rop);
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage) {
  REAL(GetDIBits);
  Write(Format("GetDIBits %s bpp=%d", bits ? "bits" : "header", info->bmiHeader.biBitCount));
  return real(dc, bitmap, start, lines, bits, info, usage);
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) {
  REAL(LoadBitmapA);
  Write(Format("LoadBitmapA %s", name));
  if (recorder::FailLoadBitmap) {
    SetLastError(1814);
    return nullptr;
  }
  return real(instance, name);
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background) {
  REAL(SelectPalette);
  Write(Format("SelectPalette background=%d", background));
  return real(dc, palette, background);
}

UINT RealizePalette(HDC dc) {
  REAL(RealizePalette);
  Write("RealizePalette");
  return real(dc);
}

UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries) {
  REAL(GetSystemPaletteEntries);
  Write(Format("GetSystemPaletteEntries %u,%u", start, count));
  return real(dc, start, count, entries);
}

HGLOBAL GlobalAlloc(UINT flags, size_t size) {
  REAL(GlobalAlloc);
  Write(Format("GlobalAlloc 0x%X %zu", flags, size));
  return real(flags, size);
}

BOOL GetVersionExA(OSVERSIONINFOA* info) {
  REAL(GetVersionExA);
  Write("GetVersionExA");
  return real(info);
}

UINT RegisterWindowMessageA(LPCSTR name) {
  REAL(RegisterWindowMessageA);
  Write(Format("RegisterWindowMessageA %s", name));
  return real(name);
}

ATOM GlobalAddAtomA(LPCSTR name) {
  REAL(GlobalAddAtomA);
  Write(Format("GlobalAddAtomA %s", name));
  return real(name);
}

ATOM GlobalDeleteAtom(ATOM atom) {
  REAL(GlobalDeleteAtom);
  char name[256] = "";
  GlobalGetAtomNameA(atom, name, sizeof name);
  Write(Format("GlobalDeleteAtom %s", name));
  return real(atom);
}
