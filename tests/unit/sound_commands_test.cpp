// The sound commands in one process on the null audio device and the virtual clock: where
// the engine's loops restart, what reaches the mixer, and every number and value checked
// at its last valid and first invalid value.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "audio/sound.h"
#include "audio/state.h"
#include "compiler/compiler.h"
#include "support/engine.h"
#include "support/image_builder.h"

namespace zt {
namespace {

// A second of 8-bit mono silence at 11025 Hz: byte positions are frames.
std::string secondOfSilence() {
  const uint32_t n = 11025;
  std::string w = "RIFF";
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) w += char(v >> (8 * i));
  };
  put32(36 + n);
  w += "WAVEfmt ";
  put32(16);
  w += std::string("\x01\x00\x01\x00", 4);
  put32(n);
  put32(n);
  w += std::string("\x01\x00\x08\x00", 4);
  w += "data";
  put32(n);
  w += std::string(n, char(128));
  return w;
}

// A runtime on the null platform, the null audio device and the virtual clock, running
// `source` after the WAV file `wav` has been written; frames are run one at a time.
// "WAV" in the source stands for the file's path; "WAV.txt" is a file of text.
struct SoundRun {
  Runtime rt;
  explicit SoundRun(std::string body) {
    const std::string wav = test::freshFolder(std::string("sound_commands_") + ::testing::UnitTest::GetInstance()->current_test_info()->name()) + "/second.wav";
    std::ofstream(wav, std::ios::binary) << secondOfSilence();
    std::ofstream(wav + ".txt") << "not a wave";
    for (size_t at; (at = body.find("WAV")) != std::string::npos;) body.replace(at, 3, wav);
    useVirtualClock(rt);
    setAudioDevice(rt, createNullAudioDevice());
    startSound(rt);
    compiler::CompileResult c = compiler::compileText("test.ztb", "load sound \"" + wav + "\", 1\n" + body);
    EXPECT_TRUE(c.ok) << c.messages;
    std::string error;
    EXPECT_TRUE(loadProgram(rt.image, c.image, rt.dispatch, error)) << error;
    startProgramData(rt);
    rt.interp.ProgramRunning = true;
    startRun(rt);
    frame();  // a run starts with a frame that only yields
  }
  ~SoundRun() { releaseSound(rt); }
  // Frames until the program ends or `limit` frames have run.
  void run(int limit) {
    for (int i = 0; i < limit && !rt.interp.QuitPosted; ++i) frame();
  }
  void frame() {
    FrameStart(rt);
    interpret(rt);
    FrameEnd(rt);
    rt.clock->advance(Clock::VirtualFrameMs);
  }
  SoundRecord& sound(int n) { return rt.audio.sounds[size_t(n)]; }
  VoiceId buffer(int n) { return sound(n).sample ? sound(n).sample->buffer : 0; }
  uint32_t position(int n) { return soundMixer(rt).position(buffer(n)); }
};

// Runs frames for `seconds` of engine time and returns each restart of sound 1: the
// position it went back to.
std::vector<uint32_t> restarts(SoundRun& run, double seconds) {
  std::vector<uint32_t> to;
  uint32_t last = 0;
  const double end = run.rt.clock->preciseMilliseconds() + seconds * 1000;
  while (run.rt.clock->preciseMilliseconds() < end) {
    run.frame();
    const uint32_t now = run.position(1);
    if (now < last) to.push_back(now);
    last = now;
  }
  return to;
}

// A frame is 25 ms: 276 bytes of this sound. A restart lands within one frame of its
// loop start.
constexpr uint32_t FrameBytes = 11025 * 26 / 1000;

TEST(SoundCommands, AnEngineLoopPlaysOnceThenRestartsFromItsStartEachTimeItRunsOut) {
  SoundRun run("loop sound 1, 1000\ndo\nsync\nloop\n");
  const std::vector<uint32_t> to = restarts(run, 3.0);
  // 1 s for the first pass, then passes of 10025 bytes.
  ASSERT_GE(to.size(), 3u);
  for (uint32_t p : to) {
    EXPECT_GE(p, 1000u);
    EXPECT_LT(p, 1000 + FrameBytes);
  }
  EXPECT_EQ(run.sound(1).looping, 1);
  EXPECT_FALSE(soundMixer(run.rt).looping(run.buffer(1)));  // each pass plays once
}

TEST(SoundCommands, ALoopBetweenTwoPositionsWrapsAtItsEndAfterAFirstPassFromTheGivenPlace) {
  SoundRun run("loop sound 1, 5000, 6000, 2000\ndo\nsync\nloop\n");
  run.frame();
  EXPECT_GE(run.position(1), 2000u);  // the first pass starts at 2000
  EXPECT_LT(run.position(1), 2000 + FrameBytes);
  const std::vector<uint32_t> to = restarts(run, 2.0);
  ASSERT_GE(to.size(), 5u);
  for (uint32_t p : to) {
    EXPECT_GE(p, 5000u);
    EXPECT_LT(p, 5000 + FrameBytes);
  }
  for (int i = 0; i < 20; ++i) {
    run.frame();
    EXPECT_LT(run.position(1), 6000 + FrameBytes);
  }
}

TEST(SoundCommands, ALoopStartOfZeroIsNeverRestartedAndAStopEndsEveryLoop) {
  SoundRun once("loop sound 1, 0, 3000\ndo\nsync\nloop\n");
  for (int i = 0; i < 20; ++i) once.frame();
  EXPECT_GT(once.position(1), 3000u);  // past its end position
  EXPECT_EQ(restarts(once, 2.0).size(), 1u);  // the end of the sound rewinds it, once
  EXPECT_FALSE(soundMixer(once.rt).playing(once.buffer(1)));
  EXPECT_EQ(once.sound(1).looping, 1);

  SoundRun stopped("loop sound 1, 1000\nfor i = 1 to 50\nsync\nnext i\nstop sound 1\ndo\nsync\nloop\n");
  EXPECT_FALSE(restarts(stopped, 3.0).empty());
  EXPECT_EQ(stopped.sound(1).loopStart, 0);
  EXPECT_EQ(stopped.position(1), 0u);
  EXPECT_FALSE(soundMixer(stopped.rt).playing(stopped.buffer(1)));
}

TEST(SoundCommands, PauseKeepsThePlaceAndResumeGoesOnFromIt) {
  SoundRun run("loop sound 1, 1000\nfor i = 1 to 8\nsync\nnext i\npause sound 1\nfor i = 1 to 40\nsync\nnext i\n"
               "resume sound 1\ndo\nsync\nloop\n");
  for (int i = 0; i < 20; ++i) run.frame();
  const uint32_t paused = run.position(1);
  EXPECT_GT(paused, 1000u);
  for (int i = 0; i < 20; ++i) run.frame();
  EXPECT_EQ(run.position(1), paused);  // the engine did not restart the paused loop
  const std::vector<uint32_t> to = restarts(run, 2.0);
  ASSERT_FALSE(to.empty());
  EXPECT_GE(to.front(), 1000u);  // still the engine's loop, not the whole sound
  EXPECT_LT(to.front(), 1000 + FrameBytes);
}

TEST(SoundCommands, SettingsReachTheMixerInItsUnits) {
  SoundRun run(
      "set sound volume 1, 90\nset sound pan 1, -2500\nset sound speed 1, 22050\nload 3dsound \"WAV\", 2\n"
      "set sound pan 2, 3000\nset sound volume 2, 0\nposition sound 2, 0.0, 0.0, 200.0\n"
      "position listener 1.0, 2.0, -200.0\nrotate listener 0.0, 90.0, 0.0\ndo\nsync\nloop\n");
  Mixer& m = soundMixer(run.rt);
  run.frame();
  const VoiceId plain = run.buffer(1), spatial = run.buffer(2);
  EXPECT_EQ(m.volume(plain), -1000);
  EXPECT_EQ(m.pan(plain), -2500);
  EXPECT_EQ(m.frequency(plain), 22050u);
  EXPECT_EQ(m.volume(spatial), -10000);
  EXPECT_EQ(m.pan(spatial), 0);  // a 3D sound has no pan control
  EXPECT_EQ(run.sound(2).pan, 3000);
  const Listener l = m.committedListener();  // committed at the frame end
  EXPECT_EQ(l.position.x, 1.0f);
  EXPECT_EQ(l.position.z, -200.0f);
  EXPECT_NEAR(l.front.x, 1.0f, 1e-3f);
}

// Each statement runs after sound 1 is loaded; the error it stops the program with (0:
// none, soft errors are ignored while the program runs).
TEST(SoundCommands, NumbersAndValuesAreCheckedAtTheirLimitsInOrder) {
  const std::pair<const char*, int32_t> cases[] = {
      {"set sound volume 1, 0", 0},
      {"set sound volume 1, 100", 0},
      {"set sound volume 1, -1", 3005},
      {"set sound volume 1, 101", 3005},
      {"set sound volume 7, 101", 0},  // the missing sound first, and 3004 is soft
      {"set sound volume 0, 50", 3001},
      {"set sound speed 1, 100", 0},
      {"set sound speed 1, 100000", 0},
      {"set sound speed 1, 99", 3006},
      {"set sound speed 1, 100001", 3006},
      {"set sound pan 1, -10000", 0},
      {"set sound pan 1, 10000", 0},
      {"set sound pan 1, -10001", 3007},
      {"set sound pan 1, 10001", 3007},
      {"play sound 1025", 0},
      {"play sound 1026", 3001},
      {"play sound 0, 5", 3001},
      {"loop sound -1, 1, 2, 3", 3001},
      {"stop sound 1026", 3001},
      {"x = sound exist(1025)", 0},
      {"x = sound exist(0)", 3001},
      {"x = sound playing(1026)", 3001},
      {"x# = sound position z(1026)", 3001},
      {"load sound \"WAV\", 1025", 0},
      {"load sound \"WAV\", 1026", 3001},
      {"load 3dsound \"WAV\", 0", 3001},
      {"load sound \"missing.wav\", 2", 0},
      {"clone sound 2, 1", 0},
      {"clone sound 1025, 1", 0},
      {"clone sound 1026, 1", 3001},
      {"clone sound 2, 1026", 3001},
      {"clone sound 1, 1", 3023},
      {"clone sound 2, 3", 3022},
      {"load sound \"WAV.txt\", 2 : clone sound 3, 2", 3021},
      {"say to sound \"hi\", 2", 0},
      {"say to sound \"hi\", 1", 3003},
      {"say to sound \"hi\", 1026", 3001},
      {"x = speech exist()", 0},
  };
  for (const auto& [statement, error] : cases) {
    SoundRun run(std::string(statement) + "\nprint \"\"\n");
    run.run(10);
    EXPECT_EQ(run.rt.errors.ErrorNumber, error) << statement;
  }
}

}  // namespace
}  // namespace zt
