#include "host/frame.h"

#include <cmath>

#include "audio/sound.h"
#include "audio/music/music.h"
#include "core/runtime.h"
#include "display2d/state.h"
#include "engine3d/animation.h"
#include "engine3d/engine3d.h"
#include "host/state.h"
#include "input/input.h"
#include "input/state.h"
#include "sprites/sprites.h"
#include "video/video.h"

namespace zt {

namespace {

void limitFrameRate(Runtime& rt) {
  FrameState& f = rt.frame;
  if (f.FrameMilliseconds == 0) return;
  const uint32_t elapsed = rt.clock->milliseconds() - f.LastFrameTime;
  if (elapsed < f.FrameMilliseconds)
    rt.clock->waitUntil(std::floor(rt.clock->preciseMilliseconds()) + double(f.FrameMilliseconds - elapsed));
  f.LastFrameTime = rt.clock->milliseconds();
}

}  // namespace

void resetFrameTiming(Runtime& rt) {
  rt.frame.FrameMilliseconds = DefaultFrameMilliseconds;
  rt.frame.LastFrameTime = rt.clock->milliseconds() - DefaultFrameMilliseconds;
}

// Steps, in order: restore a lost full-screen surface, the pointer and text cursor, the
// Z-buffer clear, sprite backgrounds, the render-to-image camera, the backdrop, the 3D scene
// when it is drawn to the front, the display list.
void FrameStart(Runtime& rt) {
  if (!rt.host.WindowActive) return;
  movePointerSprite(rt, rt.input.MouseX, rt.input.MouseY - 1, rt.input.MouseShown);
  ClearZBuffer3D(rt);
  RestoreSpriteBackgrounds(rt, rt.display.BufferParity);
  DrawBackdrop(rt);
  if (!rt.refresh.DrawToBack) Render3D(rt);
  RunDisplayList(rt);
}

// Steps, in order: sprite timers and texture animation, the frame-rate limit, animations,
// sprite backgrounds and scaling, the 3D scene when it is drawn to the back, sprites and
// blitter objects, sound, music and 3D object animation, Present (and the frame dumps), a
// pending screen capture, the reset of the mouse movement.
void FrameEnd(Runtime& rt) {
  if (!rt.host.WindowActive) return;
  AdvanceSpriteTimers(rt);
  limitFrameRate(rt);
  UpdateAnimations(rt);
  SaveSpriteBackgrounds(rt, rt.display.BufferParity);
  if (rt.refresh.DrawToBack) Render3D(rt);
  DrawSprites(rt);
  maintainSounds(rt);
  commitListener(rt);
  pollMusic(rt);
  AdvanceObjectAnimation(rt);
  Present(rt);
  writePendingCapture(rt);
  clearMouseMovement(rt);
}

}  // namespace zt
