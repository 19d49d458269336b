// The core's command families. Each family file defines its rows; a subsystem's public
// header declares its own families, and the host lists every family (host/families.cpp).
#pragma once

#include <span>

#include "core/commands.h"

namespace zt {

extern const std::span<const CommandRow> ControlRows;
extern const std::span<const CommandRow> OperatorRows;
extern const std::span<const CommandRow> StringRows;
extern const std::span<const CommandRow> MathRows;
extern const std::span<const CommandRow> ArrayRows;

}  // namespace zt
