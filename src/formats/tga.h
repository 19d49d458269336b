// Targa pictures: colour-mapped, true-colour (15, 16, 24 and 32 bits) and grey, plain or
// run-length coded, any corner of origin, decoded into 24-bit colour. The format has no
// signature, so a file counts as Targa only when its whole header is consistent.
#pragma once

#include <string_view>

#include "formats/image_file.h"

namespace zt {

bool decodeTga(std::string_view file, RgbImage& out);

}  // namespace zt
