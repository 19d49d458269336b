// What an image file gives: a picture in 24-bit colour. The readers (formats/bmp.h,
// formats/dds.h, formats/tga.h) decode bytes already in memory; every read is
// bounds-checked, so a malformed file fails to decode, it never crashes.
#pragma once

#include <cstdint>
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
// Larger than any picture of MaxImagePixels at 32 bits, with its headers: a caller need
// not read more of a file than this.
constexpr uint64_t MaxImageFileBytes = uint64_t(MaxImagePixels) * 4 + (1u << 20);

// Chooses the decoder by the file's content: "BM" a Windows bitmap, "DDS " a DirectDraw
// surface, otherwise a Targa picture when its header is consistent.
bool decodeImage(std::string_view file, RgbImage& out);

}  // namespace zt
