// Console state: the print cursor, the INPUT line in progress, the SLEEP and WAIT KEY
// progress, and the mouse as programs see it (position clamped to the screen, wheel
// clamped to 0 .. 99, buttons, movement since the last frame end). Owns the ConsoleState.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace zt {

struct Runtime;
struct WindowMessage;

struct ConsoleState {
  int32_t CursorX = 0, CursorY = 0;
  std::array<char, 256> InputLine{};
  int32_t InputCount = -1;  // -1: no INPUT in progress
  int32_t InputStartX = 0;
  double WakeTime = -1.0;  // -1: no SLEEP or WAIT in progress
  uint8_t KeyWaitState = 0, MouseWaitState = 0;

  int32_t MouseX = 320, MouseY = 240, MouseZ = 50;
  uint16_t MouseButtons = 0;
  int32_t MouseMoveX = 0, MouseMoveY = 0, MouseMoveZ = 0;
  bool MouseShown = true;     // HIDE MOUSE and SHOW MOUSE; the pointer's picture follows it
  int32_t PointerX = 320, PointerY = 240;  // the real pointer, in screen pixels
};

// CLS: the next print goes to the top-left corner.
void resetPrintCursor(Runtime& rt);
// One line at the print cursor, as PRINT shows it (directory listings print this way).
void printLine(Runtime& rt, std::string_view text);
// A mouse message from the window: movement, wheel and buttons update the mouse state.
void mouseMessage(Runtime& rt, const WindowMessage& message);
// Frame end: the movement sums start again.
void clearMouseMovement(Runtime& rt);

}  // namespace zt
