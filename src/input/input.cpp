#include "input/input.h"

#include <algorithm>

#include "core/runtime.h"
#include "core/text_lines.h"
#include "display2d/display.h"
#include "formats/input_script.h"
#include "input/state.h"

namespace zt {

namespace {

constexpr uint32_t PumpInterval = 50000;
constexpr int32_t MaxMouseZ = 99;
constexpr int32_t StartJoystickDeadZone = 1000;  // ten-thousandths of the range: 10 %

// The window's events, in the order they arrived, join the queue.
void takeWindowEvents(Runtime& rt) {
  WindowMessage message;
  while (rt.input.Source->nextMessage(message)) postMessage(rt, message);
}

// The mouse device as a message reports it: movement and buttons wait for UpdateInput.
void mouseDevice(InputState& in, const Runtime& rt, const WindowMessage& message) {
  switch (message.kind) {
    case MessageKind::MouseMove: {
      int x, y;
      windowToScreen(rt, message.a, message.b, x, y);
      in.DeviceMoveX = wrapAdd(in.DeviceMoveX, wrapSub(x, in.PointerX));
      in.DeviceMoveY = wrapAdd(in.DeviceMoveY, wrapSub(y, in.PointerY));
      in.PointerX = x;
      in.PointerY = y;
      break;
    }
    case MessageKind::Wheel:
      in.DeviceMoveZ = wrapAdd(in.DeviceMoveZ, message.a);
      break;
    case MessageKind::ButtonDown:
    case MessageKind::ButtonUp:
      if (message.a >= 0 && message.a < int(in.DeviceButtons.size()))
        in.DeviceButtons[size_t(message.a)] = message.kind == MessageKind::ButtonDown ? 0x80 : 0;
      break;
    default:
      break;
  }
}

// The mouse state programs see, moved by what the device reported since the last update.
void updateMouse(Runtime& rt) {
  InputState& in = rt.input;
  int32_t width, height;
  screenSize(rt, width, height);
  in.MouseX = std::clamp(wrapAdd(in.MouseX, in.DeviceMoveX), 0, std::max(0, width - 1));
  in.MouseY = std::clamp(wrapAdd(in.MouseY, in.DeviceMoveY), 0, std::max(0, height - 1));
  in.MouseZ = std::clamp(wrapAdd(in.MouseZ, in.DeviceMoveZ), 0, MaxMouseZ);
  in.MouseMoveX = wrapAdd(in.MouseMoveX, in.DeviceMoveX);
  in.MouseMoveY = wrapAdd(in.MouseMoveY, in.DeviceMoveY);
  in.MouseMoveZ = wrapAdd(in.MouseMoveZ, in.DeviceMoveZ);
  in.DeviceMoveX = in.DeviceMoveY = in.DeviceMoveZ = 0;
  in.MouseButtons = 0;
  for (size_t b = 0; b < in.DeviceButtons.size(); ++b)
    if (in.DeviceButtons[b]) in.MouseButtons = uint16_t(in.MouseButtons | 1u << b);
}

// A device that can no longer be read reads as a centred stick with no button down.
void readJoystick(Joystick& device, JoystickReading& state) {
  if (!device.read(state)) state = JoystickReading{};
}

void updateJoysticks(InputState& in) {
  if (in.joystick) {
    // When the control device is the same joystick, its reading stands for both.
    const bool same = in.controlDevice && equalsIgnoringCase(in.ControlDeviceName, in.joystickName);
    readJoystick(same ? *in.controlDevice : *in.joystick, in.JoystickState);
  }
  if (in.controlDevice) readJoystick(*in.controlDevice, in.ControlState);
}

// A scripted joystick event acts on the virtual device the script plugged in.
void scriptedJoystick(InputState& in, const ScriptedEvent& e) {
  if (!in.Devices) return;
  if (e.kind == ScriptedKind::JoystickPlug) {
    in.ScriptedJoysticks.push_back(in.Devices->attachVirtual(e.name, e.b != 0));
    return;
  }
  if (e.a < 1 || size_t(e.a) > in.ScriptedJoysticks.size()) return;
  const int32_t id = in.ScriptedJoysticks[size_t(e.a - 1)];
  switch (e.kind) {
    case ScriptedKind::JoystickAxis: in.Devices->setVirtualAxis(id, e.b, e.c); break;
    case ScriptedKind::JoystickButton: in.Devices->setVirtualButton(id, e.b, e.c != 0); break;
    case ScriptedKind::JoystickUnplug: in.Devices->detachVirtual(id); break;
    default: break;
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
    default: break;
  }
  return {MessageKind::Close};
}

}  // namespace

void postScriptedEvents(Runtime& rt, std::span<const ScriptedEvent> events) {
  for (const ScriptedEvent& e : events) {
    if (e.kind >= ScriptedKind::JoystickPlug)
      scriptedJoystick(rt.input, e);
    else
      postMessage(rt, windowMessage(e));
  }
}

void postMessage(Runtime& rt, const WindowMessage& message) {
  InputState& in = rt.input;
  if ((message.kind == MessageKind::KeyDown || message.kind == MessageKind::KeyUp) && message.a >= 0 &&
      message.a < KeyCount)
    in.KeyStates[size_t(message.a)] = message.kind == MessageKind::KeyDown;
  mouseDevice(in, rt, message);
  in.Messages.push_back(message);
  if (ScriptedEvent e; in.Recording && scriptedEvent(rt, message, e)) in.Recording->add(e);
}

void pollMessages(Runtime& rt) {
  if (rt.input.Recording && rt.input.FrameRunning) return;
  rt.input.Source->pollEvents();
  takeWindowEvents(rt);
}

bool waitMessages(Runtime& rt, int milliseconds) {
  const bool waited = rt.input.Source->waitEvents(milliseconds);
  takeWindowEvents(rt);
  return waited;
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

void UpdateInput(Runtime& rt) {
  pollMessages(rt);
  updateMouse(rt);
  updateJoysticks(rt.input);
}

void refreshInput(Runtime& rt) {
  if (!rt.interp.InputRefreshFlag) return;
  rt.interp.InputRefreshFlag = false;
  UpdateInput(rt);
}

void inputMessage(Runtime& rt, const WindowMessage& message) {
  rt.input.LastChar = message.kind == MessageKind::Char ? uint8_t(message.a) : 0;
  if (message.kind == MessageKind::ButtonDown || message.kind == MessageKind::ButtonUp)
    if (message.a <= 1) rt.input.ChooserButton = message.kind == MessageKind::ButtonDown ? message.a + 1 : 0;
}

void clearMouseMovement(Runtime& rt) {
  rt.input.MouseMoveX = 0;
  rt.input.MouseMoveY = 0;
}

void StartInput(Runtime& rt, std::unique_ptr<ControlDevices> devices, std::span<const ScriptedEvent> startEvents) {
  InputState& in = rt.input;
  in.Devices = std::move(devices);
  postScriptedEvents(rt, startEvents);
  std::vector<AttachedJoystick> attached;
  if (!in.Devices->attached(attached)) return;
  for (const AttachedJoystick& j : attached)
    if ((in.joystick = in.Devices->open(j.id, StartJoystickDeadZone, false))) {
      in.joystickName = j.name;
      return;
    }
}

void ReleaseEffects(Runtime& rt) {
  InputState& in = rt.input;
  if (in.controlDevice) in.controlDevice->releaseEffects();
  in.Effects.fill(false);
}

void ReleaseInput(Runtime& rt) {
  InputState& in = rt.input;
  ReleaseEffects(rt);
  in.controlDevice.reset();
  in.joystick.reset();
  in.ControlDeviceName.clear();
  in.ForceFeedback = false;
  in.Devices.reset();
}

bool keyDown(const Runtime& rt, int key) { return key >= 0 && key < KeyCount && rt.input.KeyStates[size_t(key)]; }

uint8_t typedCharacter(const Runtime& rt) { return rt.input.LastChar; }

void consumeTypedCharacter(Runtime& rt) { rt.input.LastChar = 0; }

uint16_t mouseButtons(const Runtime& rt) { return rt.input.MouseButtons; }

int chooserButton(const Runtime& rt) { return rt.input.ChooserButton; }

}  // namespace zt
