// Animation keys of objects: taken from a .x file onto the limbs they animate, and a limb's
// pose at any frame of the time line (neighbouring keys blended: rotations along the arc,
// scale, position and matrices in a straight line).
#pragma once

#include <cstdint>

#include <vector>

#include "engine3d/state.h"
#include "formats/xfile.h"

namespace zt {

// A .x matrix as a device matrix (both row vectors).
Matrix4 matrixOf(const XMatrix& x);

// Adds the keys of every animation of `x` to `tracks`, the tracks of the limbs of `o` they
// animate, their times shifted by `shift`. An animation finds its limb by its frame's index in `x` (the frames
// of the file the object was loaded from) or, with `byName`, by the frame's name among the
// limbs. Keys of frames the object has no limb for are left out. Returns the number of
// limbs that gained keys. Throws std::bad_alloc when memory runs out.
size_t addFileKeys(std::vector<LimbTrack>& tracks, const ObjectRecord& o, const XFile& x, float shift, bool byName);
// The largest key time of the object's tracks; 0 without keys.
float lastKeyTime(const ObjectAnimation& a);

// The track's pose at frame `frame`: each key list blended between the neighbouring keys
// around the frame's whole number, held at its first key before it and its last key after it.
LimbPose poseAt(const LimbTrack& track, float frame);
// From `from` toward `to` by `t` (0 to 1).
LimbPose blendPose(const LimbTrack& track, const LimbPose& from, const LimbPose& to, float t);
// The limb matrix of a pose: S · R · T, or the matrix of a matrix-keyed track.
Matrix4 poseMatrix(const LimbTrack& track, const LimbPose& pose);
// A placement matrix taken apart into scale, rotation and position (the matrix kept whole too).
LimbPose takeApart(const Matrix4& m);

}  // namespace zt
