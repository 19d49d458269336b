// Playing sounds: once from the start or a byte position, looped natively, or looped
// between byte positions by the engine (maintainSounds restarts such a loop at the frame
// end once it has run out, at most once a frame); stop, pause and resume.
#include "audio/sound.h"
#include "audio/sound_table.h"

namespace zt {

namespace {

// Marks the sound as playing; a loop start of 0 leaves looping to the buffer itself (or
// to nobody: LOOP SOUND n, 0, e plays once).
void startLoop(SoundRecord& s, int32_t start, int32_t end) {
  s.loopStart = start;
  s.loopEnd = end;
  s.playing = 1;
  s.looping = 1;
}

template <int Operands>
Word* opPlaySound(Runtime& rt, Word* pc) {
  SoundRecord* s = checkedSound(rt, operand(pc, 0).i);
  if (!s) return pc + Operands;
  Mixer& mixer = audioState(rt).mixer;
  stopAndRewind(mixer, *s);
  playBuffer(mixer, *s, Operands == 2 ? operand(pc, 1).i : 0, false);
  s->loopStart = s->loopEnd = 0;
  s->playing = 1;
  s->looping = 0;
  return pc + Operands;
}

// LOOP SOUND n: the buffer loops by itself, from where it stands.
Word* opLoopSound(Runtime& rt, Word* pc) {
  SoundRecord* s = checkedSound(rt, operand(pc, 0).i);
  if (!s) return pc + 1;
  playBuffer(audioState(rt).mixer, *s, 0, true);
  startLoop(*s, 0, 0);
  return pc + 1;
}

// LOOP SOUND n, s [, e]: one pass from where the buffer stands; the engine loops after.
template <int Operands>
Word* opLoopSoundFrom(Runtime& rt, Word* pc) {
  SoundRecord* s = checkedSound(rt, operand(pc, 0).i);
  if (!s) return pc + Operands;
  playBuffer(audioState(rt).mixer, *s, 0, false);
  startLoop(*s, operand(pc, 1).i, Operands == 3 ? operand(pc, 2).i : 0);
  return pc + Operands;
}

// LOOP SOUND n, s, e, i: the first pass from i.
Word* opLoopSoundInitial(Runtime& rt, Word* pc) {
  SoundRecord* s = checkedSound(rt, operand(pc, 0).i);
  if (!s) return pc + 4;
  Mixer& mixer = audioState(rt).mixer;
  stopAndRewind(mixer, *s);
  playBuffer(mixer, *s, operand(pc, 3).i, false);
  startLoop(*s, operand(pc, 1).i, operand(pc, 2).i);
  return pc + 4;
}

Word* opStopSound(Runtime& rt, Word* pc) {
  if (SoundRecord* s = checkedSound(rt, operand(pc, 0).i)) {
    stopAndRewind(audioState(rt).mixer, *s);
    s->playing = s->looping = 0;
    s->loopStart = s->loopEnd = 0;
  }
  return pc + 1;
}

Word* opPauseSound(Runtime& rt, Word* pc) {
  if (SoundRecord* s = checkedSound(rt, operand(pc, 0).i)) {
    audioState(rt).mixer.stop(bufferOf(*s));
    s->paused = 1;
  }
  return pc + 1;
}

// A loop the engine drives goes on as one pass from the paused position, so it keeps its
// loop start and end; only a native loop is resumed looping. A sound that plays again is
// playing, even when SOUND PLAYING cleared the flag while it was paused.
Word* opResumeSound(Runtime& rt, Word* pc) {
  if (SoundRecord* s = checkedSound(rt, operand(pc, 0).i)) {
    playBuffer(audioState(rt).mixer, *s, 0, s->looping && s->loopStart == 0);
    if (bufferOf(*s)) s->playing = 1;
    s->paused = 0;
  }
  return pc + 1;
}

const CommandRow Rows[] = {
    {CmdPlaySoundL, opPlaySound<1>},
    {CmdPlaySoundLL, opPlaySound<2>},
    {CmdLoopSoundL, opLoopSound},
    {CmdLoopSoundLL, opLoopSoundFrom<2>},
    {CmdLoopSoundLLL, opLoopSoundFrom<3>},
    {CmdLoopSoundLLLL, opLoopSoundInitial},
    {CmdStopSound, opStopSound},
    {CmdPauseSound, opPauseSound},
    {CmdResumeSound, opResumeSound},
};

}  // namespace

void advanceAudio(Runtime& rt) {
  AudioState& a = audioState(rt);
  if (a.device) a.device->advance(rt.clock->preciseMilliseconds());
}

void maintainSounds(Runtime& rt) {
  advanceAudio(rt);
  AudioState& a = audioState(rt);
  for (SoundRecord& s : a.sounds) {
    // A paused loop waits for RESUME SOUND instead of restarting.
    if (s.loopStart == 0 || !s.looping || s.paused) continue;
    const VoiceId b = bufferOf(s);
    const bool pastEnd = s.loopEnd != 0 && a.mixer.position(b) >= uint32_t(s.loopEnd);
    if (!pastEnd && a.mixer.playing(b)) continue;
    stopAndRewind(a.mixer, s);
    playBuffer(a.mixer, s, s.loopStart, false);
  }
}

extern const std::span<const CommandRow> SoundPlayRows(Rows);

}  // namespace zt
