// RIFF WAVE files: any chunk layout, sizes that lie, truncation anywhere.
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/wav.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zt::WavFile wav;
  std::string why;
  if (!zt::parseWav(std::string_view(reinterpret_cast<const char*>(data), size), wav, why)) return 0;
  if (wav.samples.size() > size) __builtin_trap();
  if (zt::playableWav(wav, why) && (wav.samples.size() % wav.format.blockAlign != 0)) __builtin_trap();
  return 0;
}
