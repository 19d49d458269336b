// The input state: the messages waiting for the window procedure, the key states in the
// language's key numbers, the typed character, the mouse as programs see it (position
// clamped to the screen, wheel clamped to 0 .. 99, buttons, movement since the last frame
// end) and the button the card chooser watches. Fed by the window's events and the input
// script. Only input and the host include this; others use input/input.h.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>

#include "formats/input_script.h"
#include "platform/window.h"

namespace zt {

struct Runtime;

struct InputState {
  Window* Source = nullptr;  // the main window, whose events feed the queue (the host owns it)
  // The host's window procedure, which pumping commands run on the waiting messages.
  void (*WindowProc)(Runtime& rt, const WindowMessage& message) = nullptr;
  std::deque<WindowMessage> Messages;
  std::array<bool, KeyCount> KeyStates{};  // as of the latest event, as the asynchronous key state is
  uint32_t MessagePumpCounter = 0;
  uint8_t LastChar = 0;  // the character of the latest key press, until the next message

  int32_t MouseX = 320, MouseY = 240, MouseZ = 50;
  uint16_t MouseButtons = 0;
  int32_t MouseMoveX = 0, MouseMoveY = 0, MouseMoveZ = 0;
  bool MouseShown = true;                  // HIDE MOUSE and SHOW MOUSE; the pointer's picture follows it
  int32_t PointerX = 320, PointerY = 240;  // the real pointer, in screen pixels
  int ChooserButton = 0;                   // mouse button held for the card chooser: 1 left, 2 right, 0 none

  // --record: every message entering the queue, as script lines stamped with the frame
  // whose start sees it. While a frame runs the window's events wait for the next frame
  // start, so that a replay, which posts them there, shows the program the same input.
  std::unique_ptr<InputScriptWriter> Recording;
  int64_t RecordingFrame = 0;
  bool FrameRunning = false;
};

}  // namespace zt
