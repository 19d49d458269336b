// Object animation as the frame cycle and the object pools see it: the per-frame advance of
// the animation list, the list kept in step with the objects, and the commands and functions
// that play, loop, stop, set frames, speed and blending, and append key sets.
#pragma once

#include <cstdint>
#include <span>

#include "core/commands.h"

namespace zt {

struct Runtime;
struct Engine3DState;
struct ObjectRecord;

// Once per frame, after the scene was drawn: every object of the animation list, in list
// order, moves along its time line and its animated limbs take the pose of its frame.
void AdvanceObjectAnimation(Runtime& rt);
// A new object's time line: frame 0, range 0 to its total frames, stopped, default speed
// and blending. Its keys stay.
void resetAnimation(ObjectRecord& o);
// Object slot `slot` leaves the animation list (it is deleted, or stopped).
void leaveAnimationList(Engine3DState& s, int32_t slot);

extern const std::span<const CommandRow> ObjectAnimationRows;

}  // namespace zt
