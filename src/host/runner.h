// The engine's entry: settings, loading, the run loop of frames and the final report.
#pragma once

#include <cstdint>
#include <string>

namespace zt {

struct RunOptions {
  std::string program;
  bool window = false;
  bool headless = false;
  bool echo = false;
  bool virtualClock = false;
  int64_t frames = 0;  // stop after this many frames; 0 runs to the end
};

enum ExitCode : int { ExitOk = 0, ExitProgramError = 1, ExitStartFailed = 2 };

int runProgram(const RunOptions& options);

}  // namespace zt
