// Every command family of the engine, in one list: the dispatch table is built from it
// and the tests check it against the command table. Likewise every family's display-list
// record rows.
#pragma once

#include <span>

#include "core/commands.h"
#include "display2d/display_list.h"

namespace zt {

std::span<const std::span<const CommandRow>> commandFamilies();
std::span<const std::span<const RecordRow>> recordFamilies();

}  // namespace zt
