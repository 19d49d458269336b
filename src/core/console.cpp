// Console text: PRINT ends the line after its value, PRINTC stays on it. Text goes to the
// echo channel; drawing it on the current bitmap belongs to the 2D display. Also the
// host's values: the typed character (INKEY$), the command line (CL$), the clock (TIMER).
#include "core/family.h"
#include "core/numformat.h"
#include "core/runtime.h"
#include "host/run_loop.h"

namespace zt {

namespace {

template <bool EndLine>
void printInteger(Runtime& rt) {
  echoText(rt, formatInteger(operand(rt, 0).i), EndLine);
  skipOperands(rt, 1);
}

template <bool EndLine>
void printFloat(Runtime& rt) {
  echoText(rt, formatFloat(operand(rt, 0).f), EndLine);
  skipOperands(rt, 1);
}

template <bool EndLine>
void printString(Runtime& rt) {
  echoText(rt, cellText(operand(rt, 0)), EndLine);
  skipOperands(rt, 1);
}

void printBlank(Runtime& rt) { echoText(rt, " ", true); }

// A program polling INKEY$ without automatic refresh never yields, so the messages that
// change LastChar are pumped here.
void inkey(Runtime& rt) {
  if (!rt.interp.AutoRefresh) pumpMessages(rt);
  const char c = char(rt.host.LastChar);
  storeString(operand(rt, 0), c ? std::string_view(&c, 1) : std::string_view());
  skipOperands(rt, 1);
}

void commandLine(Runtime& rt) {
  storeString(operand(rt, 0), rt.host.CommandLine);
  skipOperands(rt, 1);
}

void timer(Runtime& rt) {
  operand(rt, 0).i = int32_t(rt.clock.milliseconds());
  skipOperands(rt, 1);
}

const CommandRow Rows[] = {
    {301, "PRINT", "L", printInteger<true>},   {302, "PRINT", "F", printFloat<true>},
    {303, "PRINT", "S", printString<true>},    {304, "PRINT", "0", printBlank},
    {305, "PRINTC", "L", printInteger<false>}, {306, "PRINTC", "F", printFloat<false>},
    {307, "PRINTC", "S", printString<false>},  {228, "INKEY$[", "S", inkey},
    {211, "CL$[", "S", commandLine},           {260, "TIMER[", "L", timer},
};

}  // namespace

extern const std::span<const CommandRow> ConsoleRows(Rows);

}  // namespace zt
