// MIDI files: the playing time read from the header, tracks and tempo changes.
#include <cstdint>
#include <span>
#include <string>

#include "formats/midi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint32_t ms = 0;
  std::string error;
  const bool ok = zt::midiLengthMilliseconds(std::span(data, size), ms, error);
  if (ok != error.empty()) __builtin_trap();
  if (ok && !zt::looksLikeMidi(std::span(data, size))) __builtin_trap();
  return 0;
}
