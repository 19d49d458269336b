// Windows bitmap files of any header, depth and compression.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "formats/bmp.h"

namespace {

// A run-length picture may end its codes at once and leave the rest black, so a few
// bytes can ask for the largest picture: 256 MB to allocate and clear for each such
// input. Those differ from small ones only in that allocation, so they are skipped to
// keep the run fast.
bool hugeRunLengthPicture(const uint8_t* data, size_t size) {
  if (size < 34) return false;
  auto u32 = [&](size_t at) {
    uint32_t v;
    std::memcpy(&v, data + at, 4);
    return v;
  };
  if (u32(14) < 40 || (u32(30) != 1 && u32(30) != 2)) return false;
  const int64_t w = int32_t(u32(18)), h = int32_t(u32(22));
  return w * (h < 0 ? -h : h) > (int64_t(1) << 20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (hugeRunLengthPicture(data, size)) return 0;
  zt::RgbImage image;
  if (zt::decodeBmp(std::string_view(reinterpret_cast<const char*>(data), size), image) &&
      image.pixels.size() != size_t(image.width) * size_t(image.height))
    __builtin_trap();
  return 0;
}
