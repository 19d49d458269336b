// Object animation: the animation list (object slots in the order they joined), the advance
// that plays, loops, blends and poses each listed object once per frame, and the commands
// and functions of an object's time line (PLAY, LOOP, STOP OBJECT, SET OBJECT FRAME / SPEED /
// INTERPOLATION, APPEND OBJECT, OBJECT PLAYING ...). The keys live on the object record.
#include "engine3d/animation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "engine3d/animation_keys.h"
#include "engine3d/object_parts.h"

namespace zt {

namespace {

constexpr int32_t MaxSpeed = 100;  // either way
constexpr float SpeedScale = 25;   // shown value per frame of speed
constexpr int32_t MaxInterpolation = 100;
constexpr float InterpolationScale = 100;

// The object slot of operand 0 that has keys; 0 after 7006, 7008 or 7601.
int32_t animatedObject(Runtime& rt, Word* pc) {
  const int32_t slot = checkedObject(rt, operand(pc, 0).i);
  if (slot && rt.engine3d.objects[slot].animation.tracks.empty()) {
    raiseError(rt, ErrNoObjectAnimation);
    return 0;
  }
  return slot;
}

void joinAnimationList(Runtime& rt, int32_t slot) {
  Engine3DState& s = rt.engine3d;
  ObjectAnimation& a = s.objects[slot].animation;
  if (a.listed) return;
  try {
    s.AnimationList.push_back(slot);
    a.listed = 1;
  } catch (const std::bad_alloc&) {
    raiseError(rt, ErrOutOfMemory);
  }
}

// PLAY OBJECT plays from the start frame (0, or operand 1) to the end frame (the total, or
// operand 2) and stops; LOOP OBJECT goes round that range from wherever the object is now.
template <int Operands, bool Looping>
void opPlay(Runtime& rt, Word* pc) {
  const int32_t slot = animatedObject(rt, pc);
  if (!slot) return;
  ObjectRecord& o = rt.engine3d.objects[slot];
  ObjectAnimation& a = o.animation;
  a.playing = 1;
  a.looping = Looping;
  a.transition = 0;
  a.startFrame = Operands >= 2 ? float(operand(pc, 1).i) : 0.0f;
  a.endFrame = Operands == 3 ? float(operand(pc, 2).i) : o.totalFrames;
  if (!Looping) a.currentFrame = a.startFrame;
  joinAnimationList(rt, slot);
}

void opStop(Runtime& rt, Word* pc) {
  const int32_t slot = checkedObject(rt, operand(pc, 0).i);
  if (!slot) return;
  ObjectAnimation& a = rt.engine3d.objects[slot].animation;
  if (!a.playing) return;
  a.playing = a.looping = 0;
  leaveAnimationList(rt.engine3d, slot);
}

// A looping object jumps to the frame; otherwise it blends there at the interpolation rate.
void opSetFrame(Runtime& rt, Word* pc) {
  const int32_t slot = animatedObject(rt, pc);
  if (!slot) return;
  ObjectRecord& o = rt.engine3d.objects[slot];
  const float frame = operand(pc, 1).f;
  if (!(frame >= 0 && frame <= o.totalFrames)) return raiseError(rt, ErrObjectFrame);
  ObjectAnimation& a = o.animation;
  if (a.looping) {
    a.currentFrame = frame;
  } else {
    a.transition = 1;
    a.target = frame;
    a.progress = 0;
  }
  joinAnimationList(rt, slot);
}

void opSetSpeed(Runtime& rt, Word* pc) {
  ObjectRecord* o = objectOperand(rt, pc, 0);
  if (!o) return;
  const int32_t value = operand(pc, 1).i;
  if (value < -MaxSpeed || value > MaxSpeed) return raiseError(rt, ErrObjectSpeed);
  o->animation.speed = float(value) / SpeedScale;
}

void opSetInterpolation(Runtime& rt, Word* pc) {
  ObjectRecord* o = objectOperand(rt, pc, 0);
  if (!o) return;
  const int32_t value = operand(pc, 1).i;
  if (value < 1 || value > MaxInterpolation) return raiseError(rt, ErrObjectInterpolation);
  o->animation.rate = float(value) / InterpolationScale;
}

// The file's keys join the object's, from the start frame on; the object keeps what it had
// when the file gives none it can use.
void opAppend(Runtime& rt, Word* pc) {
  ObjectRecord* o = objectOperand(rt, pc, 1);
  if (!o) return;
  const int32_t start = operand(pc, 2).i;
  if (!(float(start) > o->totalFrames)) return raiseError(rt, ErrAppendStart);
  if (o->animation.tracks.empty()) return raiseError(rt, ErrAppendAnimation);
  XFile x;
  if (readAnimationFile(rt, cellText(operand(pc, 0)), x) != 0) return raiseError(rt, ErrAppendAnimation);
  try {
    std::vector<LimbTrack> tracks = o->animation.tracks;
    if (addFileKeys(tracks, *o, x, float(start), true) == 0) return raiseError(rt, ErrAppendAnimation);
    o->animation.tracks = std::move(tracks);
  } catch (const std::bad_alloc&) {
    return raiseError(rt, ErrAppendAnimation);
  }
  o->totalFrames = lastKeyTime(o->animation);
  o->animation.endFrame = o->totalFrames;
}

// ---- functions: the result in operand 0, the object in operand 1 ----

template <int32_t ObjectAnimation::*Flag>
Word* opFlag(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 1)) operand(pc, 0).i = o->animation.*Flag;
  return pc + 2;
}

Word* opFrame(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 1))
    operand(pc, 0).f = o->animation.tracks.empty() ? 0.0f : o->animation.currentFrame;
  return pc + 2;
}

// Speed and interpolation show the whole numbers they were set with (a stored 53 / 25 times
// 25 comes out a hair below 53, so the product is rounded, not cut).
Word* opSpeed(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 1))
    operand(pc, 0).i = o->animation.tracks.empty() ? 0 : int32_t(std::lround(o->animation.speed * SpeedScale));
  return pc + 2;
}

Word* opInterpolation(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 1))
    operand(pc, 0).i = int32_t(std::lround(o->animation.rate * InterpolationScale));
  return pc + 2;
}

// Key times run to 2^32 - 1; beyond the largest integer the total reads as that.
Word* opTotalFrames(Runtime& rt, Word* pc) {
  constexpr float Beyond = 2147483648.0f;
  if (ObjectRecord* o = objectOperand(rt, pc, 1))
    operand(pc, 0).i = o->totalFrames >= Beyond ? INT32_MAX : int32_t(o->totalFrames);
  return pc + 2;
}

// ---- the advance ----

// Step 1: along the time line; a loop wraps at its end (backwards: at its start), a play
// stops at its end. Played backwards it runs on below its start, its limbs held at their
// first keys.
void moveAlong(ObjectAnimation& a) {
  if (!a.playing) return;
  a.currentFrame += a.speed;
  if (a.looping) {
    if (a.speed >= 0 && a.currentFrame > a.endFrame) a.currentFrame = a.startFrame;
    if (a.speed < 0 && a.currentFrame < a.startFrame) a.currentFrame = a.endFrame;
  } else if (a.currentFrame > a.endFrame) {
    a.playing = 0;
    a.currentFrame = a.endFrame;
  }
}

// Step 2: every animated limb that still exists takes its pose. During a blend the pose
// aimed at is the target frame's from the blend's first frame on, starting from what the
// limb showed when the blend began.
void pose(ObjectRecord& o) {
  ObjectAnimation& a = o.animation;
  const bool starting = a.transition && a.progress == 0;
  const float frame = starting ? a.target : a.currentFrame;
  for (LimbTrack& t : a.tracks) {
    if (size_t(t.limb) >= o.limbs.size() || !o.limbs[size_t(t.limb)].exists) continue;
    LimbPose p = poseAt(t, frame);
    if (a.transition) {
      if (starting) t.saved = t.shown;
      p = blendPose(t, t.saved, p, std::min(a.progress + a.rate, 1.0f));
    }
    t.shown = p;
    o.limbs[size_t(t.limb)].frame = poseMatrix(t, p);
  }
}

// Step 3: the blend moves on by the rate and ends when the next step would reach the target.
void blendOn(ObjectAnimation& a) {
  if (!a.transition) return;
  if (a.progress == 0) a.currentFrame = a.target;
  a.progress += a.rate;
  if (a.progress + a.rate >= 1) {
    a.progress = 0;
    a.transition = 0;
  }
}

const CommandRow Rows[] = {
    {CmdPlayObjectL, skipAfter<opPlay<1, false>, 1>},
    {CmdPlayObjectLL, skipAfter<opPlay<2, false>, 2>},
    {CmdPlayObjectLLL, skipAfter<opPlay<3, false>, 3>},
    {CmdLoopObjectL, skipAfter<opPlay<1, true>, 1>},
    {CmdLoopObjectLL, skipAfter<opPlay<2, true>, 2>},
    {CmdLoopObjectLLL, skipAfter<opPlay<3, true>, 3>},
    {CmdStopObject, skipAfter<opStop, 1>},
    {CmdSetObjectFrame, skipAfter<opSetFrame, 2>},
    {CmdSetObjectSpeed, skipAfter<opSetSpeed, 2>},
    {CmdSetObjectInterpolation, skipAfter<opSetInterpolation, 2>},
    {CmdAppendObject, skipAfter<opAppend, 3>},
    {CmdObjectPlaying, opFlag<&ObjectAnimation::playing>},
    {CmdObjectLooping, opFlag<&ObjectAnimation::looping>},
    {CmdObjectFrame, opFrame},
    {CmdObjectSpeed, opSpeed},
    {CmdObjectInterpolation, opInterpolation},
    {CmdTotalObjectFrames, opTotalFrames},
};

}  // namespace

void AdvanceObjectAnimation(Runtime& rt) {
  Engine3DState& s = rt.engine3d;
  for (const int32_t slot : s.AnimationList) {
    ObjectRecord& o = s.objects[slot];
    moveAlong(o.animation);
    pose(o);
    blendOn(o.animation);
    s.ObjectsReached = 1;  // posed limbs may have moved: the next collision query looks
  }
}

void resetAnimation(ObjectRecord& o) {
  ObjectAnimation& a = o.animation;
  a.currentFrame = a.startFrame = 0;
  a.endFrame = o.totalFrames;
  a.playing = a.looping = 0;
  a.speed = DefaultAnimationSpeed;
  a.rate = DefaultInterpolation;
  a.transition = 0;
  a.target = a.progress = 0;
}

void leaveAnimationList(Engine3DState& s, int32_t slot) {
  ObjectAnimation& a = s.objects[slot].animation;
  if (!a.listed) return;
  s.AnimationList.erase(std::find(s.AnimationList.begin(), s.AnimationList.end(), slot));
  a.listed = 0;
}

extern const std::span<const CommandRow> ObjectAnimationRows(Rows);

}  // namespace zt
