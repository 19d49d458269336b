#include "host/run_loop.h"

#include "core/runtime.h"
#include "host/frame.h"
#include "platform/process.h"

namespace zt {

namespace {

constexpr uint32_t PumpInterval = 50000;
constexpr int KeyPollMilliseconds = 10;
constexpr int InactivePollMilliseconds = 25;

WindowMessage windowMessage(const ScriptedEvent& e) {
  switch (e.kind) {
    case ScriptedKind::Close: return {MessageKind::Close};
    case ScriptedKind::Activate: return {MessageKind::Activate, e.a};
    case ScriptedKind::KeyDown: return {MessageKind::KeyDown, e.a};
    case ScriptedKind::KeyUp: return {MessageKind::KeyUp, e.a};
    case ScriptedKind::Char: return {MessageKind::Char, e.a};
    case ScriptedKind::MouseMove: return {MessageKind::MouseMove, e.a, e.b};
    case ScriptedKind::ButtonDown: return {MessageKind::ButtonDown, e.a};
    case ScriptedKind::ButtonUp: return {MessageKind::ButtonUp, e.a};
    case ScriptedKind::Wheel: return {MessageKind::Wheel, e.a};
  }
  return {MessageKind::Close};
}

void post(Window& window, std::span<const ScriptedEvent> events) {
  for (const ScriptedEvent& e : events) window.post(windowMessage(e));
}

// The platform's events and the script's events due by this frame join the queue.
void pollInput(Runtime& rt) {
  HostState& h = rt.host;
  h.MainWindow->pollEvents();
  postScriptedInput(rt, h.Frames);
}

void dispatchWaiting(Runtime& rt, bool stopAtQuit) {
  HostState& h = rt.host;
  h.MainWindow->pollEvents();
  WindowMessage message;
  while (!(stopAtQuit && h.QuitPosted) && h.MainWindow->nextMessage(message)) windowProc(rt, message);
}

// Lets time pass for a held key: the script's next events, or the platform's. False when
// nothing can ever release it (no desktop, script exhausted).
bool waitForInput(Runtime& rt) {
  HostState& h = rt.host;
  if (h.Script) {
    const std::span<const ScriptedEvent> events = h.Script->takeNext();
    post(*h.MainWindow, events);
    if (!events.empty()) return true;
  }
  return h.MainWindow->waitEvents(KeyPollMilliseconds);
}

void runFrame(Runtime& rt) {
  HostState& h = rt.host;
  if (!h.WindowActive) h.MainWindow->waitEvents(InactivePollMilliseconds);  // frozen, not spinning
  FrameStart(rt);
  interpret(rt);
  FrameEnd(rt);
  rt.clock.advance(Clock::VirtualFrameMs);
  ++h.Frames;
}

}  // namespace

void postScriptedInput(Runtime& rt, int64_t frame) {
  if (rt.host.Script) post(*rt.host.MainWindow, rt.host.Script->takeDue(frame));
}

void windowProc(Runtime& rt, const WindowMessage& message) {
  HostState& h = rt.host;
  h.LastChar = 0;
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
    case MessageKind::Char:
      h.LastChar = uint8_t(message.a);
      break;
    case MessageKind::ButtonDown:
    case MessageKind::ButtonUp:
      mouseMessage(rt, message);
      if (message.a <= 1) h.ChooserButton = message.kind == MessageKind::ButtonDown ? message.a + 1 : 0;
      break;
    case MessageKind::MouseMove:
    case MessageKind::Wheel:
      mouseMessage(rt, message);
      break;
    case MessageKind::KeyUp:
      break;
  }
}

void pumpMessages(Runtime& rt) {
  if (++rt.host.MessagePumpCounter <= PumpInterval) return;
  rt.host.MessagePumpCounter = 0;
  dispatchWaiting(rt, true);
}

void waitForKeyRelease(Runtime& rt) {
  HostState& h = rt.host;
  for (int key : {KeyEscape, KeyF11, KeyF12})
    while (h.MainWindow->keyDown(key) && waitForInput(rt)) {
    }
  // Every waiting message goes, and with them a quit they ask for: an Escape pressed
  // before the run does not end it.
  const bool quit = h.QuitPosted;
  dispatchWaiting(rt, false);
  h.QuitPosted = quit;
}

void runLoop(Runtime& rt, int64_t frameLimit) {
  HostState& h = rt.host;
  resetInterpreter(rt);
  resetFrameTiming(rt);
  h.MessagePumpCounter = 0;
  pumpMessages(rt);
  waitForKeyRelease(rt);
  h.LastChar = 0;
  for (;;) {
    pollInput(rt);
    if (h.QuitPosted || stopSignal() != 0) break;
    WindowMessage message;
    if (h.MainWindow->nextMessage(message)) {
      windowProc(rt, message);
      continue;
    }
    runFrame(rt);
    if (frameLimit > 0 && h.Frames >= frameLimit) break;
  }
  waitForKeyRelease(rt);
}

}  // namespace zt
