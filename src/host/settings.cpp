#include "host/settings.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "core/runtime.h"
#include "host/state.h"
#include "platform/profile.h"

namespace zt {

namespace {

constexpr const char* SettingsSection = "SETTINGS";
constexpr const char* TraceSection = "ZENTROPIALOOPMIDDLE";
constexpr const char* ErrorSection = "ERRORLOG";
constexpr const char* ConversionSection = "CONVERSION";
constexpr const char* CardSection = "ZentropiaStateData";

IniFile& openLog(Runtime& rt) {
  SettingsState& s = rt.settings;
  if (!s.LogLoaded) {
    s.Log = loadProfile(logPath(rt));
    s.LogLoaded = true;
  }
  return s.Log;
}

// A failed write is ignored: the chooser then comes back at the next start.
void storeCardKey(const char* key, std::string_view value) {
  std::string path = cardMemoryPath();
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  IniFile f = loadProfile(path);
  f.set(CardSection, key, value);
  saveProfile(f, path);
}

}  // namespace

std::string settingsPath(const Runtime& rt) { return rt.settings.EngineFolder + "SETUP.INI"; }
std::string logPath(const Runtime& rt) { return rt.settings.EngineFolder + "ZT.LOG"; }

void readSettings(Runtime& rt, bool& windowMode) {
  const IniFile setup = loadProfile(settingsPath(rt));
  if (setup.get(SettingsSection, "WINDOWMODE", "0") == "1") windowMode = true;
  bool debug = setup.get(SettingsSection, "DEBUGMODE", "0") == "1";
  bool trace = setup.get(SettingsSection, "TRACEMODE", "0") == "1";
  if (debug || trace) std::remove("ZT.LOG");
  rt.settings.DebugMode = debug;
  rt.interp.Trace = debug ? traceCommand : nullptr;
}

void traceCommand(Runtime& rt, size_t position, intptr_t id) {
  if (!rt.settings.DebugMode) return;
  char key[32], value[32];
  std::snprintf(key, sizeof key, "PC%zu", position);
  std::snprintf(value, sizeof value, "%ld", long(id));
  openLog(rt).set(TraceSection, key, value);
  rt.settings.LogDirty = true;
}

void writeErrorRecord(Runtime& rt, std::string_view kind, std::string_view text) {
  if (!rt.settings.DebugMode) return;
  std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char key[96];
  std::snprintf(key, sizeof key, "%.*s ON %d/%d/%d AT %d:%d", int(kind.size()), kind.data(), utc.tm_mday,
                utc.tm_mon + 1, utc.tm_year + 1900, utc.tm_hour, utc.tm_min);
  openLog(rt).set(ErrorSection, key, text);
  rt.settings.LogDirty = true;
  flushLog(rt);
}

bool debugLogging(const Runtime& rt) { return rt.settings.DebugMode; }

void writeConversionLine(Runtime& rt, std::string_view line) {
  if (!rt.settings.DebugMode) return;
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  const std::string key = "LINE" + std::to_string(++rt.settings.ConversionLines);
  openLog(rt).set(ConversionSection, key, line);
  rt.settings.LogDirty = true;
}

const std::string& temporaryFolder(const Runtime& rt) { return rt.settings.TempFolder; }

void flushLog(Runtime& rt) {
  SettingsState& s = rt.settings;
  if (!s.LogDirty) return;
  saveProfile(s.Log, logPath(rt));  // a failed log write is ignored
  s.LogDirty = false;
}

std::string cardMemoryPath() {
  namespace fs = std::filesystem;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  fs::path base;
  if (config && *config) base = config;
  else if (const char* home = std::getenv("HOME")) base = fs::path(home) / ".config";
  else base = fs::temp_directory_path();
  return (base / "zentropia" / "win.ini").string();
}

void readCardChoice(std::string& card, int& depth) {
  const IniFile f = loadProfile(cardMemoryPath());
  card = f.get(CardSection, "BEST3DCARD", "");
  depth = std::atoi(f.get(CardSection, "BEST3DDEPTH", "16").c_str());
}

void storeCardName(std::string_view card) { storeCardKey("BEST3DCARD", card); }

void storeCardDepth(int depth) { storeCardKey("BEST3DDEPTH", std::to_string(depth)); }

}  // namespace zt
