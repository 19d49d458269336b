// Picture files of the common formats, read through Debian's libpng, libjpeg-turbo and
// giflib: PNG (any colour type and depth, alpha and palettes), baseline and progressive
// JPEG, and the first frame of a GIF. Parts that are transparent show black, the
// transparent colour of bitmaps. Every decoder refuses a picture larger than
// MaxImagePixels, and one whose file is too short to hold it, before allocating it.
#pragma once

#include <string>
#include <string_view>

#include "formats/image_file.h"

namespace zt {

// Decodes by content: PNG, JPEG and GIF by their signatures, BMP, DDS and Targa through
// decodeImage. False for a file that is none of them or does not decode.
bool decodePicture(std::string_view file, RgbImage& out);

bool decodePng(std::string_view file, RgbImage& out);
bool decodeJpeg(std::string_view file, RgbImage& out);
bool decodeGif(std::string_view file, RgbImage& out);

// A PNG file of the picture, 8-bit RGB; false when memory runs short or the picture is
// larger than the library accepts.
bool encodePng(const RgbImage& image, std::string& file);

}  // namespace zt
