// The frame around each interpreter slice: FrameStart before it, FrameEnd after it. Each
// lists its steps in order in one place (frame.cpp); the display, sprites, 3D, sound,
// music and animations put theirs there. The frame-rate limit keeps FrameEnd at least
// FrameMilliseconds apart: a real wait, or a jump of the virtual clock.
#pragma once

#include <cstdint>

namespace zt {

struct Runtime;

constexpr uint32_t DefaultFrameMilliseconds = 25;  // 40 frames per second

struct FrameState {
  uint32_t FrameMilliseconds = DefaultFrameMilliseconds;  // 0: no limit
  uint32_t LastFrameTime = 0;                             // clock time of the last paced frame end
};

// The start of a run: the default rate, and the first frame end does not wait.
void resetFrameTiming(Runtime& rt);
void FrameStart(Runtime& rt);
void FrameEnd(Runtime& rt);

}  // namespace zt
