// Picture files of every format LOAD BITMAP reads, chosen by their content as the engine
// does: PNG, JPEG, GIF, BMP, DDS and Targa.
#include <cstdint>
#include <string_view>

#include "platform/pictures.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zt::RgbImage image;
  if (zt::decodePicture(std::string_view(reinterpret_cast<const char*>(data), size), image) &&
      image.pixels.size() != size_t(image.width) * size_t(image.height))
    __builtin_trap();
  return 0;
}
