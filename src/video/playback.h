// The operations the animation commands are built from, on one stream record: open, play
// (from the start or where decoding stopped), place, stop, pause, close.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "display2d/display_list.h"

namespace zt {

struct Runtime;
struct AnimationStream;

using Placement = std::array<int32_t, 4>;
inline constexpr SurfaceRef ScreenTarget{0, 0};

// Opens `fileName` (through the payload), with its sound track when asked; false when it
// is not a video that can be played.
bool openStream(Runtime& rt, AnimationStream& s, bool withSound);
// Closes the file and the frame surface; nothing of the animation is drawn any more.
void closeStream(Runtime& rt, AnimationStream& s);
// Opens the file to learn its frame size and leaves it closed: the rectangles are those
// of a play at natural size at (0, 0) on the screen.
bool loadStream(Runtime& rt, AnimationStream& s, const std::string& fileName);

// Binds the animation to a target and places it, from the start or (restart false, the
// stream open but not decoding) from where decoding stopped, and starts decoding. With a
// placement it becomes the stored one; with a target it becomes the animation's. False
// when the stream cannot be opened, rewound or bound; one that cannot be opened or bound
// is closed.
bool playStream(Runtime& rt, AnimationStream& s, const Placement* placement, const SurfaceRef* target, bool restart);
// All of playStream but the start of decoding.
bool prepareStream(Runtime& rt, AnimationStream& s, const Placement* placement, const SurfaceRef* target, bool restart);
// Moves or resizes the drawn rectangle as given, then clips it; the stream is untouched.
void placeStream(Runtime& rt, AnimationStream& s, const Placement& placement);
// Decoding stops; the frame surface stays, so the last frame keeps being drawn.
void stopDecoding(Runtime& rt, AnimationStream& s);

}  // namespace zt
