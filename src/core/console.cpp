// Console text: PRINT ends the line after its value, PRINTC stays on it. Text goes to the
// echo channel; drawing it on the current bitmap belongs to the 2D display.
#include "core/family.h"
#include "core/numformat.h"
#include "core/runtime.h"

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

const CommandRow Rows[] = {
    {301, "PRINT", "L", printInteger<true>},  {302, "PRINT", "F", printFloat<true>},
    {303, "PRINT", "S", printString<true>},   {304, "PRINT", "0", printBlank},
    {305, "PRINTC", "L", printInteger<false>}, {306, "PRINTC", "F", printFloat<false>},
    {307, "PRINTC", "S", printString<false>},
};

}  // namespace

extern const std::span<const CommandRow> ConsoleRows(Rows);

}  // namespace zt
