#include "host/runner.h"

#include <cstdio>
#include <memory>

#include "core/runtime.h"
#include "display2d/state.h"
#include "host/diagnostics.h"
#include "host/lifecycle.h"
#include "host/recording.h"
#include "host/run_loop.h"
#include "host/state.h"
#include "platform/fs.h"
#include "platform/platform.h"
#include "platform/process.h"

namespace zt {

namespace {

bool loadInputScript(InputScript& script, const std::string& path, std::string& error) {
  std::string text;
  if (!readWholeFile(path, text)) {
    error = "cannot read " + path;
    return false;
  }
  return script.parse(text, error);
}

}  // namespace

int startEngine(Runtime& rt, const RunOptions& options) {
  if (options.virtualClock) useVirtualClock(rt);
  if (options.echo) rt.console.Echo = stdout;
  const std::string game = options.program.empty() ? executablePath() : options.program;
  const bool started = startUp(rt, options, game);
  if (started) {
    rt.interp.ProgramRunning = true;
    runLoop(rt, options.frames);
    reportUnreachedFrames(rt, options);
    endRun(rt);
  }
  const int code = shutDown(rt, started);
  finishRecording(rt);
  return code;
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
    case CommandLineResult::Version:
      std::fputs(versionText().c_str(), stdout);
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
  if (!options.recordFile.empty() && !startRecording(*rt, options.recordFile, error)) {
    std::fprintf(stderr, "zentropia: --record %s: %s\n", options.recordFile.c_str(), error.c_str());
    return ExitStartFailed;
  }
  return startEngine(*rt, options);
}

}  // namespace zt
