// The object, mesh, limb, transform, placement (glue, point, move, pivot), appearance and
// query families of the 3D engine, and the value functions that steer positions and angles
// (CURVEVALUE, NEWXVALUE, ...).
#pragma once

#include <span>

#include "core/commands.h"

namespace zt {

extern const std::span<const CommandRow> ObjectRows;
extern const std::span<const CommandRow> MeshRows;
extern const std::span<const CommandRow> LimbRows;
extern const std::span<const CommandRow> TransformRows;
extern const std::span<const CommandRow> AppearanceRows;
extern const std::span<const CommandRow> ObjectQueryRows;
extern const std::span<const CommandRow> CurveRows;
extern const std::span<const CommandRow> ThreeDsRows;  // 3DS2X
extern const std::span<const CommandRow> PlacementRows;

}  // namespace zt
