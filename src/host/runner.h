// The engine's entry: the start-up sequence (folders, settings, window, payload, services,
// program, display), the run loop, and the shutdown sequence with the final report of an
// error. The order of both sequences is kept in one place, runner.cpp.
#pragma once

#include <string>
#include <vector>

#include "host/options.h"

namespace zt {

struct Runtime;

enum ExitCode : int { ExitOk = 0, ExitProgramError = 1, ExitStartFailed = 2 };

// The process entry: reads the command line (and the game in the engine's own executable).
int runEngine(const std::vector<std::string>& args);
// Starts, runs and shuts down one program in `rt`, on the null platform when the options
// say headless; `rt.host.payload` may already hold the engine's own game.
int startEngine(Runtime& rt, const RunOptions& options);

}  // namespace zt
