#include "host/run_loop.h"

#include "core/runtime.h"
#include "display2d/chooser.h"
#include "display2d/state.h"
#include "host/frame.h"
#include "host/lifecycle.h"
#include "host/recording.h"
#include "host/settings.h"
#include "host/state.h"
#include "input/input.h"
#include "input/state.h"
#include "platform/process.h"
#include "services/state.h"

namespace zt {

namespace {

constexpr int KeyPollMilliseconds = 10;
constexpr int InactivePollMilliseconds = 25;

// The platform's events and the script's events due by this frame join the queue, and
// the devices are read (not while the window is inactive).
void pollInput(Runtime& rt) {
  rt.input.RecordingFrame = rt.frame.Frames;
  pollMessages(rt);
  postScriptedInput(rt, rt.frame.Frames);
  if (rt.host.WindowActive) UpdateInput(rt);
}

// Lets time pass for a held key: the script's next events, or the platform's. False when
// nothing can ever release it (no desktop, script exhausted).
bool waitForInput(Runtime& rt) {
  HostState& h = rt.host;
  if (h.Script) {
    const std::span<const ScriptedEvent> events = h.Script->takeNext();
    postScriptedEvents(rt, events);
    if (!events.empty()) return true;
  }
  return waitMessages(rt, KeyPollMilliseconds);
}

void runFrame(Runtime& rt) {
  HostState& h = rt.host;
  rt.input.RecordingFrame = rt.frame.Frames + 1;  // what comes now is seen from the next frame on
  if (!h.WindowActive) waitMessages(rt, InactivePollMilliseconds);  // frozen, not spinning
  rt.input.FrameRunning = true;
  FrameStart(rt);
  if (h.WindowActive) {
    interpret(rt);
    if (rt.settings.DebugMode) flushLog(rt);
  }
  FrameEnd(rt);
  rt.input.FrameRunning = false;
  rt.clock->advance(Clock::VirtualFrameMs);
  ++rt.frame.Frames;
  saveRecording(rt);
}

}  // namespace

void postScriptedInput(Runtime& rt, int64_t frame) {
  if (rt.host.Script) postScriptedEvents(rt, rt.host.Script->takeDue(frame));
}

void windowProc(Runtime& rt, const WindowMessage& message) {
  HostState& h = rt.host;
  if (message.kind == MessageKind::Paint) {  // no input: the typed character stays
    PaintChooser(rt);
    return;
  }
  inputMessage(rt, message);
  switch (message.kind) {
    case MessageKind::Close:
      postQuit(rt);
      break;
    case MessageKind::Activate:
      h.WindowActive = message.a != 0;
      break;
    case MessageKind::KeyDown:
      if (message.a == KeyEscape && rt.switches.EscapeKeyEnabled) postQuit(rt);
      break;
    default:
      break;
  }
}

void waitForKeyRelease(Runtime& rt) {
  for (int key : {KeyEscape, KeyF11, KeyF12})
    while (keyDown(rt, key) && waitForInput(rt)) {
    }
  // Every waiting message goes, and with them a quit they ask for: an Escape pressed
  // before the run does not end it.
  const bool quit = rt.interp.QuitPosted;
  dispatchMessages(rt, false);
  rt.interp.QuitPosted = quit;
}

void runLoop(Runtime& rt, int64_t frameLimit) {
  startRun(rt);
  rt.input.MessagePumpCounter = 0;
  pumpMessages(rt);
  waitForKeyRelease(rt);
  rt.input.LastChar = 0;
  for (;;) {
    pollInput(rt);
    if (rt.interp.QuitPosted || stopSignal() != 0) break;
    WindowMessage message;
    if (nextMessage(rt, message)) {
      windowProc(rt, message);
      continue;
    }
    runFrame(rt);
    if (frameLimit > 0 && rt.frame.Frames >= frameLimit) break;
  }
  waitForKeyRelease(rt);
}

}  // namespace zt
