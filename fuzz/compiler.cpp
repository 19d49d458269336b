// The compiler on any source text; #INCLUDE names resolve in a folder that does not exist.
#include <cstdint>
#include <string>

#include "compiler/compiler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  (void)zt::compiler::compileText("/nonexistent-zt-fuzz/fuzz.ztb", text);
  return 0;
}
