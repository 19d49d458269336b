// The input state: the messages waiting for the window procedure, the key states in the
// language's key numbers, the typed character, the mouse as the device reports it and as
// programs see it (position clamped to the screen, wheel clamped to 0 .. 99, buttons,
// movement since the last frame end), the button the card chooser watches, and the
// joysticks: the one found at start, the control device and its force-feedback effects.
// Fed by the window's events, the joystick devices and the input script. Only input and
// the host include this; others use input/input.h.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "formats/input_script.h"
#include "platform/input.h"
#include "platform/window.h"

namespace zt {

struct Runtime;

// The force-feedback effects of a control device, one slot each.
enum ForceSlot : int { ForceUpSlot, ForceDownSlot, ForceLeftSlot, ForceRightSlot, ForceAngleSlot, ForceChainsawSlot,
                       ForceShootSlot, ForceImpactSlot, ForceWaterSlot, ForceWaterBackSlot, ForceSlots };

struct InputState {
  Window* Source = nullptr;  // the main window, whose events feed the queue (the host owns it and sets this)
  // The host's window procedure, which pumping commands run on the waiting messages.
  void (*WindowProc)(Runtime& rt, const WindowMessage& message) = nullptr;
  std::deque<WindowMessage> Messages;
  std::array<bool, KeyCount> KeyStates{};  // as of the latest event, as the asynchronous key state is
  uint32_t MessagePumpCounter = 0;
  uint8_t LastChar = 0;  // the character of the latest key press, until the next message

  // The mouse device: movement since the last UpdateInput and the four button bytes.
  int32_t DeviceMoveX = 0, DeviceMoveY = 0, DeviceMoveZ = 0;
  std::array<uint8_t, 4> DeviceButtons{};

  int32_t MouseX = 320, MouseY = 240, MouseZ = 50;
  uint16_t MouseButtons = 0;
  int32_t MouseMoveX = 0, MouseMoveY = 0, MouseMoveZ = 0;
  bool MouseShown = true;                  // HIDE MOUSE and SHOW MOUSE; the pointer's picture follows it
  int32_t PointerX = 320, PointerY = 240;  // the real pointer, in screen pixels
  int ChooserButton = 0;                   // mouse button held for the card chooser: 1 left, 2 right, 0 none

  std::unique_ptr<ControlDevices> Devices;  // the platform's joysticks, from StartInput on
  std::unique_ptr<Joystick> joystick;       // the first joystick found at start, with a 10 % dead zone
  std::string joystickName;
  std::unique_ptr<Joystick> controlDevice;  // SET CONTROL DEVICE's choice
  std::string ControlDeviceName;            // empty until SET CONTROL DEVICE succeeds
  bool ForceFeedback = false;               // the control device has force feedback and its effects were made
  std::array<bool, ForceSlots> Effects{};   // which effects the control device made
  JoystickReading JoystickState, ControlState;
  std::vector<int32_t> ScriptedJoysticks;   // device ids, by the script's joystick number - 1
  // --record: every message entering the queue, as script lines stamped with the frame
  // whose start sees it. While a frame runs the window's events wait for the next frame
  // start, so that a replay, which posts them there, shows the program the same input.
  std::unique_ptr<InputScriptWriter> Recording;
  int64_t RecordingFrame = 0;
  bool FrameRunning = false;
};

}  // namespace zt
