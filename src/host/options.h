// The engine's command line: "zentropia [options] PROGRAM [ARGUMENTS...]", or, when the
// engine's own executable carries a game, "GAME [options] [ARGUMENTS...]". Options come
// first; "--" ends them. Everything after the program (or, for a packed game, from the
// first argument that is not an option) is the program's command line, read by CL$.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zt {

struct RunOptions {
  std::string program;      // the file to run; empty for the game in the engine's own executable
  std::string commandLine;  // the program's arguments, separated by blanks
  std::string inputScript;  // --input FILE
  std::string recordFile;   // --record FILE
  bool window = false;
  bool headless = false;
  bool echo = false;
  bool virtualClock = false;
  bool warn = false;   // soft errors and commands without a handler are reported on stderr
  int64_t frames = 0;  // stop after this many frames; 0 runs to the end
  std::vector<std::pair<int64_t, std::string>> dumpFrames;  // --dump-frame N:FILE, frames counted from 1
};

enum class CommandLineResult { Run, Help, Version, Invalid };

// `ownGame`: the engine's executable carries a game, so no program is expected.
CommandLineResult parseCommandLine(const std::vector<std::string>& args, bool ownGame, RunOptions& options,
                                   std::string& error);
std::string usageText();
// "zentropia VERSION" and the formats this build reads.
std::string versionText();

}  // namespace zt
