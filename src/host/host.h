// Host state: the command line, the folders, the window and its flags (WindowActive,
// LastChar), whether the program runs, the quit request that ends the run loop, the
// payload, the frame counter and the echo channel that mirrors console text on standard
// output for headless runs and tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "formats/input_script.h"
#include "host/payload.h"
#include "platform/error_box.h"
#include "platform/window.h"

namespace zt {

struct Runtime;

struct HostState {
  std::string CommandLine;             // the arguments after the program, for CL$
  // The platform services of the run (platform/platform.h); the null ones until start-up
  // chooses, and again after shutdown. The clipboard is Runtime's.
  std::unique_ptr<Window> MainWindow = createNullWindow();
  std::unique_ptr<ErrorBox> errorBox = std::make_unique<NullErrorBox>();
  bool FullScreenExclusive = true;
  bool DesktopWindow = false;  // WINDOWMODE "1" or --window
  bool ProgramRunning = false;
  bool QuitPosted = false;
  bool WindowActive = true;
  uint8_t LastChar = 0;  // the character of the latest key press, until the next message
  uint32_t MessagePumpCounter = 0;
  int ChooserButton = 0;  // mouse button held for the card chooser: 1 left, 2 right, 0 none
  Payload payload;
  std::unique_ptr<InputScript> Script;  // null without --input
  int64_t Frames = 0;                   // run-loop frames so far, skipped ones included
  std::FILE* Echo = nullptr;            // console text also goes here when set
  bool EchoLineOpen = false;            // PRINTC text waits on the line
};

// Asks the run loop to end after the current slice.
void postQuit(Runtime& rt);

// Console text on the echo channel: `endLine` finishes the line after the text.
void echoText(Runtime& rt, std::string_view text, bool endLine);

}  // namespace zt
