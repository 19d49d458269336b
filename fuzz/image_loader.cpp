// The program image loader on arbitrary bytes: it must refuse what it cannot run safely
// and never read outside the image.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/runtime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static zt::Runtime rt;
  std::string error;
  if (zt::loadProgram(rt.image, std::string_view(reinterpret_cast<const char*>(data), size), rt.dispatch, error))
    zt::releaseProgram(rt.image, rt.arrays);
  return 0;
}
