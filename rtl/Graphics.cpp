#include "rtl/Graphics.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "winport/GlobalMemory.h"

TGraphicsObject::~TGraphicsObject() {
  if (FHandle) DeleteObject(FHandle);
}

HGDIOBJ TGraphicsObject::Handle() {
  if (!FHandle) FHandle = CreateHandle();
  return FHandle;
}

void TGraphicsObject::Changed() {
  if (OnChange) OnChange();
  if (FHandle) DeleteObject(std::exchange(FHandle, nullptr));
}

void TFont::SetName(const std::string& name) {
  FName = name;
  Changed();
}

int TFont::Size() const { return -MulDiv(FHeight, 72, kScreenPixelsPerInch); }

void TFont::SetSize(int size) { SetHeight(-MulDiv(size, kScreenPixelsPerInch, 72)); }

void TFont::SetHeight(int height) {
  FHeight = height;
  Changed();
}

void TFont::SetColor(TColor color) {
  FColor = color;
  Changed();
}

HGDIOBJ TFont::CreateHandle() {
  LOGFONTA log{};
  log.lfHeight = FHeight;
  log.lfWeight = 400;
  log.lfCharSet = 1;  // DEFAULT_CHARSET
  std::memcpy(log.lfFaceName, FName.data(), std::min(FName.size(), sizeof log.lfFaceName - 1));
  return CreateFontIndirectA(&log);
}

void TPen::SetColor(TColor color) {
  FColor = color;
  Changed();
}

void TPen::SetWidth(int width) {
  FWidth = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  FStyle = style;
  Changed();
}

HGDIOBJ TPen::CreateHandle() { return CreatePen(FStyle == TPenStyle::psClear ? PS_NULL : PS_SOLID, FWidth, FColor); }

void TBrush::SetColor(TColor color) {
  FColor = color;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  FStyle = style;
  Changed();
}

HGDIOBJ TBrush::CreateHandle() {
  return FStyle == TBrushStyle::bsClear ? GetStockObject(NULL_BRUSH) : CreateSolidBrush(FColor);
}
