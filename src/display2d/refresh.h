// The frame cycle's display side: manual and automatic refresh, the frame rate, whether
// the 3D scene lies over or under the 2D drawing, and the screen capture that waits for
// the next frame end.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/commands.h"

namespace zt {

struct Runtime;

constexpr uint32_t DefaultFrameMilliseconds = 25;  // 40 frames per second

// The program-start values (the frame-rate limit is the host's).
void resetRefresh(Runtime& rt);
// After Present: the requested screen capture is written (failures are silent).
void writePendingCapture(Runtime& rt);

extern const std::span<const CommandRow> RefreshRows;

}  // namespace zt
