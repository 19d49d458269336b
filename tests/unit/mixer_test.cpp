// The mixer on rendered buffers, block by block as the null device renders them: volume and
// pan laws, resampling, 3D attenuation and direction, saturation, stream voices.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "audio/mixer/mixer.h"
#include "platform/audio.h"

namespace zt {
namespace {

constexpr double Pi = 3.14159265358979;

std::shared_ptr<SampleData> constant16(int16_t value, size_t frames, int channels = 1) {
  auto d = std::make_shared<SampleData>();
  d->channels = channels;
  d->bitsPerSample = 16;
  d->rate = MixRate;
  for (size_t i = 0; i < frames * size_t(channels); ++i) {
    d->bytes.push_back(uint8_t(uint16_t(value) & 0xFF));
    d->bytes.push_back(uint8_t(uint16_t(value) >> 8));
  }
  return d;
}

std::shared_ptr<SampleData> sine(int rate, int bits, double hz, double seconds) {
  auto d = std::make_shared<SampleData>();
  d->rate = rate;
  d->bitsPerSample = bits;
  const size_t frames = size_t(rate * seconds);
  for (size_t i = 0; i < frames; ++i) {
    const double s = 0.8 * std::sin(2 * Pi * hz * double(i) / rate);
    if (bits == 8) {
      d->bytes.push_back(uint8_t(std::lrint(128 + 127 * s)));
    } else {
      const auto v = uint16_t(int16_t(std::lrint(32767 * s)));
      d->bytes.push_back(uint8_t(v & 0xFF));
      d->bytes.push_back(uint8_t(v >> 8));
    }
  }
  return d;
}

// Renders `frames` in blocks of 512, as a device would ask for them.
std::vector<int16_t> render(Mixer& m, size_t frames) {
  std::vector<int16_t> out(frames * 2);
  for (size_t at = 0; at < frames; at += 512) m.render(out.data() + at * 2, std::min<size_t>(512, frames - at));
  return out;
}

// Upward zero crossings of one channel per second of output.
double measuredFrequency(const std::vector<int16_t>& out, int channel) {
  int crossings = 0;
  for (size_t i = 2 + size_t(channel); i < out.size(); i += 2)
    if (out[i - 2] < 0 && out[i] >= 0) ++crossings;
  return crossings * double(MixRate) / double(out.size() / 2);
}

TEST(Mixer, VolumeLawIsHundredthsOfADecibelDownToSilence) {
  Mixer m;
  const VoiceId v = m.addBuffer(constant16(16384, 4096), false);
  m.play(v, true);
  EXPECT_EQ(render(m, 1024)[100], 16384);  // 0 dB: the sample as it is
  m.setVolume(v, -1000);
  const auto tenDown = render(m, 1024);
  EXPECT_NEAR(tenDown[100], 16384 * std::pow(10.0, -0.5), 1.0);
  EXPECT_EQ(tenDown[100], tenDown[101]);
  m.setVolume(v, VolumeSilent);
  EXPECT_EQ(render(m, 1024)[100], 0);
  // The last audible step and the first silent one, and the clamp of values out of range.
  EXPECT_GT(volumeGain(-9999), 0.0f);
  EXPECT_EQ(volumeGain(-10000), 0.0f);
  EXPECT_EQ(volumeGain(-20000), 0.0f);
  m.setVolume(v, 500);
  EXPECT_EQ(m.volume(v), 0);
  m.setVolume(v, -10001);
  EXPECT_EQ(m.volume(v), VolumeSilent);
}

TEST(Mixer, PanLawSilencesTheFarSideAtTheEndsAndLeavesTheCentreWhole) {
  Mixer m;
  const VoiceId v = m.addBuffer(constant16(16384, 4096), false);
  m.play(v, true);
  m.setPan(v, PanRight);
  auto out = render(m, 512);
  EXPECT_EQ(out[10], 0);
  EXPECT_EQ(out[11], 16384);
  m.setPan(v, PanLeft);
  out = render(m, 512);
  EXPECT_EQ(out[10], 16384);
  EXPECT_EQ(out[11], 0);
  m.setPan(v, 0);
  out = render(m, 512);
  EXPECT_EQ(out[10], 16384);
  EXPECT_EQ(out[11], 16384);
  m.setPan(v, 1000);  // right of centre: the left loses 10 dB
  out = render(m, 512);
  EXPECT_NEAR(out[10], 16384 * std::pow(10.0, -0.5), 1.0);
  EXPECT_EQ(out[11], 16384);
  m.setPan(v, 10001);
  EXPECT_EQ(m.pan(v), PanRight);
}

TEST(Mixer, StereoSourcesKeepTheirChannels) {
  auto d = std::make_shared<SampleData>(*constant16(0, 1024, 2));
  for (size_t i = 0; i < d->bytes.size(); i += 4) d->bytes[i + 1] = 0x20;  // left 0x2000, right 0
  Mixer m;
  const VoiceId v = m.addBuffer(d, false);
  m.play(v, false);
  const auto out = render(m, 512);
  EXPECT_EQ(out[20], 0x2000);
  EXPECT_EQ(out[21], 0);
}

TEST(Mixer, ResamplesOtherRatesAndBitDepthsToTheirOwnPitch) {
  Mixer m;
  const VoiceId slow = m.addBuffer(sine(22050, 16, 441, 2.0), false);
  m.play(slow, false);
  EXPECT_NEAR(measuredFrequency(render(m, MixRate), 0), 441, 2);
  m.stop(slow);

  const VoiceId bytes = m.addBuffer(sine(11025, 8, 300, 2.0), false);
  m.play(bytes, false);
  const auto out = render(m, MixRate);
  EXPECT_NEAR(measuredFrequency(out, 0), 300, 2);
  EXPECT_NEAR(measuredFrequency(out, 1), 300, 2);
  m.stop(bytes);

  // A doubled playback rate doubles the pitch.
  m.setPosition(slow, 0);
  m.setFrequency(slow, 44100);
  m.play(slow, false);
  EXPECT_NEAR(measuredFrequency(render(m, MixRate / 2), 0), 882, 4);
}

TEST(Mixer, PlayCursorEndsOnceLoopsAndIsReportedInBytes) {
  Mixer m;
  const auto d = constant16(1000, 2000);  // 4000 bytes
  const VoiceId v = m.addBuffer(d, false);
  EXPECT_TRUE(m.setPosition(v, 3998));  // the last frame
  EXPECT_FALSE(m.setPosition(v, 4000));  // the first position past the end
  EXPECT_TRUE(m.setPosition(v, 1001));   // inside a frame: its start
  EXPECT_EQ(m.position(v), 1000u);
  m.play(v, false);
  render(m, 1000);
  EXPECT_EQ(m.position(v), 3000u);
  render(m, 499);
  EXPECT_TRUE(m.playing(v));
  render(m, 1);
  EXPECT_FALSE(m.playing(v));
  EXPECT_EQ(render(m, 16)[0], 0);

  m.play(v, true);
  render(m, 2500);
  EXPECT_TRUE(m.playing(v));
  EXPECT_EQ(m.position(v), 1000u);  // 500 frames into the second pass
}

TEST(Mixer, DuplicatesShareTheSampleAndOutliveTheirSource) {
  Mixer m;
  const VoiceId a = m.addBuffer(constant16(2000, 1000), false);
  m.setVolume(a, -600);
  const VoiceId b = m.duplicate(a);
  ASSERT_NE(b, 0u);
  EXPECT_EQ(m.volume(b), -600);
  m.remove(a);
  m.setVolume(b, 0);
  m.play(b, false);
  EXPECT_EQ(render(m, 16)[4], 2000);
  EXPECT_EQ(m.duplicate(a), 0u);
  EXPECT_EQ(m.voiceCount(), 1u);
}

TEST(Mixer, RefusesWhatItCannotPlay) {
  Mixer m;
  auto d = constant16(0, 10);
  d->bitsPerSample = 24;
  EXPECT_EQ(m.addBuffer(d, false), 0u);
  d->bitsPerSample = 16;
  d->channels = 3;
  EXPECT_EQ(m.addBuffer(d, false), 0u);
  EXPECT_EQ(m.addBuffer(nullptr, false), 0u);
  EXPECT_EQ(m.addStream(nullptr), 0u);
  // Calls on a voice that does not exist are harmless.
  m.play(77, true);
  EXPECT_FALSE(m.playing(77));
  EXPECT_FALSE(m.setPosition(77, 0));
  EXPECT_EQ(m.takeStream(77), nullptr);
}

TEST(Mixer, ManyLoudVoicesSaturateInsteadOfWrapping) {
  Mixer m;
  for (int i = 0; i < 16; ++i) m.play(m.addBuffer(constant16(30000, 1000), false), false);
  for (int i = 0; i < 16; ++i) m.play(m.addBuffer(constant16(-30000, 1000, 2), false), false);
  auto out = render(m, 256);
  EXPECT_EQ(out[0], 0);  // they cancel
  Mixer loud;
  for (int i = 0; i < 16; ++i) loud.play(loud.addBuffer(constant16(30000, 1000), false), false);
  out = render(loud, 256);
  EXPECT_EQ(out[0], 32767);
  EXPECT_EQ(out[511], 32767);
  Mixer low;
  for (int i = 0; i < 16; ++i) low.play(low.addBuffer(constant16(-32768, 1000), false), false);
  out = render(low, 256);
  EXPECT_EQ(out[0], -32767);
}

// A listener at the origin facing +z; a 3D voice on the z axis at a given distance.
struct Scene {
  Mixer m;
  VoiceId v;
  Scene() : v(m.addBuffer(constant16(16384, 100000), true)) { m.play(v, true); }
  std::pair<int, int> heard(Vec3 at) {
    m.setSourcePosition(v, at);
    m.commit();
    const auto out = render(m, 256);
    return {out[100], out[101]};
  }
};

TEST(Mixer, ThreeDimensionalSoundFallsOffWithDistanceUpToTheMaximum) {
  Scene s;
  EXPECT_EQ(s.heard({0, 0, 50}), std::make_pair(16384, 16384));  // inside the minimum distance
  EXPECT_EQ(s.heard({0, 0, 100}), std::make_pair(16384, 16384));
  const auto twice = s.heard({0, 0, 200});
  EXPECT_NEAR(twice.first, 8192, 1);
  EXPECT_EQ(twice.first, twice.second);
  const auto atMax = s.heard({0, 0, 5000});
  EXPECT_NEAR(atMax.first, 16384 * 100.0 / 5000.0, 1);
  EXPECT_EQ(s.heard({0, 0, 20000}), atMax);  // no further fall-off past the maximum
  s.m.setSourceDistances(s.v, 10, 20);
  EXPECT_NEAR(s.heard({0, 0, 20}).first, 8192, 1);
}

TEST(Mixer, ThreeDimensionalSettingsWaitForTheCommit) {
  Scene s;
  s.m.setSourcePosition(s.v, {0, 0, 200});
  s.m.setListener(Listener{{0, 0, -200}, {0, 0, 1}, {0, 1, 0}, 1.0f});
  EXPECT_EQ(render(s.m, 128)[100], 16384);
  s.m.commit();
  EXPECT_NEAR(render(s.m, 128)[100], 16384 / 4, 1);
  s.m.setPan(s.v, PanLeft);  // no pan control on a 3D voice
  EXPECT_EQ(s.m.pan(s.v), 0);
}

TEST(Mixer, ASourceToTheLeftAfterTurningTheListenerIsLouderOnTheLeft) {
  Scene s;
  const auto ahead = s.heard({0, 0, 100});
  EXPECT_EQ(ahead.first, ahead.second);
  Listener l;
  orientationFromAngles(0, 90, 0, l.front, l.top);  // now facing +x: +z is on the left
  EXPECT_NEAR(l.front.x, 1.0f, 1e-3f);
  EXPECT_NEAR(l.front.z, 0.0f, 1e-3f);
  EXPECT_NEAR(l.top.y, 1.0f, 1e-6f);
  s.m.setListener(l);
  const auto left = s.heard({0, 0, 100});
  EXPECT_EQ(left.first, 16384);
  EXPECT_NEAR(left.second, 16384 / 4, 8);
  const auto right = s.heard({0, 0, -100});
  EXPECT_NEAR(right.first, 16384 / 4, 8);
  EXPECT_EQ(right.second, 16384);
}

TEST(Mixer, OrientationFollowsTheRowVectorMatricesInZYXOrder) {
  Vec3 front, top;
  orientationFromAngles(90, 0, 0, front, top);  // pitch: front turns to -y, top to +z
  EXPECT_NEAR(front.y, -1.0f, 1e-3f);
  EXPECT_NEAR(top.z, 1.0f, 1e-3f);
  orientationFromAngles(0, 0, 90, front, top);  // roll: top turns to -x, front stays
  EXPECT_NEAR(front.z, 1.0f, 1e-6f);
  EXPECT_NEAR(top.x, -1.0f, 1e-3f);
  // 3.14 / 180 per degree: 180 degrees is not quite a half turn.
  orientationFromAngles(0, 180, 0, front, top);
  EXPECT_NEAR(front.x, std::sin(3.14f), 1e-6f);
  EXPECT_GT(front.x, 0.0f);
}

// A stream of `length` frames whose left channel counts frames and right is constant.
class CountingStream : public AudioStream {
 public:
  explicit CountingStream(size_t length) : length(length) {}
  size_t read(float* out, size_t frames) override {
    size_t n = 0;
    for (; n < frames && at < length; ++n, ++at) {
      out[2 * n] = float(at % 1000) / 1000.0f;
      out[2 * n + 1] = 0.25f;
    }
    return n;
  }
  bool seek(long milliseconds) override {
    at = size_t(milliseconds) * MixRate / 1000;
    return true;
  }
  size_t length;
  size_t at = 0;
};

TEST(Mixer, StreamVoicesCountWhatWasPlayedEndAndComeBack) {
  Mixer m;
  auto owned = std::make_unique<CountingStream>(3000);
  CountingStream* stream = owned.get();
  const VoiceId v = m.addStream(std::move(owned), 500);
  EXPECT_EQ(m.framesPlayed(v), 500u);
  render(m, 1024);
  EXPECT_EQ(stream->at, 0u);  // stopped: nothing is pulled
  m.play(v, false);
  m.render(nullptr, 0);  // an empty block changes nothing
  EXPECT_EQ(m.framesPlayed(v), 500u);
  auto out = render(m, 1000);
  EXPECT_EQ(m.framesPlayed(v), 1500u);
  EXPECT_NEAR(out[3], 0.25 * 32767, 1);
  EXPECT_FALSE(m.streamEnded(v));
  m.setVolume(v, -1000);
  m.setPan(v, PanLeft);
  out = render(m, 100);
  EXPECT_NEAR(out[1], 0.25 * 32767 * std::pow(10.0, -0.5) * std::pow(10.0, -5.0), 1);
  m.setPan(v, 0);
  m.setVolume(v, 0);
  m.setSpeed(v, 200);  // twice the pace: 1900 frames left last 950 output frames
  render(m, 940);
  EXPECT_TRUE(m.playing(v));
  render(m, 20);
  EXPECT_TRUE(m.streamEnded(v));
  EXPECT_FALSE(m.playing(v));
  EXPECT_EQ(m.framesPlayed(v), 3500u);
  EXPECT_EQ(m.speed(v), 200);
  std::unique_ptr<AudioStream> back = m.takeStream(v);
  EXPECT_EQ(back.get(), stream);
  EXPECT_EQ(m.voiceCount(), 0u);
}

TEST(Mixer, SlowStreamsAreInterpolatedAcrossBlocks) {
  Mixer m;
  const VoiceId v = m.addStream(std::make_unique<CountingStream>(100000));
  m.setSpeed(v, 50);
  m.play(v, false);
  std::vector<int16_t> out;
  for (int block = 0; block < 8; ++block) {
    const auto part = render(m, 37);  // odd block sizes put frame edges inside blocks
    out.insert(out.end(), part.begin(), part.end());
  }
  // The left channel climbs by half a step of 1/1000 per output frame, without a jump
  // (after the first source frame, which is the start of the climb).
  for (size_t i = 8; i < out.size(); i += 2) EXPECT_NEAR(out[i] - out[i - 2], 32767 * 0.0005, 1.01) << i;
  EXPECT_EQ(m.framesPlayed(v), 148u);
}

// A device thread mixes without pause while the engine thread adds, changes, plays and
// removes voices and takes streams back: every stream comes back whole and unshared.
TEST(Mixer, TheDeviceThreadMixesWhileTheEngineChangesVoices) {
  Mixer m;
  std::atomic<bool> done{false};
  std::atomic<long> blocks{0};
  std::thread device([&] {
    std::vector<int16_t> out(256 * 2);
    while (!done) {
      m.render(out.data(), 256);
      ++blocks;
    }
  });
  const auto data = constant16(1000, 300);
  for (int i = 0; i < 2000; ++i) {
    // Every tenth change waits for a block to be mixed, so the two threads meet throughout.
    for (const long seen = blocks; i % 10 == 0 && blocks == seen;) std::this_thread::yield();
    const VoiceId v = m.addBuffer(data, i % 3 == 0);
    m.play(v, i % 2 == 0);
    m.setVolume(v, -i);
    m.setPosition(v, uint32_t(i % 500));
    m.setSourcePosition(v, {float(i), 0, 0});
    if (i % 7 == 0) m.commit();
    auto owned = std::make_unique<CountingStream>(size_t(i % 600));
    CountingStream* stream = owned.get();
    const VoiceId s = m.addStream(std::move(owned));
    m.play(s, false);
    m.setSpeed(s, 50 + i % 200);
    m.playing(v);
    if (i % 5) m.remove(v);
    EXPECT_EQ(m.takeStream(s).get(), stream);
  }
  done = true;
  device.join();
  EXPECT_GE(blocks.load(), 200);
  EXPECT_EQ(m.voiceCount(), 400u);
}

// The null device mixes exactly as far as the clock has gone, however the time is cut up:
// no frame is lost or mixed twice to rounding.
TEST(NullAudioDevice, MixesAlongTheClockWithoutDrift) {
  Mixer m;
  const VoiceId v = m.addStream(std::make_unique<CountingStream>(10 * size_t(MixRate)));
  m.play(v, false);
  std::unique_ptr<AudioDevice> device = createNullAudioDevice();
  std::string why;
  ASSERT_TRUE(device->start(m, 5000.0, why));
  device->advance(4000.0);  // before the start: nothing
  EXPECT_EQ(m.framesPlayed(v), 0u);
  device->advance(6000.0);
  EXPECT_EQ(m.framesPlayed(v), uint64_t(MixRate));
  for (int i = 1; i <= 3000; ++i) device->advance(6000.0 + i / 3.0);
  EXPECT_EQ(m.framesPlayed(v), uint64_t(2 * MixRate));
  device->stop();
  device->advance(9000.0);
  EXPECT_EQ(m.framesPlayed(v), uint64_t(2 * MixRate));
}

}  // namespace
}  // namespace zt
