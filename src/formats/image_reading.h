// What the image decoders share: bounds-checked little-endian reads, the size limit, the
// picture's allocation and masked colour components.
#pragma once

#include <bit>
#include <cstdint>
#include <new>
#include <string_view>

#include "formats/image_file.h"

namespace zt::imagereading {

// Little-endian reads that fail (return false) past the end instead of reading it.
class Reader {
 public:
  explicit Reader(std::string_view d) : data(d) {}
  bool has(size_t at, size_t n) const { return at <= data.size() && n <= data.size() - at; }
  uint8_t u8(size_t at) const { return uint8_t(data[at]); }
  uint16_t u16(size_t at) const { return uint16_t(u8(at) | u8(at + 1) << 8); }
  uint32_t u32(size_t at) const { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; }
  std::string_view data;
};

// Each side is bounded before the product is taken, so no header value can overflow it.
inline bool sizeAcceptable(int64_t w, int64_t h) {
  return w > 0 && h > 0 && w <= MaxImagePixels && h <= MaxImagePixels && w * h <= MaxImagePixels;
}

// Called only once the file is known to hold the picture's data; false when memory is short.
inline bool allocate(RgbImage& out, int64_t w, int64_t h) {
  try {
    out.pixels.assign(size_t(w) * size_t(h), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  out.width = int(w);
  out.height = int(h);
  return true;
}

// Scales a masked component to 8 bits (the mask's top bits become the top bits). Only a
// mask whose bits are contiguous describes a component; files with others are refused.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  explicit Channel(uint32_t m = 0) : mask(m), shift(m ? std::countr_zero(m) : 0) {}
  bool contiguous() const { return ((mask >> shift) & ((mask >> shift) + 1)) == 0; }
  uint32_t operator()(uint32_t v) const {
    if (!mask) return 0;
    uint32_t c = (v & mask) >> shift;
    int width = std::popcount(mask >> shift);
    if (width > 8) return c >> (width - 8);
    return width == 8 ? c : (c * 255 + ((1u << width) - 1) / 2) / ((1u << width) - 1);
  }
};

// A colour with alpha (0xAARRGGBB) laid over black, rounded: what a picture with
// transparent parts shows on a bitmap, whose transparent colour is black.
inline uint32_t overBlack(uint32_t argb) {
  const uint32_t a = argb >> 24;
  uint32_t out = 0;
  for (int s = 0; s <= 16; s += 8) out |= ((((argb >> s) & 255) * a + 127) / 255) << s;
  return out;
}

struct MaskedFormat {
  Channel r, g, b;
  uint32_t rgb(uint32_t v) const { return r(v) << 16 | g(v) << 8 | b(v); }
  bool contiguous() const { return r.contiguous() && g.contiguous() && b.contiguous(); }
};

}  // namespace zt::imagereading
