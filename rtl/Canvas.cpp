#include "rtl/Canvas.h"

#include "rtl/Exceptions.h"

TCanvas::TCanvas() : FFont(New<TFont>()), FPen(New<TPen>()), FBrush(New<TBrush>()) {
  FFont->OnChange = [this] { FontChanged(); };
  FPen->OnChange = [this] { PenChanged(); };
  FBrush->OnChange = [this] { BrushChanged(); };
}

TCanvas::~TCanvas() {
  SetHandle(nullptr);
  FreeAndNil(FBrush);
  FreeAndNil(FPen);
  FreeAndNil(FFont);
}

HDC TCanvas::Handle() {
  RequiredState(csHandleValid);
  return FHandle;
}

void TCanvas::SetHandle(HDC dc) {
  if (FHandle == dc) return;
  if (FHandle) {
    FontChanged();
    PenChanged();
    BrushChanged();
  }
  FHandle = dc;
  FState = dc ? unsigned{csHandleValid} : 0u;
}

void TCanvas::RequiredState(unsigned required) {
  const unsigned needed = required & ~FState;
  if (!needed) return;
  if (needed & csHandleValid) {
    CreateHandle();
    if (!FHandle) throw EInvalidOperation(SNoCanvasHandle);
  }
  if (needed & csFontValid) {
    SelectObject(FHandle, FFont->Handle());
    SetTextColor(FHandle, FFont->Color());
  }
  if (needed & csPenValid) SelectObject(FHandle, FPen->Handle());
  if (needed & csBrushValid) {
    SelectObject(FHandle, FBrush->Handle());
    SetBkColor(FHandle, FBrush->Color());
    SetBkMode(FHandle, FBrush->Style() == TBrushStyle::bsSolid ? OPAQUE : TRANSPARENT);
  }
  FState |= needed;
}

// A tool that changes is deselected first, so that its old handle can go.
void TCanvas::FontChanged() {
  if (FState & csFontValid) SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
  FState &= ~csFontValid;
}

void TCanvas::PenChanged() {
  if (FState & csPenValid) SelectObject(FHandle, GetStockObject(BLACK_PEN));
  FState &= ~csPenValid;
}

void TCanvas::BrushChanged() {
  if (FState & csBrushValid) SelectObject(FHandle, GetStockObject(WHITE_BRUSH));
  FState &= ~csBrushValid;
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  ::TextOutA(FHandle, x, y, text.data(), static_cast<int>(text.size()));
}

SIZE TCanvas::TextExtent(const std::string& text) {
  RequiredState(csHandleValid | csFontValid);
  SIZE size{0, 0};
  GetTextExtentPoint32A(FHandle, text.data(), static_cast<int>(text.size()), &size);
  return size;
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::Rectangle(FHandle, left, top, right, bottom);
}

void TCanvas::FillRect(const RECT& rect) {
  RequiredState(csHandleValid | csBrushValid);
  ::FillRect(FHandle, &rect, static_cast<HBRUSH>(FBrush->Handle()));
}
