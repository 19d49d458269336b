// The mixer's cost: 64 voices playing at once (32 plain ones at various rates, layouts and
// pans, 32 3D ones around a turned listener), mixed in blocks of 1024 frames as the
// device asks for them. Prints the frames mixed per second and the share of one core that
// real-time playback at 44100 Hz takes; also one voice alone, for the cost per voice.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "audio/mixer/mixer.h"

namespace {

using zt::Mixer;

std::shared_ptr<zt::SampleData> tone(int rate, int bits, int channels, double hz) {
  auto d = std::make_shared<zt::SampleData>();
  d->rate = rate;
  d->bitsPerSample = bits;
  d->channels = channels;
  for (int i = 0; i < rate * 2 * channels; ++i) {
    const double s = 0.3 * std::sin(6.283185307 * hz * double(i / channels) / rate);
    if (bits == 8) {
      d->bytes.push_back(uint8_t(128 + std::lrint(127 * s)));
    } else {
      const auto v = uint16_t(int16_t(std::lrint(32767 * s)));
      d->bytes.push_back(uint8_t(v & 0xFF));
      d->bytes.push_back(uint8_t(v >> 8));
    }
  }
  return d;
}

// Frames mixed per second of processor time.
double framesPerSecond(Mixer& m) {
  using clock = std::chrono::steady_clock;
  constexpr size_t Block = 1024;
  std::vector<int16_t> out(Block * 2);
  size_t frames = 0;
  const auto start = clock::now();
  double seconds = 0;
  while (seconds < 1.0) {
    for (int i = 0; i < 16; ++i) m.render(out.data(), Block);
    frames += 16 * Block;
    seconds = std::chrono::duration<double>(clock::now() - start).count();
  }
  return double(frames) / seconds;
}

void report(const char* what, double fps) {
  std::printf("%-40s %10.0f frames/s   %6.2f%% of one core at %d Hz\n", what, fps, 100.0 * zt::MixRate / fps,
              zt::MixRate);
}

}  // namespace

int main() {
  const int rates[] = {8000, 11025, 22050, 44100};
  Mixer one;
  one.play(one.addBuffer(tone(22050, 16, 1, 440), false), true);
  const double single = framesPerSecond(one);
  report("1 voice (16-bit mono, 22050 Hz)", single);

  Mixer m;
  for (int i = 0; i < 32; ++i) {
    const zt::VoiceId v = m.addBuffer(tone(rates[i % 4], i % 2 ? 16 : 8, 1 + i % 2, 200 + 10 * i), false);
    m.setPan(v, (i - 16) * 600);
    m.setVolume(v, -100 * (i % 8));
    m.play(v, true);
  }
  for (int i = 0; i < 32; ++i) {
    const zt::VoiceId v = m.addBuffer(tone(rates[i % 4], 16, 1, 300 + 7 * i), true);
    const double a = 0.19634954 * i;
    m.setSourcePosition(v, {float(400 * std::cos(a)), 0.0f, float(400 * std::sin(a))});
    m.play(v, true);
  }
  zt::Listener l;
  zt::orientationFromAngles(0, 30, 0, l.front, l.top);
  m.setListener(l);
  m.commit();
  const double all = framesPerSecond(m);
  report("64 voices (32 of them 3D)", all);
  std::printf("cost of 64 voices / 64 x one voice: %.2f\n", single / all / 64.0);
  return 0;
}
