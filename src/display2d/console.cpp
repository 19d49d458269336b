// Console commands: PRINT and PRINTC draw text at the print cursor through print records
// (and mirror it on the echo channel), SET CURSOR, INPUT, CL$, TIMER, the date and time
// and the waiting commands. Commands that wait stay on themselves and yield, so the
// frames go on while they wait.
#include "display2d/console.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <string>

#include "command_ids.h"
#include "core/numformat.h"
#include "core/runtime.h"
#include "display2d/state.h"
#include "input/input.h"

namespace zt {

namespace {

constexpr char Backspace = 8;
constexpr char Enter = 13;
constexpr int MaxInputLength = 255;

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
  const char typed = char(typedCharacter(rt));
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
  consumeTypedCharacter(rt);
  rt.interp.YieldFlag = true;
  return typed == Enter ? pc + 1 : commandWord(pc);
}

// ---- command line, time ----

Word* opCommandLine(Runtime& rt, Word* pc) {
  storeString(operand(pc, 0), rt.console.CommandLine);
  return pc + 1;
}

Word* opTimer(Runtime& rt, Word* pc) {
  operand(pc, 0).i = int32_t(rt.clock->milliseconds());
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
  const double now = rt.clock->milliseconds();
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
  return waitPressRelease(rt, pc, rt.console.KeyWaitState, typedCharacter(rt) != 0);
}

Word* opWaitMouse(Runtime& rt, Word* pc) {
  return waitPressRelease(rt, pc, rt.console.MouseWaitState, mouseButtons(rt) != 0);
}

const CommandRow Rows[] = {
    {CmdCl, opCommandLine},
    {CmdSetCursor, opSetCursor},
    {CmdSleep, opSleep},
    {CmdTimer, opTimer},
    {CmdWaitKey, opWaitKey},
    {CmdSuspendForKey, opWaitKey},
    {CmdSuspendForMouse, opWaitMouse},
    {CmdPrintL, printInteger<true>},
    {CmdPrintF, printFloat<true>},
    {CmdPrintS, printString<true>},
    {CmdPrint0, printBlank},
    {CmdPrintcL, printInteger<false>},
    {CmdPrintcF, printFloat<false>},
    {CmdPrintcS, printString<false>},
    {CmdInputL, opInput<'L'>},
    {CmdInputS, opInput<'S'>},
    {CmdInputF, opInput<'F'>},
    {CmdGetDate, opDateTime<true>},
    {CmdGetTime, opDateTime<false>},
    {CmdWait, opSleep},
};

}  // namespace

void printLine(Runtime& rt, std::string_view text) { printText<true>(rt, text); }

void echoText(Runtime& rt, std::string_view text, bool endLine) {
  ConsoleState& c = rt.console;
  if (!c.Echo) return;
  std::fwrite(text.data(), 1, text.size(), c.Echo);
  if (endLine) {
    std::fputc('\n', c.Echo);
    std::fflush(c.Echo);  // whoever reads the echo sees each line when it is printed
  }
  c.EchoLineOpen = !endLine;
}

void resetPrintCursor(Runtime& rt) {
  rt.console.CursorX = 0;
  rt.console.CursorY = 0;
}

extern const std::span<const CommandRow> ConsoleRows(Rows);

}  // namespace zt
