// The recorder in place on POSIX: this program defines winport's calls under
// their own names and exports them, so that the dynamic linker binds every
// module's calls to them, the Tarvik library's loaded at run time too. Each
// goes on to winport's own: the next definition of its (mangled) name.
#include <dlfcn.h>

#include "tests/QuarnCommon/GdiRecorder.h"

namespace {

template <class F>
F Next(F self) {
  Dl_info info{};
  dladdr(reinterpret_cast<void*>(self), &info);
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, info.dli_sname));
}

}  // namespace

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
  return recorder::Recording.TextOutA(dc, x, y, text, length);
}
int DrawTextA(HDC dc, LPCSTR text, int length, RECT* rect, UINT format) {
  return recorder::Recording.DrawTextA(dc, text, length, rect, format);
}
int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  return recorder::Recording.StretchDIBits(dc, xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth, srcHeight,
                                           bits, info, usage, rop);
}
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage) {
  return recorder::Recording.GetDIBits(dc, bitmap, start, lines, bits, info, usage);
}
HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) { return recorder::Recording.LoadBitmapA(instance, name); }
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background) {
  return recorder::Recording.SelectPalette(dc, palette, background);
}
UINT RealizePalette(HDC dc) { return recorder::Recording.RealizePalette(dc); }
UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries) {
  return recorder::Recording.GetSystemPaletteEntries(dc, start, count, entries);
}
HGLOBAL GlobalAlloc(UINT flags, SIZE_T size) { return recorder::Recording.GlobalAlloc(flags, size); }
BOOL GetVersionExA(OSVERSIONINFOA* info) { return recorder::Recording.GetVersionExA(info); }
UINT RegisterWindowMessageA(LPCSTR name) { return recorder::Recording.RegisterWindowMessageA(name); }
ATOM GlobalAddAtomA(LPCSTR name) { return recorder::Recording.GlobalAddAtomA(name); }
ATOM GlobalDeleteAtom(ATOM atom) { return recorder::Recording.GlobalDeleteAtom(atom); }

const recorder::Calls& recorder::System() {
  static const Calls calls = {Next(&::TextOutA),      Next(&::DrawTextA),      Next(&::StretchDIBits),
                              Next(&::GetDIBits),     Next(&::LoadBitmapA),    Next(&::SelectPalette),
                              Next(&::RealizePalette), Next(&::GetSystemPaletteEntries), Next(&::GlobalAlloc),
                              Next(&::GetVersionExA), Next(&::RegisterWindowMessageA), Next(&::GlobalAddAtomA),
                              Next(&::GlobalDeleteAtom)};
  return calls;
}
