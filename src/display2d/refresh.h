// The frame cycle's display side: manual and automatic refresh, the frame rate, whether
// the 3D scene lies over or under the 2D drawing, and the screen capture that waits for
// the next frame end. Owns the RefreshState.
#pragma once

#include <cstdint>
#include <string>

namespace zt {

struct Runtime;

struct RefreshState {
  int32_t DrawToBack = 0;
  int32_t CapturePending = 0;
  std::string CaptureFile;
};

// The program-start values (the frame-rate limit is the host's).
void resetRefresh(Runtime& rt);
// After Present: the requested screen capture is written (failures are silent).
void writePendingCapture(Runtime& rt);

}  // namespace zt
