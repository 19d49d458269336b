// A sound's volume (0 to 100), playback rate (100 to 100000 Hz) and pan (-10000 to
// 10000), and the functions that report a sound's flags and stored values.
#include "audio/sound.h"
#include "audio/sound_table.h"

namespace zt {

namespace {

// Checks the sound, then the value against [low, high] (raising `error`); the sound when
// both pass.
SoundRecord* checkedSetting(Runtime& rt, Word* pc, int32_t low, int32_t high, int32_t error) {
  SoundRecord* s = checkedSound(rt, operand(pc, 0).i);
  if (!s) return nullptr;
  const int32_t v = operand(pc, 1).i;
  if (v < low || v > high) {
    raiseError(rt, error);
    return nullptr;
  }
  return s;
}

Word* opSetSoundVolume(Runtime& rt, Word* pc) {
  if (SoundRecord* s = checkedSetting(rt, pc, 0, 100, ErrSoundVolume)) {
    s->volume = operand(pc, 1).i;
    audioState(rt).mixer.setVolume(bufferOf(*s), (100 - s->volume) * -100);
  }
  return pc + 2;
}

Word* opSetSoundSpeed(Runtime& rt, Word* pc) {
  if (SoundRecord* s = checkedSetting(rt, pc, 100, 100000, ErrSoundSpeed)) {
    s->speed = operand(pc, 1).i;
    audioState(rt).mixer.setFrequency(bufferOf(*s), uint32_t(s->speed));
  }
  return pc + 2;
}

// 3D sounds have no pan control: the value is only stored.
Word* opSetSoundPan(Runtime& rt, Word* pc) {
  if (SoundRecord* s = checkedSetting(rt, pc, -10000, 10000, ErrSoundPan)) {
    s->pan = operand(pc, 1).i;
    audioState(rt).mixer.setPan(bufferOf(*s), s->pan);
  }
  return pc + 2;
}

Word* opSoundExist(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 1).i;
  operand(pc, 0).i = 0;
  if (!validSoundNumber(n))
    raiseError(rt, ErrSoundNumber);
  else
    operand(pc, 0).i = audioState(rt).sounds[size_t(n)].exists;
  return pc + 2;
}

// A sound whose buffer has stopped by itself (or that has no buffer) is no longer playing.
Word* opSoundPlaying(Runtime& rt, Word* pc) {
  operand(pc, 0).i = 0;
  if (SoundRecord* s = checkedSound(rt, operand(pc, 1).i)) {
    if (s->playing && !audioState(rt).mixer.playing(bufferOf(*s))) s->playing = 0;
    operand(pc, 0).i = s->playing;
  }
  return pc + 2;
}

// The functions that return one stored integer of a sound.
template <auto Field>
Word* opSoundValue(Runtime& rt, Word* pc) {
  operand(pc, 0).i = 0;
  if (SoundRecord* s = checkedSound(rt, operand(pc, 1).i)) operand(pc, 0).i = int32_t(s->*Field);
  return pc + 2;
}

const CommandRow Rows[] = {
    {CmdSetSoundVolume, opSetSoundVolume},
    {CmdSetSoundSpeed, opSetSoundSpeed},
    {CmdSetSoundPan, opSetSoundPan},
    {CmdSoundExist, opSoundExist},
    {CmdSoundPlaying, opSoundPlaying},
    {CmdSoundPaused, opSoundValue<&SoundRecord::paused>},
    {CmdSoundLooping, opSoundValue<&SoundRecord::looping>},
    {CmdGetSoundVolume, opSoundValue<&SoundRecord::volume>},
    {CmdGetSoundSpeed, opSoundValue<&SoundRecord::speed>},
    {CmdGetSoundPan, opSoundValue<&SoundRecord::pan>},
    {CmdSoundType, opSoundValue<&SoundRecord::is3D>},
};

}  // namespace

extern const std::span<const CommandRow> SoundValueRows(Rows);

}  // namespace zt
