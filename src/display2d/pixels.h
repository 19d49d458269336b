// Pixel layout: how the language's colour values (0xRRGGBB) and a surface's raw pixels
// convert into each other. The layout is read from the surface's masks (blue lowest,
// red highest); raw pixels are kept to the surface's depth.
#pragma once

#include <bit>
#include <cstdint>

#include "gfx/surface.h"

namespace zt {

struct PixelLayout {
  int redBits = 5, greenBits = 6, blueBits = 5;
  int redShift = 11, greenShift = 5;
  uint32_t redMax = 31, greenMax = 63, blueMax = 31;
  uint32_t depthMask = 0xFFFF;

  static PixelLayout of(const PixelFormat& f) {
    PixelLayout l;
    l.blueBits = std::bit_width(f.blueMask);
    l.greenBits = std::bit_width(f.greenMask) - l.blueBits;
    l.redBits = std::bit_width(f.redMask) - l.blueBits - l.greenBits;
    l.greenShift = l.blueBits;
    l.redShift = l.blueBits + l.greenBits;
    l.redMax = (1u << l.redBits) - 1;
    l.greenMax = (1u << l.greenBits) - 1;
    l.blueMax = (1u << l.blueBits) - 1;
    l.depthMask = f.depthMask();
    return l;
  }
  static PixelLayout of(const Surface& s) { return of(s.format()); }

  uint32_t red(uint32_t pixel) const { return (pixel >> redShift) & redMax; }
  uint32_t green(uint32_t pixel) const { return (pixel >> greenShift) & greenMax; }
  uint32_t blue(uint32_t pixel) const { return pixel & blueMax; }
  uint32_t join(uint32_t r, uint32_t g, uint32_t b) const { return b + (r << redShift) + (g << greenShift); }

  // A colour value as a drawing pixel: each component scaled by max / 255, truncated.
  // Exact integer arithmetic, so white reaches every component's maximum.
  uint32_t pixelOf(int32_t colour) const {
    const uint32_t c = uint32_t(colour);
    return join(redMax * ((c >> 16) & 255) / 255, greenMax * ((c >> 8) & 255) / 255, blueMax * (c & 255) / 255);
  }
  // A raw pixel as a colour value: each component scaled by 255 / max, truncated.
  int32_t colourOf(uint32_t pixel) const {
    pixel &= depthMask;
    return int32_t(255 * blue(pixel) / blueMax + (255 * red(pixel) / redMax) * 65536 +
                   (255 * green(pixel) / greenMax) * 256);
  }
  // A colour as pictures and text are converted to the surface: the top bits of each
  // component are kept.
  uint32_t matchOf(uint32_t rgb) const {
    return join(((rgb >> 16) & 255) >> (8 - redBits), ((rgb >> 8) & 255) >> (8 - greenBits),
                (rgb & 255) >> (8 - blueBits));
  }
};

}  // namespace zt
