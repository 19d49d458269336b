// The console: the print cursor, the INPUT line in progress, the SLEEP and WAIT progress,
// and the echo channel that mirrors console text on standard output for headless runs
// and tests.
#pragma once

#include <span>
#include <string_view>

#include "core/commands.h"

namespace zt {

struct Runtime;

// CLS: the next print goes to the top-left corner.
void resetPrintCursor(Runtime& rt);
// One line at the print cursor, as PRINT shows it (directory listings print this way).
void printLine(Runtime& rt, std::string_view text);
// Console text on the echo channel: `endLine` finishes the line after the text.
void echoText(Runtime& rt, std::string_view text, bool endLine);

extern const std::span<const CommandRow> ConsoleRows;

}  // namespace zt
