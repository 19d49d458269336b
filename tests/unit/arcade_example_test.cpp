// The arcade example played by its own input script: the arrow keys and a scripted
// joystick steer, the held fire button shoots meteors, stars are caught, the lives run
// out, Space starts a second game and Escape ends the run. The score lines it prints and
// three of its frames are checked.
#include <gtest/gtest.h>

#include "formats/bmp.h"
#include "support/image_builder.h"

namespace zt {
namespace {

using namespace test;

constexpr uint32_t ShipBody = 0xBDDAFF, Cockpit = 0x204C9C, Meteor = 0xA4754A, Star = 0xFFDA20, Panel = 0x101C52;

int count(const RgbImage& f, uint32_t colour, int left, int top, int right, int bottom) {
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) n += f.at(x, y) == colour;
  return n;
}

int count(const RgbImage& f, uint32_t colour) { return count(f, colour, 0, 0, f.width, f.height); }

TEST(ArcadeExample, ScriptedGameScoresLosesLivesAndEndsOnEscape) {
  std::string dir = freshFolder("arcade_example");
  // The number after the program seeds the meteors, so that the game is the same each run.
  RunResult run = runIn(dir, {ZT_ENGINE_BINARY, "--headless", "--echo", "--virtual-clock", "--input",
                              ZT_EXAMPLES_DIR "/arcade.input", "--dump-frame", "120:playing.bmp", "--dump-frame",
                              "460:over.bmp", "--dump-frame", "540:again.bmp", ZT_EXAMPLES_DIR "/arcade.ztb", "65"});
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  // Shots score 5, the star caught at 5 -> 15 scores 10, each meteor that hits costs a life.
  EXPECT_EQ(run.out,
            "SCORE 0   LIVES 3   BEST 0\n"
            "SCORE 5   LIVES 3   BEST 5\n"
            "SCORE 5   LIVES 2   BEST 5\n"
            "SCORE 15   LIVES 2   BEST 15\n"
            "SCORE 15   LIVES 1   BEST 15\n"
            "SCORE 20   LIVES 1   BEST 20\n"
            "SCORE 25   LIVES 1   BEST 25\n"
            "SCORE 30   LIVES 1   BEST 30\n"
            "SCORE 30   LIVES 0   BEST 30\n"
            "GAME OVER - SCORE 30\n"
            "SCORE 0   LIVES 3   BEST 30\n"
            "BYE - BEST SCORE 30\n");

  RgbImage playing, over, again;
  ASSERT_TRUE(decodeBmp(readFile(dir + "/playing.bmp"), playing));
  ASSERT_TRUE(decodeBmp(readFile(dir + "/over.bmp"), over));
  ASSERT_TRUE(decodeBmp(readFile(dir + "/again.bmp"), again));

  // Frame 120: the arrow key took the ship 200 pixels left, the stick 80 up and then 250
  // right, to (354, 330). It is drawn once there and leaves no trail behind.
  int ship = count(playing, ShipBody, 354, 330, 386, 358);
  EXPECT_GT(ship, 300);
  EXPECT_EQ(count(playing, ShipBody), ship);
  EXPECT_EQ(playing.at(369, 341), Cockpit);
  EXPECT_GT(count(playing, Meteor), 0);
  EXPECT_GT(count(playing, Star), 0);

  // Frame 460: the game-over panel over the starfield, every sprite gone with its
  // background restored.
  EXPECT_EQ(count(over, ShipBody) + count(over, Cockpit) + count(over, Meteor) + count(over, Star), 0);
  EXPECT_EQ(over.at(170, 150), Panel);
  EXPECT_EQ(over.at(470, 300), Panel);
  EXPECT_NE(over.at(169, 150), Panel);
  EXPECT_NE(over.at(471, 300), Panel);
  EXPECT_GT(count(over, 0xFFFFFF, 170, 150, 471, 301), 100) << "the panel's text";

  // Frame 540: the second game, the ship back at the bottom and moved 150 pixels right.
  EXPECT_EQ(count(again, ShipBody, 454, 410, 486, 438), ship);
  EXPECT_EQ(count(again, ShipBody), ship);
  EXPECT_EQ(again.at(469, 421), Cockpit);
}

}  // namespace
}  // namespace zt
