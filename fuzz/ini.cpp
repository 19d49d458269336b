// Profile files: parsed, read, written to and laid out again.
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  zt::IniFile f;
  f.parse(text);
  (void)f.get("SETTINGS", "WINDOWMODE", "0");
  (void)f.keyCount("settings");
  f.set("Settings", "DebugMode", "1");
  f.set("new section", "key", "");
  zt::IniFile again;
  again.parse(f.text());
  // What was written reads back.
  if (again.get("SETTINGS", "debugmode", "") != "1") __builtin_trap();
  return 0;
}
