// The audio device the mixer plays into: 44100 Hz, stereo, 16-bit. The desktop's runs the
// mixer from SDL's audio callback; the null twin (headless runs, or a machine without a
// sound card) has no output and mixes on the engine thread as far as the engine clock has
// gone, so play cursors move as they would on a sound card and a run on the virtual
// clock stays reproducible.
#pragma once

#include <memory>
#include <string>

namespace zt {

class Mixer;

class AudioDevice {
 public:
  virtual ~AudioDevice() = default;
  // Starts feeding the mixer's output to the device; false with the reason when there is
  // no device. `nowMs` is the engine clock at the start.
  virtual bool start(Mixer& mixer, double nowMs, std::string& error) = 0;
  // Stops the mixing; the mixer is no longer called afterwards.
  virtual void stop() = 0;
  // Once per frame on the engine thread with the engine clock: the null device mixes up
  // to that time; a real device does nothing.
  virtual void advance(double nowMs) = 0;
};

std::unique_ptr<AudioDevice> createSdlAudioDevice();
std::unique_ptr<AudioDevice> createNullAudioDevice();

}  // namespace zt
