// DirectDraw surface files: uncompressed, luminance and DXT forms.
#include <cstdint>
#include <string_view>

#include "formats/dds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zt::RgbImage image;
  if (zt::decodeDds(std::string_view(reinterpret_cast<const char*>(data), size), image) &&
      image.pixels.size() != size_t(image.width) * size_t(image.height))
    __builtin_trap();
  return 0;
}
