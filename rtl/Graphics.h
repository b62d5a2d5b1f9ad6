// The class library's drawing tools: fonts, pens and brushes. Each makes its
// GDI object when first asked for its handle and deletes it when it changes
// or is freed. Owned by a canvas; for the canvas's thread.
#pragma once

#include <functional>
#include <string>

#include "rtl/Object.h"
#include "winport/Gdi.h"

using TColor = COLORREF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;

// Sizes in points are taken at the screen's 96 pixels per inch.
constexpr int kScreenPixelsPerInch = 96;

class TGraphicsObject : public TObject {
 public:
  ~TGraphicsObject() override;

  // Called before the object's handle goes away, so that a canvas can
  // deselect it first.
  std::function<void()> OnChange;

  // The GDI object; the tool keeps it, and the caller must not delete it.
  HGDIOBJ Handle();

 protected:
  virtual HGDIOBJ CreateHandle() = 0;
  // Tells the owner, then drops the handle made for the old properties.
  void Changed();

 private:
  HGDIOBJ FHandle = nullptr;
};

// Starts as 宋体 at 9 points, black.
class TFont : public TGraphicsObject {
 public:
  const std::string& Name() const { return FName; }
  void SetName(const std::string& name);
  // Points; the height in pixels is -Size * 96 / 72, rounded.
  int Size() const;
  void SetSize(int size);
  int Height() const { return FHeight; }
  void SetHeight(int height);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);

 protected:
  HGDIOBJ CreateHandle() override;

 private:
  std::string FName = "宋体";
  int FHeight = -12;
  TColor FColor = clBlack;
};

enum class TPenStyle { psSolid, psClear };

// Starts solid, black, one pixel wide.
class TPen : public TGraphicsObject {
 public:
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  int Width() const { return FWidth; }
  void SetWidth(int width);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle style);

 protected:
  HGDIOBJ CreateHandle() override;

 private:
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = TPenStyle::psSolid;
};

enum class TBrushStyle { bsSolid, bsClear };

// Starts solid white. A clear brush fills nothing and writes text without a
// background.
class TBrush : public TGraphicsObject {
 public:
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle style);

 protected:
  HGDIOBJ CreateHandle() override;

 private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = TBrushStyle::bsSolid;
};
