// The host's state: the window and its flags, the payload, the input script, and the
// settings and log. The host wires the subsystems and includes every state.h.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "host/payload.h"
#include "formats/ini.h"
#include "formats/input_script.h"
#include "platform/window.h"

namespace zt {

struct HostState {
  std::unique_ptr<Window> MainWindow;  // null until created
  bool Headless = false;               // no desktop window: errors go to stderr only
  bool FullScreenExclusive = true;
  bool DesktopWindow = false;  // WINDOWMODE "1" or --window
  bool WindowActive = true;
  Payload payload;
  std::unique_ptr<InputScript> Script;  // null without --input
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
};

}  // namespace zt
