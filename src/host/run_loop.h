// The run loop: it alternates the window's messages with frames (FrameStart, one
// interpreter slice, FrameEnd) until the quit request, draining every waiting message
// before the next frame so the window stays responsive. The window procedure turns
// messages into the flags commands read: WindowActive, the input state, the quit request.
#pragma once

#include <cstdint>

#include "platform/window.h"

namespace zt {

struct Runtime;

// Runs the program until it quits, or until `frameLimit` frames have run (0: no limit).
void runLoop(Runtime& rt, int64_t frameLimit);
void windowProc(Runtime& rt, const WindowMessage& message);
// Posts the input script's events due by `frame` (none without a script) to the input queue.
void postScriptedInput(Runtime& rt, int64_t frame);
// Waits until Escape, F11 and F12 are all up, then dispatches the waiting messages, so a
// key held across the start or the end of a run does not act twice.
void waitForKeyRelease(Runtime& rt);

}  // namespace zt
