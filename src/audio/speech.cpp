// The speech commands. This engine has no speech engine: each command fails with the soft
// speech error after its own checks.
#include "audio/sound.h"
#include "audio/sound_table.h"

namespace zt {

namespace {

template <int Operands>
Word* opSay(Runtime& rt, Word* pc) {
  raiseError(rt, ErrSpeech);
  return pc + Operands;
}

Word* opSayToSound(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 1).i;
  if (!validSoundNumber(n))
    raiseError(rt, ErrSoundNumber);
  else if (audioState(rt).sounds[size_t(n)].exists)
    raiseError(rt, ErrSpeechTargetExists);
  else
    raiseError(rt, ErrSpeech);
  return pc + 2;
}

Word* opSpeechExist(Runtime& rt, Word* pc) {
  operand(pc, 0).i = 0;
  raiseError(rt, ErrSpeech);
  return pc + 1;
}

const CommandRow Rows[] = {
    {CmdSay, opSay<1>},
    {CmdSayToSound, opSayToSound},
    {CmdSayToFile, opSay<2>},
    {CmdSpeechExist, opSpeechExist},
};

}  // namespace

extern const std::span<const CommandRow> SpeechRows(Rows);

}  // namespace zt
