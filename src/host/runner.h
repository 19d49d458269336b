// The engine's entry: the command line, then start-up, the run loop and shutdown
// (host/lifecycle.h).
#pragma once

#include <string>
#include <vector>

#include "host/lifecycle.h"
#include "host/options.h"

namespace zt {

struct Runtime;

// The process entry: reads the command line (and the game in the engine's own executable).
int runEngine(const std::vector<std::string>& args);
// Starts, runs and shuts down one program in `rt`, on the null platform when the options
// say headless; `rt.host.payload` may already hold the engine's own game.
int startEngine(Runtime& rt, const RunOptions& options);

}  // namespace zt
