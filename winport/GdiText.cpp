// Fonts and text: writing, measuring and laying text out in a rectangle.
#include <algorithm>
#include <cstring>

#include "winport/Codepage.h"
#include "winport/Errors.h"
#include "winport/GdiObjects.h"

using namespace gdi;

namespace {

std::string_view TextOf(LPCSTR text, int length) {
  if (!text) return {};
  return length < 0 ? std::string_view(text) : std::string_view(text, static_cast<size_t>(length));
}

const FontInstance& InstanceOf(Font* font) {
  if (!font->Instance) {
    const size_t n = strnlen(font->Log.lfFaceName, LF_FACESIZE);
    font->Instance = OpenFontInstance(GbkToUtf8(std::string_view(font->Log.lfFaceName, n)), font->Log.lfHeight);
  }
  return *font->Instance;
}

int WidthOf(const FontInstance& font, std::u32string_view text) {
  int width = 0;
  for (char32_t c : text) width += font.Glyph(c).Advance;
  return width;
}

void Blend(uint8_t* p, COLORREF color, int coverage) {
  const int channel[3] = {GetBValue(color), GetGValue(color), GetRValue(color)};
  for (int i = 0; i < 3; ++i) p[i] = static_cast<uint8_t>(p[i] + (channel[i] - p[i]) * coverage / 255);
}

// Writes text with its cell's top-left corner at (x, y), inside clip.
void Write(Context* dc, int x, int y, std::u32string_view text, const RECT& clip) {
  Bitmap* target = dc->Target();
  if (!target) return;
  const FontInstance& font = InstanceOf(dc->TheFont);
  if (dc->BkMode == OPAQUE)
    Fill(target, {x, y, x + WidthOf(font, text), y + font.Ascent() + font.Descent()}, clip, dc->BkColor);
  const RECT whole = WholeOf(target);
  const int left = std::max(clip.left, whole.left), right = std::min(clip.right, whole.right);
  const int top = std::max(clip.top, whole.top), bottom = std::min(clip.bottom, whole.bottom);
  const int baseline = y + font.Ascent();
  for (char32_t c : text) {
    const GlyphImage& g = font.Glyph(c);
    for (int gy = 0; gy < g.Height; ++gy) {
      const int py = baseline - g.Top + gy;
      if (py < top || py >= bottom) continue;
      for (int gx = 0; gx < g.Width; ++gx) {
        const int px = x + g.Left + gx;
        const int coverage = g.Coverage[static_cast<size_t>(gy) * g.Width + gx];
        if (px >= left && px < right && coverage) Blend(target->Pixel(px, py), dc->TextColor, coverage);
      }
    }
    x += g.Advance;
  }
}

// Double-byte characters stand alone: a line may break before and after each.
bool StandsAlone(char32_t c) { return c >= 0x80; }

// The lines of one paragraph (text without line ends) at most maxWidth wide.
void BreakParagraph(const FontInstance& font, std::u32string_view text, int maxWidth, bool breakWords,
                    std::vector<std::u32string>& lines) {
  std::u32string line;
  int width = 0;  // of line, trailing spaces included
  auto emit = [&] {
    line.erase(line.find_last_not_of(U' ') + 1);
    lines.push_back(std::move(line));
    line.clear();
    width = 0;
  };
  bool wrapped = false;
  size_t i = 0;
  while (i < text.size()) {
    // The next piece: a run of spaces, one double-byte character, or a word.
    size_t end = i + 1;
    if (text[i] == U' ')
      while (end < text.size() && text[end] == U' ') ++end;
    else if (!StandsAlone(text[i]))
      while (end < text.size() && text[end] != U' ' && !StandsAlone(text[end])) ++end;
    std::u32string_view piece = text.substr(i, end - i);
    i = end;
    const int pieceWidth = WidthOf(font, piece);
    if (piece[0] == U' ') {
      if (!wrapped || !line.empty()) line += piece, width += pieceWidth;
      continue;
    }
    if (!line.empty() && width + pieceWidth > maxWidth) {
      emit();
      wrapped = true;
    }
    if (line.empty() && breakWords && pieceWidth > maxWidth) {
      // A word wider than the rectangle is cut where it crosses the edge, one character at least per line.
      for (char32_t c : piece) {
        const int w = font.Glyph(c).Advance;
        if (!line.empty() && width + w > maxWidth) {
          emit();
          wrapped = true;
        }
        line += c, width += w;
      }
      continue;
    }
    line += piece;
    width += pieceWidth;
  }
  emit();
}

}  // namespace

HFONT CreateFontIndirectA(const LOGFONTA* log) {
  if (!log) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto font = std::make_unique<Font>();
  font->Log = *log;
  std::lock_guard<std::mutex> guard(Lock());
  return Register(std::move(font));
}

BOOL TextOutA(HDC handle, int x, int y, LPCSTR text, int length) {
  std::lock_guard<std::mutex> guard(Lock());
  Context* dc = Find<Context>(handle, Kind::Context);
  if (!dc) return FALSE;
  if (dc->Target()) Write(dc, x, y, GbkToUtf32(TextOf(text, length)), WholeOf(dc->Target()));
  return TRUE;
}

BOOL GetTextExtentPoint32A(HDC handle, LPCSTR text, int length, SIZE* size) {
  std::lock_guard<std::mutex> guard(Lock());
  Context* dc = Find<Context>(handle, Kind::Context);
  if (!dc || !size) return FALSE;
  const FontInstance& font = InstanceOf(dc->TheFont);
  *size = SIZE{WidthOf(font, GbkToUtf32(TextOf(text, length))), font.Ascent() + font.Descent()};
  return TRUE;
}

int DrawTextA(HDC handle, LPCSTR text, int length, RECT* rect, UINT format) {
  std::lock_guard<std::mutex> guard(Lock());
  Context* dc = Find<Context>(handle, Kind::Context);
  if (!dc || !rect) return 0;
  const FontInstance& font = InstanceOf(dc->TheFont);
  const std::u32string chars = GbkToUtf32(TextOf(text, length));
  std::vector<std::u32string> lines;
  for (size_t i = 0;;) {
    size_t end = std::min(chars.find_first_of(U"\r\n", i), chars.size());
    std::u32string_view paragraph = std::u32string_view(chars).substr(i, end - i);
    if (format & DT_WORDBREAK)
      BreakParagraph(font, paragraph, rect->right - rect->left, format & DT_EDITCONTROL, lines);
    else
      lines.emplace_back(paragraph);
    if (end == chars.size()) break;
    i = end + (chars[end] == U'\r' && end + 1 < chars.size() && chars[end + 1] == U'\n' ? 2 : 1);
  }
  const int lineHeight = font.Ascent() + font.Descent();
  int y = rect->top;
  for (const std::u32string& line : lines) {
    if ((format & DT_EDITCONTROL) && y + lineHeight > rect->bottom) break;
    const int x = (format & DT_RIGHT) ? rect->right - WidthOf(font, line) : rect->left;
    Write(dc, x, y, line, *rect);
    y += lineHeight;
  }
  return lineHeight * static_cast<int>(lines.size());
}
