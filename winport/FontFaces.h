// The fonts of winport's GDI: faces installed under the machine's font folders
// (/usr/share/fonts, /usr/local/share/fonts), found by family name and
// rendered by FreeType; no font service or desktop is needed. Called only
// under the GDI lock.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "winport/WinTypes.h"

// One character's picture at one size: coverage 0-255, Width x Height, its
// top-left corner Left pixels right of the pen and Top pixels above the baseline.
struct GlyphImage {
  int Advance = 0;
  int Left = 0, Top = 0, Width = 0, Height = 0;
  std::vector<uint8_t> Coverage;
};

struct FontFaceSet;

// A font at one pixel size: the face asked for and the faces that stand in for
// characters it lacks. Shared by every font object of the same name and size.
class FontInstance {
 public:
  FontInstance(std::shared_ptr<FontFaceSet> faces, int pixelsPerEm);

  int Ascent() const { return FAscent; }
  int Descent() const { return FDescent; }
  // Kept for the instance's life.
  const GlyphImage& Glyph(char32_t c) const;

 private:
  std::shared_ptr<FontFaceSet> FFaces;
  int FPixelsPerEm;
  int FAscent = 0, FDescent = 0;
  mutable std::map<char32_t, GlyphImage> FGlyphs;
};

// The instance of a family (UTF-8; an empty or unknown name gives the default
// face) at a LOGFONT height: negative for the em height in pixels, positive
// for the cell height, 0 for 12 pixels; at most 1024 pixels to the em.
std::shared_ptr<const FontInstance> OpenFontInstance(const std::string& family, LONG height);
