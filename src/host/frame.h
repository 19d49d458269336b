// The frame around each interpreter slice: FrameStart before it, FrameEnd after it. Each
// lists its steps in order in one place (frame.cpp); the display, sprites, 3D, sound,
// music and animations put theirs there. The frame-rate limit keeps FrameEnd at least
// FrameMilliseconds apart: a real wait, or a jump of the virtual clock.
#pragma once

namespace zt {

struct Runtime;

// The start of a run: the default rate, and the first frame end does not wait.
void resetFrameTiming(Runtime& rt);
void FrameStart(Runtime& rt);
void FrameEnd(Runtime& rt);

}  // namespace zt
