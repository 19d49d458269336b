// The host's state: the window and its flags, the payload, the input script, and the
// settings and log. The host wires the subsystems and includes every state.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "formats/ini.h"
#include "formats/input_script.h"
#include "formats/line_table.h"
#include "host/payload.h"
#include "platform/error_box.h"
#include "platform/window.h"

namespace zt {

struct HostState {
  // The platform services of the run (platform/platform.h); the null ones until start-up
  // chooses, and again after shutdown. The clipboard is the Runtime's.
  std::unique_ptr<Window> MainWindow = createNullWindow();
  std::unique_ptr<ErrorBox> errorBox = std::make_unique<NullErrorBox>();
  bool FullScreenExclusive = true;
  bool DesktopWindow = false;  // WINDOWMODE "1" or --window
  bool WindowActive = true;
  Payload payload;
  std::unique_ptr<InputScript> Script;  // null without --input
  LineTable Lines;                      // where the program's commands come from; no places when there is none
  // The soft errors reported so far, by number and code position: a loop that meets one
  // every frame reports it once.
  std::set<std::pair<int32_t, int64_t>> Warned;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> RecordFile{nullptr, std::fclose};  // --record
  std::string RecordPath;
  bool RecordFailed = false;
};

struct SettingsState {
  std::string EngineFolder;  // folder of the program being run, with a trailing separator
  std::string TempFolder;
  bool DebugMode = false;
  // The log is kept in memory while the program runs and written out after every
  // interpreter slice and at shutdown, so the trace costs no file write per command.
  IniFile Log;
  bool LogLoaded = false;
  bool LogDirty = false;
  uint32_t ConversionLines = 0;  // conversion progress lines logged so far
};

}  // namespace zt
