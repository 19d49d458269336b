// Whole 3D scenes in their frames: a lit, textured cube seen through each camera mode, fog,
// a ghosted object over an opaque one, the automatic backdrop, and the 3D scene drawn over
// or under 2D drawing. Each frame is checked at pixels whose colour the scene decides and
// against the hash of its reference picture (tests/frames3d/<name>.png, looked at when it
// was made). Two runs of one scene give the same bytes.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/frame_reference.h"
#include "support/image_builder.h"
#include "support/scene3d.h"

namespace zt::test {
namespace {

constexpr uint32_t BackdropBlue = 0x000080;
constexpr int DumpFrame = 6;

// Small 32-bit screen, no pointer, frames only at SYNC.
const std::string SmallScreen = "SET DISPLAY MODE 160, 120, 32 : HIDE MOUSE : SYNC ON\n";
const std::string Loop = "DO : SYNC : LOOP\n";

// A cube at the origin turned to show three faces, with a red checker texture.
int32_t litCube(SceneRun& s, int32_t number = 1, float x = 0, float y = 0, float z = 0) {
  const int32_t slot = s.object(number, s.cubeMesh(), s.checkerTexture(0xFF0000), x, y, z);
  s.scene().objects[slot].angleX = 30;
  s.scene().objects[slot].angleY = 40;
  return slot;
}

RgbImage sceneFrame(SceneRun& s) {
  s.run(DumpFrame);
  RgbImage f = s.frame(DumpFrame);
  EXPECT_EQ(f.width, 160);
  EXPECT_EQ(f.height, 120);
  return f;
}

struct CameraCase {
  const char* name;
  const char* camera;
  uint64_t hash;
};

TEST(SceneFrames, LitTexturedCubeInEachCameraMode) {
  const CameraCase cases[] = {
      {"cube_look_at", "POSITION CAMERA 1.5, 1, -2.5 : POINT CAMERA 0, 0, 0\n", 0x7822cd2651edd4d9ull},
      {"cube_angles", "POSITION CAMERA 1, 0, -3 : YROTATE CAMERA 340 : ZROTATE CAMERA 10\n", 0x43f4f90e45abd645ull},
      {"cube_free", "POSITION CAMERA 0, 1.2, -3 : PITCH CAMERA DOWN 20 : TURN CAMERA RIGHT 5\n", 0x2dadcf2973ef6861ull},
  };
  for (const CameraCase& c : cases) {
    SceneRun s(c.name, SmallScreen + c.camera + Loop, {DumpFrame});
    ASSERT_TRUE(s.started());
    litCube(s);
    RgbImage f = sceneFrame(s);
    ASSERT_FALSE(f.pixels.empty()) << c.name;
    EXPECT_EQ(f.at(0, 0), BackdropBlue) << c.name << ": the backdrop behind the cube";
    EXPECT_NE(f.at(80, 60), BackdropBlue) << c.name << ": the cube in the middle";
    expectReference(f, c.name, c.hash, s.framePath(DumpFrame));
  }
}

TEST(SceneFrames, FogTurnsDistantObjectsToTheFogColour) {
  SceneRun s("fog", SmallScreen + "FOG ON : FOG COLOR RGB(128, 128, 128) : FOG DISTANCE 40\n" + Loop,
             {DumpFrame});
  ASSERT_TRUE(s.started());
  const int32_t mesh = s.cubeMesh(), white = textureOfColour(s.rt(), 0xFFFFFF);
  s.object(1, mesh, white, -1.5f, 0, 4);
  const int32_t far = s.object(2, mesh, white, 15, 0, 60);
  ObjectRecord& big = s.scene().objects[far];
  big.scaleX = big.scaleY = big.scaleZ = 10;
  s.scene().AmbientPercent = 100;  // unlit by the sun: pure white where fog is thin
  sendAmbientMaterial(s.rt());
  RgbImage f = sceneFrame(s);
  ASSERT_FALSE(f.pixels.empty());
  const uint32_t nearPixel = f.at(40, 60), farPixel = f.at(105, 60);
  EXPECT_GT(nearPixel & 255, 200u) << "4 of 40: mostly white";
  EXPECT_LT(nearPixel & 255, 255u) << "but a little fog";
  EXPECT_EQ(farPixel, 0x808080u) << "beyond the fog end: the fog colour";
  expectReference(f, "fog", 0xf8a960eab3a8cbf4ull, s.framePath(DumpFrame));
}

TEST(SceneFrames, GhostedObjectBlendsOverAnOpaqueOne) {
  SceneRun s("ghost", SmallScreen + "POSITION CAMERA 0, 0, -4\n" + Loop, {DumpFrame});
  ASSERT_TRUE(s.started());
  const int32_t mesh = s.cubeMesh();
  const int32_t red = textureOfColour(s.rt(), 0xFF0000), green = textureOfColour(s.rt(), 0x00FF00);
  s.object(1, mesh, red, 0, 0, 2);
  const int32_t ghost = s.object(2, mesh, green, 0.5f, 0, 0);
  s.scene().nodes[s.scene().objects[ghost].node].flags.ghost = 1;
  s.scene().nodes[s.scene().objects[ghost].node].flags.unlit = 1;
  RgbImage f = sceneFrame(s);
  ASSERT_FALSE(f.pixels.empty());
  // Blend level 1 is ONE / INVSRCCOLOR: green over red keeps the red and adds full green.
  const uint32_t overlap = f.at(85, 60);
  EXPECT_EQ(overlap >> 8 & 255, 255u) << "full green on top";
  EXPECT_GT(overlap >> 16 & 255, 0u) << "the red cube shows through";
  EXPECT_EQ(f.at(100, 60), 0x00FF80u) << "the ghost over the backdrop";
  expectReference(f, "ghost", 0x1c985100f11b0f9bull, s.framePath(DumpFrame));
}

TEST(SceneFrames, FirstObjectShowsTheBackdropInColour128) {
  SceneRun s("backdrop", SmallScreen + Loop, {DumpFrame});
  ASSERT_TRUE(s.started());
  s.object(1, s.cubeMesh(), 0, 0, 0, 3);
  RgbImage f = sceneFrame(s);
  ASSERT_FALSE(f.pixels.empty());
  for (auto [x, y] : {std::pair{0, 0}, {159, 0}, {0, 119}, {159, 119}, {40, 30}})
    EXPECT_EQ(f.at(x, y), BackdropBlue) << x << ", " << y;
  expectReference(f, "backdrop", 0x4af6d0dd5e71b58cull, s.framePath(DumpFrame));
}

// In each depth the backdrop has the colour a 2D box of RGB(0, 0, 128) gets (at 16 bits
// within one step of the 5-bit blue: the device rounds 128 up to 16/31, the 2D colour
// match down to 15/31).
TEST(SceneFrames, BackdropColourInEveryDepth) {
  for (int depth : {16, 24, 32}) {
    SceneRun s("backdrop_depth" + std::to_string(depth),
               "SET DISPLAY MODE 160, 120, " + std::to_string(depth) +
                   " : HIDE MOUSE : SYNC ON\nDO : INK RGB(0, 0, 128), 0 : BOX 0, 0, 4, 4 : SYNC : LOOP\n",
               {DumpFrame});
    ASSERT_TRUE(s.started());
    s.object(1, s.cubeMesh(), 0, 0, 0, 3);
    RgbImage f = sceneFrame(s);
    ASSERT_FALSE(f.pixels.empty()) << depth;
    const uint32_t box = f.at(2, 2), backdrop = f.at(150, 110);
    EXPECT_NE(box, 0u) << depth;
    if (depth == 16) {
      EXPECT_EQ(backdrop & 0xFFFF00, 0u);
      EXPECT_LE(std::abs(int(backdrop & 255) - int(box & 255)), 8) << "one step of 5 bits";
    } else {
      EXPECT_EQ(backdrop, box) << depth;
    }
  }
}

TEST(SceneFrames, BackdropOnShowsOneFrameLaterAndOffAtOnce) {
  // Dump 6 is the frame composed right after the slice of BACKDROP ON. The white box queued
  // with BACKDROP OFF runs in dumps 10 and 11 (once for each buffer of the chain); dump 12
  // shows dump 10's buffer again, where a backdrop would have covered the box.
  SceneRun s("backdrop_timing",
             SmallScreen + "SYNC\nBACKDROP ON : SYNC\nSYNC\nSYNC\n"
                           "BACKDROP OFF : INK RGB(255, 255, 255), 0 : BOX 0, 0, 9, 9 : SYNC\nSYNC\n" + Loop,
             {6, 7, 8, 12});
  ASSERT_TRUE(s.started());
  s.run(13);
  EXPECT_EQ(s.frame(6).at(20, 20), 0u) << "the frame composed right after BACKDROP ON";
  EXPECT_EQ(s.frame(7).at(20, 20), 0u) << "switched on in that frame, drawn from the next";
  EXPECT_EQ(s.frame(8).at(20, 20), BackdropBlue);
  EXPECT_EQ(s.frame(12).at(5, 5), 0xFFFFFFu) << "no backdrop over the box";
  EXPECT_EQ(s.frame(12).at(20, 20), BackdropBlue) << "the last backdrop drawn is still there";
}

// Each of the 3 x 2 tiles shows the whole image: red on the left, green on the right;
// SCROLL BACKDROP 50, 0 moves every tile's picture by half its width.
TEST(SceneFrames, TextureBackdropTilesTheImage) {
  for (const auto& [scroll, left, right] : {std::tuple{"", 0xFF0000u, 0x00FF00u}, {"SCROLL BACKDROP 50, 0", 0x00FF00u, 0xFF0000u}}) {
    SceneRun s("backdrop_texture",
               SmallScreen + "INK RGB(255, 0, 0), 0 : BOX 0, 0, 15, 15 : INK RGB(0, 255, 0), 0 : BOX 16, 0, 31, 15\n"
                             "SYNC : GET IMAGE 1, 0, 0, 32, 16 : SYNC : BACKDROP ON : TEXTURE BACKDROP 1 : " + scroll + "\n" + Loop,
               {DumpFrame + 4});
    ASSERT_TRUE(s.started());
    s.run(DumpFrame + 4);
    RgbImage f = s.frame(DumpFrame + 4);
    ASSERT_FALSE(f.pixels.empty());
    for (int tile = 0; tile < 3; ++tile)
      for (int y : {20, 90}) {
        EXPECT_EQ(f.at(tile * 160 / 3 + 10, y), left) << scroll << " tile " << tile << " row " << y;
        EXPECT_EQ(f.at(tile * 160 / 3 + 40, y), right) << scroll << " tile " << tile << " row " << y;
      }
  }
}

TEST(SceneFrames, DrawToBackPutsTheSceneOverTwoDimensionalDrawing) {
  for (const auto& [order, covered] : {std::pair{"DRAW TO BACK", true}, {"DRAW TO FRONT", false}}) {
    SceneRun s(covered ? "draw_to_back" : "draw_to_front",
               SmallScreen + order + " : POSITION CAMERA 0, 0, -5 : INK RGB(0, 0, 255), 0\n" +
                   "DO : BOX 60, 40, 100, 80 : SYNC : LOOP\n",
               {DumpFrame});
    ASSERT_TRUE(s.started());
    s.object(1, s.cubeMesh(), textureOfColour(s.rt(), 0xFFFF00), 0, 0, 0);
    RgbImage f = sceneFrame(s);
    ASSERT_FALSE(f.pixels.empty());
    const uint32_t centre = f.at(80, 60);
    if (covered) {
      EXPECT_NE(centre, 0x0000FFu) << "the cube covers the box";
      EXPECT_EQ(f.at(62, 42), 0x0000FFu) << "the box's corner outside the cube";
      expectReference(f, "draw_to_back", 0x85a54f7aca2ccaf1ull, s.framePath(DumpFrame));
    } else {
      EXPECT_EQ(centre, 0x0000FFu) << "the box covers the cube";
    }
  }
}

TEST(SceneFrames, TwoRunsGiveTheSameBytes) {
  std::string bytes[2];
  for (int run = 0; run < 2; ++run) {
    SceneRun s("repeat" + std::to_string(run), SmallScreen + "POSITION CAMERA 1, 1, -3 : POINT CAMERA 0, 0, 0\n" + Loop,
               {DumpFrame});
    ASSERT_TRUE(s.started());
    litCube(s);
    litCube(s, 2, 0.8f, 0.3f, 1);
    s.run(DumpFrame);
    bytes[run] = readFile(s.framePath(DumpFrame));
  }
  ASSERT_FALSE(bytes[0].empty());
  EXPECT_TRUE(bytes[0] == bytes[1]);
}

}  // namespace
}  // namespace zt::test
