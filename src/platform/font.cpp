// Fonts on fontconfig and FreeType: face lookup by family name, cell-height sizing from
// the face's Windows metrics, monochrome glyphs cached per 8-bit character and drawn
// into surfaces in batches of points.
#include "platform/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "gfx/surface.h"

namespace zt {

namespace {

constexpr int ConsoleCell = 16;
constexpr int DefaultHeight = 16;  // what a height of 0 asks for
constexpr int MaxHeight = 1024;    // glyphs are cached as bitmaps: taller text is drawn at this height
constexpr const char* ConsoleFamily = "Unifont";
constexpr int64_t FarAway = int64_t(1) << 24;  // far beyond any surface, well inside int
constexpr FT_Fixed ItalicShear = 0x3333;  // 0.2: the slant of synthetic italics

// Windows-1252 characters 128 to 159 as Unicode; the others map to themselves.
constexpr std::array<uint16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t codePoint(unsigned char c) { return c >= 128 && c < 160 ? Cp1252High[c - 128] : c; }

bool isSystemName(std::string_view face) {
  constexpr std::string_view System = "system";
  return face.size() == System.size() &&
         std::equal(face.begin(), face.end(), System.begin(), [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

struct Glyph {
  bool loaded = false;
  int left = 0, top = 0, width = 0, rows = 0, advance = 0;
  std::vector<uint8_t> bits;  // rows of `(width + 7) / 8` bytes, most significant bit first
};

class FreeTypeFont final : public Font {
 public:
  FreeTypeFont(FT_Face f, int cell, int ascentPixels, bool synthBold) : face(f), cellHeight(cell), ascent(ascentPixels), embolden(synthBold) {}
  ~FreeTypeFont() override { FT_Done_Face(face); }

  TextExtent measure(std::string_view text) override {
    int width = 0;
    for (char c : text) width += glyph(uchar(c)).advance;
    return {width, cellHeight};
  }

  void draw(Surface& s, int x, int y, std::string_view text, uint32_t ink, uint32_t background, bool opaque) override {
    if (std::abs(int64_t(x)) > FarAway || std::abs(int64_t(y)) > FarAway) return;  // cannot reach any surface
    if (opaque) fillRect(s, {x, y, x + measure(text).width, y + cellHeight}, background);
    constexpr size_t Batch = 512;
    int32_t points[2 * Batch];
    size_t count = 0;
    int pen = x;
    const int baseline = y + ascent;
    for (char c : text) {
      const Glyph& g = glyph(uchar(c));
      const int stride = (g.width + 7) / 8;
      for (int row = 0; row < g.rows; ++row) {
        const uint8_t* bits = g.bits.data() + size_t(row) * size_t(stride);
        for (int col = 0; col < g.width; ++col) {
          if (!(bits[col >> 3] & (0x80 >> (col & 7)))) continue;
          points[2 * count] = pen + g.left + col;
          points[2 * count + 1] = baseline - g.top + row;
          if (++count == Batch) {
            plotPixels(s, points, count, ink);
            count = 0;
          }
        }
      }
      pen += g.advance;
    }
    plotPixels(s, points, count, ink);
  }

 private:
  FT_Face face;
  int cellHeight;
  int ascent;
  bool embolden;
  std::array<Glyph, 256> glyphs;

  static unsigned char uchar(char c) { return static_cast<unsigned char>(c); }

  const Glyph& glyph(unsigned char c) {
    Glyph& g = glyphs[c];
    if (g.loaded) return g;
    g.loaded = true;
    if (FT_Load_Char(face, codePoint(c), FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) != 0) return g;
    if (embolden) FT_GlyphSlot_Embolden(face->glyph);
    if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0) return g;
    const FT_Bitmap& b = face->glyph->bitmap;
    g.advance = int((face->glyph->advance.x + 32) >> 6);
    g.left = face->glyph->bitmap_left;
    g.top = face->glyph->bitmap_top;
    g.width = int(b.width);
    g.rows = int(b.rows);
    const int stride = (g.width + 7) / 8;
    g.bits.resize(size_t(stride) * size_t(g.rows));
    for (int row = 0; row < g.rows; ++row)
      std::copy_n(b.buffer + ptrdiff_t(row) * b.pitch, stride, g.bits.data() + size_t(row) * size_t(stride));
    return g;
  }
};

struct Match {
  std::string file;
  int index = 0;
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
};

class FreeTypeLibrary final : public FontLibrary {
 public:
  FreeTypeLibrary(FcConfig* c, FT_Library l) : config(c), library(l) {}
  ~FreeTypeLibrary() override {
    FT_Done_FreeType(library);
    FcConfigDestroy(config);
  }

  std::unique_ptr<Font> open(std::string_view name, int height, bool bold, bool italic) override {
    const bool console = isSystemName(name);
    height = std::clamp(height, -MaxHeight, MaxHeight);
    std::optional<Match> m = match(console ? ConsoleFamily : std::string(name), bold, italic);
    FT_Face face = nullptr;
    if (!m || FT_New_Face(library, m->file.c_str(), m->index, &face) != 0) return nullptr;
    if (italic && m->slant == FC_SLANT_ROMAN) {
      FT_Matrix shear{0x10000, ItalicShear, 0, 0x10000};
      FT_Set_Transform(face, &shear, nullptr);
    }
    const bool synthBold = bold && m->weight < FC_WEIGHT_DEMIBOLD && FT_IS_SCALABLE(face);
    if (console) return sized(face, consoleCellHeight(height), consoleCellHeight(height), synthBold);  // one cell per em
    if (height == 0) height = DefaultHeight;
    return sized(face, height < 0 ? 0 : height, height < 0 ? -height : 0, synthBold);
  }

  std::vector<std::string> families() override {
    std::vector<std::string> names;
    FcPattern* all = FcPatternCreate();
    FcObjectSet* only = FcObjectSetBuild(FC_FAMILY, nullptr);
    if (FcFontSet* set = FcFontList(config, all, only)) {
      for (int i = 0; i < set->nfont; ++i) {
        FcChar8* family = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch)
          names.emplace_back(reinterpret_cast<const char*>(family));
      }
      FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(only);
    FcPatternDestroy(all);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
  }

 private:
  FcConfig* config;
  FT_Library library;

  std::optional<Match> match(const std::string& family, bool bold, bool italic) {
    FcPattern* p = FcPatternCreate();
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(config, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult result;
    FcPattern* found = FcFontMatch(config, p, &result);
    FcPatternDestroy(p);
    if (!found) return std::nullopt;
    Match m;
    FcChar8* file = nullptr;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch) m.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(found, FC_INDEX, 0, &m.index);
    FcPatternGetInteger(found, FC_WEIGHT, 0, &m.weight);
    FcPatternGetInteger(found, FC_SLANT, 0, &m.slant);
    FcPatternDestroy(found);
    if (m.file.empty()) return std::nullopt;
    return m;
  }

  // Sizes a face for a cell height, or (cell 0) for a character height `em`; given both,
  // both are kept. The cell is the face's Windows ascent plus descent, the line height.
  static std::unique_ptr<Font> sized(FT_Face face, int cell, int em, bool synthBold) {
    double ascender = face->ascender, descender = -double(face->descender);
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)); os2 && os2->usWinAscent + os2->usWinDescent > 0) {
      ascender = os2->usWinAscent;
      descender = os2->usWinDescent;
    }
    const double units = face->units_per_EM > 0 ? face->units_per_EM : 1000.0;
    if (ascender + descender <= 0) ascender = units;
    const double emPixels = em > 0 ? em : cell * units / (ascender + descender);
    if (cell == 0) cell = std::max(1, int(std::lround(em * (ascender + descender) / units)));
    if (FT_IS_SCALABLE(face)) {
      if (FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(emPixels * 64)), 72, 72) != 0) {
        FT_Done_Face(face);
        return nullptr;
      }
    } else if (face->num_fixed_sizes > 0) {
      FT_Select_Size(face, 0);
    }
    const int ascent = int(std::lround(ascender * emPixels / units));
    return std::make_unique<FreeTypeFont>(face, cell, ascent, synthBold);
  }
};

}  // namespace

int consoleCellHeight(int height) { return std::max(1, height / ConsoleCell) * ConsoleCell; }

std::unique_ptr<FontLibrary> FontLibrary::create(std::string& error) {
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) {
    error = "fontconfig found no configuration";
    return nullptr;
  }
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    FcConfigDestroy(config);
    error = "FreeType could not start";
    return nullptr;
  }
  return std::make_unique<FreeTypeLibrary>(config, library);
}

}  // namespace zt
