// Writes picture files for tests with the reference libraries (libpng, libjpeg-turbo,
// giflib), and Targa files from their header fields, so that the engine's readers meet
// files made by other writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/image_file.h"

namespace zt::test {

// Pixels as 0xAARRGGBB, rows top to bottom.
std::string pngRgba(int w, int h, const std::vector<uint32_t>& pixels);
// A colour-mapped PNG: indices into `colours` (0xAARRGGBB; alpha below 255 gives a
// transparency chunk).
std::string pngPalette(int w, int h, const std::vector<uint8_t>& indices, const std::vector<uint32_t>& colours);

std::string jpeg(const RgbImage& image, int quality, bool progressive, bool grey = false);

struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  std::vector<uint8_t> rows;  // indices, in the order the file stores the rows
  int transparent = -1;
};
// A GIF89a on a screen of w x h with a global colour map of `colours` (0xRRGGBB, padded to
// a power of two) and the given frames.
std::string gif(int w, int h, const std::vector<uint32_t>& colours, const std::vector<GifFrame>& frames);

// A Targa file: the 18-byte header, a colour map of `mapLength` entries of `mapBits` bits
// (`map` holds their bytes), then the data as given.
std::string tga(int type, int w, int h, int bits, int descriptor, const std::string& data, int mapBits = 0,
                int mapLength = 0, int mapFirst = 0, const std::string& map = "");

}  // namespace zt::test
