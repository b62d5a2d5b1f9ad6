// The class library's canvas: a device context with a font, a pen and a brush
// that it selects into the context as a drawing call needs them. For one
// thread at a time. It owns its font, pen and brush.
#pragma once

#include <string>

#include "rtl/Graphics.h"

class TCanvas : public TObject {
 public:
  TCanvas();
  ~TCanvas() override;

  TFont* Font() { return FFont; }
  TPen* Pen() { return FPen; }
  TBrush* Brush() { return FBrush; }

  // The device context, made when first needed; EInvalidOperation "Canvas does
  // not allow drawing" when the canvas has none. The canvas keeps it.
  HDC Handle();

  // Text from its cell's top-left corner, on the brush's colour unless the
  // brush is clear.
  void TextOut(int x, int y, const std::string& text);
  SIZE TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }
  // The outline in the pen, the inside in the brush.
  void Rectangle(int left, int top, int right, int bottom);
  void FillRect(const RECT& rect);

  // Makes sure the context exists and the tools named are selected into it.
  enum State : unsigned { csHandleValid = 1, csFontValid = 2, csPenValid = 4, csBrushValid = 8 };
  void RequiredState(unsigned required);

 protected:

  // Makes the device context for a canvas that draws on something of its own.
  virtual void CreateHandle() {}
  // Adopts a device context (nil lets it go, with the tools deselected first).
  void SetHandle(HDC dc);

 private:
  void FontChanged();
  void PenChanged();
  void BrushChanged();

  HDC FHandle = nullptr;
  unsigned FState = 0;
  TFont* FFont;
  TPen* FPen;
  TBrush* FBrush;
};
