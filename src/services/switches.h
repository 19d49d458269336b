// System switches: whether Escape ends the program (the host reads EscapeKeyEnabled) and
// the three editor lock flags, which only their own commands touch.
#pragma once

#include <span>

#include "core/commands.h"

namespace zt {

struct Runtime;

// The start of a run: Escape enabled, every lock clear.
void resetSwitches(Runtime& rt);

extern const std::span<const CommandRow> SwitchRows;

}  // namespace zt
