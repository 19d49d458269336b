// 3D sounds and the listener: positions and the listener's orientation are stored at
// once and reach the mixer as deferred settings, which commitListener applies together
// at the frame end.
#include "audio/sound.h"
#include "audio/sound_table.h"

namespace zt {

namespace {

void sendListener(AudioState& a) {
  Listener l;
  l.position = {a.listener.x, a.listener.y, a.listener.z};
  orientationFromAngles(a.listener.angleX, a.listener.angleY, a.listener.angleZ, l.front, l.top);
  a.mixer.setListener(l);
}

Word* opPositionSound(Runtime& rt, Word* pc) {
  if (SoundRecord* s = checkedSound(rt, operand(pc, 0).i)) {
    s->x = operand(pc, 1).f;
    s->y = operand(pc, 2).f;
    s->z = operand(pc, 3).f;
    if (s->is3D) audioState(rt).mixer.setSourcePosition(bufferOf(*s), {s->x, s->y, s->z});
  }
  return pc + 4;
}

// POSITION LISTENER and ROTATE LISTENER: three stored values that move the listener.
template <float ListenerState::*X, float ListenerState::*Y, float ListenerState::*Z>
Word* opSetListener(Runtime& rt, Word* pc) {
  AudioState& a = audioState(rt);
  a.listener.*X = operand(pc, 0).f;
  a.listener.*Y = operand(pc, 1).f;
  a.listener.*Z = operand(pc, 2).f;
  sendListener(a);
  return pc + 3;
}

template <float SoundRecord::*Field>
Word* opSoundPosition(Runtime& rt, Word* pc) {
  operand(pc, 0).f = 0;
  if (SoundRecord* s = checkedSound(rt, operand(pc, 1).i)) operand(pc, 0).f = s->*Field;
  return pc + 2;
}

template <float ListenerState::*Field>
Word* opListenerValue(Runtime& rt, Word* pc) {
  operand(pc, 0).f = audioState(rt).listener.*Field;
  return pc + 1;
}

const CommandRow Rows[] = {
    {CmdPositionSound, opPositionSound},
    {CmdPositionListener, opSetListener<&ListenerState::x, &ListenerState::y, &ListenerState::z>},
    {CmdRotateListener, opSetListener<&ListenerState::angleX, &ListenerState::angleY, &ListenerState::angleZ>},
    {CmdSoundPositionX, opSoundPosition<&SoundRecord::x>},
    {CmdSoundPositionY, opSoundPosition<&SoundRecord::y>},
    {CmdSoundPositionZ, opSoundPosition<&SoundRecord::z>},
    {CmdListenerPositionX, opListenerValue<&ListenerState::x>},
    {CmdListenerPositionY, opListenerValue<&ListenerState::y>},
    {CmdListenerPositionZ, opListenerValue<&ListenerState::z>},
    {CmdListenerAngleX, opListenerValue<&ListenerState::angleX>},
    {CmdListenerAngleY, opListenerValue<&ListenerState::angleY>},
    {CmdListenerAngleZ, opListenerValue<&ListenerState::angleZ>},
};

}  // namespace

void commitListener(Runtime& rt) { audioState(rt).mixer.commit(); }

extern const std::span<const CommandRow> Sound3DRows(Rows);

}  // namespace zt
