// Object collision: the volumes each object's limb meshes get under its shape code, kept in
// step with the objects, and the commands and functions that switch collision and ask for
// hits.
#pragma once

#include <cstdint>
#include <span>

#include "core/commands.h"

namespace zt {

struct Engine3DState;

// Gives every limb mesh of object slot `slot` a fresh volume for the object's shape code
// (none for code 0), replacing those it had; the next query runs a new pass.
void rebuildCollisionVolumes(Engine3DState& s, int32_t slot);
void removeCollisionVolumes(Engine3DState& s, int32_t slot);

extern const std::span<const CommandRow> ObjectCollisionRows;

}  // namespace zt
