#include "formats/image_file.h"

#include "formats/bmp.h"
#include "formats/dds.h"
#include "formats/tga.h"

namespace zt {

bool decodeImage(std::string_view file, RgbImage& out) {
  if (file.starts_with("BM")) return decodeBmp(file, out);
  if (file.starts_with("DDS ")) return decodeDds(file, out);
  return decodeTga(file, out);
}

}  // namespace zt
