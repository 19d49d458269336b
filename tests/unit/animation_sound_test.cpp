// A video's sound track in one process on the null audio device and the virtual clock: it
// reaches the mixer as a stream voice that plays while the video decodes, stops with a
// pause and goes on with a resume, starts again with a loop, and leaves the mixer with
// STOP; a video without one works without any voice.
#include <gtest/gtest.h>

#include <fstream>

#include "audio/sound.h"
#include "audio/state.h"
#include "compiler/compiler.h"
#include "platform/display.h"
#include "support/engine.h"
#include "support/image_builder.h"
#include "support/video_files.h"
#include "video/state.h"

namespace zt {
namespace {

struct VideoRun {
  Runtime rt;
  VideoRun(const std::string& body, int soundRate) {
    test::VideoParams params;
    params.pixel = test::solidFrame;
    params.soundRate = soundRate;
    const std::string path = test::freshFolder(std::string("animation_sound_") + ::testing::UnitTest::GetInstance()->current_test_info()->name()) + "/clip.avi";
    std::string why;
    EXPECT_TRUE(test::writeVideo(path, params, why)) << why;
    useVirtualClock(rt);
    setAudioDevice(rt, createNullAudioDevice());
    startSound(rt);
    compiler::CompileResult c = compiler::compileText("test.ztb", "load animation \"" + path + "\", 1\n" + body);
    EXPECT_TRUE(c.ok) << c.messages;
    std::string error;
    EXPECT_TRUE(loadProgram(rt.image, c.image, rt.dispatch, error)) << error;
    startProgramData(rt);
    EXPECT_TRUE(StartDisplay(rt, makeNullPresenter(), false, true));
    rt.interp.ProgramRunning = true;
    startRun(rt);
    frame();  // a run starts with a frame that only yields
  }
  ~VideoRun() {
    endRun(rt);
    releaseSound(rt);
  }
  void run(int frames) {
    for (int i = 0; i < frames && !rt.interp.QuitPosted; ++i) frame();
  }
  void frame() {
    FrameStart(rt);
    interpret(rt);
    FrameEnd(rt);
    rt.clock->advance(Clock::VirtualFrameMs);
  }
  VoiceId voice() { return rt.video.Streams[1].soundVoice; }
  Mixer& mixer() { return soundMixer(rt); }
};

TEST(AnimationSound, TheTrackPlaysWhileTheVideoDecodesAndStopsWithAPause) {
  VideoRun run(
      "play animation 1\nfor i = 1 to 6 : sync : next i\npause animation 1\n"
      "for i = 1 to 4 : sync : next i\nresume animation 1\ndo : sync : loop\n",
      22050);
  run.run(4);
  ASSERT_NE(run.voice(), 0u);
  EXPECT_TRUE(run.mixer().playing(run.voice()));
  const uint64_t early = run.mixer().framesPlayed(run.voice());
  EXPECT_GT(early, 0u);
  run.run(4);  // paused now
  EXPECT_EQ(run.rt.video.Animations[1].paused, 1);
  EXPECT_FALSE(run.mixer().playing(run.voice()));
  const uint64_t paused = run.mixer().framesPlayed(run.voice());
  EXPECT_GT(paused, early);
  // At the pause the sound had played about as long as the video: 6 to 7 frames of 25 ms.
  EXPECT_NEAR(double(paused), 0.160 * MixRate, 0.03 * MixRate);
  run.run(2);
  EXPECT_EQ(run.mixer().framesPlayed(run.voice()), paused);
  run.run(3);  // resumed
  EXPECT_TRUE(run.mixer().playing(run.voice()));
  EXPECT_GT(run.mixer().framesPlayed(run.voice()), paused);
}

TEST(AnimationSound, ALoopStartsTheTrackAgainAndStopRemovesIt) {
  VideoRun run("loop animation 1\nfor i = 1 to 20 : sync : next i\nstop animation 1\ndo : sync : loop\n", 22050);
  run.run(12);
  const uint64_t before = run.mixer().framesPlayed(run.voice());
  EXPECT_GT(before, uint64_t(0.2 * MixRate));
  run.run(7);  // past the end of 400 ms: the video and its sound start again
  EXPECT_TRUE(run.rt.video.Animations[1].playing);
  EXPECT_TRUE(run.mixer().playing(run.voice()));
  EXPECT_LT(run.mixer().framesPlayed(run.voice()), before);
  run.run(3);
  EXPECT_EQ(run.voice(), 0u);
  EXPECT_EQ(run.mixer().voiceCount(), 0u);
}

TEST(AnimationSound, AVideoWithoutATrackNeedsNoVoice) {
  VideoRun run("play animation 1\ndo : sync : loop\n", 0);
  run.run(5);
  EXPECT_TRUE(run.rt.video.Animations[1].playing);
  EXPECT_EQ(run.voice(), 0u);
  EXPECT_EQ(run.mixer().voiceCount(), 0u);
}

}  // namespace
}  // namespace zt
