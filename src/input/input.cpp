#include "input/input.h"

#include <algorithm>

#include "core/runtime.h"
#include "display2d/display.h"
#include "formats/input_script.h"
#include "input/state.h"

namespace zt {

namespace {

constexpr uint32_t PumpInterval = 50000;
constexpr int32_t MaxMouseZ = 99;

// The window's events, in the order they arrived, join the queue.
void takeWindowEvents(Runtime& rt) {
  WindowMessage message;
  while (rt.input.Source && rt.input.Source->nextMessage(message)) postMessage(rt, message);
}

void mouseMessage(Runtime& rt, const WindowMessage& message) {
  InputState& in = rt.input;
  switch (message.kind) {
    case MessageKind::MouseMove: {
      int x, y;
      windowToScreen(rt, message.a, message.b, x, y);
      const int32_t dx = x - in.PointerX, dy = y - in.PointerY;
      int32_t width, height;
      screenSize(rt, width, height);
      in.PointerX = x;
      in.PointerY = y;
      in.MouseMoveX = wrapAdd(in.MouseMoveX, dx);
      in.MouseMoveY = wrapAdd(in.MouseMoveY, dy);
      in.MouseX = std::clamp(wrapAdd(in.MouseX, dx), 0, std::max(0, width - 1));
      in.MouseY = std::clamp(wrapAdd(in.MouseY, dy), 0, std::max(0, height - 1));
      break;
    }
    case MessageKind::Wheel:
      in.MouseMoveZ = wrapAdd(in.MouseMoveZ, message.a);
      in.MouseZ = std::clamp(wrapAdd(in.MouseZ, message.a), 0, MaxMouseZ);
      break;
    case MessageKind::ButtonDown:
    case MessageKind::ButtonUp:
      if (message.a >= 0 && message.a < 4) {
        const uint16_t bit = uint16_t(1u << message.a);
        in.MouseButtons = message.kind == MessageKind::ButtonDown ? in.MouseButtons | bit : in.MouseButtons & ~bit;
      }
      if (message.a <= 1) in.ChooserButton = message.kind == MessageKind::ButtonDown ? message.a + 1 : 0;
      break;
    default:
      break;
  }
}

// The script event a message stands for; false for a message that is no input (a repaint).
bool scriptedEvent(const Runtime& rt, const WindowMessage& m, ScriptedEvent& e) {
  e = {rt.input.RecordingFrame, ScriptedKind::Close, m.a, m.b};
  switch (m.kind) {
    case MessageKind::Close: e.kind = ScriptedKind::Close; return true;
    case MessageKind::Activate: e.kind = ScriptedKind::Activate; return true;
    case MessageKind::KeyDown: e.kind = ScriptedKind::KeyDown; return true;
    case MessageKind::KeyUp: e.kind = ScriptedKind::KeyUp; return true;
    case MessageKind::Char: e.kind = ScriptedKind::Char; return true;
    case MessageKind::ButtonDown: e.kind = ScriptedKind::ButtonDown; return true;
    case MessageKind::ButtonUp: e.kind = ScriptedKind::ButtonUp; return true;
    case MessageKind::Wheel: e.kind = ScriptedKind::Wheel; return true;
    case MessageKind::MouseMove:
      // Kept as frame pixels, which a replay without a window (or in one of the frame's
      // size) maps to the same screen position.
      e.kind = ScriptedKind::MouseMove;
      windowToScreen(rt, m.a, m.b, e.a, e.b);
      return true;
    case MessageKind::Paint: return false;
  }
  return false;
}

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

}  // namespace

void postScriptedEvents(Runtime& rt, std::span<const ScriptedEvent> events) {
  for (const ScriptedEvent& e : events) postMessage(rt, windowMessage(e));
}

void postMessage(Runtime& rt, const WindowMessage& message) {
  InputState& in = rt.input;
  if ((message.kind == MessageKind::KeyDown || message.kind == MessageKind::KeyUp) && message.a >= 0 &&
      message.a < KeyCount)
    in.KeyStates[size_t(message.a)] = message.kind == MessageKind::KeyDown;
  in.Messages.push_back(message);
  if (ScriptedEvent e; in.Recording && scriptedEvent(rt, message, e)) in.Recording->add(e);
}

void pollMessages(Runtime& rt) {
  if (rt.input.Recording && rt.input.FrameRunning) return;
  if (rt.input.Source) rt.input.Source->pollEvents();
  takeWindowEvents(rt);
}

void waitMessages(Runtime& rt, int milliseconds) {
  if (rt.input.Source) rt.input.Source->waitEvents(milliseconds);
  takeWindowEvents(rt);
}

bool nextMessage(Runtime& rt, WindowMessage& message) {
  std::deque<WindowMessage>& queue = rt.input.Messages;
  if (queue.empty()) return false;
  message = queue.front();
  queue.pop_front();
  return true;
}

void dispatchMessage(Runtime& rt, const WindowMessage& message) { rt.input.WindowProc(rt, message); }

void dispatchMessages(Runtime& rt, bool stopAtQuit) {
  pollMessages(rt);
  WindowMessage message;
  while (!(stopAtQuit && rt.interp.QuitPosted) && nextMessage(rt, message)) dispatchMessage(rt, message);
}

void pumpMessages(Runtime& rt) {
  if (++rt.input.MessagePumpCounter <= PumpInterval) return;
  rt.input.MessagePumpCounter = 0;
  dispatchMessages(rt, true);
}

void refreshInput(Runtime& rt) {
  if (!rt.interp.InputRefreshFlag) return;
  rt.interp.InputRefreshFlag = false;
  pollMessages(rt);
}

void inputMessage(Runtime& rt, const WindowMessage& message) {
  rt.input.LastChar = message.kind == MessageKind::Char ? uint8_t(message.a) : 0;
  mouseMessage(rt, message);
}

void clearMouseMovement(Runtime& rt) {
  rt.input.MouseMoveX = 0;
  rt.input.MouseMoveY = 0;
}

bool keyDown(const Runtime& rt, int key) { return key >= 0 && key < KeyCount && rt.input.KeyStates[size_t(key)]; }

uint8_t typedCharacter(const Runtime& rt) { return rt.input.LastChar; }

void consumeTypedCharacter(Runtime& rt) { rt.input.LastChar = 0; }

uint16_t mouseButtons(const Runtime& rt) { return rt.input.MouseButtons; }

int chooserButton(const Runtime& rt) { return rt.input.ChooserButton; }

}  // namespace zt
