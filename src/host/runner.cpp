#include "host/runner.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "compiler/compiler.h"
#include "core/runtime.h"
#include "host/run_loop.h"
#include "platform/fs.h"
#include "platform/platform.h"
#include "platform/process.h"

namespace zt {

namespace fs = std::filesystem;

namespace {

constexpr int32_t WindowCreationError = 10002;
constexpr int32_t FullScreenError = 10004;
constexpr const char* ErrorCaption = "Error In Program";

bool isSourceFile(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".ztb";
}

void establishFolders(Runtime& rt, const std::string& game) {
  std::error_code ec;
  rt.settings.EngineFolder = (fs::absolute(game, ec).parent_path() / "").string();
  rt.settings.TempFolder = createRunFolder();
}

void readWindowMode(Runtime& rt, const RunOptions& options) {
  bool windowMode = options.window;
  readSettings(rt, windowMode);
  rt.host.DesktopWindow = windowMode;
  rt.host.FullScreenExclusive = !windowMode;
}

bool loadInputScript(InputScript& script, const std::string& path, std::string& error) {
  std::string text;
  if (!readWholeFile(path, text)) {
    error = "cannot read " + path;
    return false;
  }
  return script.parse(text, error);
}

// A platform failure at start-up: its text goes with the system error into the report.
bool failStart(Runtime& rt, int32_t number, const std::string& text) {
  LogEngineError(rt, text);
  raiseError(rt, number);
  return false;
}

void installPlatform(Runtime& rt, PlatformServices services) {
  rt.clipboard = std::move(services.clipboard);
  rt.host.MainWindow = std::move(services.window);
  rt.host.errorBox = std::move(services.errorBox);
}

// The one place where a run chooses its platform: the desktop's services, or the null
// ones for --headless.
bool choosePlatform(Runtime& rt, bool headless) {
  std::string why;
  PlatformServices services = headless ? makeNullServices() : makeDesktopServices(why);
  if (!services.window) {
    rt.host.errorBox = std::move(services.errorBox);  // the failure is still shown on the desktop
    return failStart(rt, WindowCreationError, "Failed to create the window: " + why);
  }
  installPlatform(rt, std::move(services));
  return true;
}

// The engine's own game was read with the command line; any other file is read here.
bool openGamePayload(Runtime& rt, const std::string& game) {
  if (!rt.host.payload.entries.empty() || isSourceFile(game)) return true;
  if (openPayload(rt.host.payload, game)) return true;
  std::fprintf(stderr, "zentropia: cannot read %s\n", game.c_str());
  return false;
}

// A program image file: false with the reason when it cannot be read or loaded.
bool loadProgramFile(Runtime& rt, const std::string& path, std::string& error) {
  std::string bytes, why;
  if (!readWholeFile(path, bytes, UINT64_MAX, &why)) {
    error = "cannot open " + path + ": " + why;
    return false;
  }
  return loadProgram(rt.image, bytes, rt.dispatch, error);
}

// A .ztb source is compiled in memory; a packed game's first entry is extracted to
// TempFolder and loaded from there; anything else is a program image.
bool loadTheProgram(Runtime& rt, const std::string& game) {
  std::string error;
  if (isSourceFile(game)) {
    compiler::CompileResult compiled = compiler::compileFile(game);
    if (!compiled.ok) {
      std::fputs(compiled.messages.c_str(), stderr);
      return false;
    }
    if (loadProgram(rt.image, compiled.image, rt.dispatch, error)) return true;
  } else if (!rt.host.payload.entries.empty()) {
    std::string path;
    if (!extractProgram(rt, path))
      error = "cannot write the program to the temporary folder";
    else if (loadProgramFile(rt, path, error))
      return true;
  } else if (loadProgramFile(rt, game, error)) {
    return true;
  } else if (!rt.host.payload.defect.empty()) {
    error += "; as a packed game, " + rt.host.payload.defect;
  }
  std::fprintf(stderr, "zentropia: cannot load %s: %s\n", game.c_str(), error.c_str());
  return false;
}

// The start-up sequence, in order; false at the first step that fails.
bool startUp(Runtime& rt, const RunOptions& options, const std::string& game) {
  HostState& h = rt.host;
  h.CommandLine = options.commandLine;
  establishFolders(rt, game);
  readWindowMode(rt, options);
  if (!choosePlatform(rt, options.headless)) return false;
  std::error_code ec;
  h.MainWindow->setTitle(fs::absolute(game, ec).string());
  if (!openGamePayload(rt, game)) return false;
  // The input devices (error 10007 when they cannot start), music, sound (a failure is
  // only logged), and the object and sprite tables start here.
  if (!loadTheProgram(rt, game)) return false;
  startProgramData(rt);
  std::string why;
  if (!h.MainWindow->show(h.FullScreenExclusive, why))
    return failStart(rt, FullScreenError, "Failed to switch the window to full screen: " + why);
  for (const auto& [frame, file] : options.dumpFrames) rt.display.Dumps.push_back({frame, file});
  return StartDisplay(rt);
}

// The error report: the text on stderr (and the echo channel), in the log in debug mode,
// and in the platform's error box (none without a desktop).
int reportEnd(Runtime& rt) {
  HostState& h = rt.host;
  if (h.Echo && h.EchoLineOpen) echoText(rt, "", true);
  int code = ExitOk;
  if (rt.errors.ErrorNumber > 0) {
    std::string text = formatErrorText(rt.errors);
    logRuntimeError(rt, text);
    std::fprintf(stderr, "%s\n", text.c_str());
    if (h.Echo) echoText(rt, text, true);
    h.errorBox->show(ErrorCaption, text);
    code = ExitProgramError;
  }
  flushLog(rt);
  if (h.Echo) std::fflush(h.Echo);
  return code;
}

// The shutdown sequence, reached after the run or from a failed start-up step.
int shutDown(Runtime& rt, bool started) {
  // The display-side services, sound and input are released here (the object and sprite
  // tables, display objects, sounds and the listener, the input devices).
  int code = reportEnd(rt);
  if (!started && code == ExitOk) code = ExitStartFailed;
  installPlatform(rt, makeNullServices());
  removeRunFolder(rt.settings.TempFolder);
  return code;
}

}  // namespace

int startEngine(Runtime& rt, const RunOptions& options) {
  HostState& h = rt.host;
  if (options.virtualClock) rt.clock.makeVirtual(&rt.interp.Executed);
  if (options.echo) h.Echo = stdout;
  const std::string game = options.program.empty() ? executablePath() : options.program;
  const bool started = startUp(rt, options, game);
  if (started) {
    h.ProgramRunning = true;
    runLoop(rt, options.frames);
    closePayload(rt);
    // The display-side services are released here, in this order: input devices, force
    // feedback, drawing state, music, sounds, animations, pointer sprites and picture, 3D
    // data and open files, then the display.
    StopDisplay(rt);
    releaseProgram(rt.image, rt.arrays);
  }
  return shutDown(rt, started);
}

int runEngine(const std::vector<std::string>& args) {
  catchSignals();
  auto rt = std::make_unique<Runtime>();
  rt->interp.StopSignal = &stopSignal();
  const bool ownGame = openPayload(rt->host.payload, executablePath()) && !rt->host.payload.entries.empty();
  RunOptions options;
  std::string error;
  switch (parseCommandLine(args, ownGame, options, error)) {
    case CommandLineResult::Help:
      std::fputs(usageText().c_str(), stdout);
      return ExitOk;
    case CommandLineResult::Invalid:
      std::fprintf(stderr, "zentropia: %s\n%s", error.c_str(), usageText().c_str());
      return ExitStartFailed;
    case CommandLineResult::Run:
      break;
  }
  if (!ownGame) rt->host.payload = Payload{};
  if (!options.inputScript.empty()) {
    rt->host.Script = std::make_unique<InputScript>();
    if (!loadInputScript(*rt->host.Script, options.inputScript, error)) {
      std::fprintf(stderr, "zentropia: --input %s: %s\n", options.inputScript.c_str(), error.c_str());
      return ExitStartFailed;
    }
  }
  return startEngine(*rt, options);
}

}  // namespace zt
