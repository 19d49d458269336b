#include "host/lifecycle.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "compiler/compiler.h"
#include "core/error_numbers.h"
#include "core/runtime.h"
#include "display2d/chooser.h"
#include "display2d/state.h"
#include "host/families.h"
#include "host/frame.h"
#include "host/payload.h"
#include "host/run_loop.h"
#include "host/settings.h"
#include "host/state.h"
#include "input/input.h"
#include "input/state.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "services/checklist.h"
#include "services/state.h"
#include "services/switches.h"

namespace zt {

// Every subsystem's state, made with the Runtime and freed with it.
struct Subsystems {
  HostState host;
  SettingsState settings;
  ChecklistState checklist;
  SwitchState switches;
  FileState files;
  InputState input;
  FrameState frame;
  ConsoleState console;
  DisplayState display;
  BitmapState bitmaps;
  DrawState draw;
  TextState text;
  RefreshState refresh;
  FileSystem fs;
};

namespace {

// A display reset's first step, in this order: the display list, then bitmaps 1 to 31
// (the pointer surface, the animations and the 3D textures join here).
void releaseForDisplayReset(Runtime& rt) {
  ClearDisplayList(rt.bitmaps.displayList);
  releaseBitmaps(rt.bitmaps);
}

}  // namespace

Runtime::Runtime()
    : clock(std::make_unique<SystemClock>()),
      subsystems(std::make_unique<Subsystems>()),
      host(subsystems->host),
      settings(subsystems->settings),
      checklist(subsystems->checklist),
      switches(subsystems->switches),
      files(subsystems->files),
      input(subsystems->input),
      frame(subsystems->frame),
      console(subsystems->console),
      display(subsystems->display),
      bitmaps(subsystems->bitmaps),
      draw(subsystems->draw),
      text(subsystems->text),
      refresh(subsystems->refresh),
      fs(subsystems->fs),
      clipboard(std::make_unique<LocalClipboard>()) {
  buildDispatchTable(dispatch, commandFamilies());
  buildRecordTable(bitmaps.displayList, recordFamilies());
  createErrorMessages(errors);
  errors.LogRecord = writeErrorRecord;
  interp.PendingRecords = &bitmaps.displayList.inUse;
  input.WindowProc = windowProc;
  display.ReleaseForReset = releaseForDisplayReset;
}

Runtime::~Runtime() { releaseProgram(image, arrays); }

void useVirtualClock(Runtime& rt) { rt.clock = std::make_unique<VirtualClock>(rt.interp.Executed); }

namespace fs = std::filesystem;

namespace {

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

// A platform failure at start-up: its text goes with the system error into the report.
bool failStart(Runtime& rt, int32_t number, const std::string& text) {
  LogEngineError(rt, text);
  raiseError(rt, number);
  return false;
}

bool createMainWindow(Runtime& rt) {
  HostState& h = rt.host;
  if (h.Headless) {
    h.MainWindow = createHeadlessWindow();
  } else {
    std::string why;
    h.MainWindow = createDesktopWindow(why);
    if (!h.MainWindow) return failStart(rt, ErrWindowCreation, "Failed to create the window: " + why);
    if (std::unique_ptr<Clipboard> desktop = h.MainWindow->clipboard()) rt.clipboard = std::move(desktop);
  }
  rt.input.Source = h.MainWindow.get();
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

// The error report: the text on stderr (and the echo channel), in the log in debug mode,
// and in a message box when there is a desktop.
int reportEnd(Runtime& rt) {
  HostState& h = rt.host;
  ConsoleState& c = rt.console;
  if (c.Echo && c.EchoLineOpen) echoText(rt, "", true);
  int code = ExitOk;
  if (rt.errors.ErrorNumber > 0) {
    std::string text = formatErrorText(rt.errors);
    writeErrorRecord(rt, "RUNTIMEERROR", text);
    std::fprintf(stderr, "%s\n", text.c_str());
    if (c.Echo) echoText(rt, text, true);
    if (!h.Headless) showErrorBox(ErrorCaption, text);
    code = ExitProgramError;
  }
  flushLog(rt);
  if (c.Echo) std::fflush(c.Echo);
  return code;
}

}  // namespace

bool startUp(Runtime& rt, const RunOptions& options, const std::string& game) {
  HostState& h = rt.host;
  rt.console.CommandLine = options.commandLine;
  establishFolders(rt, game);
  readWindowMode(rt, options);
  if (!createMainWindow(rt)) return false;
  std::error_code ec;
  h.MainWindow->setTitle(fs::absolute(game, ec).string());
  if (!openGamePayload(rt, game)) return false;
  // The input devices (error 10007 when they cannot start), music, sound (a failure is
  // only logged), and the object and sprite tables start here.
  if (!loadTheProgram(rt, game)) return false;
  startProgramData(rt);
  std::string why;
  if (!h.MainWindow->show(h.FullScreenExclusive, why))
    return failStart(rt, ErrFullScreen, "Failed to switch the window to full screen: " + why);
  for (const auto& [frame, file] : options.dumpFrames) rt.display.Dumps.push_back({frame, file});
  std::unique_ptr<Presenter> presenter = h.MainWindow->createPresenter();
  // The display's first step: the card choice, asked and reported only in a window.
  CardMemory memory{{}, 16, storeCardName, storeCardDepth};
  readCardChoice(memory.card, memory.depth);
  if (!ChooseDisplayCard(rt, listDisplayDrivers(), presenter.get(), memory)) postQuit(rt);  // closed: the run ends before it starts
  return StartDisplay(rt, std::move(presenter), h.FullScreenExclusive, h.DesktopWindow);
}

void startRun(Runtime& rt) {
  resetInterpreter(rt);
  emptyChecklist(rt);
  resetSwitches(rt);
  resetFrameTiming(rt);
}

void endRun(Runtime& rt) {
  closePayload(rt);
  // The display-side services are released here, in this order: input devices, force
  // feedback, drawing state, music, sounds, animations, pointer sprites and picture, 3D
  // data and open files, then the display.
  StopDisplay(rt);
  releaseProgram(rt.image, rt.arrays);
}

int shutDown(Runtime& rt, bool started) {
  // The display-side services, sound and input are released here (the object and sprite
  // tables, display objects, sounds and the listener, the input devices).
  int code = reportEnd(rt);
  if (!started && code == ExitOk) code = ExitStartFailed;
  rt.clipboard = std::make_unique<LocalClipboard>();
  rt.input.Source = nullptr;
  rt.host.MainWindow.reset();
  removeRunFolder(rt.settings.TempFolder);
  return code;
}

}  // namespace zt
