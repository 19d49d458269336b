// Host state shared with the commands: whether the program runs, the quit request that
// ends the run loop, window activity, and the echo channel that mirrors console text on
// standard output for headless runs and tests.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace zt {

struct Runtime;

struct HostState {
  bool ProgramRunning = false;
  bool QuitPosted = false;
  bool WindowActive = true;
  std::FILE* Echo = nullptr;  // console text also goes here when set
  bool EchoLineOpen = false;  // PRINTC text waits on the line
  std::string CommandLine;
};

// Asks the run loop to end after the current slice.
void postQuit(Runtime& rt);

// Console text on the echo channel: `endLine` finishes the line after the text.
void echoText(Runtime& rt, std::string_view text, bool endLine);

}  // namespace zt
