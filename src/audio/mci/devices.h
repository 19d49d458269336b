// The media devices that command strings open and drive: each plays one music file
// (decoded by FFmpeg, or a MIDI file played by the synthesizer) as a stream voice of the
// mixer. Lengths and positions are milliseconds, and positions come from the frames the
// mixer has played, so a run on the virtual clock reproduces them. There is no CD drive:
// "open cdaudio" fails.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "audio/mci/command.h"
#include "audio/mixer/mixer.h"

namespace zt {

class MidiSynthesizer;

class MciDevices {
 public:
  // `resolve` turns a file name of a command into a host path.
  explicit MciDevices(std::function<std::string(std::string_view)> resolve);
  ~MciDevices();
  MciDevices(const MciDevices&) = delete;
  MciDevices& operator=(const MciDevices&) = delete;

  // Carries out one command string; `reply` receives a status command's answer. The
  // devices' voices play in `mixer`, which must be the same for every call.
  MciError send(Mixer& mixer, std::string_view command, std::string& reply);
  // Closes every device (end of the run).
  void closeAll(Mixer& mixer);

  size_t openCount() const { return devices_.size(); }
  // Whether the synthesizer has been started (it starts on the first MIDI open).
  bool synthesizerLoaded() const { return synth_ != nullptr; }

 private:
  enum class Mode { Stopped, Playing, Paused };
  struct Device {
    std::string alias;
    VoiceId voice = 0;
    uint32_t length = 0;  // milliseconds
    Mode mode = Mode::Stopped;
    int volume = 0;   // hundredths of a decibel
    int speed = 100;  // percent
  };

  MciError open(Mixer& mixer, const MciCommand& c);
  MciError play(Mixer& mixer, Device& d, const MciCommand& c);
  MciError status(Mixer& mixer, const Device& d, const MciCommand& c, std::string& reply) const;
  MciError set(Mixer& mixer, Device& d, const MciCommand& c);
  uint32_t position(const Mixer& mixer, const Device& d) const;
  bool reposition(Mixer& mixer, Device& d, uint32_t milliseconds);
  Device* find(std::string_view alias);

  std::function<std::string(std::string_view)> resolve_;
  std::vector<Device> devices_;
  std::unique_ptr<MidiSynthesizer> synth_;
};

// The speed range "set ... speed" accepts, in per mille of the normal pace.
constexpr uint32_t MciSlowest = 100, MciFastest = 4000;

}  // namespace zt
