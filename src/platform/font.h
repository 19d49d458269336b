// Fonts for text on surfaces: fontconfig finds the installed face for the name a program
// gives (a family that is not installed falls back to a metric-compatible or the default
// face), FreeType renders it monochrome. A font's height is its cell height (ascent plus
// descent, as the line advances), or the character height when negative, at most 1024
// pixels either way. Text is 8-bit
// (the Windows-1252 code page). The face named "system" is the built-in console face, a
// bitmap-style face with a 16-pixel cell, scaled only by whole multiples.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

class Surface;

struct TextExtent {
  int width = 0;
  int height = 0;
};

class Font {
 public:
  virtual ~Font() = default;
  // Width of the text's advances and the cell height.
  virtual TextExtent measure(std::string_view text) = 0;
  // Draws the text with its cell's top-left corner at (x, y) in raw pixel `ink`; with
  // `opaque` the cell behind the text is first filled with `background`.
  virtual void draw(Surface& s, int x, int y, std::string_view text, uint32_t ink, uint32_t background,
                    bool opaque) = 0;
};

class FontLibrary {
 public:
  virtual ~FontLibrary() = default;
  // Null with a reason when fontconfig or FreeType cannot start.
  static std::unique_ptr<FontLibrary> create(std::string& error);
  // The face for a name, height and style; null when no face at all can be loaded.
  virtual std::unique_ptr<Font> open(std::string_view face, int height, bool bold, bool italic) = 0;
  // The installed families, each once, sorted.
  virtual std::vector<std::string> families() = 0;
};

// The console face's cell for a requested height: 16 pixels, or the largest whole
// multiple of 16 that fits a greater height.
int consoleCellHeight(int height);

}  // namespace zt
