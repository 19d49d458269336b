// DirectDraw surface files: uncompressed RGB and luminance, DXT1, DXT3 and DXT5, decoded
// into 24-bit colour.
#pragma once

#include <string_view>

#include "formats/image_file.h"

namespace zt {

bool decodeDds(std::string_view file, RgbImage& out);

}  // namespace zt
