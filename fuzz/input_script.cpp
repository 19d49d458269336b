// Input scripts: parsed, and every event taken in frame order.
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/input_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zt::InputScript script;
  std::string error;
  if (!script.parse(std::string_view(reinterpret_cast<const char*>(data), size), error)) return 0;
  int64_t last = zt::ScriptStartFrame;
  for (auto events = script.takeNext(); !events.empty(); events = script.takeNext())
    for (const zt::ScriptedEvent& e : events) {
      if (e.frame < last) __builtin_trap();  // frames never go back
      last = e.frame;
    }
  return 0;
}
