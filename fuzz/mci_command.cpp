// Media command strings: split into verb, device and items; what is accepted is complete.
#include <cstdint>
#include <string_view>

#include "audio/mci/command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  zt::MciCommand c;
  const zt::MciError e = zt::parseMciCommand(text, c);
  if (e != zt::MciError::None) return 0;
  if (c.device.empty() || text.size() > zt::MciCommandLimit) __builtin_trap();
  if (c.verb == zt::MciVerb::Status && c.status == zt::MciStatusItem::None) __builtin_trap();
  if (c.verb == zt::MciVerb::SetAudio && (!c.hasVolume || c.volume > 1000)) __builtin_trap();
  // Names are pieces of the text, never made up.
  if (text.find(c.device) == std::string_view::npos || text.find(c.alias) == std::string_view::npos) __builtin_trap();
  return 0;
}
