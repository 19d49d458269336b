// The video decoder on files written by FFmpeg's encoders: which frame is current at a
// position (each frame for its time, the end after the last), the way back to the start,
// the conversion into each surface depth, and the sound track as the mixer pulls it.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "gfx/surface.h"
#include "platform/decoders_video.h"
#include "support/image_builder.h"
#include "support/video_files.h"

namespace zt {

namespace {

using namespace test;
using Step = VideoDecoder::Step;

std::string writeClip(const std::string& name, const VideoParams& params) {
  const std::string path = freshFolder("video_decoder_" + name) + "/" + name;
  std::string why;
  EXPECT_TRUE(writeVideo(path, params, why)) << why;
  return path;
}

VideoParams solid(int soundRate = 0) {
  VideoParams params;
  params.pixel = solidFrame;
  params.soundRate = soundRate;
  return params;
}

std::unique_ptr<VideoDecoder> open(const std::string& path) {
  std::string why;
  std::unique_ptr<VideoDecoder> video = openVideo(path, why);
  EXPECT_TRUE(video) << why;
  return video;
}

// The colour of the surface's pixel (0, 0), as 8-bit components.
uint32_t firstPixel(const Surface& s) {
  const uint32_t raw = s.pixel(0, 0);
  if (s.format().bits != 16) return raw & 0xFFFFFF;
  const uint32_t r = (raw >> 11) & 31, g = (raw >> 5) & 63, b = raw & 31;
  return (r * 255 / 31) << 16 | (g * 255 / 63) << 8 | (b * 255 / 31);
}

TEST(VideoDecoder, EachFrameIsCurrentForItsTimeAndTheEndComesAfterTheLast) {
  std::unique_ptr<VideoDecoder> video = open(writeClip("steps.avi", solid()));
  ASSERT_TRUE(video);
  EXPECT_EQ(video->width(), 64);
  EXPECT_EQ(video->height(), 48);
  std::unique_ptr<Surface> s = Surface::create(64, 48, PixelFormat::forDepth(32));
  // Frames of 100 ms: red from 0, green from 100, blue from 200, white from 300 to 400.
  const std::pair<double, uint32_t> due[] = {
      {0, 0xFF0000}, {99.9, 0xFF0000}, {100, 0x00FF00}, {250, 0x0000FF}, {399.9, 0xFFFFFF}};
  Step last = Step::End;
  for (const auto& [ms, colour] : due) {
    last = video->advanceTo(ms);
    EXPECT_NE(last, Step::End) << ms;
    ASSERT_TRUE(video->convertInto(*s));
    EXPECT_EQ(firstPixel(*s), colour) << ms;
  }
  EXPECT_EQ(video->advanceTo(399.95), Step::SameFrame);
  EXPECT_EQ(video->advanceTo(400), Step::End);
  // Back at the start, the first frame is new again; a position far ahead skips to the end.
  ASSERT_TRUE(video->rewind());
  EXPECT_EQ(video->advanceTo(0), Step::NewFrame);
  ASSERT_TRUE(video->convertInto(*s));
  EXPECT_EQ(firstPixel(*s), 0xFF0000u);
  EXPECT_EQ(video->advanceTo(0), Step::SameFrame);
  EXPECT_EQ(video->advanceTo(1e9), Step::End);
}

TEST(VideoDecoder, ConvertsIntoEveryDepthAndScalesToTheSurface) {
  std::unique_ptr<VideoDecoder> video = open(writeClip("depths.avi", solid()));
  ASSERT_TRUE(video);
  ASSERT_EQ(video->advanceTo(150), Step::NewFrame);  // green
  for (int bits : {16, 24, 32}) {
    std::unique_ptr<Surface> s = Surface::create(64, 48, PixelFormat::forDepth(bits));
    ASSERT_TRUE(video->convertInto(*s)) << bits;
    EXPECT_EQ(firstPixel(*s), 0x00FF00u) << bits;
    EXPECT_EQ(s->pixel(63, 47), s->pixel(0, 0)) << bits;
  }
  // An odd size: the scaler writes whole rows of the surface and nothing past them.
  std::unique_ptr<Surface> odd = Surface::create(13, 7, PixelFormat::forDepth(24));
  ASSERT_TRUE(video->convertInto(*odd));
  EXPECT_EQ(odd->pixel(12, 6) & 0xFFFFFF, 0x00FF00u);
}

TEST(VideoDecoder, FilesThatAreNoVideoFailToOpenWithAReason) {
  const std::string dir = freshFolder("video_decoder_bad");
  std::ofstream(dir + "/text.avi") << "RIFF but nothing else";
  std::ofstream(dir + "/empty.avi");
  for (const std::string name : {"text.avi", "empty.avi", "missing.avi"}) {
    std::string why;
    EXPECT_EQ(openVideo(dir + "/" + name, why), nullptr) << name;
    EXPECT_FALSE(why.empty()) << name;
  }
}

// 400 ms of a 440 Hz tone recorded at 22050 Hz comes out at the mixer's rate, in stereo,
// as long as it was; after a seek to the start the same samples come again.
TEST(VideoDecoder, TheSoundTrackComesAtTheMixersRateAndSeeksToTheStart) {
  const std::string path = writeClip("sound.avi", solid(22050));
  EXPECT_EQ(openSoundTrack(writeClip("silent.avi", solid())), nullptr);
  std::unique_ptr<AudioStream> track = openSoundTrack(path);
  ASSERT_TRUE(track);
  std::vector<float> all, block(2 * 1000);
  for (size_t n; (n = track->read(block.data(), 1000)) > 0;)
    all.insert(all.end(), block.begin(), block.begin() + 2 * n);
  const size_t frames = all.size() / 2;
  EXPECT_NEAR(double(frames), 0.4 * MixRate, 0.4 * MixRate * 0.02);
  int crossings = 0;
  for (size_t i = 1; i < frames; ++i) {
    crossings += (all[2 * (i - 1)] < 0) != (all[2 * i] < 0);
    ASSERT_EQ(all[2 * i], all[2 * i + 1]) << "mono reaches both sides alike";
  }
  EXPECT_NEAR(crossings / 2.0 / (double(frames) / MixRate), 440.0, 10.0);
  ASSERT_TRUE(track->seek(0));
  std::vector<float> again(2 * 500);
  ASSERT_EQ(track->read(again.data(), 500), 500u);
  for (size_t i = 0; i < again.size(); ++i) ASSERT_FLOAT_EQ(again[i], all[i]) << i;
}

}  // namespace

}  // namespace zt
