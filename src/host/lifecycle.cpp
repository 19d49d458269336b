#include "host/lifecycle.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "audio/sound.h"
#include "audio/state.h"
#include "audio/music/music.h"
#include "audio/music/state.h"
#include "compiler/compiler.h"
#include "core/error_numbers.h"
#include "core/runtime.h"
#include "display2d/chooser.h"
#include "display2d/console.h"
#include "display2d/state.h"
#include "engine3d/engine3d.h"
#include "engine3d/state.h"
#include "host/diagnostics.h"
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
#include "platform/input.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "services/checklist.h"
#include "services/state.h"
#include "services/switches.h"
#include "sprites/sprites.h"
#include "sprites/state.h"
#include "video/state.h"
#include "video/video.h"

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
  SpriteState sprites;
  AudioState audio;
  VideoState video;
  Engine3DState engine3d;
  FileSystem fs;
  MusicState music{fs};  // opens the files it is given in the current directory of fs
};

namespace {

// A display reset's first step, in this order: the display list, the saved sprite
// backgrounds and the pointer surface, the animations, then bitmaps 1 to 31 (the 3D
// textures join here).
void releaseForDisplayReset(Runtime& rt) {
  ClearDisplayList(rt.bitmaps.displayList);
  releaseSpritesForReset(rt);
  releaseAnimations(rt);
  release3DForReset(rt);
  releaseBitmaps(rt.bitmaps);
}

// A display reset's last step: images and the pointer in the new format, then the new 3D
// devices get the scene's states, lights and camera.
void restoreAfterDisplayReset(Runtime& rt) {
  restoreSpritesAfterReset(rt);
  restore3DAfterReset(rt);
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
      sprites(subsystems->sprites),
      audio(subsystems->audio),
      video(subsystems->video),
      engine3d(subsystems->engine3d),
      fs(subsystems->fs),
      music(subsystems->music),
      clipboard(std::make_unique<LocalClipboard>()) {
  buildDispatchTable(dispatch, commandFamilies());
  buildRecordTable(bitmaps.displayList, recordFamilies());
  createErrorMessages(errors);
  errors.LogRecord = writeErrorRecord;
  interp.PendingRecords = &bitmaps.displayList.inUse;
  input.Source = host.MainWindow.get();
  input.WindowProc = windowProc;
  display.ReleaseForReset = releaseForDisplayReset;
  display.RestoreAfterReset = restoreAfterDisplayReset;
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

void installPlatform(Runtime& rt, PlatformServices services) {
  rt.clipboard = std::move(services.clipboard);
  rt.host.MainWindow = std::move(services.window);
  rt.host.errorBox = std::move(services.errorBox);
  rt.input.Source = rt.host.MainWindow.get();
  setAudioDevice(rt, std::move(services.audio));
}

// The one place where a run chooses its platform: the desktop's services, or the null
// ones for --headless.
bool choosePlatform(Runtime& rt, bool headless) {
  std::string why;
  PlatformServices services = headless ? makeNullServices() : makeDesktopServices(why);
  if (!services.window) {
    rt.host.errorBox = std::move(services.errorBox);  // the failure is still shown on the desktop
    return failStart(rt, ErrWindowCreation, "Failed to create the window: " + why);
  }
  installPlatform(rt, std::move(services));
  return true;
}

// The joystick devices, chosen with the platform: SDL's, or in a headless run none at all
// unless the input script plugs joysticks in, and then only those. Effects of scripted
// joysticks are reported on the echo channel (stderr without one).
bool startInputDevices(Runtime& rt, bool headless) {
  HostState& h = rt.host;
  const bool scripted = h.Script && h.Script->hasJoysticks();
  std::unique_ptr<ControlDevices> devices;
  if (headless && !scripted) {
    devices = createNullControlDevices();
  } else {
    auto report = [&rt](std::string_view text) {
      if (rt.console.Echo) {
        if (rt.console.EchoLineOpen) echoText(rt, "", true);
        echoText(rt, text, true);
      } else
        std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
    };
    std::string why;
    devices = createSdlControlDevices(headless, report, why);
    if (!devices) return failStart(rt, ErrInputDevices, "Failed to create DirectInput Interface: " + why);
  }
  // The script's joysticks of frame 0 are plugged in before the engine looks for one.
  StartInput(rt, std::move(devices), h.Script ? h.Script->takeDue(ScriptStartFrame) : std::span<const ScriptedEvent>());
  return true;
}

// The engine's own game was read with the command line; any other file is read here.
bool openGamePayload(Runtime& rt, const std::string& game) {
  if (!rt.host.payload.entries.empty() || isSourceFile(game)) return true;
  if (openPayload(rt.host.payload, game)) return true;
  std::fprintf(stderr, "zentropia: cannot read %s\n", game.c_str());
  return false;
}

// A program image file: false with the reason when it cannot be read or loaded. Its
// bytes stay in `bytes`, for the line table to be checked against.
bool loadProgramFile(Runtime& rt, const std::string& path, std::string& bytes, std::string& error) {
  std::string why;
  if (!readWholeFile(path, bytes, UINT64_MAX, &why)) {
    error = "cannot open " + path + ": " + why;
    return false;
  }
  return loadProgram(rt.image, bytes, rt.dispatch, error);
}

// A .ztb source is compiled in memory; a packed game's first entry is extracted to
// TempFolder and loaded from there; anything else is a program image.
// The line table comes with it: the compiler's, the payload's or the one beside the image.
bool loadTheProgram(Runtime& rt, const std::string& game) {
  std::string error, bytes;
  if (isSourceFile(game)) {
    compiler::CompileResult compiled = compiler::compileFile(game);
    if (!compiled.ok) {
      std::fputs(compiled.messages.c_str(), stderr);
      return false;
    }
    rt.host.Lines = std::move(compiled.lines);
    if (loadProgram(rt.image, compiled.image, rt.dispatch, error)) return true;
  } else if (!rt.host.payload.entries.empty()) {
    std::string path;
    if (!extractProgram(rt, path))
      error = "cannot write the program to the temporary folder";
    else if (loadProgramFile(rt, path, bytes, error)) {
      takePayloadLineTable(rt, bytes);
      return true;
    }
  } else if (loadProgramFile(rt, game, bytes, error)) {
    readLineTableBeside(rt, game, bytes);
    return true;
  } else if (!rt.host.payload.defect.empty()) {
    error += "; as a packed game, " + rt.host.payload.defect;
  }
  std::fprintf(stderr, "zentropia: cannot load %s: %s\n", game.c_str(), error.c_str());
  return false;
}

// The error report: the text on stderr (and the echo channel), in the log in debug mode,
// and in the platform's error box (none without a desktop). On stderr and in the box a
// second line says what the number means and, with a line table, where the program stopped.
int reportEnd(Runtime& rt) {
  ConsoleState& c = rt.console;
  if (c.Echo && c.EchoLineOpen) echoText(rt, "", true);
  int code = ExitOk;
  if (rt.errors.ErrorNumber > 0) {
    std::string text = formatErrorText(rt.errors);
    writeErrorRecord(rt, "RUNTIMEERROR", text);
    const std::string detail = errorDetail(rt, rt.errors.ErrorNumber, rt.errors.ErrorPosition);
    std::fprintf(stderr, "%s\n%s\n", text.c_str(), detail.c_str());
    if (c.Echo) echoText(rt, text, true);
    rt.host.MainWindow->showCursor(true);
    rt.host.errorBox->show(ErrorCaption, text + "\n" + detail);
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
  if (options.warn || rt.settings.DebugMode) enableWarnings(rt);
  if (!choosePlatform(rt, options.headless)) return false;
  std::error_code ec;
  h.MainWindow->setTitle(fs::absolute(game, ec).string());
  if (!openGamePayload(rt, game)) return false;
  if (!startInputDevices(rt, options.headless)) return false;
  // Music, sound (a failure is only logged), and the object and sprite tables start here.
  startSound(rt);
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
  if (!StartDisplay(rt, std::move(presenter), h.FullScreenExclusive, h.DesktopWindow)) return false;
  // The engine draws its own pointer, so the desktop's stays hidden over the window.
  h.MainWindow->showCursor(false);
  StartSprites(rt);
  Start3D(rt);
  return true;
}

void startRun(Runtime& rt) {
  resetInterpreter(rt);
  emptyChecklist(rt);
  resetSwitches(rt);
  resetFrameTiming(rt);
}

void endRun(Runtime& rt) {
  closePayload(rt);
  ReleaseEffects(rt);
  // The display-side services are released here, in this order: drawing state, music,
  // sounds, animations, images, sprites and the pointer picture, 3D data and open files,
  // then the display.
  releaseMusic(rt);
  deleteAllSounds(rt);
  releaseAnimations(rt);
  StopSprites(rt);
  Stop3D(rt);
  StopDisplay(rt);
  releaseProgram(rt.image, rt.arrays);
}

int shutDown(Runtime& rt, bool started) {
  // The display-side services, sound and input are released here (the object and sprite
  // tables, display objects, sounds and the listener, the input devices).
  releaseSound(rt);
  ReleaseInput(rt);
  int code = reportEnd(rt);
  if (!started && code == ExitOk) code = ExitStartFailed;
  installPlatform(rt, makeNullServices());
  removeRunFolder(rt.settings.TempFolder);
  return code;
}

}  // namespace zt
