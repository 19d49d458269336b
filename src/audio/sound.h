// Sounds: numbered WAV samples played once, looped whole or between byte positions (the
// engine restarts those loops at the frame end), with volume, pan and playback rate; 3D
// sounds placed around one listener; the speech commands, which have no speech engine
// behind them. Also the audio device's lifetime and the mixer that music and video play
// their streams through.
#pragma once

#include <memory>
#include <span>

#include "core/commands.h"

namespace zt {

struct Runtime;
class AudioDevice;
class Mixer;

// The platform's audio device for this run (a replaced one is stopped first); started by
// startSound.
void setAudioDevice(Runtime& rt, std::unique_ptr<AudioDevice> device);
// Start-up: the device starts mixing (without a device, the null one, said once on
// stderr), the listener is set to its initial state.
void startSound(Runtime& rt);
// The null device mixes up to the engine clock now (a real device mixes by itself): call
// it before reading or changing what a voice is playing.
void advanceAudio(Runtime& rt);
// Frame end: the null device catches up with the clock, then the engine-driven loops that
// have run out restart from their loop start.
void maintainSounds(Runtime& rt);
// Frame end: the listener's and the 3D sounds' positions of the frame take effect together.
void commitListener(Runtime& rt);
// End of the run: every sound stops and is deleted.
void deleteAllSounds(Runtime& rt);
// Shutdown: the sounds, then the device.
void releaseSound(Runtime& rt);

// The mixer every sound, music and video sound track plays through.
Mixer& soundMixer(Runtime& rt);

extern const std::span<const CommandRow> SoundRows;
extern const std::span<const CommandRow> SoundPlayRows;
extern const std::span<const CommandRow> SoundValueRows;
extern const std::span<const CommandRow> Sound3DRows;
extern const std::span<const CommandRow> SpeechRows;

}  // namespace zt
