// Music commands run headless on the virtual clock with media the tests make: musics play,
// end (noticed by the poll every 11th frame), loop by reopening, pause, play two at once;
// CD tracks fail to open; every range and existence error.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "compiler/compiler.h"
#include "platform/decoders_audio.h"
#include "support/image_builder.h"
#include "support/music_media.h"

namespace zt::test {
namespace {

constexpr int FrameMs = 25;  // a frame's length at the default sync rate
constexpr int PollFrames = 11;

RunResult runMusic(const std::string& name, const std::string& source,
                   const std::map<std::string, std::string>& media = {}) {
  compiler::CompileResult c = compiler::compileText(name + ".ztb", source);
  EXPECT_TRUE(c.ok) << c.messages;
  const std::string dir = freshFolder(name);
  for (const auto& [file, bytes] : media) {
    std::filesystem::create_directories(std::filesystem::path(dir + "/" + file).parent_path());
    writeBytes(dir + "/" + file, bytes);
  }
  writeBytes(dir + "/prog.img", c.image);
  return runIn(dir, {ZT_ENGINE_BINARY, "--headless", "--echo", "--virtual-clock", "prog.img"});
}

// The lines of a run's output.
std::vector<std::string> lines(const std::string& out) {
  std::vector<std::string> result;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

// Plays music 1 and waits for MUSIC PLAYING to fall; prints the milliseconds it took.
const std::string PlayToTheEnd =
    "sync on\nplay music 1\nt = timer()\nrepeat : sync : until music playing(1) = 0\nprint timer() - t\n";

// The end is seen at the first poll after the last frame was played.
void expectEndedAfter(const std::string& line, int lengthMs) {
  const int took = std::atoi(line.c_str());
  EXPECT_GE(took, lengthMs) << line;
  EXPECT_LE(took, lengthMs + (PollFrames + 2) * FrameMs) << line;
}

TEST(MusicCommands, WaveOggAndMidiPlayToTheirEnd) {
  const std::string source = "load music \"tone.wav\", 1\nprint music exist(1); music playing(1); music looping(1)\n" +
                             PlayToTheEnd + "print music exist(1); music playing(1)\n";
  RunResult r = runMusic("music_wave", source, {{"tone.wav", sineWav(22050, 2, 600, 440)}});
  std::vector<std::string> out = lines(r.out);
  ASSERT_EQ(out.size(), 3u) << r.out << r.err;
  EXPECT_EQ(out[0], "100");
  expectEndedAfter(out[1], 600);
  EXPECT_EQ(out[2], "10");
  EXPECT_EQ(r.exitCode, 0);

  if (chooseSoundfont().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
  r = runMusic("music_midi", "load music \"tune.mid\", 1\n" + PlayToTheEnd,
               {{"tune.mid", midiFile({{60, 480}, {64, 480}}, 480, {{0, 375000}})}});
  out = lines(r.out);
  ASSERT_EQ(out.size(), 1u) << r.out << r.err;
  expectEndedAfter(out[0], 750);

  const std::string ogg = freshFolder("music_ogg_media") + "/tone.ogg";
  if (!writeSineOgg(ogg, 700, 440)) GTEST_SKIP() << "no Vorbis encoder";
  r = runMusic("music_ogg", "load music \"tone.ogg\", 1\n" + PlayToTheEnd, {{"tone.ogg", readFile(ogg)}});
  out = lines(r.out);
  ASSERT_EQ(out.size(), 1u) << r.out << r.err;
  expectEndedAfter(out[0], 700);
}

TEST(MusicCommands, LoopMusicKeepsPlayingAcrossItsEndUntilStopped) {
  // A 200 ms music looped for two seconds: every poll that finds it at its end restarts it.
  RunResult r = runMusic("music_loop",
                         "sync on\nload music \"tone.wav\", 1\nloop music 1\nfor i = 1 to 80 : sync : next i\n"
                         "print music playing(1); music looping(1)\nstop music 1\nsync\n"
                         "print music playing(1); music looping(1)\nplay music 1\nprint music playing(1); music looping(1)\n" +
                             std::string("repeat : sync : until music playing(1) = 0\nprint \"ended\"\n"),
                         {{"tone.wav", sineWav(8000, 1, 200, 440)}});
  EXPECT_EQ(r.out, "11\n00\n10\nended\n") << r.err;
  EXPECT_EQ(r.exitCode, 0);
}

TEST(MusicCommands, PauseHoldsThePositionAndResumeGoesOn) {
  // Paused for longer than the music lasts, it has not ended; after RESUME it ends.
  RunResult r = runMusic("music_pause",
                         "sync on\nload music \"tone.wav\", 1\npause music 1\nprint music paused(1)\nplay music 1\n"
                         "for i = 1 to 8 : sync : next i\npause music 1\npause music 1\nprint music paused(1)\n"
                         "for i = 1 to 40 : sync : next i\nprint music playing(1); music paused(1)\nresume music 1\n"
                         "print music paused(1)\nt = timer()\nrepeat : sync : until music playing(1) = 0\nprint timer() - t\n",
                         {{"tone.wav", sineWav(8000, 1, 500, 440)}});
  std::vector<std::string> out = lines(r.out);
  ASSERT_EQ(out.size(), 5u) << r.out << r.err;
  EXPECT_EQ(out[0], "0");
  EXPECT_EQ(out[1], "1");
  EXPECT_EQ(out[2], "11");
  EXPECT_EQ(out[3], "0");
  // What was left after eight frames of play (about 300 ms).
  EXPECT_GE(std::atoi(out[4].c_str()), 500 - 10 * FrameMs);
  EXPECT_LE(std::atoi(out[4].c_str()), 500 - 7 * FrameMs + (PollFrames + 2) * FrameMs);
}

TEST(MusicCommands, TwoMusicsAtOnceAndOnlyTheCurrentOneIsWatched) {
  // Music 2 starts after music 1 and becomes current: music 1 keeps its playing flag after
  // it ends; music 2's end is seen.
  RunResult r = runMusic("music_two",
                         "sync on\nload music \"short.wav\", 1\nload music \"long.wav\", 2\nplay music 1\nplay music 2\n"
                         "for i = 1 to 30 : sync : next i\nprint music playing(1); music playing(2)\n"
                         "repeat : sync : until music playing(2) = 0\nprint music playing(1); music playing(2)\n"
                         "delete music 1\nprint music exist(1); music exist(2)\n",
                         {{"short.wav", sineWav(8000, 1, 200, 440)}, {"long.wav", sineWav(8000, 1, 1200, 660)}});
  EXPECT_EQ(r.out, "11\n10\n01\n") << r.err;
  EXPECT_EQ(r.exitCode, 0);
}

TEST(MusicCommands, StoppingOrDeletingAnotherMusicLeavesTheCurrentOneWatched) {
  // Music 2 loops and is current; music 1 is stopped and deleted meanwhile. The loop goes on,
  // and after STOP MUSIC 2 nothing restarts it.
  RunResult r = runMusic("music_other",
                         "sync on\nload music \"a.wav\", 1\nload music \"b.wav\", 2\nplay music 1\nloop music 2\n"
                         "stop music 1\ndelete music 1\nfor i = 1 to 60 : sync : next i\n"
                         "print music playing(2); music looping(2)\nstop music 2\nfor i = 1 to 30 : sync : next i\n"
                         "print music playing(2); music looping(2)\n",
                         {{"a.wav", sineWav(8000, 1, 300, 440)}, {"b.wav", sineWav(8000, 1, 300, 660)}});
  EXPECT_EQ(r.out, "11\n00\n") << r.err;
}

TEST(MusicCommands, CdTracksAndMissingFilesFailSoftly) {
  RunResult r = runMusic("music_cd",
                         "load cdmusic 3, 1\nprint music exist(1)\nload music \"missing.mid\", 2\nprint music exist(2)\n"
                         "load music \"bad.wav\", 3\nprint music exist(3)\nprint \"on\"\n",
                         {{"bad.wav", "RIFF\x04\x00\x00\x00WAVE"}});
  EXPECT_EQ(r.out, "0\n0\n0\non\n") << r.err;
  EXPECT_EQ(r.exitCode, 0);
}

TEST(MusicCommands, SoftErrorsOnMusicsThatDoNotExistOrDoNotPlay) {
  RunResult r = runMusic("music_soft",
                         "play music 5\nloop music 5\nstop music 5\npause music 5\nresume music 5\ndelete music 5\n"
                         "set music volume 5, 50\nset music speed 5, 50\nload music \"tone.wav\", 32\n"
                         "pause music 32\nprint music paused(32); music exist(32); music exist(31)\n"
                         "resume music 32\nprint get music volume(32); \" \"; get music speed(32)\n",
                         {{"tone.wav", sineWav(8000, 1, 100, 440)}});
  EXPECT_EQ(r.out, "010\n100 100\n") << r.err;
  EXPECT_EQ(r.exitCode, 0);
}

TEST(MusicCommands, VolumeAndSpeedAreKeptWithinTheirRanges) {
  const std::map<std::string, std::string> media = {{"tone.wav", sineWav(8000, 1, 100, 440)}};
  RunResult r = runMusic("music_settings",
                         "load music \"tone.wav\", 1\nset music volume 1, 0\nprint get music volume(1)\n"
                         "set music volume 1, 100\nset music speed 1, 10\nprint get music speed(1)\n"
                         "set music speed 1, 400\nprint get music volume(1); \" \"; get music speed(1)\n"
                         "load music \"tone.wav\", 1\nprint get music volume(1); \" \"; get music speed(1)\n",
                         media);
  EXPECT_EQ(r.out, "0\n10\n100 400\n100 100\n") << r.err;
  struct Case {
    const char* command;
    int number;
  };
  for (const Case& c : {Case{"set music volume 1, 101", 3505}, {"set music volume 1, -1", 3505},
                        {"set music speed 1, 9", 3506}, {"set music speed 1, 401", 3506}}) {
    r = runMusic("music_range", std::string("load music \"tone.wav\", 1\n") + c.command + "\nprint \"on\"\n", media);
    EXPECT_EQ(r.out.find("on"), std::string::npos) << c.command;
    EXPECT_NE(r.exitCode, 0) << c.command;
  }
}

TEST(MusicCommands, NumbersOutsideOneToThirtyTwoStopTheProgram) {
  for (const char* line : {"load music \"a.mid\", 0", "load music \"a.mid\", 33", "load cdmusic 1, 33", "play music 0",
                           "delete music 33", "print music exist(0)", "print music playing(33)",
                           "print get music volume(0)", "set music speed 33, 100"}) {
    RunResult r = runMusic("music_number", std::string(line) + "\nprint \"on\"\n");
    EXPECT_EQ(r.out.find("on\n"), std::string::npos) << line;
    EXPECT_NE(r.exitCode, 0) << line;
  }
  RunResult r = runMusic("music_number_ok", "print music exist(1); music exist(32)\n");
  EXPECT_EQ(r.out, "00\n");
}

TEST(MusicCommands, RelativeNamesAreOpenedInTheCurrentDirectory) {
  RunResult r = runMusic("music_folder",
                         "cd \"Sub\"\nload music \"tone.wav\", 1\nprint music exist(1)\ncd \"..\"\n"
                         "load music \"SUB\\TONE.WAV\", 2\nprint music exist(2)\n",
                         {{"Sub/tone.wav", sineWav(8000, 1, 100, 440)}});
  EXPECT_EQ(r.out, "1\n1\n") << r.err;
}

}  // namespace
}  // namespace zt::test
