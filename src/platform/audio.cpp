// The null audio device: the engine thread mixes into a scratch block, in steps of at most
// one block, as far as the engine clock has advanced since the start.
#include "platform/audio.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "audio/mixer/mixer.h"

namespace zt {

namespace {

class NullAudioDevice final : public AudioDevice {
 public:
  bool start(Mixer& m, double nowMs, std::string&) override {
    mixer = &m;
    startMs = nowMs;
    mixedFrames = 0;
    return true;
  }
  void stop() override { mixer = nullptr; }
  void advance(double nowMs) override {
    if (!mixer || nowMs <= startMs) return;
    const auto due = uint64_t(std::floor((nowMs - startMs) * double(MixRate) / 1000.0));
    while (mixedFrames < due) {
      const size_t frames = size_t(std::min<uint64_t>(due - mixedFrames, BlockFrames));
      mixer->render(scratch.data(), frames);
      mixedFrames += frames;
    }
  }

 private:
  static constexpr size_t BlockFrames = 1024;
  Mixer* mixer = nullptr;
  double startMs = 0;
  uint64_t mixedFrames = 0;
  std::vector<int16_t> scratch = std::vector<int16_t>(BlockFrames * 2);
};

}  // namespace

std::unique_ptr<AudioDevice> createNullAudioDevice() { return std::make_unique<NullAudioDevice>(); }

}  // namespace zt
