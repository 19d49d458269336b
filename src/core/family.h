// The command families: each family file defines its rows, and the dispatch table is
// built from this list. A new family adds its rows here and in dispatch.cpp.
#pragma once

#include <span>

#include "core/commands.h"

namespace zt {

extern const std::span<const CommandRow> ControlRows;
extern const std::span<const CommandRow> OperatorRows;
extern const std::span<const CommandRow> ConsoleRows;

}  // namespace zt
