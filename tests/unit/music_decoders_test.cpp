// The music decoders read directly: lengths, the frames they give at the mixing rate, the
// pitch after resampling, seeking, MIDI playing times under tempo changes, and files that
// are damaged.
#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <vector>

#include "formats/midi.h"
#include "platform/decoders_audio.h"
#include "support/image_builder.h"
#include "support/music_media.h"

namespace zt::test {
namespace {

std::span<const uint8_t> bytesOf(const std::string& s) {
  return std::span(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

uint32_t midiLength(const std::string& file) {
  uint32_t ms = 0;
  std::string error;
  EXPECT_TRUE(midiLengthMilliseconds(bytesOf(file), ms, error)) << error;
  return ms;
}

std::string midiError(const std::string& file) {
  uint32_t ms = 0;
  std::string error;
  EXPECT_FALSE(midiLengthMilliseconds(bytesOf(file), ms, error));
  return error;
}

TEST(MidiLength, FollowsTheTempoMap) {
  const std::vector<MidiNote> four = {{60, 480}, {62, 480}, {64, 480}, {65, 480}};
  EXPECT_EQ(midiLength(midiFile(four)), 2000u);  // 120 beats a minute until told otherwise
  EXPECT_EQ(midiLength(midiFile(four, 96)), 10000u);  // 480 ticks at 96 a quarter: five quarters each
  EXPECT_EQ(midiLength(midiFile(four, 480, {{960, 250000}})), 1500u);
  EXPECT_EQ(midiLength(midiFile(four, 480, {{0, 1000000}, {1920, 100}})), 4000u);  // a change at the end counts nothing
  EXPECT_EQ(midiLength(midiFile({{60, 0}})), 0u);
}

TEST(MidiLength, TimeCodeDivisionRunningStatusAndRiffWrapping) {
  // 25 frames a second, 40 ticks a frame: 1000 ticks a second; the note off uses running status.
  std::string track = std::string("\x00\x90\x3C\x64", 4) + std::string("\x87\x68\x3C\x00", 4) + std::string("\x00\xFF\x2F\x00", 4);
  std::string smf = std::string("MThd\x00\x00\x00\x06\x00\x00\x00\x01\xE7\x28", 14) + "MTrk" +
                    std::string("\x00\x00\x00", 3) + char(track.size()) + track;
  EXPECT_EQ(midiLength(smf), 1000u);
  std::string riff = "RIFF" + std::string(4, '\0') + "RMID" + "data" + char(smf.size()) + std::string(3, '\0') + smf;
  EXPECT_TRUE(looksLikeMidi(bytesOf(riff)));
  EXPECT_EQ(midiLength(riff), 1000u);
}

TEST(MidiLength, DamagedFilesAreRefused) {
  const std::string good = midiFile({{60, 480}});
  EXPECT_FALSE(looksLikeMidi(bytesOf("MTh")));
  EXPECT_EQ(midiError(""), "no MIDI header");
  EXPECT_EQ(midiError(good.substr(0, 13)), "no MIDI header");
  EXPECT_EQ(midiError(good.substr(0, 14)), "no tracks");
  EXPECT_EQ(midiError(good.substr(0, good.size() - 1)), "truncated track");
  std::string zeroDivision = good;
  zeroDivision[12] = zeroDivision[13] = 0;
  EXPECT_EQ(midiError(zeroDivision), "zero time division");
  std::string noTicksPerFrame = good;
  noTicksPerFrame[12] = char(0xE7), noTicksPerFrame[13] = 0;
  EXPECT_EQ(midiError(noTicksPerFrame), "zero time division");
  std::string noTracks = good;
  noTracks[10] = noTracks[11] = 0;
  EXPECT_EQ(midiError(noTracks), "no tracks");
  // A data byte before any status byte, and a quantity longer than four bytes.
  std::string badStatus = good;
  badStatus[23] = 0x10;
  EXPECT_EQ(midiError(badStatus), "data byte without a status");
  std::string longDelta = good;
  for (int i = 22; i < 26; ++i) longDelta[size_t(i)] = char(0x81);
  EXPECT_EQ(midiError(longDelta), "truncated event");
}

struct Decoded {
  std::vector<float> samples;  // interleaved stereo
  size_t frames() const { return samples.size() / 2; }
};

Decoded readAll(AudioStream& s) {
  Decoded d;
  std::vector<float> block(1000 * 2);
  for (size_t n; (n = s.read(block.data(), 1000)) > 0;) d.samples.insert(d.samples.end(), block.begin(), block.begin() + long(n * 2));
  return d;
}

// The pitch of the left channel from its rising zero crossings.
double pitch(const Decoded& d) {
  int crossings = 0;
  size_t first = 0, last = 0;
  for (size_t i = 1; i < d.frames(); ++i)
    if (d.samples[(i - 1) * 2] < 0 && d.samples[i * 2] >= 0) {
      if (!crossings++) first = i;
      last = i;
    }
  return crossings < 2 ? 0 : double(crossings - 1) * MixRate / double(last - first);
}

// A file in an emptied folder of the running test's own (tests may run in parallel).
std::string mediaPath(const std::string& name) {
  return freshFolder(std::string("music_decoders_") + ::testing::UnitTest::GetInstance()->current_test_info()->name()) +
         "/" + name;
}

TEST(AudioDecoder, WaveFilesComeOutStereoAtTheMixingRate) {
  for (const auto& [rate, channels] : {std::pair{44100, 2}, {22050, 1}, {8000, 1}}) {
    const std::string path = mediaPath("tone.wav");
    writeBytes(path, sineWav(rate, channels, 1000, 441));
    std::string error;
    OpenedMusic m = openAudioFile(path, error);
    ASSERT_TRUE(m.stream) << error;
    EXPECT_EQ(m.lengthMilliseconds, 1000u) << rate;
    const Decoded d = readAll(*m.stream);
    EXPECT_NEAR(double(d.frames()), 44100.0, 64) << rate;
    EXPECT_NEAR(pitch(d), 441.0, 2.0) << rate;
    for (size_t i = 0; i < d.frames(); i += 97) EXPECT_FLOAT_EQ(d.samples[i * 2], d.samples[i * 2 + 1]);
  }
}

TEST(AudioDecoder, SeekStartsPartWayAndAgainAtTheStart) {
  const std::string path = mediaPath("seek.wav");
  writeBytes(path, sineWav(44100, 2, 1000, 441));
  std::string error;
  OpenedMusic m = openAudioFile(path, error);
  ASSERT_TRUE(m.stream) << error;
  ASSERT_TRUE(m.stream->seek(250));
  EXPECT_NEAR(double(readAll(*m.stream).frames()), 44100.0 * 0.75, 64);
  ASSERT_TRUE(m.stream->seek(0));
  EXPECT_NEAR(double(readAll(*m.stream).frames()), 44100.0, 64);
  ASSERT_TRUE(m.stream->seek(5000));  // past the end: nothing left
  EXPECT_EQ(readAll(*m.stream).frames(), 0u);
}

TEST(AudioDecoder, OggVorbisPlaysWhenAnEncoderCanMakeOne) {
  const std::string path = mediaPath("tone.ogg");
  if (!writeSineOgg(path, 1000, 441)) GTEST_SKIP() << "no Vorbis encoder";
  std::string error;
  OpenedMusic m = openAudioFile(path, error);
  ASSERT_TRUE(m.stream) << error;
  EXPECT_NEAR(double(m.lengthMilliseconds), 1000.0, 30);
  const Decoded d = readAll(*m.stream);
  EXPECT_NEAR(double(d.frames()), 44100.0, 2048);
  EXPECT_NEAR(pitch(d), 441.0, 3.0);
}

TEST(AudioDecoder, MissingDamagedAndSilentFilesAreRefused) {
  std::string error;
  EXPECT_FALSE(openAudioFile(mediaPath("none.wav"), error).stream);
  EXPECT_FALSE(error.empty());
  const std::string path = mediaPath("bad.wav");
  for (const std::string& bytes : {std::string(), std::string("RIFF\x10\x00\x00\x00WAVE", 12), std::string(300, '\x55')}) {
    writeBytes(path, bytes);
    error.clear();
    EXPECT_FALSE(openAudioFile(path, error).stream);
    EXPECT_FALSE(error.empty());
  }
  // A wave file cut short in its data plays what is there.
  const std::string whole = sineWav(44100, 1, 1000, 441);
  writeBytes(path, whole.substr(0, whole.size() / 2));
  OpenedMusic m = openAudioFile(path, error);
  ASSERT_TRUE(m.stream) << error;
  EXPECT_NEAR(double(readAll(*m.stream).frames()), 22050.0, 64);
}

TEST(MidiSynthesizer, PlaysTwoFilesAtOnceForTheirLength) {
  if (chooseSoundfont().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
  std::string error;
  std::unique_ptr<MidiSynthesizer> synth = createMidiSynthesizer(error);
  ASSERT_TRUE(synth) << error;
  OpenedMusic a = synth->open(midiFile({{69, 480}, {72, 480}}), error);
  OpenedMusic b = synth->open(midiFile({{57, 960}}, 480, {{0, 250000}}), error);
  ASSERT_TRUE(a.stream && b.stream) << error;
  EXPECT_EQ(a.lengthMilliseconds, 1000u);
  EXPECT_EQ(b.lengthMilliseconds, 500u);
  const Decoded da = readAll(*a.stream), db = readAll(*b.stream);
  EXPECT_NEAR(double(da.frames()), 44100.0, 44100 * 0.05);
  EXPECT_NEAR(double(db.frames()), 22050.0, 44100 * 0.05);
  float loudest = 0;
  for (float s : da.samples) loudest = std::max(loudest, std::fabs(s));
  EXPECT_GT(loudest, 0.01f);
  // Seeking starts the player again from the position asked for.
  ASSERT_TRUE(a.stream->seek(500));
  EXPECT_NEAR(double(readAll(*a.stream).frames()), 22050.0, 44100 * 0.05);
  EXPECT_FALSE(synth->open("MThd garbage", error).stream);
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace zt::test
