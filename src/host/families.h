// Every command family of the engine, in one list: the dispatch table is built from it
// and the tests check it against the command table.
#pragma once

#include <span>

#include "core/commands.h"

namespace zt {

std::span<const std::span<const CommandRow>> commandFamilies();

}  // namespace zt
