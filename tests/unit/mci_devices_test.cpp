// The media devices over a mixer rendered block by block, as the null audio device does:
// positions follow the frames played, pause and resume, stop rewinds, play after the end
// starts over, volume and speed, two devices at once, and the commands that fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "audio/mci/devices.h"
#include "platform/decoders_audio.h"
#include "support/image_builder.h"
#include "support/music_media.h"

namespace zt::test {
namespace {

class MciDevicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = freshFolder(std::string("mci_devices_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    writeBytes(folder + "/tone.wav", sineWav(22050, 1, 1000, 441));
    writeBytes(folder + "/tune.mid", midiFile({{60, 480}, {64, 480}, {67, 960}}));  // two seconds
  }

  // Sends a command that must succeed and returns its reply.
  std::string ok(const std::string& command) {
    std::string reply;
    EXPECT_EQ(devices.send(mixer, command, reply), MciError::None) << command;
    return reply;
  }
  MciError error(const std::string& command) {
    std::string reply;
    return devices.send(mixer, command, reply);
  }
  int position(const std::string& alias) { return std::atoi(ok("status " + alias + " position").c_str()); }

  // Mixes `ms` milliseconds and returns the loudest sample.
  int render(int ms) {
    int loudest = 0;
    for (int64_t left = int64_t(ms) * MixRate / 1000; left > 0; left -= 1024) {
      const size_t frames = size_t(std::min<int64_t>(left, 1024));
      mixer.render(block, frames);
      for (size_t i = 0; i < frames * 2; ++i) loudest = std::max(loudest, std::abs(int(block[i])));
    }
    return loudest;
  }

  std::string folder;
  Mixer mixer;
  MciDevices devices{[this](std::string_view name) { return folder + "/" + std::string(name); }};
  int16_t block[1024 * 2];
};

TEST_F(MciDevicesTest, PositionFollowsThePlayedFramesThroughPauseAndResume) {
  ok("open \"tone.wav\" alias music1");
  EXPECT_EQ(ok("status music1 length"), "1000");
  EXPECT_EQ(ok("status music1 position"), "0");
  EXPECT_EQ(ok("status music1 mode"), "stopped");
  render(100);
  EXPECT_EQ(position("music1"), 0);  // nothing plays before play
  ok("play music1");
  render(400);
  EXPECT_EQ(position("music1"), 400);
  ok("pause music1");
  EXPECT_EQ(ok("status music1 mode"), "paused");
  EXPECT_EQ(render(300), 0);
  EXPECT_EQ(position("music1"), 400);
  ok("resume music1");
  EXPECT_EQ(ok("status music1 mode"), "playing");
  EXPECT_GT(render(300), 5000);
  EXPECT_EQ(position("music1"), 700);
  render(400);
  EXPECT_EQ(position("music1"), 1000);  // the end, and no further
  EXPECT_EQ(ok("status music1 mode"), "stopped");
}

TEST_F(MciDevicesTest, PlayAfterTheEndAndAfterStopStartsOverAndFromMovesThere) {
  ok("open \"tone.wav\" alias music1");
  ok("play music1");
  render(1200);
  ok("play music1");
  render(100);
  EXPECT_EQ(position("music1"), 100);
  ok("stop music1");
  EXPECT_EQ(position("music1"), 0);
  EXPECT_EQ(render(100), 0);
  ok("play music1 from 250");
  EXPECT_EQ(position("music1"), 250);
  render(100);
  EXPECT_EQ(position("music1"), 350);
  ok("play music1 from 1000");  // the last valid starting point
  EXPECT_EQ(error("play music1 from 1001"), MciError::OutOfRange);
}

TEST_F(MciDevicesTest, VolumeAndSpeed) {
  ok("open \"tone.wav\" alias music1");
  ok("play music1");
  const int full = render(100);
  ok("setaudio music1 volume to 0");
  EXPECT_EQ(render(100), 0);
  ok("setaudio music1 volume to 900");  // -10 dB, as a sound's volume 90
  EXPECT_NEAR(double(render(100)) / full, 0.316, 0.02);
  ok("set music1 speed 2000");
  const int before = position("music1");
  render(200);
  EXPECT_NEAR(position("music1") - before, 400, 2);
  ok("set music1 speed 100");
  ok("set music1 speed 4000");
  EXPECT_EQ(error("set music1 speed 99"), MciError::OutOfRange);
  EXPECT_EQ(error("set music1 speed 4001"), MciError::OutOfRange);
  // Volume and speed stay with the device when play moves it.
  ok("set music1 speed 1000");
  ok("setaudio music1 volume to 0");
  ok("play music1 from 0");
  EXPECT_EQ(render(100), 0);
}

TEST_F(MciDevicesTest, TwoMusicsPlayAtOnceAndTheSynthesizerStartsOnTheFirstMidiOpen) {
  ok("open \"tone.wav\" alias music1");
  EXPECT_FALSE(devices.synthesizerLoaded());
  if (chooseSoundfont().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
  ok("open \"tune.mid\" alias music2");
  EXPECT_TRUE(devices.synthesizerLoaded());
  EXPECT_EQ(ok("status music2 length"), "2000");
  ok("play music1");
  render(300);
  ok("play music2");
  render(300);
  EXPECT_EQ(position("music1"), 600);
  EXPECT_EQ(position("music2"), 300);
  render(2000);
  EXPECT_EQ(position("music1"), 1000);
  EXPECT_EQ(position("music2"), 2000);
  EXPECT_EQ(devices.openCount(), 2u);
}

TEST_F(MciDevicesTest, CommandsThatFail) {
  EXPECT_EQ(error("open cdaudio alias music1"), MciError::NoCdDrive);
  EXPECT_EQ(error("open CDAudio"), MciError::NoCdDrive);
  EXPECT_EQ(error("open \"missing.wav\" alias music1"), MciError::CannotOpen);
  writeBytes(folder + "/bad.mid", "MThd\x00\x00\x00\x06");
  EXPECT_EQ(error("open \"bad.mid\" alias music1"), MciError::CannotOpen);
  EXPECT_EQ(error("play music1"), MciError::NoSuchDevice);
  ok("open \"tone.wav\" alias music1");
  EXPECT_EQ(error("open \"tone.wav\" alias MUSIC1"), MciError::AliasInUse);
  EXPECT_EQ(error("set music1 time format tmsf"), MciError::BadTimeFormat);
  ok("set music1 time format milliseconds");
  EXPECT_EQ(error("status music1 tracks"), MciError::UnknownKeyword);
  ok("close Music1");
  EXPECT_EQ(error("status music1 length"), MciError::NoSuchDevice);
  EXPECT_EQ(mixer.voiceCount(), 0u);
  ok("open \"tone.wav\" alias music1");
  devices.closeAll(mixer);
  EXPECT_EQ(devices.openCount(), 0u);
  EXPECT_EQ(mixer.voiceCount(), 0u);
}

}  // namespace
}  // namespace zt::test
