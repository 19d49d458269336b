// The 3D walk example, the showcase of scripts/demo.sh, played by its own input script
// with its 30-second limit: the walker collects every gem, bumps into walls and a boulder
// and is held back by them, and the run ends by itself at frame 1800. Its frames show the
// walker loaded from the 3DS model, the hills and the score drawn by digit sprites.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "formats/bmp.h"
#include "support/image_builder.h"

namespace zt {
namespace {

using namespace test;

int red(uint32_t p) { return int(p >> 16 & 255); }
int green(uint32_t p) { return int(p >> 8 & 255); }
int blue(uint32_t p) { return int(p & 255); }

// The score panel's dark blue and the walker's red shirt, lit.
bool isPanel(uint32_t p) { return red(p) < 30 && green(p) < 40 && blue(p) > 70 && blue(p) < 90; }
bool isShirt(uint32_t p) { return red(p) > 60 && red(p) > 2 * green(p) && red(p) > 2 * blue(p); }

int count(const RgbImage& f, bool (*is)(uint32_t), int left, int top, int right, int bottom) {
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) n += is(f.at(x, y));
  return n;
}

bool sameArea(const RgbImage& a, const RgbImage& b, int left, int top, int right, int bottom) {
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      if (a.at(x, y) != b.at(x, y)) return false;
  return true;
}

TEST(WalkExample, ScriptedTourCollectsTheGemsBumpsIntoWallsAndEndsAfterThirtySeconds) {
  const std::string dir = freshFolder("walk_example");
  // Started as from the repository: the program goes into examples/ for its media.
  std::filesystem::create_directory_symlink(ZT_EXAMPLES_DIR, dir + "/examples");
  RunResult run = runIn(dir, {ZT_ENGINE_BINARY, "--headless", "--echo", "--virtual-clock", "--input",
                              "examples/walk.input", "--dump-frame", "30:" + dir + "/start.bmp", "--dump-frame",
                              "1790:" + dir + "/end.bmp", "examples/walk.ztb", "30"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(run.err, "");
  // Gems are scored where the walker meets them; at a wall or boulder it stays put while it
  // pushes, with a thud at most every 30 frames. The script's Escape at frame 1830 comes
  // after the time limit.
  EXPECT_EQ(run.out,
            "GEM 1 AT 200, 55 SCORE 10\n"
            "GEM 2 AT 200, 116 SCORE 20\n"
            "GEM 3 AT 200, 161 SCORE 30\n"
            "BUMP INTO A WALL AT 200, 184\n"
            "BUMP INTO A WALL AT 200, 184\n"
            "GEM 4 AT 241, 184 SCORE 40\n"
            "GEM 5 AT 293, 246 SCORE 50\n"
            "BUMP INTO A WALL AT 293, 302\n"
            "BUMP INTO A WALL AT 293, 302\n"
            "GEM 6 AT 243, 302 SCORE 60\n"
            "GEM 7 AT 173, 302 SCORE 70\n"
            "BUMP INTO A WALL AT 113, 302\n"
            "BUMP INTO A WALL AT 113, 302\n"
            "GEM 8 AT 113, 233 SCORE 80\n"
            "GEM 9 AT 113, 153 SCORE 90\n"
            "BUMP INTO A WALL AT 113, 83\n"
            "BUMP INTO A WALL AT 113, 83\n"
            "BUMP INTO A BOULDER AT 164, 83\n"
            "BUMP INTO A BOULDER AT 164, 83\n"
            "BUMP INTO A BOULDER AT 164, 83\n"
            "SCORE 90  GEMS 9 OF 9  BUMPS 11\n"
            "END OF THE WALK AT 110, 133\n");

  RgbImage start, end;
  ASSERT_TRUE(decodeBmp(readFile(dir + "/start.bmp"), start));
  ASSERT_TRUE(decodeBmp(readFile(dir + "/end.bmp"), end));
  for (const RgbImage* f : {&start, &end}) {
    ASSERT_EQ(f->width, 640);
    ASSERT_EQ(f->height, 480);
    // The walker stands in the middle, seen from behind and above.
    EXPECT_GT(count(*f, isShirt, 280, 160, 360, 260), 2000);
    // The score panel in the top left corner: the label and three digits on dark blue.
    EXPECT_GT(count(*f, isPanel, 10, 10, 126, 38), 116 * 28 / 2);
    EXPECT_FALSE(isPanel(f->at(127, 20)));
  }
  // "SCORE 000" then "SCORE 090": the label and the first and last digits are the same
  // pictures, the middle digit is another.
  EXPECT_TRUE(sameArea(start, end, 10, 10, 102, 38));
  EXPECT_FALSE(sameArea(start, end, 102, 10, 114, 38));
  EXPECT_TRUE(sameArea(start, end, 114, 10, 126, 38));
}

}  // namespace
}  // namespace zt
