// Console commands: PRINT and PRINTC draw text at the print cursor through print records
// (and mirror it on the echo channel), SET CURSOR, INPUT, INKEY$, SCANCODE, CL$, TIMER,
// the date and time, the waiting commands and the mouse functions. Commands that wait
// stay on themselves and yield, so the frames go on while they wait. Owns the ConsoleState.
#include "core/console.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <string>

#include "core/family.h"
#include "core/numformat.h"
#include "core/runtime.h"
#include "host/run_loop.h"

namespace zt {

namespace {

constexpr char Backspace = 8;
constexpr char Enter = 13;
constexpr int MaxInputLength = 255;
constexpr int32_t MaxMouseZ = 99;

// ---- PRINT ----

template <bool EndLine>
void printText(Runtime& rt, std::string_view text) {
  ConsoleState& c = rt.console;
  echoText(rt, text, EndLine);
  AddPrintRecord(rt, text, c.CursorX, c.CursorY, !EndLine, !EndLine, false);
  yieldForScreen(rt);
}

template <bool EndLine>
Word* printInteger(Runtime& rt, Word* pc) {
  printText<EndLine>(rt, formatInteger(operand(pc, 0).i));
  return pc + 1;
}

template <bool EndLine>
Word* printFloat(Runtime& rt, Word* pc) {
  printText<EndLine>(rt, formatFloat(operand(pc, 0).f));
  return pc + 1;
}

template <bool EndLine>
Word* printString(Runtime& rt, Word* pc) {
  printText<EndLine>(rt, cellText(operand(pc, 0)));
  return pc + 1;
}

Word* printBlank(Runtime& rt, Word* pc) {
  printText<true>(rt, " ");
  return pc;
}

Word* opSetCursor(Runtime& rt, Word* pc) {
  rt.console.CursorX = operand(pc, 0).i;
  rt.console.CursorY = operand(pc, 1).i;
  return pc + 2;
}

// ---- INPUT ----

template <char Kind>
bool acceptedCharacter(char c) {
  if (c == Backspace) return true;
  if constexpr (Kind == 'S') return static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) <= 127;
  else return std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.';
}

std::string inputLine(const ConsoleState& c) { return std::string(c.InputLine.data(), size_t(std::max(c.InputCount, 0))); }

template <char Kind>
void storeInput(Cell& result, const std::string& line) {
  if constexpr (Kind == 'L') result.i = parseLeadingInteger(line);
  else if constexpr (Kind == 'F') result.f = float(parseLeadingFloat(line));
  else storeString(result, line);
}

// One run per slice: takes the latest typed character, echoes the line with its cursor
// mark, and on Enter converts the line into the result.
template <char Kind>
Word* opInput(Runtime& rt, Word* pc) {
  ConsoleState& c = rt.console;
  const char typed = char(rt.host.LastChar);
  if (typed && acceptedCharacter<Kind>(typed)) {
    if (c.InputCount == -1) {
      c.InputStartX = c.CursorX;
      c.InputCount = 0;
      AddPrintRecord(rt, "_", c.CursorX, c.CursorY, true, false, true);
    }
    if (typed != Backspace && c.InputCount < MaxInputLength) c.InputLine[size_t(c.InputCount++)] = typed;
    if (typed == Backspace && c.InputCount > 0) {
      c.CursorX = c.InputStartX;
      AddEraseRecord(rt, inputLine(c) + "_", c.CursorX, c.CursorY);
      --c.InputCount;
    }
    c.CursorX = c.InputStartX;
    AddPrintRecord(rt, inputLine(c) + "_", c.CursorX, c.CursorY, true, false, true);
  }
  if (typed == Enter) {
    const std::string line = inputLine(c);
    if (c.InputCount != -1) c.CursorX = c.InputStartX;
    AddPrintRecord(rt, line + "  ", c.CursorX, c.CursorY, false, false, true);
    c.InputCount = -1;
    echoText(rt, line, true);
    storeInput<Kind>(operand(pc, 0), line);
  }
  rt.host.LastChar = 0;
  rt.interp.YieldFlag = true;
  return typed == Enter ? pc + 1 : commandWord(pc);
}

// ---- keyboard, command line, time ----

// Polls the devices again when the interpreter asked for it (every 201st command in
// manual refresh): new key states are seen by the next query.
void refreshInput(Runtime& rt) {
  if (!rt.interp.InputRefreshFlag) return;
  rt.interp.InputRefreshFlag = false;
  rt.host.MainWindow->pollEvents();
}

Word* opInkey(Runtime& rt, Word* pc) {
  if (!rt.interp.AutoRefresh) pumpMessages(rt);
  const char c = char(rt.host.LastChar);
  storeString(operand(pc, 0), std::string_view(&c, c ? 1 : 0));
  return pc + 1;
}

Word* opScancode(Runtime& rt, Word* pc) {
  refreshInput(rt);
  int32_t key = 0;
  for (int k = 0; k < KeyCount; ++k)
    if (rt.host.MainWindow->keyDown(k)) {
      key = k;
      break;
    }
  operand(pc, 0).i = key;
  rt.interp.InputRefreshFlag = true;
  return pc + 1;
}

Word* opCommandLine(Runtime& rt, Word* pc) {
  storeString(operand(pc, 0), rt.host.CommandLine);
  return pc + 1;
}

Word* opTimer(Runtime& rt, Word* pc) {
  operand(pc, 0).i = int32_t(rt.clock.milliseconds());
  return pc + 1;
}

template <bool Date>
Word* opDateTime(Runtime&, Word* pc) {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  char text[32];  // room for any field values the compiler can imagine
  if (Date)
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", t.tm_mon + 1, t.tm_mday, t.tm_year % 100);
  else
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
  storeString(operand(pc, 0), text);
  return pc + 1;
}

// ---- waiting ----

Word* opSleep(Runtime& rt, Word* pc) {
  ConsoleState& c = rt.console;
  const double now = rt.clock.milliseconds();
  rt.interp.YieldFlag = true;
  if (c.WakeTime < 0) {
    c.WakeTime = now + operand(pc, 0).i;
  } else if (now > c.WakeTime) {
    c.WakeTime = -1.0;
    return pc + 1;
  }
  return commandWord(pc);
}

// Waits for `pressed` to become true and then false again.
Word* waitPressRelease(Runtime& rt, Word* pc, uint8_t& state, bool pressed) {
  if (state == 0 && pressed)
    state = 1;
  else if (state == 1 && !pressed) {
    state = 0;
    return pc;
  }
  rt.interp.YieldFlag = true;
  return commandWord(pc);
}

Word* opWaitKey(Runtime& rt, Word* pc) {
  return waitPressRelease(rt, pc, rt.console.KeyWaitState, rt.host.LastChar != 0);
}

Word* opWaitMouse(Runtime& rt, Word* pc) {
  return waitPressRelease(rt, pc, rt.console.MouseWaitState, rt.console.MouseButtons != 0);
}

// ---- mouse ----

template <auto Field>
Word* opMouseQuery(Runtime& rt, Word* pc) {
  refreshInput(rt);
  operand(pc, 0).i = int32_t(rt.console.*Field);
  return pc + 1;
}

Word* opPositionMouse(Runtime& rt, Word* pc) {
  rt.console.MouseX = operand(pc, 0).i;
  rt.console.MouseY = operand(pc, 1).i;
  yieldForAutoRefresh(rt);
  return pc + 2;
}

Word* opHideMouse(Runtime& rt, Word* pc) {
  rt.console.MouseShown = false;
  yieldForAutoRefresh(rt);
  return pc;
}

Word* opShowMouse(Runtime& rt, Word* pc) {
  rt.console.MouseShown = true;
  rt.interp.YieldFlag = true;
  return pc;
}

const CommandRow Rows[] = {
    {211, "CL$[", "S", opCommandLine},
    {224, "HIDE MOUSE", "0", opHideMouse},
    {228, "INKEY$[", "S", opInkey},
    {238, "MOUSECLICK[", "L", opMouseQuery<&ConsoleState::MouseButtons>},
    {239, "MOUSEX[", "L", opMouseQuery<&ConsoleState::MouseX>},
    {240, "MOUSEY[", "L", opMouseQuery<&ConsoleState::MouseY>},
    {241, "MOUSEMOVEX[", "L", opMouseQuery<&ConsoleState::MouseMoveX>},
    {244, "MOUSEMOVEY[", "L", opMouseQuery<&ConsoleState::MouseMoveY>},
    {246, "POSITION MOUSE", "LL", opPositionMouse},
    {250, "SCANCODE[", "L", opScancode},
    {252, "SET CURSOR", "LL", opSetCursor},
    {253, "SHOW MOUSE", "0", opShowMouse},
    {255, "SLEEP", "L", opSleep},
    {260, "TIMER[", "L", opTimer},
    {263, "WAIT KEY", "0", opWaitKey},
    {264, "SUSPEND FOR KEY", "0", opWaitKey},
    {265, "SUSPEND FOR MOUSE", "0", opWaitMouse},
    {301, "PRINT", "L", printInteger<true>},
    {302, "PRINT", "F", printFloat<true>},
    {303, "PRINT", "S", printString<true>},
    {304, "PRINT", "0", printBlank},
    {305, "PRINTC", "L", printInteger<false>},
    {306, "PRINTC", "F", printFloat<false>},
    {307, "PRINTC", "S", printString<false>},
    {351, "INPUT", "L", opInput<'L'>},
    {352, "INPUT", "S", opInput<'S'>},
    {355, "INPUT", "F", opInput<'F'>},
    {408, "GET DATE$[", "S", opDateTime<true>},
    {409, "GET TIME$[", "S", opDateTime<false>},
    {410, "WAIT", "L", opSleep},
    {431, "MOUSEZ[", "L", opMouseQuery<&ConsoleState::MouseZ>},
    {432, "MOUSEMOVEZ[", "L", opMouseQuery<&ConsoleState::MouseMoveZ>},
};

}  // namespace

void printLine(Runtime& rt, std::string_view text) { printText<true>(rt, text); }

void resetPrintCursor(Runtime& rt) {
  rt.console.CursorX = 0;
  rt.console.CursorY = 0;
}

void mouseMessage(Runtime& rt, const WindowMessage& message) {
  ConsoleState& c = rt.console;
  const DisplayState& d = rt.display;
  switch (message.kind) {
    case MessageKind::MouseMove: {
      int x, y;
      windowToScreen(d, message.a, message.b, x, y);
      const int32_t dx = x - c.PointerX, dy = y - c.PointerY;
      c.PointerX = x;
      c.PointerY = y;
      c.MouseMoveX = wrapAdd(c.MouseMoveX, dx);
      c.MouseMoveY = wrapAdd(c.MouseMoveY, dy);
      c.MouseX = std::clamp(wrapAdd(c.MouseX, dx), 0, std::max(0, d.ScreenWidth - 1));
      c.MouseY = std::clamp(wrapAdd(c.MouseY, dy), 0, std::max(0, d.ScreenHeight - 1));
      break;
    }
    case MessageKind::Wheel:
      c.MouseMoveZ = wrapAdd(c.MouseMoveZ, message.a);
      c.MouseZ = std::clamp(wrapAdd(c.MouseZ, message.a), 0, MaxMouseZ);
      break;
    case MessageKind::ButtonDown:
    case MessageKind::ButtonUp:
      if (message.a >= 0 && message.a < 4) {
        const uint16_t bit = uint16_t(1u << message.a);
        c.MouseButtons = message.kind == MessageKind::ButtonDown ? c.MouseButtons | bit : c.MouseButtons & ~bit;
      }
      break;
    default: break;
  }
}

void clearMouseMovement(Runtime& rt) {
  rt.console.MouseMoveX = 0;
  rt.console.MouseMoveY = 0;
}

extern const std::span<const CommandRow> ConsoleRows(Rows);

}  // namespace zt
