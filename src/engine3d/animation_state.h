// What an object keeps for its animation: the key lists of each animated limb, sorted by
// time, and where it is on its time line (frame, range, speed, playing and looping, the
// blend toward a newly set frame).
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/quaternion.h"

namespace zt {

constexpr float DefaultAnimationSpeed = 0.2f;  // frames per frame; shown as 5
constexpr float DefaultInterpolation = 1.0f;   // a new frame is reached at once

struct RotationKey {
  float time = 0;
  Quaternion value;
};

struct VectorKey {
  float time = 0;
  Vec3 value;
};

struct MatrixKey {
  float time = 0;
  Matrix4 value;
};

// A limb's placement in its parent: S · R · T, or a whole matrix for limbs with matrix keys.
struct LimbPose {
  Quaternion rotation;
  Vec3 scale{1, 1, 1};
  Vec3 position;
  Matrix4 matrix;
};

// The keys of one limb. A component without keys keeps the limb's loaded placement (`rest`);
// matrix keys, when there are any, place the limb alone.
struct LimbTrack {
  int32_t limb = 0;
  std::vector<RotationKey> rotation;
  std::vector<VectorKey> scale, position;
  std::vector<MatrixKey> matrix;
  LimbPose rest;   // the loaded frame transform, taken apart
  LimbPose shown;  // what the limb shows now
  LimbPose saved;  // where a blend toward a newly set frame starts
};

struct ObjectAnimation {
  std::vector<LimbTrack> tracks;  // none: the object has no animation set
  float currentFrame = 0, startFrame = 0, endFrame = 0;
  int32_t playing = 0, looping = 0;
  float speed = DefaultAnimationSpeed;
  float rate = DefaultInterpolation;  // 0.01 to 1: how much of a blend each frame adds
  int32_t transition = 0;
  float target = 0, progress = 0;
  int32_t listed = 0;  // in the animation list
};

}  // namespace zt
