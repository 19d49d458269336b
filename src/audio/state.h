// The state of sounds: the audio device, the mixer, the sound table and the listener.
// Only audio and the host include this; others use audio/sound.h.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "audio/mixer/mixer.h"
#include "platform/audio.h"

namespace zt {

constexpr int32_t MaxSoundNumber = 1025;
constexpr size_t SoundTableSize = 1030;  // the release loops cover all of it

// The sample memory of a loaded sound and its one buffer (a voice of the mixer). A sound
// loaded from a file that is not a playable wave has no buffer and plays silently.
struct SoundSample {
  std::shared_ptr<const SampleData> data;
  VoiceId buffer = 0;
};

struct SoundRecord {
  uint8_t exists = 0;
  uint8_t is3D = 0;
  uint8_t playing = 0;
  uint8_t paused = 0;
  uint8_t looping = 0;
  int32_t volume = 100;
  int32_t speed = 11000;  // only reported: the buffer keeps the file's rate until set
  int32_t pan = 0;
  int32_t loopStart = 0;  // byte position where an engine-driven loop restarts; 0 none
  int32_t loopEnd = 0;    // byte position where it wraps; 0 the end of the sound
  float x = 0, y = 0, z = 0;
  std::unique_ptr<SoundSample> sample;
};

// As POSITION LISTENER and ROTATE LISTENER last gave them.
struct ListenerState {
  float x = 0, y = 0, z = 0;
  float angleX = 0, angleY = 0, angleZ = 0;
};

struct AudioState {
  Mixer mixer;
  std::unique_ptr<AudioDevice> device;
  std::array<SoundRecord, SoundTableSize> sounds;
  ListenerState listener;
};

}  // namespace zt
