// PNG through libpng's simplified interface, which takes care of every colour type, bit
// depth, palette, transparency chunk and interlacing, and reports errors by its result.
#include <png.h>

#include <algorithm>
#include <new>
#include <vector>

#include "formats/image_reading.h"
#include "platform/pictures.h"

namespace zt {

namespace {

using namespace imagereading;

// Deflate turns at most 1032 bytes out of one compressed byte.
constexpr uint64_t MaxDeflateRatio = 1032;

uint32_t bigEndian32(std::string_view f, size_t at) {
  return uint32_t(uint8_t(f[at])) << 24 | uint32_t(uint8_t(f[at + 1])) << 16 | uint32_t(uint8_t(f[at + 2])) << 8 |
         uint8_t(f[at + 3]);
}

// The bytes of compressed picture data (IDAT chunks) the file holds.
uint64_t compressedBytes(std::string_view f) {
  uint64_t total = 0;
  for (size_t at = 8; at + 8 <= f.size();) {
    const uint64_t length = bigEndian32(f, at), left = f.size() - at - 8;
    if (f.substr(at + 4, 4) == "IDAT") total += std::min(length, left);
    if (length + 4 > left) break;
    at += 12 + size_t(length);
  }
  return total;
}

// A picture of w x h needs at least one filter byte and one bit a pixel on each row.
bool holdsPicture(std::string_view f, uint64_t w, uint64_t h) {
  return (compressedBytes(f) + 1) * MaxDeflateRatio >= h * (1 + (w + 7) / 8);
}

}  // namespace

bool decodePng(std::string_view file, RgbImage& out) {
  out = {};
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, file.data(), file.size())) return false;
  if (!sizeAcceptable(png.width, png.height) || !holdsPicture(file, png.width, png.height) ||
      !allocate(out, png.width, png.height)) {
    png_image_free(&png);
    out = {};
    return false;
  }
  png.format = PNG_FORMAT_RGBA;
  png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;  // 16-bit files without colour chunks are sRGB, like 8-bit ones
  // Each pixel's four bytes land in its own 32-bit slot and are rewritten in place.
  auto* bytes = reinterpret_cast<uint8_t*>(out.pixels.data());
  if (!png_image_finish_read(&png, nullptr, bytes, 0, nullptr)) {
    out = {};
    return false;
  }
  for (size_t i = 0; i < out.pixels.size(); ++i) {
    const uint8_t* p = bytes + i * 4;
    out.pixels[i] = overBlack(uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
  }
  return true;
}

bool encodePng(const RgbImage& image, std::string& file) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(image.width);
  png.height = png_uint_32(image.height);
  png.format = PNG_FORMAT_RGB;
  try {
    std::vector<uint8_t> rgb(image.pixels.size() * 3);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
      rgb[i * 3] = uint8_t(image.pixels[i] >> 16);
      rgb[i * 3 + 1] = uint8_t(image.pixels[i] >> 8);
      rgb[i * 3 + 2] = uint8_t(image.pixels[i]);
    }
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
    file.assign(size_t(size), '\0');
    if (!png_image_write_to_memory(&png, file.data(), &size, 0, rgb.data(), 0, nullptr)) {
      file.clear();
      return false;
    }
    file.resize(size_t(size));
  } catch (const std::bad_alloc&) {
    file.clear();
    return false;
  }
  return true;
}

}  // namespace zt
