// Windows bitmaps: 1, 4, 8, 16, 24 and 32 bits; RLE4, RLE8 and bit fields; bottom-up and
// top-down, decoded into 24-bit colour; and 24-bit bitmaps written.
#pragma once

#include <string>
#include <string_view>

#include "formats/image_file.h"

namespace zt {

bool decodeBmp(std::string_view file, RgbImage& out);

// A 24-bit bottom-up Windows bitmap: 14-byte file header, 40-byte info header, rows
// padded to four bytes.
std::string encodeBmp24(const RgbImage& image);

}  // namespace zt
