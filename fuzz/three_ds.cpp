// 3DS files: read and converted to .x text; a file that converts must load back through the
// .x reader.
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/three_ds_x.h"
#include "formats/xfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string text;
  size_t traced = 0;
  const int result = zt::convertThreeDs(bytes, text, [&](std::string_view line) { traced += line.size(); });
  if (result > 0 || (result == zt::ThreeDsOk) != !text.empty()) __builtin_trap();
  if (result != zt::ThreeDsOk) return 0;
  zt::XFile x;
  if (!zt::readXFile(text, x)) __builtin_trap();
  return 0;
}
