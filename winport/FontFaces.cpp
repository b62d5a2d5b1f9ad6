#include "winport/FontFaces.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

// Larger sizes are drawn at this one, so that a glyph's picture stays small.
constexpr int kMaxPixelsPerEm = 1024;
constexpr const char* kFontFolders[] = {"/usr/share/fonts", "/usr/local/share/fonts"};
// The default face, then the faces that stand in for characters a face lacks:
// Latin, Greek and Cyrillic, then Chinese.
constexpr const char* kFallbackFamilies[] = {"DejaVu Sans", "WenQuanYi Micro Hei"};

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

struct InstalledFace {
  std::string Path;
  long Index;
  int Preference;  // higher for the plain style of a family
};

// Every installed face by lower-case family name, and the faces opened so far.
// Kept for the process's life: font objects may outlive any owner.
struct Catalogue {
  FT_Library Library = nullptr;
  std::multimap<std::string, InstalledFace> Families;
  std::map<std::pair<std::string, long>, FT_Face> Opened;
  std::map<std::pair<std::string, LONG>, std::shared_ptr<const FontInstance>> Instances;

  Catalogue() {
    if (FT_Init_FreeType(&Library) != 0) {
      Library = nullptr;
      return;
    }
    for (const char* folder : kFontFolders) Scan(folder);
  }

  void Scan(const char* folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
      const std::string ext = Lower(it->path().extension().string());
      if (ext != ".ttf" && ext != ".ttc" && ext != ".otf" && ext != ".otc") continue;
      Add(it->path().string());
    }
  }

  void Add(const std::string& path) {
    FT_Face face;
    if (FT_New_Face(Library, path.c_str(), -1, &face) != 0) return;
    const long count = face->num_faces;
    FT_Done_Face(face);
    for (long i = 0; i < count; ++i) {
      if (FT_New_Face(Library, path.c_str(), i, &face) != 0) continue;
      if (face->family_name && (face->face_flags & FT_FACE_FLAG_SCALABLE)) {
        const std::string style = Lower(face->style_name ? face->style_name : "");
        const bool plainName = style == "regular" || style == "book" || style == "normal" || style == "roman";
        const int preference = (face->style_flags == 0) + plainName;
        Families.emplace(Lower(face->family_name), InstalledFace{path, i, preference});
      }
      FT_Done_Face(face);
    }
  }

  FT_Face Open(const std::string& family) {
    auto [first, last] = Families.equal_range(Lower(family));
    if (first == last) return nullptr;
    auto best = std::max_element(first, last, [](const auto& a, const auto& b) {
      return a.second.Preference < b.second.Preference;
    });
    auto key = std::make_pair(best->second.Path, best->second.Index);
    auto it = Opened.find(key);
    if (it != Opened.end()) return it->second;
    FT_Face face = nullptr;
    if (FT_New_Face(Library, key.first.c_str(), key.second, &face) != 0) face = nullptr;
    Opened.emplace(key, face);
    return face;
  }
};

Catalogue& TheCatalogue() {
  static auto* catalogue = new Catalogue;
  return *catalogue;
}

int Round(double v) { return static_cast<int>(std::lround(v)); }

// The vertical extent that Windows gives a face: its OS/2 Windows metrics
// where it has them, in font units.
std::pair<int, int> CellOf(FT_Face face) {
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)); os2 && os2->usWinAscent)
    return {os2->usWinAscent, os2->usWinDescent};
  return {face->ascender, -face->descender};
}

}  // namespace

struct FontFaceSet {
  std::vector<FT_Face> Faces;  // the face asked for first
};

FontInstance::FontInstance(std::shared_ptr<FontFaceSet> faces, int pixelsPerEm)
    : FFaces(std::move(faces)), FPixelsPerEm(pixelsPerEm) {
  if (FFaces->Faces.empty()) return;
  FT_Face primary = FFaces->Faces.front();
  const auto [ascent, descent] = CellOf(primary);
  FAscent = Round(static_cast<double>(ascent) * pixelsPerEm / primary->units_per_EM);
  FDescent = Round(static_cast<double>(descent) * pixelsPerEm / primary->units_per_EM);
}

const GlyphImage& FontInstance::Glyph(char32_t c) const {
  auto it = FGlyphs.find(c);
  if (it != FGlyphs.end()) return it->second;
  GlyphImage& image = FGlyphs[c];
  if (FFaces->Faces.empty()) return image;
  FT_Face face = FFaces->Faces.front();
  FT_UInt index = 0;
  for (FT_Face candidate : FFaces->Faces)
    if ((index = FT_Get_Char_Index(candidate, c)) != 0) {
      face = candidate;
      break;
    }
  if (FT_Set_Pixel_Sizes(face, 0, FPixelsPerEm) != 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) return image;
  const FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bm = slot->bitmap;
  image.Advance = static_cast<int>((slot->advance.x + 32) >> 6);
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.pixel_mode != FT_PIXEL_MODE_MONO) return image;
  image.Left = slot->bitmap_left;
  image.Top = slot->bitmap_top;
  image.Width = static_cast<int>(bm.width);
  image.Height = static_cast<int>(bm.rows);
  image.Coverage.resize(static_cast<size_t>(image.Width) * image.Height);
  for (int y = 0; y < image.Height; ++y) {
    const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
    for (int x = 0; x < image.Width; ++x)
      image.Coverage[static_cast<size_t>(y) * image.Width + x] =
          bm.pixel_mode == FT_PIXEL_MODE_GRAY ? row[x] : ((row[x >> 3] >> (7 - (x & 7))) & 1) * 255;
  }
  return image;
}

std::shared_ptr<const FontInstance> OpenFontInstance(const std::string& family, LONG height) {
  Catalogue& catalogue = TheCatalogue();
  auto key = std::make_pair(Lower(family), height);
  auto it = catalogue.Instances.find(key);
  if (it != catalogue.Instances.end()) return it->second;

  auto faces = std::make_shared<FontFaceSet>();
  auto add = [&](FT_Face face) {
    if (face && std::find(faces->Faces.begin(), faces->Faces.end(), face) == faces->Faces.end())
      faces->Faces.push_back(face);
  };
  if (catalogue.Library) {
    if (!family.empty()) add(catalogue.Open(family));
    for (const char* fallback : kFallbackFamilies) add(catalogue.Open(fallback));
  }
  double pixelsPerEm = 12;
  if (height < 0) {
    pixelsPerEm = -static_cast<double>(height);
  } else if (height > 0 && !faces->Faces.empty()) {
    FT_Face primary = faces->Faces.front();
    const auto [ascent, descent] = CellOf(primary);
    pixelsPerEm = static_cast<double>(height) * primary->units_per_EM / std::max(ascent + descent, 1);
  }
  auto instance = std::make_shared<const FontInstance>(
      std::move(faces), static_cast<int>(std::clamp(std::round(pixelsPerEm), 1.0, double{kMaxPixelsPerEm})));
  catalogue.Instances.emplace(key, instance);
  return instance;
}
