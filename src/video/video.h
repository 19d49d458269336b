// Animations: up to 32 numbered videos played onto the screen or a bitmap, stretched into
// a rectangle and clipped against the screen, looping or not, paused and resumed; the
// once-a-frame update and the release of them all at a display reset and at shutdown.
#pragma once

#include <span>

#include "core/commands.h"

namespace zt {

struct Runtime;
struct VideoState;

// Frame end, after the frame-rate limit: each decoding animation shows the frame due at
// the engine clock; a stopped one keeps drawing its last frame.
void UpdateAnimations(Runtime& rt);
// Display reset and shutdown: every animation is closed and both tables cleared.
void releaseAnimations(Runtime& rt);

extern const std::span<const CommandRow> AnimationRows;

}  // namespace zt
