// Image files: Windows bitmaps (1, 4, 8, 16, 24 and 32 bits; RLE4, RLE8 and bit fields;
// bottom-up and top-down) and DirectDraw surface files (uncompressed RGB and luminance,
// DXT1, DXT3 and DXT5) decoded into 24-bit colour, and 24-bit Windows bitmaps written.
// Every read is bounds-checked: a malformed file fails to decode, it never crashes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

// Pixels as 0x00RRGGBB, rows top to bottom. Alpha is not kept.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Largest picture accepted, so that a hostile header cannot ask for gigabytes.
constexpr int64_t MaxImagePixels = int64_t(1) << 26;

bool decodeBmp(std::string_view file, RgbImage& out);
bool decodeDds(std::string_view file, RgbImage& out);
// Chooses the decoder by the file's own signature ("BM" or "DDS ").
bool decodeImage(std::string_view file, RgbImage& out);

// Reads and decodes an image file by its extension, "bmp" or "dds" (any letter case);
// false for another extension, a file that cannot be read, or one that does not decode.
bool readImageFile(const std::string& path, std::string_view extension, RgbImage& out);

// A 24-bit bottom-up Windows bitmap: 14-byte file header, 40-byte info header, rows
// padded to four bytes.
std::string encodeBmp24(const RgbImage& image);

}  // namespace zt
