// The disassembler on arbitrary bytes as a program image.
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/disassembler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text, error;
  (void)zt::compiler::disassemble(std::string_view(reinterpret_cast<const char*>(data), size), text, error);
  return 0;
}
