// What the sound families share: the number checks in their order, and the buffer
// operations every play, stop and delete goes through.
#pragma once

#include <cstdint>

#include "audio/sound.h"
#include "audio/state.h"
#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/errors.h"
#include "core/runtime.h"

namespace zt {

inline AudioState& audioState(Runtime& rt) { return rt.audio; }

inline bool validSoundNumber(int32_t n) { return n >= 1 && n <= MaxSoundNumber; }

// The sound under n, or null after raising 3001 (n out of range) or 3004 (no sound).
// The null device first mixes up to the engine clock, so the command sees the buffer as
// it stands now.
inline SoundRecord* checkedSound(Runtime& rt, int32_t n) {
  if (!validSoundNumber(n)) {
    raiseError(rt, ErrSoundNumber);
    return nullptr;
  }
  advanceAudio(rt);
  SoundRecord& s = audioState(rt).sounds[size_t(n)];
  if (!s.exists) {
    raiseError(rt, ErrNoSound);
    return nullptr;
  }
  return &s;
}

inline VoiceId bufferOf(const SoundRecord& s) { return s.sample ? s.sample->buffer : 0; }

// Stops the sound's buffer and rewinds it to the start.
void stopAndRewind(Mixer& mixer, const SoundRecord& s);
// Plays the sound's buffer from byte `position` (0: where it stands), looping natively or
// once. A buffer that is already playing is left as it is.
void playBuffer(Mixer& mixer, const SoundRecord& s, int32_t position, bool looping);
// Frees the sound's buffer and sample and leaves the entry empty.
void deleteSound(Mixer& mixer, SoundRecord& s);

}  // namespace zt
