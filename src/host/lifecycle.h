// The engine's life in order: the Runtime with its subsystems, the start-up sequence
// (folders, settings, window, payload, services, program, display), the start of a run,
// and the shutdown sequence with the final report of an error. Each sequence is listed
// in one place, lifecycle.cpp, as frame.cpp lists the steps of a frame.
#pragma once

#include <string>

#include "host/options.h"

namespace zt {

struct Runtime;

enum ExitCode : int { ExitOk = 0, ExitProgramError = 1, ExitStartFailed = 2 };

// Reproducible runs: the virtual clock in place of the system clock.
void useVirtualClock(Runtime& rt);
// The start-up sequence, in order; false at the first step that fails.
bool startUp(Runtime& rt, const RunOptions& options, const std::string& game);
// The start of a run: the interpreter, the checklist and the switches as a program
// first sees them.
void startRun(Runtime& rt);
// After the run: the payload's copies and the display-side services are released.
void endRun(Runtime& rt);
// The shutdown sequence, reached after the run or from a failed start-up step; returns
// the process's exit code.
int shutDown(Runtime& rt, bool started);

}  // namespace zt
