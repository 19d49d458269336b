// Animation commands: LOAD, DELETE, PLAY (four forms), LOOP (two), STOP, PAUSE, RESUME and
// PLACE ANIMATION, and the queries of the state table and the drawn rectangle. Numbers
// are 1 to 32; a number is checked for range (2001) before existence (2004), then a
// bitmap for range (1001) before existence (1002). Starting, stopping, pausing and
// resuming fail softly: the program goes on and the animation keeps its state.
#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/runtime.h"
#include "display2d/bitmaps.h"
#include "video/playback.h"
#include "video/state.h"
#include "video/video.h"

namespace zt {

namespace {

bool validNumber(int32_t n) { return n >= 1 && n < AnimationEntries; }

// The entry a command names, after its checks; null once an error is raised.
AnimationState* existing(Runtime& rt, int32_t n) {
  if (!validNumber(n)) {
    raiseError(rt, ErrAnimationNumber);
    return nullptr;
  }
  AnimationState& state = rt.video.Animations[size_t(n)];
  if (!state.exists) {
    raiseError(rt, ErrNoAnimation);
    return nullptr;
  }
  return &state;
}

AnimationStream& streamOf(Runtime& rt, int32_t n) { return rt.video.Streams[size_t(n)]; }

// A command on an existing animation: its checks, then the work on its entry and stream.
template <void (*Work)(Runtime&, AnimationState&, AnimationStream&)>
void onAnimation(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  if (AnimationState* state = existing(rt, n)) Work(rt, *state, streamOf(rt, n));
}

void clearEntry(Runtime& rt, int32_t n) {
  closeStream(rt, streamOf(rt, n));
  streamOf(rt, n) = AnimationStream{};
  rt.video.Animations[size_t(n)] = AnimationState{};
}

Word* opLoad(Runtime& rt, Word* pc) {
  const std::string name(cellText(operand(pc, 0)));
  const int32_t n = operand(pc, 1).i;
  if (!validNumber(n)) {
    raiseError(rt, ErrAnimationNumber);
    return pc + 2;
  }
  clearEntry(rt, n);
  if (!loadStream(rt, streamOf(rt, n), name)) {
    clearEntry(rt, n);
    raiseError(rt, ErrAnimationLoad);
    return pc + 2;
  }
  rt.video.Animations[size_t(n)].exists = 1;
  return pc + 2;
}

Word* opDelete(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  if (existing(rt, n)) clearEntry(rt, n);
  return pc + 1;
}

// PLAY plays from the start and fails with 2007; LOOP goes on from where decoding stopped
// and fails silently. Forms: number; number, x, y (natural size); number, x1, y1, x2, y2;
// number, bitmap, x1, y1, x2, y2. The forms without a bitmap play on the screen.
template <int Operands, bool Loop>
void play(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  AnimationState* state = existing(rt, n);
  if (!state) return;
  SurfaceRef target = ScreenTarget;
  int first = 1;
  if constexpr (Operands == 6) {
    const int32_t bitmap = operand(pc, 1).i;
    if (bitmap < 0 || bitmap >= BitmapCount) return raiseError(rt, ErrBitmapNumber);
    if (!bitmapExists(rt.bitmaps, bitmap)) return raiseError(rt, ErrNoBitmap);
    target = surfaceRefOf(rt.bitmaps, bitmap);
    first = 2;
  }
  Placement placement{};
  for (int i = 0; i < 4 && i < Operands - first; ++i) placement[size_t(i)] = operand(pc, first + i).i;
  AnimationStream& s = streamOf(rt, n);
  if (!playStream(rt, s, Operands > 1 ? &placement : nullptr, &target, !Loop)) {
    if (!Loop) raiseError(rt, ErrAnimationStart);
    return;
  }
  s.loopFlag = Loop;
  state->playing = 1;
  state->paused = 0;
  state->looping = Loop;
}

void stop(Runtime& rt, AnimationState& state, AnimationStream& s) {
  if (!s.multiMediaStream) return raiseError(rt, ErrAnimationClosed);
  stopDecoding(rt, s);
  closeStream(rt, s);
  s.loopFlag = 0;
  state.playing = 0;
  state.looping = 0;
}

void pause(Runtime& rt, AnimationState& state, AnimationStream& s) {
  if (!s.videoStream) return raiseError(rt, ErrAnimationClosed);
  if (state.paused) return raiseError(rt, ErrAnimationPaused);
  stopDecoding(rt, s);
  state.paused = 1;
}

// Resumes only an open stream that is not decoding, on its target, where it stopped.
void resume(Runtime& rt, AnimationState& state, AnimationStream& s) {
  if (s.videoStream || !s.multiMediaStream || !playStream(rt, s, nullptr, nullptr, false))
    return raiseError(rt, ErrAnimationResume);
  state.paused = 0;
}

Word* opPlace(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  if (existing(rt, n))
    placeStream(rt, streamOf(rt, n), {operand(pc, 1).i, operand(pc, 2).i, operand(pc, 3).i, operand(pc, 4).i});
  return pc + 5;
}

Word* opExist(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 1).i;
  if (!validNumber(n))
    raiseError(rt, ErrAnimationNumber);
  else
    operand(pc, 0).i = rt.video.Animations[size_t(n)].exists;
  return pc + 2;
}

template <uint8_t AnimationState::*Field>
Word* opFlag(Runtime& rt, Word* pc) {
  if (AnimationState* state = existing(rt, operand(pc, 1).i)) operand(pc, 0).i = state->*Field;
  return pc + 2;
}

// Position and size of the drawn rectangle after clipping; sizes wrap as 32-bit integers.
template <int32_t (*Read)(const Rect&)>
Word* opRect(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 1).i;
  if (existing(rt, n)) operand(pc, 0).i = Read(streamOf(rt, n).destRect);
  return pc + 2;
}

int32_t left(const Rect& r) { return r.left; }
int32_t top(const Rect& r) { return r.top; }
int32_t width(const Rect& r) { return int32_t(uint32_t(r.right) - uint32_t(r.left)); }
int32_t height(const Rect& r) { return int32_t(uint32_t(r.bottom) - uint32_t(r.top)); }

const CommandRow Rows[] = {
    {CmdLoadAnimation, opLoad},
    {CmdDeleteAnimation, opDelete},
    {CmdPlayAnimationL, skipAfter<play<1, false>, 1>},
    {CmdPlayAnimationLLL, skipAfter<play<3, false>, 3>},
    {CmdPlayAnimationLLLLL, skipAfter<play<5, false>, 5>},
    {CmdPlayAnimationLLLLLL, skipAfter<play<6, false>, 6>},
    {CmdLoopAnimationL, skipAfter<play<1, true>, 1>},
    {CmdLoopAnimationLLLLLL, skipAfter<play<6, true>, 6>},
    {CmdStopAnimation, skipAfter<onAnimation<stop>, 1>},
    {CmdPauseAnimation, skipAfter<onAnimation<pause>, 1>},
    {CmdResumeAnimation, skipAfter<onAnimation<resume>, 1>},
    {CmdPlaceAnimation, opPlace},
    {CmdAnimationExist, opExist},
    {CmdAnimationPlaying, opFlag<&AnimationState::playing>},
    {CmdAnimationPaused, opFlag<&AnimationState::paused>},
    {CmdAnimationLooping, opFlag<&AnimationState::looping>},
    {CmdAnimationPositionX, opRect<left>},
    {CmdAnimationPositionY, opRect<top>},
    {CmdAnimationWidth, opRect<width>},
    {CmdAnimationHeight, opRect<height>},
};

}  // namespace

extern const std::span<const CommandRow> AnimationRows(Rows);

}  // namespace zt
