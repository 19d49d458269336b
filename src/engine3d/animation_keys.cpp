// Animation keys: taken from .x files onto limb tracks, and the pose of a track at a frame.
#include "engine3d/animation_keys.h"

#include <algorithm>
#include <cmath>

namespace zt {

namespace {

// The track of `limb`, made (at the limb's loaded placement) when it has none yet.
LimbTrack& trackOf(std::vector<LimbTrack>& tracks, const ObjectRecord& o, int32_t limb) {
  for (LimbTrack& t : tracks)
    if (t.limb == limb) return t;
  LimbTrack& t = tracks.emplace_back();
  t.limb = limb;
  t.rest = t.shown = t.saved = takeApart(o.limbs[size_t(limb)].frame);
  return t;
}

// The limb an animation of the file moves; -1 when the object has none for it.
int32_t limbOfAnimation(const ObjectRecord& o, const XAnimation& a, bool byName) {
  if (!byName) {
    const size_t limb = size_t(a.frame) + 1;
    return a.frame >= 0 && limb < o.limbs.size() && o.limbs[limb].exists ? int32_t(limb) : -1;
  }
  if (a.frameName.empty()) return -1;
  for (size_t limb = 0; limb < o.limbs.size(); ++limb)
    if (o.limbs[limb].exists && o.limbs[limb].name == a.frameName) return int32_t(limb);
  return -1;
}

template <class Key>
void sortByTime(std::vector<Key>& keys) {
  std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.time < b.time; });
}

template <class Key>
float lastTime(const std::vector<Key>& keys, float last) {
  return keys.empty() ? last : std::max(last, keys.back().time);
}

Vec3 lerp(const Vec3& a, const Vec3& b, float t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

// Matrix keys: element by element, in a straight line.
Matrix4 lerp(const Matrix4& a, const Matrix4& b, float t) {
  Matrix4 m;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m.m[r][c] = a.m[r][c] + (b.m[r][c] - a.m[r][c]) * t;
  return m;
}

Quaternion lerp(const Quaternion& a, const Quaternion& b, float t) { return slerp(a, b, t); }

// The value of a key list at `frame`: the pair of neighbouring keys whose whole times enclose
// the frame's whole number, blended by where the frame lies between their times.
template <class Key, class Value>
Value valueAt(const std::vector<Key>& keys, float frame, const Value& none) {
  if (keys.empty()) return none;
  const float whole = std::trunc(frame);
  const auto after = std::upper_bound(keys.begin(), keys.end(), whole,
                                      [](float f, const Key& k) { return f < std::trunc(k.time); });
  if (after == keys.begin()) return keys.front().value;
  if (after == keys.end()) return keys.back().value;
  const Key& a = *(after - 1);
  const Key& b = *after;
  return lerp(a.value, b.value, std::clamp((frame - a.time) / (b.time - a.time), 0.0f, 1.0f));
}

}  // namespace

Matrix4 matrixOf(const XMatrix& x) {
  Matrix4 m;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) m.m[r][c] = x[size_t(r * 4 + c)];
  return m;
}

size_t addFileKeys(std::vector<LimbTrack>& tracks, const ObjectRecord& o, const XFile& x, float shift, bool byName) {
  std::vector<int32_t> gained;
  for (const XAnimationSet& set : x.animationSets)
    for (const XAnimation& a : set.animations) {
      const int32_t limb = limbOfAnimation(o, a, byName);
      if (limb < 0 || (a.rotationKeys.empty() && a.scaleKeys.empty() && a.positionKeys.empty() && a.matrixKeys.empty()))
        continue;
      LimbTrack& t = trackOf(tracks, o, limb);
      for (const XRotationKey& k : a.rotationKeys)
        t.rotation.push_back({float(k.time) + shift, normalised({k.w, k.x, k.y, k.z})});
      for (const XVectorKey& k : a.scaleKeys) t.scale.push_back({float(k.time) + shift, {k.value.x, k.value.y, k.value.z}});
      for (const XVectorKey& k : a.positionKeys)
        t.position.push_back({float(k.time) + shift, {k.value.x, k.value.y, k.value.z}});
      for (const XMatrixKey& k : a.matrixKeys) t.matrix.push_back({float(k.time) + shift, matrixOf(k.value)});
      if (std::find(gained.begin(), gained.end(), limb) == gained.end()) gained.push_back(limb);
    }
  for (LimbTrack& t : tracks) {
    sortByTime(t.rotation);
    sortByTime(t.scale);
    sortByTime(t.position);
    sortByTime(t.matrix);
  }
  return gained.size();
}

float lastKeyTime(const ObjectAnimation& a) {
  float last = 0;
  for (const LimbTrack& t : a.tracks)
    last = lastTime(t.matrix, lastTime(t.position, lastTime(t.scale, lastTime(t.rotation, last))));
  return last;
}

LimbPose poseAt(const LimbTrack& track, float frame) {
  LimbPose p = track.rest;
  if (!track.matrix.empty()) {
    p.matrix = valueAt(track.matrix, frame, track.rest.matrix);
    return p;
  }
  p.rotation = valueAt(track.rotation, frame, track.rest.rotation);
  p.scale = valueAt(track.scale, frame, track.rest.scale);
  p.position = valueAt(track.position, frame, track.rest.position);
  return p;
}

LimbPose blendPose(const LimbTrack& track, const LimbPose& from, const LimbPose& to, float t) {
  LimbPose p = to;
  if (!track.matrix.empty()) {
    p.matrix = lerp(from.matrix, to.matrix, t);
    return p;
  }
  p.rotation = slerp(from.rotation, to.rotation, t);
  p.scale = lerp(from.scale, to.scale, t);
  p.position = lerp(from.position, to.position, t);
  return p;
}

Matrix4 poseMatrix(const LimbTrack& track, const LimbPose& pose) {
  if (!track.matrix.empty()) return pose.matrix;
  return scaling(pose.scale.x, pose.scale.y, pose.scale.z) * rotationMatrix(pose.rotation) *
         translation(pose.position.x, pose.position.y, pose.position.z);
}

LimbPose takeApart(const Matrix4& m) {
  LimbPose p;
  p.matrix = m;
  p.position = {m.m[3][0], m.m[3][1], m.m[3][2]};
  float length[3];
  for (int r = 0; r < 3; ++r) length[r] = std::sqrt(m.m[r][0] * m.m[r][0] + m.m[r][1] * m.m[r][1] + m.m[r][2] * m.m[r][2]);
  const float determinant = m.m[0][0] * (m.m[1][1] * m.m[2][2] - m.m[1][2] * m.m[2][1]) -
                            m.m[0][1] * (m.m[1][0] * m.m[2][2] - m.m[1][2] * m.m[2][0]) +
                            m.m[0][2] * (m.m[1][0] * m.m[2][1] - m.m[1][1] * m.m[2][0]);
  // A mirroring placement keeps its mirror in the x scale.
  if (determinant < 0) length[0] = -length[0];
  p.scale = {length[0], length[1], length[2]};
  Matrix4 rotation;
  for (int r = 0; r < 3; ++r)
    if (length[r] != 0 && std::isfinite(length[r]))
      for (int c = 0; c < 3; ++c) rotation.m[r][c] = m.m[r][c] / length[r];
  p.rotation = fromRotationMatrix(rotation);
  return p;
}

}  // namespace zt
