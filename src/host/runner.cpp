#include "host/runner.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "compiler/compiler.h"
#include "core/runtime.h"

namespace zt {

namespace {

void establishFolders(Runtime& rt, const std::string& program) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path folder = fs::absolute(fs::path(program), ec).parent_path();
  rt.settings.EngineFolder = (folder / "").string();
  rt.settings.TempFolder = (fs::temp_directory_path(ec) / "").string();
}

// One frame: the display, sound and animation steps join this as they arrive.
void runFrame(Runtime& rt) {
  interpret(rt);
  rt.clock.advance(Clock::VirtualFrameMs);
}

bool isSourceFile(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".ztb";
}

// A .ztb source is compiled in memory; anything else is a program image.
bool loadProgramOrSource(Runtime& rt, const std::string& program) {
  std::string error;
  if (isSourceFile(program)) {
    compiler::CompileResult compiled = compiler::compileFile(program);
    if (!compiled.ok) {
      std::fputs(compiled.messages.c_str(), stderr);
      return false;
    }
    if (loadProgram(rt.image, compiled.image, rt.dispatch, error)) return true;
  } else if (loadProgramFile(rt.image, program, rt.dispatch, error)) {
    return true;
  }
  std::fprintf(stderr, "zentropia: cannot load %s: %s\n", program.c_str(), error.c_str());
  return false;
}

int reportEnd(Runtime& rt) {
  if (rt.host.Echo && rt.host.EchoLineOpen) echoText(rt, "", true);
  int code = ExitOk;
  if (rt.errors.ErrorNumber != 0) {
    std::string text = formatErrorText(rt.errors);
    logRuntimeError(rt, text);
    std::fprintf(stderr, "%s\n", text.c_str());
    if (rt.host.Echo) echoText(rt, text, true);
    code = ExitProgramError;
  }
  flushLog(rt);
  if (rt.host.Echo) std::fflush(rt.host.Echo);
  return code;
}

}  // namespace

int runProgram(const RunOptions& options) {
  auto rt = std::make_unique<Runtime>();
  establishFolders(*rt, options.program);
  bool windowMode = options.window;
  readSettings(*rt, windowMode);
  if (options.virtualClock) rt->clock.makeVirtual(&rt->interp.Executed);
  if (options.echo) rt->host.Echo = stdout;

  if (!loadProgramOrSource(*rt, options.program)) return ExitStartFailed;
  startProgramData(*rt);
  resetInterpreter(*rt);
  rt->host.ProgramRunning = true;

  for (int64_t frame = 0; !rt->host.QuitPosted;) {
    runFrame(*rt);
    if (options.frames > 0 && ++frame >= options.frames) break;
  }
  int code = reportEnd(*rt);
  releaseProgram(rt->image, rt->arrays);
  return code;
}

}  // namespace zt
