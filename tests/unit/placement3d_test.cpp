// Gluing, pointing, moving and pivots: the errors of each command in their check order at
// the limits of object and limb numbers, and a glued sphere drawn where a swinging limb
// carries it (frames compared with tests/frames3d/glue_*.png, looked at when made).
#include <gtest/gtest.h>

#include "support/error_cases.h"
#include "support/frame_reference.h"
#include "support/image_builder.h"
#include "support/scene3d.h"

namespace zt::test {
namespace {

TEST(PlacementErrors, RaisedInTheirCheckOrder) {
  const std::string two = "MAKE OBJECT CUBE 1, 1 : MAKE OBJECT CUBE 2, 1 : ";
  const ErrorCase cases[] = {
      // the glued object: 1 to 65535, existing
      {two + "GLUE OBJECT TO LIMB 0, 2, 0", 7006},
      {two + "GLUE OBJECT TO LIMB 65536, 2, 0", 7006},
      {two + "GLUE OBJECT TO LIMB 65535, 2, 0", 7008},
      {two + "MAKE OBJECT CUBE 65535, 1 : GLUE OBJECT TO LIMB 65535, 2, 0 : PRINT \"glued\"", 0},
      // then the target, before its limb
      {two + "GLUE OBJECT TO LIMB 1, 0, 0", 7006},
      {two + "GLUE OBJECT TO LIMB 1, 65536, 0", 7006},
      {two + "GLUE OBJECT TO LIMB 1, 65535, 0", 7008},
      {two + "GLUE OBJECT TO LIMB 1, 65535, 99", 7008},
      {two + "GLUE OBJECT TO LIMB 3, 65536, 99", 7008},
      {two + "MAKE OBJECT CUBE 65535, 1 : GLUE OBJECT TO LIMB 1, 65535, 0 : PRINT \"glued\"", 0},
      // the limb: below the target's table (32 at first), then existing
      {two + "GLUE OBJECT TO LIMB 1, 2, -1", 7021},
      {two + "GLUE OBJECT TO LIMB 1, 2, 32", 7021},
      {two + "GLUE OBJECT TO LIMB 1, 2, 31", 7023},
      {two + "GLUE OBJECT TO LIMB 1, 2, 1", 7023},
      {two + "ADD LIMB 2, 1, 0 : GLUE OBJECT TO LIMB 1, 2, 1 : PRINT \"glued\"", 0},
      {two + "FOR i = 1 TO 28 : ADD LIMB 2, i, 0 : NEXT i : GLUE OBJECT TO LIMB 1, 2, 63", 7023},
      {two + "FOR i = 1 TO 28 : ADD LIMB 2, i, 0 : NEXT i : GLUE OBJECT TO LIMB 1, 2, 64", 7021},
      {two + "FOR i = 1 TO 28 : ADD LIMB 2, i, 0 : NEXT i : GLUE OBJECT TO LIMB 1, 2, 28 : PRINT \"glued\"", 0},
      // the limb of the object's own table does not count
      {two + "ADD LIMB 1, 1, 0 : GLUE OBJECT TO LIMB 1, 2, 1", 7023},
      // the other commands take one object
      {two + "UNGLUE OBJECT 0", 7006},
      {two + "UNGLUE OBJECT 65536", 7006},
      {two + "UNGLUE OBJECT 65535", 7008},
      {two + "UNGLUE OBJECT 1 : PRINT \"not glued, nothing to do\"", 0},
      {two + "POINT OBJECT 0, 1, 1, 1", 7006},
      {two + "POINT OBJECT 65536, 1, 1, 1", 7006},
      {two + "POINT OBJECT 3, 1, 1, 1", 7008},
      {two + "MOVE OBJECT 0, 1", 7006},
      {two + "MOVE OBJECT 65536, 1", 7006},
      {two + "MOVE OBJECT 65535, 1", 7008},
      {two + "FIX OBJECT PIVOT 0", 7006},
      {two + "FIX OBJECT PIVOT 65536", 7006},
      {two + "DELETE OBJECT 2 : FIX OBJECT PIVOT 2", 7008},
      // a deleted target cannot be glued to, and its followers are free
      {two + "GLUE OBJECT TO LIMB 1, 2, 0 : DELETE OBJECT 2 : GLUE OBJECT TO LIMB 1, 2, 0", 7008},
      {two + "GLUE OBJECT TO LIMB 1, 2, 0 : DELETE OBJECT 2 : UNGLUE OBJECT 1 : PRINT \"free\"", 0},
  };
  expectErrorCases("placement_error", cases);
}

// ---- frames ----

constexpr uint32_t BackdropBlue = 0x000080;
// Frames 6 to 11 show the first pose, 12 to 17 the second, 18 on the third.
constexpr int FirstDump = 8, SecondDump = 14, ThirdDump = 20;

// A green cube whose empty limb 1 carries limb 2 two units to its right; a red sphere is
// glued to limb 2. After the first dump limb 1 turns a quarter about z, swinging limb 2
// (and the sphere) above the cube; after the second the cube moves left, taking both.
const std::string GlueScene =
    "SET DISPLAY MODE 160, 120, 32 : HIDE MOUSE : SYNC ON : AUTOCAM OFF\n"
    "MAKE OBJECT CUBE 1, 1 : COLOR OBJECT 1, RGB(0, 255, 0)\n"
    "ADD LIMB 1, 1, 0 : ADD LIMB 1, 2, 0 : OFFSET LIMB 1, 2, 2, 0, 0 : LINK LIMB 1, 2, 1\n"
    "MAKE OBJECT SPHERE 2, 1 : COLOR OBJECT 2, RGB(255, 0, 0) : GLUE OBJECT TO LIMB 2, 1, 2\n"
    "POSITION CAMERA 0, 0, -8 : POINT CAMERA 0, 0, 0\n"
    "FOR i = 1 TO 6 : SYNC : NEXT i\n"
    "ROTATE LIMB 1, 1, 0, 0, 90\n"
    "FOR i = 1 TO 6 : SYNC : NEXT i\n"
    "POSITION OBJECT 1, -2, 0, 0\n"
    "DO : SYNC : LOOP\n";

bool red(uint32_t p) { return (p >> 16 & 255) > 100 && (p >> 8 & 255) < 60; }
bool green(uint32_t p) { return (p >> 8 & 255) > 100 && (p >> 16 & 255) < 60; }

TEST(PlacementFrames, GluedSphereFollowsASwingingLimbAndAMovingTarget) {
  SceneRun s("placement_glue_frames", GlueScene, {FirstDump, SecondDump, ThirdDump});
  ASSERT_TRUE(s.started());
  s.run(ThirdDump);
  const RgbImage right = s.frame(FirstDump), above = s.frame(SecondDump), moved = s.frame(ThirdDump);
  ASSERT_FALSE(right.pixels.empty());
  ASSERT_FALSE(above.pixels.empty());
  ASSERT_FALSE(moved.pixels.empty());
  EXPECT_TRUE(green(right.at(80, 60))) << "the cube in the middle";
  EXPECT_TRUE(red(right.at(105, 60))) << "the sphere on its right";
  EXPECT_EQ(right.at(80, 35), BackdropBlue);
  EXPECT_TRUE(green(above.at(80, 60)));
  EXPECT_TRUE(red(above.at(80, 35))) << "swung above the cube";
  EXPECT_EQ(above.at(105, 60), BackdropBlue) << "nothing left on the right";
  EXPECT_TRUE(green(moved.at(55, 60))) << "the cube moved left";
  EXPECT_TRUE(red(moved.at(55, 35))) << "the sphere still above it";
  EXPECT_EQ(moved.at(80, 35), BackdropBlue);
  EXPECT_EQ(moved.at(80, 60), BackdropBlue);
  expectReference(right, "glue_right", 0xdec8006a2dd6e069ull, s.framePath(FirstDump));
  expectReference(above, "glue_above", 0xe008dc5ea1b6a5d6ull, s.framePath(SecondDump));
  expectReference(moved, "glue_moved", 0x5a1515f545389502ull, s.framePath(ThirdDump));
}

}  // namespace
}  // namespace zt::test
