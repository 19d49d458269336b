// The 3D walk example played by its own input script: it walks up the slope, turns right
// while walking, backs off and ends on Escape. The positions it prints follow the keys,
// the eye follows the ground, and its frames show the sky over lit, textured hills with
// trees and boulders on them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "formats/bmp.h"
#include "support/image_builder.h"

namespace zt {
namespace {

using namespace test;

// The backdrop's colour 128 as the 16-bit screen of the example shows it.
bool isSky(uint32_t p) { return (p >> 8) == 0 && (p & 255) >= 128 && (p & 255) <= 132; }

// Pixels of the lowest two fifths (below the horizon) that are mostly green (grass) and mostly red-brown or sand.
struct Ground {
  int green = 0, other = 0, sky = 0;
};

Ground groundOf(const RgbImage& f) {
  Ground g;
  for (int y = f.height * 3 / 5; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      const uint32_t p = f.at(x, y);
      const int r = int(p >> 16 & 255), gr = int(p >> 8 & 255), b = int(p & 255);
      if (isSky(p))
        ++g.sky;
      else if (gr > r && gr > b)
        ++g.green;
      else
        ++g.other;
    }
  return g;
}

// A tree's dark green and a boulder's grey, lit.
bool isTree(uint32_t p) {
  const int r = int(p >> 16 & 255), g = int(p >> 8 & 255), b = int(p & 255);
  return g > r + 60 && g > b + 60 && g < 125;
}
bool isBoulder(uint32_t p) {
  const int r = int(p >> 16 & 255), g = int(p >> 8 & 255), b = int(p & 255);
  return r > 100 && std::abs(r - g) < 10 && std::abs(r - b) < 10;
}

TEST(WalkExample, ScriptedWalkFollowsTheKeysAndTheGround) {
  const std::string dir = freshFolder("walk_example");
  RunResult run = runIn(dir, {ZT_ENGINE_BINARY, "--headless", "--echo", "--virtual-clock", "--input",
                              ZT_EXAMPLES_DIR "/walk.input", "--dump-frame", "120:walking.bmp", "--dump-frame",
                              "255:back.bmp", ZT_EXAMPLES_DIR "/walk.ztb"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  // Straight ahead along z, a right turn of 2 degrees a frame for 45 frames while walking,
  // then back; the eye (tenths of a unit) rises and falls with the hills.
  EXPECT_EQ(run.out,
            "AT 200, 86 HEADING 0 EYE 71\n"
            "AT 214, 171 HEADING 48 EYE 93\n"
            "AT 302, 182 HEADING 90 EYE 105\n"
            "AT 290, 182 HEADING 90 EYE 84\n"
            "END OF THE WALK AT 281, 182\n");

  RgbImage walking, back;
  ASSERT_TRUE(decodeBmp(readFile(dir + "/walking.bmp"), walking));
  ASSERT_TRUE(decodeBmp(readFile(dir + "/back.bmp"), back));
  for (const RgbImage* f : {&walking, &back}) {
    ASSERT_EQ(f->width, 640);
    ASSERT_EQ(f->height, 480);
    EXPECT_TRUE(isSky(f->at(320, 10))) << "the sky over the hills: " << f->at(320, 10);
    const Ground g = groundOf(*f);
    EXPECT_EQ(g.sky, 0) << "the ground fills the bottom";
    EXPECT_GT(g.green, 640 * 192 / 2) << "mostly grass";
  }
  // Trees and boulders stand against the sky on the horizon where the hills hide nothing.
  EXPECT_TRUE(isTree(walking.at(515, 240))) << walking.at(515, 240);
  EXPECT_TRUE(isTree(back.at(585, 190))) << back.at(585, 190);
  EXPECT_TRUE(isTree(back.at(93, 200))) << back.at(93, 200);
  EXPECT_TRUE(isBoulder(back.at(580, 205))) << back.at(580, 205);
  EXPECT_GT(groundOf(walking).other, 640 * 192 / 20) << "sand, earth and stone among the grass";
}

}  // namespace
}  // namespace zt
