// Object animation: quaternion keys turn limbs as the engine's own rotations do; key lists
// blend between neighbouring keys and hold at their ends; every command's errors in their
// check order with the limits pinned; 3DS keyframer tracks animate; the animation list
// follows deleted and reloaded objects and survives keys for limbs that are gone; and an
// animated object's frames against reference pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "engine3d/animation.h"
#include "engine3d/animation_keys.h"
#include "engine3d/object_parts.h"
#include "gfx/quaternion.h"
#include "support/error_cases.h"
#include "support/frame_reference.h"
#include "support/image_builder.h"
#include "support/scene3d.h"
#include "support/three_ds_files.h"

namespace zt::test {
namespace {

void expectNear(const Matrix4& a, const Matrix4& b, const std::string& what) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], 1e-5f) << what << " [" << r << "][" << c << "]";
}

float radians(float degrees) { return degrees * TransformRadians; }

TEST(Quaternions, TurnAsTheEnginesOwnRotations) {
  for (float degrees : {0.0f, 30.0f, 90.0f, 135.0f, 180.0f, 270.0f, 359.0f}) {
    const float a = radians(degrees);
    const std::string at = std::to_string(degrees);
    expectNear(rotationMatrix(fromRotation({1, 0, 0}, a)), rotationX(a), "x " + at);
    expectNear(rotationMatrix(fromRotation({0, 2, 0}, a)), rotationY(a), "y (axis of any length) " + at);
    expectNear(rotationMatrix(fromRotation({0, 0, 1}, a)), rotationZ(a), "z " + at);
  }
  expectNear(rotationMatrix(fromRotation({0, 0, 0}, 1)), Matrix4{}, "no axis, no rotation");
  expectNear(rotationMatrix(normalised({0, 0, 0, 0})), Matrix4{}, "a zero key turns nothing");
  expectNear(rotationMatrix(normalised({0, 0, 3, 0})), rotationY(radians(180)), "keys are made unit length");
}

TEST(Quaternions, SlerpKeepsAnEvenPaceAlongTheShorterArc) {
  const Quaternion none, quarter = fromRotation({0, 1, 0}, radians(90));
  expectNear(rotationMatrix(slerp(none, quarter, 0)), Matrix4{}, "start");
  expectNear(rotationMatrix(slerp(none, quarter, 1)), rotationY(radians(90)), "end");
  expectNear(rotationMatrix(slerp(none, quarter, 0.5f)), rotationY(radians(45)), "half");
  expectNear(rotationMatrix(slerp(none, quarter, 0.25f)), rotationY(radians(22.5f)), "quarter");
  const Quaternion flipped{-quarter.w, -quarter.x, -quarter.y, -quarter.z};
  expectNear(rotationMatrix(slerp(none, flipped, 0.5f)), rotationY(radians(45)), "q and -q are one rotation");
  expectNear(rotationMatrix(slerp(fromRotation({0, 1, 0}, radians(170)), fromRotation({0, 1, 0}, radians(190)), 0.5f)),
             rotationY(radians(180)), "through 180, not back through 0");
  const Quaternion almost = fromRotation({0, 1, 0}, radians(0.01f));
  expectNear(rotationMatrix(slerp(none, almost, 0.5f)), rotationY(radians(0.005f)), "nearly equal keys");
}

TEST(Quaternions, PlacementsTakenApartAndPutTogetherAgain) {
  const LimbTrack componentTrack;
  for (const Vec3 axis : {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}, Vec3{1, 2, 3}, Vec3{-1, 0.5f, 0}})
    for (float degrees : {0.0f, 60.0f, 179.0f, 180.0f, 250.0f}) {
      const Quaternion q = fromRotation(axis, radians(degrees));
      const std::string at = std::to_string(axis.x) + "," + std::to_string(axis.y) + "," + std::to_string(axis.z) +
                             " by " + std::to_string(degrees);
      expectNear(rotationMatrix(fromRotationMatrix(rotationMatrix(q))), rotationMatrix(q), at);
      const Matrix4 placed = scaling(2, 3, 4) * rotationMatrix(q) * translation(5, -6, 7);
      expectNear(poseMatrix(componentTrack, takeApart(placed)), placed, "scaled, turned, moved " + at);
      const Matrix4 mirrored = scaling(-1, 1, 0.5f) * rotationMatrix(q) * translation(1, 2, 3);
      expectNear(poseMatrix(componentTrack, takeApart(mirrored)), mirrored, "mirrored " + at);
    }
}

TEST(AnimationKeys, NeighbouringKeysBlendAndTheEndsHold) {
  LimbTrack t;
  t.rest = takeApart(rotationZ(radians(30)) * translation(0, 9, 0));
  t.position = {{10, {0, 0, 0}}, {20, {10, 0, 0}}, {30, {30, 0, 0}}};
  t.scale = {{10, {1, 1, 1}}, {30, {3, 1, 1}}};
  const std::pair<float, float> cases[] = {{0, 0}, {10, 0}, {15, 5}, {19.99f, 9.99f}, {20, 10}, {25, 20}, {30, 30}, {45, 30}, {-3, 0}};
  for (auto [frame, x] : cases) {
    const LimbPose p = poseAt(t, frame);
    EXPECT_NEAR(p.position.x, x, 1e-4f) << frame;
    EXPECT_NEAR(p.scale.x, std::clamp(1 + (frame - 10) / 10, 1.0f, 3.0f), 1e-4f) << frame;
    expectNear(rotationMatrix(p.rotation), rotationZ(radians(30)), "no rotation keys: the loaded rotation");
  }
  // Keys given out of order by a file are sorted; a key list of one key holds it.
  ObjectRecord o;
  o.limbs.resize(4);
  o.limbs[1].exists = o.limbs[2].exists = 1;
  o.limbs[2].name = "Arm";
  XFile x;
  XAnimation a;
  a.frame = 1;
  a.frameName = "Arm";
  a.positionKeys = {{20, {4, 0, 0}}, {0, {0, 0, 0}}};
  a.rotationKeys = {{5, 0, 0, 1, 0}};
  x.animationSets.push_back({"Set", {a}});
  std::vector<LimbTrack> tracks;
  ASSERT_EQ(addFileKeys(tracks, o, x, 0, false), 1u);
  ASSERT_EQ(tracks[0].limb, 2);
  EXPECT_FLOAT_EQ(poseAt(tracks[0], 10).position.x, 2);
  expectNear(rotationMatrix(poseAt(tracks[0], 0).rotation), rotationY(radians(180)), "one key");
  // Shifted keys found by the frame's name; a frame the object has no limb for adds nothing.
  EXPECT_EQ(addFileKeys(tracks, o, x, 100, true), 1u);
  EXPECT_FLOAT_EQ(lastKeyTime(ObjectAnimation{tracks}), 120);
  // Every set of the file adds its keys.
  XAnimation later = a;
  later.positionKeys = {{30, {6, 0, 0}}};
  x.animationSets.push_back({"Later", {later}});
  std::vector<LimbTrack> both;
  ASSERT_EQ(addFileKeys(both, o, x, 0, false), 1u);
  EXPECT_FLOAT_EQ(lastKeyTime(ObjectAnimation{both}), 30);
  EXPECT_FLOAT_EQ(poseAt(both[0], 25).position.x, 5);
  x.animationSets.pop_back();
  x.animationSets[0].animations[0].frameName = "Hand";
  x.animationSets[0].animations[0].frame = 7;
  EXPECT_EQ(addFileKeys(tracks, o, x, 200, true), 0u);
  EXPECT_EQ(addFileKeys(tracks, o, x, 200, false), 0u);
  EXPECT_EQ(tracks.size(), 1u);
}

// ---- the commands in a program ----

// Frames "Base" (limb 1) and "Arm" (limb 2, at y = 5) with a triangle each; `keys` is the
// file's animation text.
std::string model(const std::string& keys) {
  const std::string triangle = "{ 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";
  return "xof 0303txt 0032\nFrame Base {\nMesh BaseMesh " + triangle +
         "Frame Arm {\nFrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,5,0,1;; }\nMesh ArmMesh " + triangle +
         "}\n}\n" + keys;
}

std::string positionKeys(const std::string& frame, const std::string& keys) {
  return "Animation {\n{ " + frame + " }\nAnimationKey { 2; " + keys + " }\n}\n";
}

// model.x: the arm moves over frames 0 to 20 (and a key at 50 for a frame the file has
// not); still.x: no keys; keys.x: keys only, frames 0 to 10 of the arm; hand.x: keys only,
// for a frame named Hand; broken.x: cut short; far.x: a key at the last time a file can give.
std::string writeModels(const std::string& name) {
  const std::string dir = freshFolder(name);
  const std::string walk =
      "AnimationSet Walk {\n" + positionKeys("Arm", "2; 0;3;0,0,0;;, 20;3;20,0,0;;;") +
      positionKeys("Ghost", "1; 50;3;1,1,1;;;") + "}\n";
  std::ofstream(dir + "/model.x", std::ios::binary) << model(walk);
  std::ofstream(dir + "/still.x", std::ios::binary) << model("");
  std::ofstream(dir + "/keys.x", std::ios::binary)
      << "xof 0303txt 0032\nAnimationSet Wave {\n" + positionKeys("Arm", "2; 0;3;0,0,0;;, 10;3;0,9,0;;;") + "}\n";
  std::ofstream(dir + "/hand.x", std::ios::binary)
      << "xof 0303txt 0032\nAnimationSet Wave {\n" + positionKeys("Hand", "2; 0;3;0,0,0;;, 10;3;0,9,0;;;") + "}\n";
  std::ofstream(dir + "/broken.x", std::ios::binary) << model(walk).substr(0, 150);
  std::ofstream(dir + "/far.x", std::ios::binary)
      << model("AnimationSet Far {\n" + positionKeys("Arm", "1; 4294967295;3;1,1,1;;;") + "}\n");
  return dir;
}

TEST(ObjectAnimation, ErrorsInTheirCheckOrder) {
  const std::string dir = writeModels("object_animation_errors_files");
  const std::string load = "SET DIR \"" + dir + "\" : LOAD OBJECT \"model.x\", 1 : MAKE OBJECT CUBE 2, 1 : ";
  const ErrorCase cases[] = {
      // object numbers, then an animation set for the play and frame commands
      {load + "PLAY OBJECT 1 : PLAY OBJECT 1, 3 : PLAY OBJECT 1, 0, 20 : LOOP OBJECT 1 : LOOP OBJECT 1, 2", 0},
      {load + "LOOP OBJECT 1, 2, 5 : STOP OBJECT 1 : STOP OBJECT 2 : STOP OBJECT 65535 - 65533", 0},
      {load + "PLAY OBJECT 0", 7006},
      {load + "PLAY OBJECT 65536, 1", 7006},
      {load + "PLAY OBJECT 65535, 1, 2", 7008},
      {load + "LOOP OBJECT 3", 7008},
      {load + "STOP OBJECT 65536", 7006},
      {load + "STOP OBJECT 3", 7008},
      {load + "PLAY OBJECT 2", 7601},
      {load + "PLAY OBJECT 2, 0", 7601},
      {load + "PLAY OBJECT 2, 0, 1", 7601},
      {load + "LOOP OBJECT 2", 7601},
      {load + "LOOP OBJECT 2, 0", 7601},
      {load + "LOOP OBJECT 2, 0, 1", 7601},
      {load + "SET OBJECT FRAME 2, 0", 7601},
      {load + "SET OBJECT FRAME 3, 0", 7008},
      // frames 0 to the total (20: the key at 50 animates no limb)
      {load + "SET OBJECT FRAME 1, 0 : SET OBJECT FRAME 1, 20 : PRINT TOTAL OBJECT FRAMES(1)", 0},
      {load + "SET OBJECT FRAME 1, 20.01", 7602},
      {load + "SET OBJECT FRAME 1, 21", 7602},
      {load + "SET OBJECT FRAME 1, -0.01", 7602},
      {load + "LOOP OBJECT 1 : SET OBJECT FRAME 1, 20.5", 7602},
      // speed -100 to 100 and interpolation 1 to 100, for any object
      {load + "SET OBJECT SPEED 2, 100 : SET OBJECT SPEED 2, -100 : SET OBJECT SPEED 1, 0", 0},
      {load + "SET OBJECT SPEED 1, 101", 7603},
      {load + "SET OBJECT SPEED 2, -101", 7603},
      {load + "SET OBJECT SPEED 65536, 0", 7006},
      {load + "SET OBJECT SPEED 3, 500", 7008},
      {load + "SET OBJECT INTERPOLATION 2, 1 : SET OBJECT INTERPOLATION 1, 100", 0},
      {load + "SET OBJECT INTERPOLATION 1, 0", 7604},
      {load + "SET OBJECT INTERPOLATION 2, 101", 7604},
      {load + "SET OBJECT INTERPOLATION 0, 50", 7006},
      // APPEND OBJECT: the object, a start beyond the total, an animation set, usable keys
      {load + "APPEND OBJECT \"keys.x\", 1, 21 : APPEND OBJECT \"keys.x\", 1, 32 : PRINT TOTAL OBJECT FRAMES(1)", 0},
      {load + "APPEND OBJECT \"keys.x\", 0, 21", 7006},
      {load + "APPEND OBJECT \"keys.x\", 3, 21", 7008},
      {load + "APPEND OBJECT \"keys.x\", 1, 20", 7606},
      {load + "APPEND OBJECT \"keys.x\", 1, -1", 7606},
      {load + "APPEND OBJECT \"keys.x\", 1, 21 : APPEND OBJECT \"keys.x\", 1, 31", 7606},
      {load + "APPEND OBJECT \"keys.x\", 2, 0", 7606},
      {load + "APPEND OBJECT \"keys.x\", 2, 1", 7605},
      {load + "APPEND OBJECT \"still.x\", 1, 21", 7605},
      {load + "APPEND OBJECT \"hand.x\", 1, 21", 7605},
      {load + "APPEND OBJECT \"missing.x\", 1, 21", 7605},
      {load + "APPEND OBJECT \"broken.x\", 1, 21", 7605},
      {load + "APPEND OBJECT \"broken.3ds\", 1, 21", 7605},
      // the functions
      {load + "PRINT OBJECT PLAYING(1) + OBJECT LOOPING(2) + OBJECT FRAME(1) + OBJECT SPEED(2)", 0},
      {load + "PRINT OBJECT INTERPOLATION(1) + TOTAL OBJECT FRAMES(2)", 0},
      {load + "PRINT OBJECT PLAYING(65536)", 7006},
      {load + "PRINT OBJECT LOOPING(0)", 7006},
      {load + "PRINT OBJECT FRAME(3)", 7008},
      {load + "PRINT OBJECT SPEED(3)", 7008},
      {load + "PRINT OBJECT INTERPOLATION(65536)", 7006},
      {load + "PRINT TOTAL OBJECT FRAMES(3)", 7008},
      // the last key time a file can give reads as the largest integer
      {load + "LOAD OBJECT \"far.x\", 3 : IF TOTAL OBJECT FRAMES(3) <> 2147483647 THEN END", 0},
      {load + "LOAD OBJECT \"far.x\", 3 : SET OBJECT FRAME 3, 4294967296.0 : PLAY OBJECT 3, 2147483647 : SYNC", 0},
  };
  std::ofstream(dir + "/broken.3ds", std::ios::binary) << "MM";
  expectErrorCases("object_animation_errors", cases);
}

const std::string SmallScreen = "SET DISPLAY MODE 160, 120, 32 : HIDE MOUSE : SYNC ON\n";

// The arm of a 3DS object slides 4 along x over frames 0 to 10 (position track), and the
// converted keys move it when the object plays.
TEST(ObjectAnimation, ThreeDsKeyframerTrackAnimates) {
  const std::string dir = freshFolder("object_animation_3ds_files");
  const std::string arm = mesh(vertexList({{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}) + faceList({{0, 1, 2}}));
  const std::string keyframer =
      node("arm", 0xFFFF, {0, 0, 0}, track(0xB020, {{0, {0, 0, 0}}, {10, {4, 0, 2}}}));
  std::ofstream(dir + "/arm.3ds", std::ios::binary) << file3ds(namedObject("arm", arm), keyframer);
  SceneRun s("object_animation_3ds",
             SmallScreen + "SET DIR \"" + dir + "\"\nLOAD OBJECT \"arm.3ds\", 1 : SET OBJECT SPEED 1, 50\n"
                           "PRINT TOTAL OBJECT FRAMES(1)\nPLAY OBJECT 1\nDO : SYNC : LOOP\n");
  ASSERT_TRUE(s.started());
  s.run(12);
  Engine3DState& e = s.scene();
  ASSERT_NE(e.ObjectMap[1], 0);
  const ObjectRecord& o = e.objects[e.ObjectMap[1]];
  EXPECT_FLOAT_EQ(o.totalFrames, 10);
  EXPECT_EQ(o.animation.playing, 0) << "played to its end";
  EXPECT_FLOAT_EQ(o.animation.currentFrame, 10);
  ASSERT_EQ(o.animation.tracks.size(), 1u);
  const Matrix4 placed = limbInObject(o, size_t(o.animation.tracks[0].limb));
  EXPECT_NEAR(placed.m[3][0], 4, 1e-4f);
  EXPECT_NEAR(placed.m[3][1], 2, 1e-4f) << "3DS z is .x y";
  EXPECT_NEAR(placed.m[3][2], 0, 1e-4f);
}

// Deleted, reloaded and replaced objects leave the animation list; a new object in a freed
// slot is not animated; keys for limbs an object no longer has are passed over.
TEST(ObjectAnimation, TheListFollowsTheObjects) {
  const std::string dir = writeModels("object_animation_list_files");
  SceneRun s("object_animation_list",
             SmallScreen + "SET DIR \"" + dir + "\"\n"
                           "LOAD OBJECT \"model.x\", 1 : LOAD OBJECT \"model.x\", 2 : LOAD OBJECT \"model.x\", 3\n"
                           "LOAD OBJECT \"model.x\", 4 : LOAD OBJECT \"model.x\", 5\n"
                           "PLAY OBJECT 1 : LOOP OBJECT 2 : SET OBJECT FRAME 3, 4 : LOOP OBJECT 4 : LOOP OBJECT 5 : SYNC\n"
                           "DELETE OBJECT 1 : MAKE OBJECT CUBE 6, 1 : LOAD OBJECT \"still.x\", 2 : STOP OBJECT 4 : SYNC\n"
                           "PLAY OBJECT 3 : PLAY OBJECT 3 : SYNC\nDO : SYNC : LOOP\n");
  ASSERT_TRUE(s.started());
  Engine3DState& e = s.scene();
  s.run(8);
  const int32_t slot3 = e.ObjectMap[3], slot5 = e.ObjectMap[5];
  ASSERT_TRUE(slot3 && slot5);
  EXPECT_EQ(e.AnimationList, (std::vector<int32_t>{slot3, slot5})) << "in the order they joined, once each";
  for (int32_t number : {2, 4, 6}) EXPECT_EQ(e.objects[e.ObjectMap[size_t(number)]].animation.listed, 0) << number;
  EXPECT_TRUE(e.objects[e.ObjectMap[2]].animation.tracks.empty()) << "reloaded without keys";
  // Keys of limbs the object lost, or never had, are passed over.
  ObjectRecord& o = e.objects[slot5];
  o.animation.tracks.push_back(o.animation.tracks[0]);
  o.animation.tracks.back().limb = 1000;
  o.limbs[2].exists = 0;
  const float before = o.animation.currentFrame;
  AdvanceObjectAnimation(s.rt());
  EXPECT_FLOAT_EQ(o.animation.currentFrame, before + DefaultAnimationSpeed);
}

// ---- frames ----

// A box of half sizes (x, y, z) centred on (cx, cy, cz), as a .x mesh.
std::string boxMesh(const std::string& name, Vec3 half, Vec3 centre) {
  std::string text = "Mesh " + name + " {\n8;\n";
  for (int i = 0; i < 8; ++i) {
    const float x = centre.x + ((i & 1) ? half.x : -half.x), y = centre.y + ((i & 2) ? half.y : -half.y),
                z = centre.z + ((i & 4) ? half.z : -half.z);
    text += std::to_string(x) + ";" + std::to_string(y) + ";" + std::to_string(z) + (i == 7 ? ";;\n" : ";,\n");
  }
  return text + "6;\n4;0,2,3,1;,\n4;4,5,7,6;,\n4;0,4,6,2;,\n4;1,3,7,5;,\n4;2,6,7,3;,\n4;0,1,5,4;;\n}\n";
}

// A white body with a yellow arm at its shoulder, turned about z from hanging (frame 0) to
// level (frame 10) to raised (frame 20). The dumps show it set to frames 0, 5 and 15 (the
// last two blended between keys), each held for ten frames.
TEST(ObjectAnimationFrames, AnArmSwingsBetweenItsKeys) {
  const std::string dir = freshFolder("object_animation_frame_files");
  auto key = [](int time, float degrees) {
    const Quaternion q = fromRotation({0, 0, 1}, radians(degrees));
    return std::to_string(time) + ";4;" + std::to_string(q.w) + "," + std::to_string(q.x) + "," + std::to_string(q.y) +
           "," + std::to_string(q.z) + ";;";
  };
  std::ofstream(dir + "/robot.x", std::ios::binary)
      << "xof 0303txt 0032\nFrame Body {\n" + boxMesh("BodyMesh", {0.5f, 1, 0.3f}, {0, 0, 0}) +
             "Frame Arm {\nFrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0.6,0.8,0,1;; }\n" +
             boxMesh("ArmMesh", {0.15f, 0.7f, 0.15f}, {0, -0.6f, 0}) + "}\n}\n" +
             "AnimationSet Swing {\nAnimation {\n{ Arm }\nAnimationKey { 0; 3; " + key(0, 0) + ", " + key(10, 90) +
             ", " + key(20, 180) + "; }\n}\n}\n";
  SceneRun s("object_animation_frames",
             SmallScreen + "SET DIR \"" + dir + "\"\nLOAD OBJECT \"robot.x\", 1 : COLOR LIMB 1, 2, RGB(255, 255, 0)\n"
                           "POSITION CAMERA 0, 0.3, -5 : POINT CAMERA 0, 0.3, 0\n"
                           "FOR f = 0 TO 2 : SET OBJECT FRAME 1, f * f * 2.5 + f * 2.5 : FOR i = 1 TO 10 : SYNC : NEXT i : NEXT f\n"
                           "DO : SYNC : LOOP\n",
             {12, 22, 32});
  ASSERT_TRUE(s.started());
  s.run(33);
  // Where the arm is: hanging beside the body, down and out at 45 degrees, up at 135.
  const std::pair<int, int> hanging{92, 66}, half{103, 61}, raised{107, 38};
  const struct {
    const char* name;
    int dump;
    std::pair<int, int> arm;
    uint64_t hash;
  } frames[] = {{"animation_frame0", 12, hanging, 0x92ac6de85fd843d9ull},
                {"animation_frame5", 22, half, 0x06e52cecad5bf62bull},
                {"animation_frame15", 32, raised, 0xe91a2c814327da83ull}};
  for (const auto& f : frames) {
    const RgbImage image = s.frame(f.dump);
    ASSERT_FALSE(image.pixels.empty()) << f.name;
    for (const auto& [x, y] : {hanging, half, raised}) {
      const uint32_t pixel = image.at(x, y);
      const bool yellow = (pixel & 255) == 0 && (pixel >> 8 & 255) > 100 && (pixel >> 16 & 255) > 100;
      EXPECT_EQ(yellow, (std::pair{x, y} == f.arm)) << f.name << " at " << x << ", " << y;
    }
    expectReference(image, f.name, f.hash, s.framePath(f.dump));
  }
}

}  // namespace
}  // namespace zt::test
