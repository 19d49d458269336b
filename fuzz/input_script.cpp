// Input scripts: parsed, every event taken in frame order, and written back by the writer
// as a script that reads back as the same events.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/input_script.h"

namespace {

std::vector<zt::ScriptedEvent> allEvents(zt::InputScript& script) {
  std::vector<zt::ScriptedEvent> out;
  for (auto events = script.takeNext(); !events.empty(); events = script.takeNext())
    out.insert(out.end(), events.begin(), events.end());
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zt::InputScript script;
  std::string error;
  if (!script.parse(std::string_view(reinterpret_cast<const char*>(data), size), error)) return 0;
  const std::vector<zt::ScriptedEvent> events = allEvents(script);
  zt::InputScriptWriter writer;
  int64_t last = zt::ScriptStartFrame;
  for (const zt::ScriptedEvent& e : events) {
    if (e.frame < last) __builtin_trap();  // frames never go back
    last = e.frame;
    writer.add(e);
  }
  zt::InputScript again;
  if (!again.parse(writer.finish(), error)) __builtin_trap();
  const std::vector<zt::ScriptedEvent> reread = allEvents(again);
  if (reread.size() != events.size()) __builtin_trap();
  for (size_t i = 0; i < events.size(); ++i)
    if (reread[i].frame != events[i].frame || reread[i].kind != events[i].kind || reread[i].a != events[i].a ||
        reread[i].b != events[i].b || reread[i].c != events[i].c || reread[i].name != events[i].name)
      __builtin_trap();
  return 0;
}
