// The desktop's audio device: SDL's default output opened at 44100 Hz, stereo, signed
// 16-bit (SDL converts if the hardware wants another format); its callback runs the mixer.
#include <SDL.h>

#include "audio/mixer/mixer.h"
#include "platform/audio.h"

namespace zt {

namespace {

constexpr Uint16 CallbackFrames = 1024;

class SdlAudioDevice final : public AudioDevice {
 public:
  ~SdlAudioDevice() override { stop(); }

  bool start(Mixer& mixer, double, std::string& error) override {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      error = SDL_GetError();
      return false;
    }
    SDL_AudioSpec want{};
    want.freq = MixRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = CallbackFrames;
    want.callback = fill;
    want.userdata = &mixer;
    SDL_AudioSpec have{};
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
      error = SDL_GetError();
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return false;
    }
    SDL_PauseAudioDevice(device, 0);
    return true;
  }

  // Closing waits for a running callback, so the mixer is not called afterwards.
  void stop() override {
    if (device == 0) return;
    SDL_CloseAudioDevice(device);
    device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  void advance(double) override {}

 private:
  static void SDLCALL fill(void* userdata, Uint8* stream, int length) {
    static_cast<Mixer*>(userdata)->render(reinterpret_cast<int16_t*>(stream), size_t(length) / (2 * sizeof(int16_t)));
  }

  SDL_AudioDeviceID device = 0;
};

}  // namespace

std::unique_ptr<AudioDevice> createSdlAudioDevice() { return std::make_unique<SdlAudioDevice>(); }

}  // namespace zt
