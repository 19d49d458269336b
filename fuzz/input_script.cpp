// Input scripts: parsed, and every event delivered to a headless window.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/input_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zt::InputScript script;
  std::string error;
  if (!script.parse(std::string_view(reinterpret_cast<const char*>(data), size), error)) return 0;
  std::unique_ptr<zt::Window> window = zt::createHeadlessWindow();
  zt::WindowMessage message;
  while (script.deliverNext(*window))
    while (window->nextMessage(message)) {
    }
  return 0;
}
