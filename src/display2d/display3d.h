// The 3D devices of the display: one software device per buffer of the chain, made with
// the buffers and released before them, and the capability codes they report.
#pragma once

#include <cstdint>

#include "gfx/device3d.h"

namespace zt {

struct Runtime;
struct DisplayState;
struct Capabilities3D;

// The device on each buffer and its capability codes; false after logging the failure.
bool create3DDevices(Runtime& rt);
void release3DDevices(DisplayState& d);
// The codes a device reports: emulation takes the reference rasterizer's subset (no fog,
// no anisotropic filtering, no hardware transform and lighting).
Capabilities3D capabilityCodes(const DeviceCaps3D& caps, bool emulation);

}  // namespace zt
