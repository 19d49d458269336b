// Animations: videos the tests write with FFmpeg's encoders, played by programs run headless
// on the virtual clock. Frames are dumped and their pixels checked: natural size, stretched,
// clipped at the screen's edges (the visible part keeps its scale), onto a bitmap, looping,
// paused, ended; the frame shown is chosen by the engine clock. Also the state queries,
// every error in check order, the soft errors that let the program go on, and damaged files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "compiler/compiler.h"
#include "core/errors.h"
#include "formats/bmp.h"
#include "support/image_builder.h"
#include "support/video_files.h"

namespace zt {

namespace {

using namespace test;

constexpr uint32_t Black = 0, White = 0xFFFFFF, Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF;

// 64 x 48, 10 frames a second, 400 ms: red, green, blue, white. At the engine's 40 frames
// a second each video frame shows for four engine frames.
VideoParams solidClip() {
  VideoParams params;
  params.pixel = solidFrame;
  return params;
}

// Red on the left half, blue on the right, in every frame.
VideoParams splitClip() {
  VideoParams params;
  params.pixel = [](int, int x, int) { return x < 32 ? Red : Blue; };
  return params;
}

struct Clip {
  std::string file;
  VideoParams params;
};

struct ClipRun {
  RunResult result;
  std::vector<RgbImage> frames;
};

// Writes the clips beside the program, runs it with `args` and reads the frames dumped at
// `dumps` (frame numbers from 1).
ClipRun runWithClips(const std::string& name, const std::string& source, std::initializer_list<Clip> clips,
                     std::initializer_list<int> dumps = {}, std::vector<std::string> args = {}) {
  const std::string dir = freshFolder(name);
  for (const Clip& c : clips) {
    std::string why;
    EXPECT_TRUE(writeVideo(dir + "/" + c.file, c.params, why)) << why;
  }
  compiler::CompileResult program = compiler::compileText("prog.ztb", source);
  EXPECT_TRUE(program.ok) << program.messages;
  std::ofstream(dir + "/prog.img", std::ios::binary) << program.image;
  std::vector<std::string> command = {ZT_ENGINE_BINARY, "--headless", "--echo", "--virtual-clock"};
  for (int d : dumps)
    command.insert(command.end(), {"--dump-frame", std::to_string(d) + ":f" + std::to_string(d) + ".bmp"});
  command.insert(command.end(), args.begin(), args.end());
  command.push_back("prog.img");
  ClipRun run{runIn(dir, command), {}};
  for (int d : dumps) {
    run.frames.emplace_back();
    EXPECT_TRUE(decodeBmp(readFile(dir + "/f" + std::to_string(d) + ".bmp"), run.frames.back())) << name << " " << d;
  }
  return run;
}

std::string errorText(int32_t number) {
  return "Runtime Error : ERROR " + std::to_string(errorMessageSlot(number)) + ". \n";
}

int count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

const std::string Start = "SYNC ON : HIDE MOUSE\nLOAD ANIMATION \"clip.avi\", 1\n";

TEST(AnimationFrames, NaturalSizeShowsEachFrameForItsTimeThenKeepsTheLast) {
  ClipRun run = runWithClips("natural", Start + "PLAY ANIMATION 1, 100, 50\nDO : SYNC : LOOP\n",
                             {{"clip.avi", solidClip()}}, {5, 9, 13, 17, 30}, {"--frames", "30"});
  ASSERT_EQ(run.result.exitCode, 0) << run.result.err;
  const uint32_t expected[] = {Red, Green, Blue, White, White};
  for (size_t i = 0; i < run.frames.size(); ++i) {
    const RgbImage& f = run.frames[i];
    EXPECT_EQ(f.at(100, 50), expected[i]) << "dump " << i;
    EXPECT_EQ(f.at(163, 97), expected[i]) << "dump " << i;
    EXPECT_EQ(f.at(99, 50), Black) << "dump " << i;
    EXPECT_EQ(f.at(164, 50), Black) << "dump " << i;
    EXPECT_EQ(f.at(100, 98), Black) << "dump " << i;
  }
}

TEST(AnimationFrames, TheEngineClockChoosesTheFrameNotTheFrameCount) {
  // Without a frame-rate limit a frame takes about a millisecond of virtual time: fifty
  // frames in, the video's first frame (100 ms long) still shows.
  ClipRun run = runWithClips("clock", Start + "SYNC RATE 0\nPLAY ANIMATION 1, 0, 0\nDO : SYNC : LOOP\n",
                             {{"clip.avi", solidClip()}}, {50}, {"--frames", "50"});
  EXPECT_EQ(run.frames[0].at(10, 10), Red);
}

TEST(AnimationFrames, RunsOnTheVirtualClockAreTheSame) {
  const std::string program = Start + "LOOP ANIMATION 1\nDO : SYNC : LOOP\n";
  ClipRun a =
      runWithClips("same_a", program, {{"clip.avi", solidClip()}}, {1, 5, 9, 13, 17, 21, 25}, {"--frames", "25"});
  ClipRun b =
      runWithClips("same_b", program, {{"clip.avi", solidClip()}}, {1, 5, 9, 13, 17, 21, 25}, {"--frames", "25"});
  for (size_t i = 0; i < a.frames.size(); ++i) EXPECT_EQ(a.frames[i].pixels, b.frames[i].pixels) << "dump " << i;
}

TEST(AnimationFrames, StretchedIntoARectangle) {
  ClipRun run = runWithClips("stretched", Start + "PLAY ANIMATION 1, 10, 20, 138, 116\nDO : SYNC : LOOP\n",
                             {{"clip.avi", splitClip()}}, {3}, {"--frames", "3"});
  const RgbImage& f = run.frames[0];
  EXPECT_EQ(f.at(10, 20), Red);
  EXPECT_EQ(f.at(73, 115), Red);    // the last column of the left half, doubled
  EXPECT_EQ(f.at(74, 20), Blue);    // the first of the right half
  EXPECT_EQ(f.at(137, 115), Blue);  // the last pixel of the rectangle
  EXPECT_EQ(f.at(138, 20), Black);
  EXPECT_EQ(f.at(10, 116), Black);
  EXPECT_EQ(f.at(9, 20), Black);
}

// Placed partly off each edge of the screen, the visible part shows the matching part of
// the frame at the same scale, and the queries report the clipped rectangle.
TEST(AnimationFrames, ClippedAtTheScreenEdgesKeepingTheScale) {
  const std::string program = Start +
                              "FOR n = 2 TO 4 : LOAD ANIMATION \"clip.avi\", n : NEXT n\n"
                              "PLAY ANIMATION 1, -32, 100\n"           // natural size, half off the left
                              "PLAY ANIMATION 2, -64, 200, 64, 296\n"  // twice the size, half off the left
                              "PLAY ANIMATION 3, 608, 300\n"           // half off the right
                              "PLAY ANIMATION 4, 300, 456\n"           // half off the bottom
                              "FOR n = 1 TO 4\n"
                              "PRINT ANIMATION POSITION X(n); \" \"; ANIMATION POSITION Y(n); \" \"; "
                              "ANIMATION WIDTH(n); \" \"; ANIMATION HEIGHT(n)\n"
                              "NEXT n\n"
                              "DO : SYNC : LOOP\n";
  ClipRun run = runWithClips("clipped", program, {{"clip.avi", splitClip()}}, {3}, {"--frames", "3"});
  EXPECT_EQ(run.result.out, "0 100 32 48\n0 200 64 96\n608 300 32 48\n300 456 64 24\n");
  const RgbImage& f = run.frames[0];
  // Only the right (blue) half of the frame is left of x = 32; of the stretched one, the
  // right half at double width.
  EXPECT_EQ(f.at(0, 100), Blue);
  EXPECT_EQ(f.at(31, 147), Blue);
  EXPECT_EQ(f.at(32, 100), Black);
  EXPECT_EQ(f.at(0, 200), Blue);
  EXPECT_EQ(f.at(63, 295), Blue);
  EXPECT_EQ(f.at(64, 200), Black);
  // Only the left (red) half reaches the right edge.
  EXPECT_EQ(f.at(608, 300), Red);
  EXPECT_EQ(f.at(639, 347), Red);
  EXPECT_EQ(f.at(607, 300), Black);
  // The top half above the bottom edge, both colours.
  EXPECT_EQ(f.at(300, 456), Red);
  EXPECT_EQ(f.at(363, 479), Blue);
}

TEST(AnimationFrames, OntoABitmapClippedAgainstTheScreenNotTheBitmap) {
  const std::string program = Start +
                              "LOAD ANIMATION \"clip.avi\", 2\n"
                              "CREATE BITMAP 1, 200, 100 : SET CURRENT BITMAP 0 : SYNC\n"
                              "PLAY ANIMATION 1, 1, 0, 0, 64, 48\n"
                              "PLAY ANIMATION 2, 1, 150, 10, 250, 58\n"
                              "PRINT ANIMATION WIDTH(2)\n"
                              "PLACE ANIMATION 2, 600, 10, 700, 58\n"
                              "PRINT ANIMATION WIDTH(2)\n"
                              "PLACE ANIMATION 2, 120, 50, 220, 98\n"
                              "DO : COPY BITMAP 1, 0, 0, 199, 99, 0, 300, 300, 499, 399 : SYNC : LOOP\n";
  ClipRun run = runWithClips("bitmap", program, {{"clip.avi", splitClip()}}, {6}, {"--frames", "6"});
  EXPECT_EQ(run.result.out, "100\n40\n");
  const RgbImage& f = run.frames[0];
  EXPECT_EQ(f.at(0, 0), Black) << "nothing on the screen itself";
  EXPECT_EQ(f.at(300, 300), Red);
  EXPECT_EQ(f.at(363, 347), Blue);
  EXPECT_EQ(f.at(364, 300), Black);
  // The second is stretched to 100 wide from x = 120; the bitmap cuts it at 200.
  EXPECT_EQ(f.at(420, 350), Red);
  EXPECT_EQ(f.at(469, 350), Red);
  EXPECT_EQ(f.at(470, 350), Blue);
  EXPECT_EQ(f.at(499, 397), Blue);
}

TEST(AnimationFrames, ALoopRestartsFromTheFirstFrame) {
  ClipRun run = runWithClips("loop",
                             Start +
                                 "LOOP ANIMATION 1\n"
                                 "FOR i = 1 TO 26 : SYNC : NEXT i\n"
                                 "PRINT ANIMATION PLAYING(1); ANIMATION LOOPING(1); ANIMATION PAUSED(1)\n",
                             {{"clip.avi", solidClip()}}, {16, 21, 25});
  EXPECT_EQ(run.result.out, "110\n");
  EXPECT_EQ(run.frames[0].at(0, 0), White);
  EXPECT_EQ(run.frames[1].at(0, 0), Red);
  EXPECT_EQ(run.frames[2].at(0, 0), Green);
}

// After its end a video that does not loop stops playing and keeps its last frame drawn,
// even over a cleared screen; STOP ends the drawing.
TEST(AnimationFrames, TheEndKeepsTheLastFrameAndStopEndsTheDrawing) {
  ClipRun run = runWithClips("end",
                             Start +
                                 "PLAY ANIMATION 1\n"
                                 "WHILE ANIMATION PLAYING(1) : SYNC : ENDWHILE\n"
                                 "FOR i = 1 TO 4 : CLS RGB(0, 0, 255) : SYNC : NEXT i\n"
                                 "PRINT ANIMATION PLAYING(1); ANIMATION EXIST(1)\n"
                                 "STOP ANIMATION 1\n"
                                 "FOR i = 1 TO 4 : CLS RGB(0, 0, 255) : SYNC : NEXT i\n"
                                 "PRINT ANIMATION PLAYING(1); ANIMATION EXIST(1)\n",
                             {{"clip.avi", solidClip()}}, {22, 27});
  EXPECT_EQ(run.result.out, "01\n01\n");
  EXPECT_EQ(run.frames[0].at(0, 0), White);
  EXPECT_EQ(run.frames[0].at(64, 0), Blue);
  EXPECT_EQ(run.frames[1].at(0, 0), Blue);
}

TEST(AnimationFrames, PauseKeepsTheFrameAndResumeGoesOnFromThere) {
  ClipRun run = runWithClips("pause",
                             Start +
                                 "PLAY ANIMATION 1\n"
                                 "FOR i = 1 TO 6 : SYNC : NEXT i\n"
                                 "PAUSE ANIMATION 1\n"
                                 "PRINT ANIMATION PLAYING(1); ANIMATION PAUSED(1)\n"
                                 "FOR i = 1 TO 20 : CLS RGB(0, 0, 255) : SYNC : NEXT i\n"
                                 "RESUME ANIMATION 1\n"
                                 "PRINT ANIMATION PLAYING(1); ANIMATION PAUSED(1)\n"
                                 "DO : SYNC : LOOP\n",
                             {{"clip.avi", solidClip()}}, {20, 32}, {"--frames", "32"});
  EXPECT_EQ(run.result.out, "11\n10\n");
  EXPECT_EQ(run.frames[0].at(0, 0), Green) << "paused at the second frame, drawn over the cleared screen";
  EXPECT_EQ(run.frames[1].at(0, 0), Blue) << "the third frame follows the second";
  EXPECT_EQ(run.frames[1].at(64, 0), Blue);
}

TEST(AnimationState, SizeAfterLoadIsTheVideosClippedToTheScreen) {
  VideoParams wide = solidClip();
  wide.width = 800;
  wide.height = 16;
  ClipRun run =
      runWithClips("sizes",
                   "LOAD ANIMATION \"clip.avi\", 1 : LOAD ANIMATION \"wide.avi\", 32\n"
                   "PRINT ANIMATION WIDTH(1); \" \"; ANIMATION HEIGHT(1); \" \"; ANIMATION POSITION X(1); "
                   "\" \"; ANIMATION POSITION Y(1)\n"
                   "PRINT ANIMATION WIDTH(32); \" \"; ANIMATION HEIGHT(32)\n"
                   "PRINT ANIMATION EXIST(1); ANIMATION PLAYING(1); ANIMATION PAUSED(1); ANIMATION LOOPING(1)\n"
                   "PRINT ANIMATION EXIST(2); ANIMATION EXIST(32)\n"
                   "PLACE ANIMATION 1, 10, 20, 0, 0\n"
                   "PRINT ANIMATION WIDTH(1); \" \"; ANIMATION HEIGHT(1)\n"
                   "DELETE ANIMATION 1\n"
                   "PRINT ANIMATION EXIST(1)\n",
                   {{"clip.avi", solidClip()}, {"wide.avi", wide}});
  EXPECT_EQ(run.result.out, "64 48 0 0\n640 16\n1000\n01\n-10 -20\n0\n");
}

// Rectangles at the ends of the number range are clipped without overflow; an inverted one
// draws nothing.
TEST(AnimationState, ExtremeAndInvertedRectangles) {
  ClipRun run = runWithClips("extremes",
                             Start +
                                 "low = 0 - 2147483647 - 1 : high = 2147483647\n"
                                 "PLAY ANIMATION 1, low, low, high, high : SYNC\n"
                                 "PRINT ANIMATION POSITION X(1); \" \"; ANIMATION POSITION Y(1); \" \"; "
                                 "ANIMATION WIDTH(1); \" \"; ANIMATION HEIGHT(1)\n"
                                 "PLACE ANIMATION 1, high, high, low, low : SYNC\n"
                                 "PRINT ANIMATION WIDTH(1); \" \"; ANIMATION HEIGHT(1)\n"
                                 "PLAY ANIMATION 1, high - 10, 0 : SYNC\n"
                                 "PRINT ANIMATION POSITION X(1); \" \"; ANIMATION WIDTH(1)\n"
                                 "CLS 0 : PLACE ANIMATION 1, 100, 100, 50, 50 : SYNC : SYNC : SYNC\n"
                                 "PRINT ANIMATION WIDTH(1)\n"
                                 "DO : SYNC : LOOP\n",
                             {{"clip.avi", solidClip()}}, {12}, {"--frames", "12"});
  EXPECT_EQ(run.result.exitCode, 0) << run.result.err;
  EXPECT_EQ(run.result.out, "0 0 640 480\n1 1\n2147483637 -2147482997\n-50\n");
  EXPECT_EQ(run.frames[0].at(75, 75), Black);
}

// A display mode change deletes every animation, as it does bitmaps.
TEST(AnimationState, ADisplayModeDeletesEveryAnimation) {
  ClipRun run = runWithClips("mode",
                             Start +
                                 "PLAY ANIMATION 1\nSYNC\n"
                                 "SET DISPLAY MODE 800, 600, 16\n"
                                 "PRINT ANIMATION EXIST(1)\n"
                                 "PLAY ANIMATION 1\n"
                                 "PRINT \"not stopped\"\n",
                             {{"clip.avi", solidClip()}});
  EXPECT_EQ(run.result.exitCode, 1);
  EXPECT_EQ(run.result.out, "0\n" + errorText(2004));
}

// The target bitmap deleted under a playing animation: nothing more is drawn there, and a
// new bitmap of the same number is not drawn into either.
TEST(AnimationState, ADeletedTargetBitmapIsLeftAlone) {
  ClipRun run = runWithClips("deleted_target",
                             Start +
                                 "CREATE BITMAP 1, 100, 100 : SET CURRENT BITMAP 0 : SYNC\n"
                                 "PLAY ANIMATION 1, 1, 0, 0, 64, 48 : SYNC\n"
                                 "COPY BITMAP 1, 0, 0, 99, 99, 0, 200, 200, 299, 299 : SYNC\n"
                                 "DELETE BITMAP 1 : SYNC\n"
                                 "CREATE BITMAP 1, 100, 100 : SET CURRENT BITMAP 0 : SYNC\n"
                                 "SYNC : SYNC\n"
                                 "COPY BITMAP 1, 0 : SYNC : SYNC : SYNC\n"
                                 "PRINT ANIMATION PLAYING(1)\n",
                             {{"clip.avi", solidClip()}}, {7, 14});
  EXPECT_EQ(run.result.out, "1\n");
  EXPECT_EQ(run.frames[0].at(200, 200), Red) << "the animation drew on bitmap 1";
  EXPECT_EQ(run.frames[1].at(0, 0), Black) << "but not on the new bitmap 1";
}

// Videos in a packed game's payload: names are matched without regard to case or slash
// direction, and two videos extracted in turn to the one temporary file each keep playing
// their own file.
TEST(AnimationFrames, VideosFromAPackedGamesPayload) {
  const std::string dir = freshFolder("packed");
  std::filesystem::create_directories(dir + "/media/Videos");
  std::string why;
  ASSERT_TRUE(writeVideo(dir + "/media/Videos/Solid.AVI", solidClip(), why)) << why;
  VideoParams small = splitClip();
  small.pixel = [](int, int x, int) { return x < 16 ? Red : Blue; };
  small.width = 32;
  small.height = 16;
  ASSERT_TRUE(writeVideo(dir + "/media/split.avi", small, why)) << why;
  std::ofstream(dir + "/game.ztb") << "SYNC ON : HIDE MOUSE\n"
                                      "LOAD ANIMATION \"videos\\solid.avi\", 1\n"
                                      "PLAY ANIMATION 1, 0, 0\n"
                                      "LOAD ANIMATION \"SPLIT.avi\", 2\n"
                                      "PLAY ANIMATION 2, 100, 0\n"
                                      "PRINT ANIMATION WIDTH(1); \" \"; ANIMATION WIDTH(2)\n"
                                      "DO : SYNC : LOOP\n";
  RunResult pack = runIn(
      dir, {ZT_COMPILER_BINARY, "--pack", "game.ztb", "--media", "media", "--engine", ZT_ENGINE_BINARY, "-o", "game"});
  ASSERT_EQ(pack.exitCode, 0) << pack.err;
  RunResult r = runIn(
      dir, {dir + "/game", "--headless", "--echo", "--virtual-clock", "--frames", "8", "--dump-frame", "8:f.bmp"});
  EXPECT_EQ(r.out, "64 32\n") << r.err;
  RgbImage f;
  ASSERT_TRUE(decodeBmp(readFile(dir + "/f.bmp"), f));
  EXPECT_EQ(f.at(0, 0), Green);
  EXPECT_EQ(f.at(100, 0), Red);
  EXPECT_EQ(f.at(131, 15), Blue);
}

// Each program stops with the error beside it: range before existence, the animation
// before the bitmap.
TEST(AnimationErrors, RaisedInTheirCheckOrder) {
  const std::pair<std::string, int32_t> cases[] = {
      {"LOAD ANIMATION \"clip.avi\", 0", 2001},
      {"LOAD ANIMATION \"clip.avi\", 33", 2001},
      {"LOAD ANIMATION \"missing.avi\", 2", 2002},
      {"LOAD ANIMATION \"notes.avi\", 2", 2002},
      {"LOAD ANIMATION \"\", 2", 2002},
      {"DELETE ANIMATION 0", 2001},
      {"DELETE ANIMATION 2", 2004},
      {"PLAY ANIMATION 33", 2001},
      {"PLAY ANIMATION 2", 2004},
      {"PLAY ANIMATION 2, 5, 5", 2004},
      {"PLAY ANIMATION -1, 0, 0, 10, 10", 2001},
      {"PLAY ANIMATION 2, 32, 0, 0, 10, 10", 2004},
      {"PLAY ANIMATION 1, 32, 0, 0, 10, 10", 1001},
      {"PLAY ANIMATION 1, -1, 0, 0, 10, 10", 1001},
      {"PLAY ANIMATION 1, 31, 0, 0, 10, 10", 1002},
      {"LOOP ANIMATION 0", 2001},
      {"LOOP ANIMATION 2", 2004},
      {"LOOP ANIMATION 1, 32, 0, 0, 10, 10", 1001},
      {"LOOP ANIMATION 1, 5, 0, 0, 10, 10", 1002},
      {"STOP ANIMATION 33", 2001},
      {"STOP ANIMATION 2", 2004},
      {"PAUSE ANIMATION 0", 2001},
      {"PAUSE ANIMATION 2", 2004},
      {"RESUME ANIMATION 33", 2001},
      {"RESUME ANIMATION 2", 2004},
      {"PLACE ANIMATION 0, 0, 0, 0, 0", 2001},
      {"PLACE ANIMATION 2, 0, 0, 0, 0", 2004},
      {"PRINT ANIMATION EXIST(33)", 2001},
      {"PRINT ANIMATION EXIST(0)", 2001},
      {"PRINT ANIMATION PLAYING(2)", 2004},
      {"PRINT ANIMATION PAUSED(-5)", 2001},
      {"PRINT ANIMATION LOOPING(2)", 2004},
      {"PRINT ANIMATION POSITION X(2)", 2004},
      {"PRINT ANIMATION POSITION Y(33)", 2001},
      {"PRINT ANIMATION WIDTH(2)", 2004},
      {"PRINT ANIMATION HEIGHT(2)", 2004},
  };
  const std::string dir = freshFolder("animation_errors");
  std::string why;
  ASSERT_TRUE(writeVideo(dir + "/clip.avi", solidClip(), why)) << why;
  std::ofstream(dir + "/notes.avi") << "not a video at all\n";
  for (const auto& [statement, number] : cases) {
    compiler::CompileResult program =
        compiler::compileText("prog.ztb", "LOAD ANIMATION \"clip.avi\", 1\n" + statement + "\nPRINT \"not stopped\"\n");
    ASSERT_TRUE(program.ok) << statement << program.messages;
    std::ofstream(dir + "/prog.img", std::ios::binary) << program.image;
    RunResult r = runIn(dir, {ZT_ENGINE_BINARY, "--headless", "--echo", "--virtual-clock", "prog.img"});
    EXPECT_EQ(r.exitCode, 1) << statement;
    EXPECT_EQ(r.out, errorText(number)) << statement;
  }
}

// The soft errors are reported with --warn and otherwise ignored: the command does
// nothing and the program goes on.
TEST(AnimationErrors, SoftErrorsLeaveTheProgramRunningAndTheStateAsItWas) {
  ClipRun run = runWithClips("soft",
                             "LOAD ANIMATION \"clip.avi\", 1\n"
                             "STOP ANIMATION 1\n"    // 2008: never opened
                             "RESUME ANIMATION 1\n"  // 2010: never opened
                             "PAUSE ANIMATION 1\n"   // 2008: not decoding
                             "PRINT ANIMATION PLAYING(1); ANIMATION PAUSED(1)\n"
                             "PLAY ANIMATION 1\n"
                             "RESUME ANIMATION 1\n"  // 2010: still decoding
                             "PAUSE ANIMATION 1\n"
                             "PAUSE ANIMATION 1\n"  // 2008: no longer decoding
                             "PRINT ANIMATION PLAYING(1); ANIMATION PAUSED(1)\n"
                             "RESUME ANIMATION 1\n"
                             "PRINT ANIMATION PLAYING(1); ANIMATION PAUSED(1)\n"
                             "STOP ANIMATION 1\n"
                             "STOP ANIMATION 1\n"  // 2008: closed
                             "PRINT ANIMATION PLAYING(1); ANIMATION LOOPING(1)\n"
                             "DELETE FILE \"clip.avi\"\n"
                             "PLAY ANIMATION 1\n"  // 2007: the file is gone
                             "LOOP ANIMATION 1\n"  // fails without an error
                             "PRINT ANIMATION PLAYING(1); ANIMATION LOOPING(1); ANIMATION EXIST(1)\n",
                             {{"clip.avi", solidClip()}}, {}, {"--warn"});
  EXPECT_EQ(run.result.exitCode, 0) << run.result.err;
  EXPECT_EQ(run.result.out, "00\n11\n10\n00\n001\n");
  EXPECT_EQ(count(run.result.err, "error 2008"), 4) << run.result.err;
  EXPECT_EQ(count(run.result.err, "error 2010"), 2) << run.result.err;
  EXPECT_EQ(count(run.result.err, "error 2007"), 1) << run.result.err;
  EXPECT_EQ(count(run.result.err, "warning:"), 7) << run.result.err;
}

// A file cut short plays what it holds and ends; damaged frame data is skipped. Neither
// stops the engine.
TEST(AnimationErrors, DamagedFilesEndEarlyOrFailToLoadCleanly) {
  VideoParams params = solidClip();
  params.frames = 20;
  const std::string dir = freshFolder("damaged");
  std::string why;
  ASSERT_TRUE(writeVideo(dir + "/whole.avi", params, why)) << why;
  const std::string whole = readFile(dir + "/whole.avi");
  std::ofstream(dir + "/cut.avi", std::ios::binary) << whole.substr(0, whole.size() / 2);
  std::string noisy = whole;
  for (size_t i = noisy.size() / 3; i < noisy.size() * 2 / 3; i += 7) noisy[i] = char(noisy[i] ^ 0x5A);
  std::ofstream(dir + "/noisy.avi", std::ios::binary) << noisy;
  std::ofstream(dir + "/header.avi", std::ios::binary) << whole.substr(0, 200);
  for (const char* file : {"cut.avi", "noisy.avi", "header.avi"}) {
    compiler::CompileResult program =
        compiler::compileText("prog.ztb", std::string("LOAD ANIMATION \"") + file +
                                              "\", 1\nPLAY ANIMATION 1, 0, 0, 300, 300\n"
                                              "WHILE ANIMATION PLAYING(1) : SYNC : ENDWHILE\nPRINT \"ended\"\n");
    ASSERT_TRUE(program.ok) << program.messages;
    std::ofstream(dir + "/prog.img", std::ios::binary) << program.image;
    RunResult r = runIn(dir, {ZT_ENGINE_BINARY, "--headless", "--echo", "--virtual-clock", "prog.img"});
    EXPECT_TRUE((r.exitCode == 0 && r.out == "ended\n") || (r.exitCode == 1 && r.out == errorText(2002)))
        << file << ": " << r.exitCode << " " << r.out << r.err;
  }
}

}  // namespace

}  // namespace zt
