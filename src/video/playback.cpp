// Animation playback: a stream record's file, frame surface, rectangles and clock, and the
// once-a-frame update that decodes the frame due at the engine clock and copies it onto
// the target bitmap, stretched into the placement and clipped against the screen size.
// Decoding follows the engine clock, so a run on the virtual clock shows the same frames
// every time; a video whose frames come slower than the engine's shows each frame for as
// many engine frames as it lasts.
#include "video/playback.h"

#include <algorithm>
#include <cmath>

#include "audio/mixer/mixer.h"
#include "audio/sound.h"
#include "core/runtime.h"
#include "display2d/bitmaps.h"
#include "display2d/display.h"
#include "services/files.h"
#include "video/state.h"
#include "video/video.h"

namespace zt {

namespace {

double now(const Runtime& rt) { return rt.clock->preciseMilliseconds(); }

int32_t saturated(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// A distance on the destination as source pixels, truncated toward zero.
int64_t scaled(int64_t distance, float scale) {
  const double v = double(float(distance) * scale);
  return std::isfinite(v) ? int64_t(std::clamp(v, -4e18, 4e18)) : 0;
}

// Clips `destRect` against the screen size (not the target's) and shrinks `srcRect` in
// proportion, so the visible part keeps its scale. A destination without width or height
// draws nothing, so its source is left whole.
void clip(Runtime& rt, AnimationStream& s) {
  int32_t w = 0, h = 0;
  screenSize(rt, w, h);
  s.srcRect = s.nativeRect;
  Rect& d = s.destRect;
  Rect& src = s.srcRect;
  const int64_t dw = int64_t(d.right) - d.left, dh = int64_t(d.bottom) - d.top;
  const float sx = dw != 0 ? float(s.nativeRect.width()) / float(dw) : 0.0f;
  const float sy = dh != 0 ? float(s.nativeRect.height()) / float(dh) : 0.0f;
  if (d.left < 0) {
    src.left = saturated(src.left + scaled(-int64_t(d.left), sx));
    d.left = 0;
  }
  if (d.top < 0) {
    src.top = saturated(src.top + scaled(-int64_t(d.top), sy));
    d.top = 0;
  }
  if (d.right > w) {
    src.right = saturated(src.right - scaled(int64_t(d.right) - w, sx));
    d.right = w;
  }
  if (d.bottom > h) {
    src.bottom = saturated(src.bottom - scaled(int64_t(d.bottom) - h, sy));
    d.bottom = h;
  }
}

// The frame surface is made for the target's pixel format; the frame decoded so far goes
// into it at once, so a resumed animation does not show an empty surface.
bool bindTarget(Runtime& rt, AnimationStream& s) {
  Surface* target = resolveSurface(rt, s.target);
  if (!target) return false;
  s.srcRect = s.nativeRect;
  clip(rt, s);
  s.frameSurface = Surface::create(s.nativeRect.width(), s.nativeRect.height(), target->format());
  if (!s.frameSurface) return false;
  s.multiMediaStream->convertInto(*s.frameSurface);
  s.active = 1;
  s.stretch = 1;
  s.boundTarget = s.target;
  return true;
}

// The sound track plays while the video decodes, from where it stopped.
void startDecoding(Runtime& rt, AnimationStream& s) {
  Mixer& mixer = soundMixer(rt);
  if (s.soundTrack) s.soundVoice = mixer.addStream(std::move(s.soundTrack));
  if (s.soundVoice) mixer.play(s.soundVoice, false);
  s.videoStream = true;
  s.runStart = now(rt) - s.position;
}

// The sound track back to its start: the mixer gives the stream back for the seek and
// takes it again as a new voice, stopped.
void rewindSound(Runtime& rt, AnimationStream& s) {
  if (!s.soundVoice) return;
  Mixer& mixer = soundMixer(rt);
  std::unique_ptr<AudioStream> track = mixer.takeStream(s.soundVoice);
  s.soundVoice = track && track->seek(0) ? mixer.addStream(std::move(track)) : 0;
}

void copyFrame(Runtime& rt, AnimationStream& s) {
  Surface* target = resolveSurface(rt, s.boundTarget);
  if (!target || !s.frameSurface) return;  // the bitmap was deleted since
  if (s.stretch)
    blt(*target, s.destRect, *s.frameSurface, s.srcRect);
  else
    bltFast(*target, s.destRect.left, s.destRect.top, *s.frameSurface, s.srcRect, false);
}

bool rewind(Runtime& rt, AnimationStream& s) {
  s.position = 0;
  s.runStart = now(rt);
  rewindSound(rt, s);
  if (s.soundVoice && s.videoStream) soundMixer(rt).play(s.soundVoice, false);
  return s.multiMediaStream->rewind();
}

void update(Runtime& rt, AnimationState& state, AnimationStream& s) {
  switch (s.multiMediaStream->advanceTo(now(rt) - s.runStart)) {
    case VideoDecoder::Step::End:
      if (s.loopFlag && rewind(rt, s)) return;
      stopDecoding(rt, s);
      state.playing = 0;
      return;
    case VideoDecoder::Step::NewFrame:
      if (s.frameSurface) s.multiMediaStream->convertInto(*s.frameSurface);
      break;
    case VideoDecoder::Step::SameFrame:
      break;
  }
  if (s.active) copyFrame(rt, s);
}

}  // namespace

bool openStream(Runtime& rt, AnimationStream& s, bool withSound) {
  std::string why;
  const std::string path = lookupPath(rt, s.fileName, "avi");
  s.multiMediaStream = openVideo(path, why);
  s.videoStream = false;
  s.position = 0;
  if (!s.multiMediaStream) return false;
  if (withSound) s.soundTrack = openSoundTrack(path);  // now, while a copy from the payload is surely this file's
  return true;
}

void closeStream(Runtime& rt, AnimationStream& s) {
  if (s.soundVoice) soundMixer(rt).remove(s.soundVoice);
  s.soundVoice = 0;
  s.soundTrack.reset();
  s.videoStream = false;
  s.multiMediaStream.reset();
  s.frameSurface.reset();
  s.active = 0;
  s.position = 0;
}

bool loadStream(Runtime& rt, AnimationStream& s, const std::string& fileName) {
  s.fileName = fileName;
  if (!openStream(rt, s, false)) return false;
  s.placement = {};
  s.destRect = {};
  const bool bound = prepareStream(rt, s, nullptr, &ScreenTarget, false);
  closeStream(rt, s);
  return bound;
}

bool prepareStream(Runtime& rt, AnimationStream& s, const Placement* placement, const SurfaceRef* target,
                   bool restart) {
  if (target) s.target = *target;
  if (s.videoStream) {
    if (!rewind(rt, s)) return false;
  } else if (s.multiMediaStream && restart) {
    closeStream(rt, s);
  }
  if (placement) s.placement = *placement;
  if (!s.multiMediaStream && !openStream(rt, s, true)) return false;
  const int32_t width = s.multiMediaStream->width(), height = s.multiMediaStream->height();
  s.nativeRect = s.srcRect = {0, 0, width, height};
  const auto [x1, y1, x2, y2] = s.placement;
  if (x2 != 0 || y2 != 0)
    s.destRect = {x1, y1, x2, y2};
  else
    s.destRect = {x1, y1, saturated(int64_t(x1) + width), saturated(int64_t(y1) + height)};
  if (bindTarget(rt, s)) return true;
  closeStream(rt, s);
  return false;
}

bool playStream(Runtime& rt, AnimationStream& s, const Placement* placement, const SurfaceRef* target, bool restart) {
  if (!prepareStream(rt, s, placement, target, restart)) return false;
  startDecoding(rt, s);
  return true;
}

void placeStream(Runtime& rt, AnimationStream& s, const Placement& placement) {
  s.placement = placement;
  s.destRect = {placement[0], placement[1], placement[2], placement[3]};
  clip(rt, s);
}

void stopDecoding(Runtime& rt, AnimationStream& s) {
  if (s.videoStream) s.position = now(rt) - s.runStart;
  if (s.soundVoice) soundMixer(rt).stop(s.soundVoice);
  s.videoStream = false;
}

void UpdateAnimations(Runtime& rt) {
  VideoState& v = rt.video;
  for (int n = 0; n < AnimationEntries; ++n) {
    AnimationState& state = v.Animations[size_t(n)];
    AnimationStream& s = v.Streams[size_t(n)];
    if (!state.exists) continue;
    if (s.videoStream)
      update(rt, state, s);
    else if (s.active && s.frameSurface)
      copyFrame(rt, s);
  }
}

void releaseAnimations(Runtime& rt) {
  VideoState& v = rt.video;
  for (int n = 0; n < AnimationEntries; ++n) {
    closeStream(rt, v.Streams[size_t(n)]);
    v.Streams[size_t(n)] = AnimationStream{};
    v.Animations[size_t(n)] = AnimationState{};
  }
}

}  // namespace zt
