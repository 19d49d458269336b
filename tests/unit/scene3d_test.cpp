// The 3D scene, camera and lights: the angle rule, the pools, the errors of the scene,
// camera and light commands in their check order, the camera's transforms and angles, the
// lights as the devices get them, and the render step's culling and texture batches on
// objects built through the pool operations.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "compiler/compiler.h"
#include "core/errors.h"
#include "display2d/display.h"
#include "display2d/display3d.h"
#include "engine3d/engine3d.h"
#include "support/error_cases.h"
#include "support/image_builder.h"
#include "support/scene3d.h"

namespace zt::test {
namespace {

constexpr float Tolerance = 1e-4f;

void expectVec(Vec3 v, float x, float y, float z, const char* what) {
  EXPECT_NEAR(v.x, x, Tolerance) << what;
  EXPECT_NEAR(v.y, y, Tolerance) << what;
  EXPECT_NEAR(v.z, z, Tolerance) << what;
}

void expectMatrix(const Matrix4& a, const Matrix4& b, const char* what) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(a.m[r][c], b.m[r][c], Tolerance) << what << " [" << r << "][" << c << "]";
}

const char* const Idle = "DO : SYNC : LOOP\n";

TEST(Angles, WrapRuleTakesAtMostAHundredSteps) {
  const std::pair<float, float> cases[] = {
      {-10, 350},     {720, 0},     {0, 0},      {359.5f, 359.5f}, {360, 0},
      {35999, 359},   {35999.5f, 359.5f},        {36000, 0},       // the last step that still lands, the first that does not
      {-35639, 1},    {-35640, 0},  {-35641, 0},                   // -35641 needs a hundred additions: 0
      {-0.5f, 359.5f},
  };
  for (const auto& [in, out] : cases) EXPECT_FLOAT_EQ(wrapAngle(in), out) << in;
}

TEST(Pools, GrowByDoublingWhenFewerThanFourAreSpare) {
  auto owner = std::make_unique<Runtime>();  // too large for a thread's stack
  Runtime& rt = *owner;
  Start3D(rt);
  Engine3DState& s = rt.engine3d;
  // The placeholder took slot 0 of a pool of 2; a pool of n grows when n - 4 < used.
  EXPECT_EQ(s.meshes.records.size(), 2u);
  std::vector<size_t> capacities;
  for (int i = 0; i < 6; ++i) {
    ASSERT_GT(allocMesh(rt), 0);
    capacities.push_back(s.meshes.records.size());
  }
  // used 2: 4; used 3: 8 (4 - 4 < 2); used 4 and 5: still 8 (8 - 4 < 4 is false), used 6: 16.
  EXPECT_EQ(capacities, (std::vector<size_t>{4, 8, 8, 8, 16, 16}));
  // A freed slot is the next one taken.
  releaseMesh(rt, 3);
  EXPECT_EQ(allocMesh(rt), 3);
}

TEST(Pools, StartClearsMapsAndTakesThePlaceholders) {
  auto owner = std::make_unique<Runtime>();  // too large for a thread's stack
  Runtime& rt = *owner;
  Start3D(rt);
  Engine3DState& s = rt.engine3d;
  EXPECT_EQ(s.objects.inUse, 1);
  EXPECT_EQ(s.nodes.inUse, 1);
  EXPECT_EQ(s.textures.inUse, 1);
  EXPECT_EQ(s.lights.inUse, 1);
  EXPECT_EQ(s.lights[0].type, 3);
  expectVec(s.lights[0].direction, 0.2f, -0.7f, 0.1f, "the default light's direction");
  EXPECT_EQ(s.AmbientPercent, 50);
  EXPECT_EQ(s.AutoBackdrop, 1);
  EXPECT_EQ(s.camera.nearRange, 1.0f);
  EXPECT_EQ(s.camera.farRange, 3000.0f);
}

// Each program stops with the error named beside it: the first check that fails.
TEST(SceneErrors, RaisedInTheirCheckOrder) {
  const ErrorCase cases[] = {
      {"ROTATE CAMERA 0, 0, 360 : XROTATE CAMERA 360 : PRINT \"turned\"", 0},
      {"ROTATE CAMERA 0, 0, 360.01", 7019},
      {"ROTATE CAMERA -0.01, 0, 0", 7019},
      {"ROTATE CAMERA 0, 400, -1", 7019},
      {"YROTATE CAMERA 361", 7019},
      {"ZROTATE CAMERA -1", 7019},
      {"SET CAMERA RANGE 1, 0", 110},
      {"SET CAMERA RANGE 0.5, 0", 110},
      {"SET CAMERA RANGE 0.5, 100", 7912},
      {"SET CAMERA RANGE 5, 5", 7912},
      {"SET CAMERA RANGE 1, 1.001 : PRINT \"ranged\"", 0},
      {"SET CAMERA VIEW 0, 0, 640, 480 : SET CAMERA VIEW 639, 479, 640, 480 : PRINT \"viewed\"", 0},
      {"SET CAMERA VIEW 0, 0, 641, 480", 1010},
      {"SET CAMERA VIEW 0, 0, 640, 481", 1010},
      {"SET CAMERA VIEW -1, 0, 10, 10", 1010},
      {"SET CAMERA VIEW 10, 0, 10, 10", 1010},
      {"SET CAMERA VIEW 0, 10, 10, 10", 1010},
      {"SET CAMERA TO OBJECT ORIENTATION 0", 7006},
      {"SET CAMERA TO OBJECT ORIENTATION 65536", 7006},
      {"SET CAMERA TO OBJECT ORIENTATION 65535", 7008},
      {"SET AMBIENT LIGHT 0 : SET AMBIENT LIGHT 100 : PRINT \"lit\"", 0},
      {"SET AMBIENT LIGHT 101", 7911},
      {"SET AMBIENT LIGHT -1", 7911},
      {"MAKE LIGHT 1 : MAKE LIGHT 65535 : PRINT \"made\"", 0},
      {"MAKE LIGHT 0", 7302},
      {"MAKE LIGHT 65536", 7301},
      {"MAKE LIGHT -1", 7301},
      {"MAKE LIGHT 3 : MAKE LIGHT 3", 7302},
      {"DELETE LIGHT 0", 7305},
      {"DELETE LIGHT 65536", 7301},
      {"DELETE LIGHT 4", 7303},
      {"MAKE LIGHT 4 : DELETE LIGHT 4 : DELETE LIGHT 4", 7303},
      {"HIDE LIGHT 0 : SHOW LIGHT 0 : PRINT \"shown\"", 0},
      {"POSITION LIGHT 5, 0, 0, 0", 7303},
      {"COLOR LIGHT 65536, 0", 7301},
      {"COLOR LIGHT -1, 0, 0, 0", 7301},
      {"SET SPOT LIGHT 2, 10, 20", 7303},
      {"SET LIGHT TO OBJECT POSITION 1, 1", 7303},
      {"SET LIGHT TO OBJECT POSITION 0, 0", 7006},
      {"SET LIGHT TO OBJECT ORIENTATION 0, 1", 7008},
      {"TEXTURE BACKDROP 70000 : COLOR BACKDROP 0 : SCROLL BACKDROP 1, 1 : PRINT \"no backdrop\"", 0},
      {"BACKDROP ON : TEXTURE BACKDROP 0", 501},
      {"BACKDROP ON : BACKDROP OFF : TEXTURE BACKDROP 65536", 501},
      {"BACKDROP ON : TEXTURE BACKDROP 65535", 502},
      // 7901 is soft: the program goes on (the fog echo test shows it raised).
      {"SET EMULATION ON : FOG OFF : FOG ON : FOG DISTANCE 10 : FOG COLOR 0", 0},
      {"SET EMULATION ON : SET EMULATION OFF : FOG ON : FOG OFF : PRINT \"fogged\"", 0},
  };
  expectErrorCases("scene_error", cases);
}

TEST(Camera, LookAtKeepsItsDirectionWhenMoved) {
  SceneRun s("camera_look_at", "POSITION CAMERA 10, 20, 30\n" + std::string(Idle));
  ASSERT_TRUE(s.started());
  s.run(5);
  const CameraState& c = s.scene().camera;
  expectVec({c.tx, c.ty, c.tz}, 10, 20, 130, "the target moved with the camera");
  EXPECT_EQ(c.mode, 0);
  // Looking along +z from (10, 20, 30): the view is a plain translation.
  expectMatrix(c.view, translation(-10, -20, -30), "view");
}

TEST(Camera, PointCameraGivesTheAnglesOfTheLookDirection) {
  SceneRun s("camera_point",
             "POINT CAMERA 0, 0, 100\n"
             "PRINT CAMERA ANGLE X(); \" \"; CAMERA ANGLE Y()\n"
             "POINT CAMERA 100, 0, 0\n" +
                 std::string(Idle));
  ASSERT_TRUE(s.started());
  s.run(5);  // PRINT ends its frame's slice
  const CameraState& c = s.scene().camera;
  EXPECT_NEAR(c.ax, 0, Tolerance);
  EXPECT_NEAR(c.ay, 1.5707963f, Tolerance);  // looking along +x: a quarter turn
  EXPECT_EQ(c.az, 0);
  // The look-at view turns +x into +z.
  expectVec(transformPoint({100, 0, 0}, c.view), 0, 0, 100, "the target straight ahead");
}

TEST(Camera, AngleModeBuildsTheViewInEitherOrder) {
  SceneRun s("camera_angles", "ROTATE CAMERA 10, 20, 30\n" + std::string(Idle));
  ASSERT_TRUE(s.started());
  s.run(5);
  CameraState& c = s.scene().camera;
  const float ax = 10 * TransformRadians, ay = 20 * TransformRadians, az = 30 * TransformRadians;
  EXPECT_EQ(c.mode, 1);
  expectMatrix(c.view, rotationZ(-az) * rotationY(-ay) * rotationX(-ax), "ZYX order (the default)");
  c.order = 0;
  rebuildView(s.rt());
  expectMatrix(c.view, rotationX(-ax) * rotationY(-ay) * rotationZ(-az), "XYZ order");
}

TEST(Camera, MoveCameraFollowsTheOrientation) {
  SceneRun s("camera_move",
             "YROTATE CAMERA 90 : MOVE CAMERA 10\n"
             "PRINT CAMERA POSITION X()\n" +
                 std::string(Idle));
  ASSERT_TRUE(s.started());
  s.run(5);
  const CameraState& c = s.scene().camera;
  expectVec({c.cx, c.cy, c.cz}, 10, 0, 0, "a quarter turn right, then forward");
}

TEST(Camera, TurnsBuildTheFreeMatrixAndReportItsHeading) {
  SceneRun s("camera_turn", "TURN CAMERA LEFT 90 : PITCH CAMERA UP 0\n" + std::string(Idle));
  ASSERT_TRUE(s.started());
  s.run(5);
  const CameraState& c = s.scene().camera;
  EXPECT_EQ(c.mode, 2);
  expectMatrix(c.free, rotationY(90 * TransformRadians), "F = Ry(90)");
  // F is the view's rotation: the camera looks along (0, 0, 1) * F^-1 = -x.
  EXPECT_NEAR(c.ay * DegreesPerRadian, 270, 1e-3);
  EXPECT_EQ(c.az, 0);
}

TEST(Camera, RangeAndViewReachTheDevice) {
  SceneRun s("camera_range", "SET CAMERA RANGE 2, 500 : SET CAMERA VIEW 10, 20, 110, 220\n" + std::string(Idle));
  ASSERT_TRUE(s.started());
  s.run(5);
  Device3D* device = drawingDevice3D(s.rt());
  ASSERT_NE(device, nullptr);
  const Matrix4& p = device->transform(TransformState::Projection);
  const float q = 500.0f / 498.0f;
  EXPECT_NEAR(p.m[2][2], q, Tolerance);
  EXPECT_NEAR(p.m[3][2], -2 * q, Tolerance);
  EXPECT_NEAR(p.m[0][0] / p.m[1][1], 480.0f / 640.0f, Tolerance);  // the screen's aspect, not the view's
  const Viewport3D& vp = device->viewport();
  EXPECT_EQ(vp.x, 10);
  EXPECT_EQ(vp.y, 20);
  EXPECT_EQ(vp.width, 100);
  EXPECT_EQ(vp.height, 200);
}

TEST(Camera, ViewOutlivesAModeChangeOnlyWhileItFits) {
  for (const auto& [view, width, height] : {std::tuple{"10, 20, 100, 120", 90, 100}, {"10, 20, 600, 400", 320, 240}}) {
    SceneRun s("camera_view_mode", std::string("SET CAMERA VIEW ") + view + " : SET DISPLAY MODE 320, 240, 16\n" + Idle);
    ASSERT_TRUE(s.started());
    s.run(5);
    const Viewport3D& vp = drawingDevice3D(s.rt())->viewport();
    EXPECT_EQ(vp.width, width) << view;
    EXPECT_EQ(vp.height, height) << view;
  }
}

TEST(Lights, DirectionsPositionsAndColours) {
  SceneRun s("lights",
             "SET DIRECTIONAL LIGHT 0, 1, 1, 0\n"
             "MAKE LIGHT 1 : POSITION LIGHT 1, 1, 2, 3 : ROTATE LIGHT 1, 90, 0, 0\n"
             "MAKE LIGHT 2 : SET DIRECTIONAL LIGHT 2, 0, 0, 0 : POSITION LIGHT 2, 5, 5, 5\n"
             "COLOR LIGHT 2, RGB(255, 0, 51) : SET SPOT LIGHT 1, 30, 60 : ROTATE LIGHT 1, 0, 90, 0\n"
             "MAKE LIGHT 3 : POINT LIGHT 3, 2, -2, 4 : COLOR LIGHT 3, 0, 255, 0\n"
             "HIDE LIGHT 3 : SHOW LIGHT 3\n" +
                 std::string(Idle));
  ASSERT_TRUE(s.started());
  s.run(5);
  Engine3DState& e = s.scene();
  const LightRecord& sun = e.lights[0];
  expectVec(sun.direction, 0.5f, 0.5f, 0, "divided by the sum of the components, not unit length");
  const LightRecord& one = e.lights[e.LightMap[1]];
  EXPECT_EQ(one.type, 2);
  expectVec(one.position, 1, 2, 3, "a point light moves");
  expectVec(one.direction, 1, 0, 0, "the spot light turned a quarter about y");
  EXPECT_NEAR(one.inner, 30 * TransformRadians, Tolerance);
  EXPECT_NEAR(one.outer, 60 * TransformRadians, Tolerance);
  const LightRecord& two = e.lights[e.LightMap[2]];
  EXPECT_EQ(two.type, 3);
  expectVec(two.direction, 0, 0, 1, "a zero direction keeps the old one");
  expectVec(two.position, 0, 0, 0, "POSITION LIGHT leaves a directional light alone");
  EXPECT_FLOAT_EQ(two.red, 1.0f);
  EXPECT_FLOAT_EQ(two.blue, 0.2f);
  const LightRecord& three = e.lights[e.LightMap[3]];
  expectVec(three.direction, 0.25f, -0.25f, 0.5f, "towards the target, divided by the sum");
  EXPECT_FLOAT_EQ(three.red, 0);
  EXPECT_FLOAT_EQ(three.green, 1);
  EXPECT_EQ(three.enabled, 1);
  EXPECT_EQ(three.deviceEnabled, 1);
}

TEST(Lights, RotateLightLeavesAPointLightAlone) {
  SceneRun s("lights_rotate", "MAKE LIGHT 7 : ROTATE LIGHT 7, 0, 90, 0 : HIDE LIGHT 7\n" + std::string(Idle));
  ASSERT_TRUE(s.started());
  s.run(5);
  const LightRecord& l = s.scene().lights[s.scene().LightMap[7]];
  expectVec(l.direction, 0, 0, 1, "unchanged");
  EXPECT_EQ(l.enabled, 0);
  EXPECT_EQ(l.deviceEnabled, 0);
}

TEST(Scene, AmbientLightSetsTheMaterial) {
  for (const auto& [percent, diffuse, ambient] : {std::tuple{0, 1.0f, 0.0f}, {100, 0.0f, 1.0f}, {50, 0.5f, 0.5f}}) {
    SceneRun s("ambient", "SET AMBIENT LIGHT " + std::to_string(percent) + "\n" + Idle);
    ASSERT_TRUE(s.started());
    s.run(5);
    const Material3D& m = s.scene().AmbientMaterialValue;
    EXPECT_FLOAT_EQ(m.diffuse.r, diffuse) << percent;
    EXPECT_FLOAT_EQ(m.diffuse.b, diffuse) << percent;
    EXPECT_FLOAT_EQ(m.diffuse.a, 0) << percent;
    EXPECT_FLOAT_EQ(m.ambient.g, ambient) << percent;
  }
}

TEST(Scene, CapabilitiesFollowTheRenderingPath) {
  DeviceCaps3D full;
  for (Blend b : {Blend::One, Blend::InvSrcColor, Blend::Zero, Blend::DestColor, Blend::SrcColor})
    full.srcBlendCaps |= caps::blendBit(b), full.destBlendCaps |= caps::blendBit(b);
  full.textureFilterCaps = caps::FilterLinear | caps::FilterAnisotropic;
  full.rasterCaps = caps::RasterFogVertex | caps::RasterFogTable;
  full.colorKey = true;
  Capabilities3D c = capabilityCodes(full, false);
  EXPECT_EQ(c.blendLevel, 1);
  EXPECT_EQ(c.filterLevel, 2);
  EXPECT_EQ(c.fogAvailable, 1);
  EXPECT_EQ(c.tableFogOnly, 0);
  c = capabilityCodes(full, true);
  EXPECT_EQ(c.filterLevel, 1);
  EXPECT_EQ(c.fogAvailable, 0);
  // Only DESTCOLOR / ZERO and ZERO / SRCCOLOR: the lower of levels 6 and 7.
  DeviceCaps3D few;
  few.srcBlendCaps = caps::blendBit(Blend::DestColor) | caps::blendBit(Blend::Zero);
  few.destBlendCaps = caps::blendBit(Blend::Zero) | caps::blendBit(Blend::SrcColor);
  few.rasterCaps = caps::RasterFogTable;
  c = capabilityCodes(few, false);
  EXPECT_EQ(c.blendLevel, 5);  // DESTCOLOR / SRCCOLOR is level 5
  EXPECT_EQ(c.filterLevel, 0);
  EXPECT_EQ(c.tableFogOnly, 1);
  few.srcBlendCaps = caps::blendBit(Blend::Zero);
  EXPECT_EQ(capabilityCodes(few, false).blendLevel, 7);
  few.srcBlendCaps = 0;
  EXPECT_EQ(capabilityCodes(few, false).blendLevel, 0);
}

// Render flags become device states; a state equal to the last one sent is not sent again.
TEST(Render, FlagsBecomeDeviceStatesSentOnlyOnChange) {
  SceneRun s("render_flags", Idle);
  ASSERT_TRUE(s.started());
  Device3D& d = *drawingDevice3D(s.rt());
  auto state = [&](RenderState r) { return d.renderState(r); };
  RenderFlags ghost;
  ghost.ghost = 1;
  ghost.colorKey = 1;
  ghost.wireframe = 1;
  ghost.cull = 0;
  applyRenderFlags(s.rt(), ghost);
  EXPECT_EQ(state(RenderState::ZEnable), 1u);
  EXPECT_EQ(state(RenderState::ZWriteEnable), 0u) << "a ghost does not write z";
  EXPECT_EQ(state(RenderState::AlphaBlendEnable), 1u);
  EXPECT_EQ(state(RenderState::ColorKeyEnable), 1u);
  EXPECT_EQ(state(RenderState::SrcBlend), uint32_t(Blend::One)) << "blend level 1";
  EXPECT_EQ(state(RenderState::DestBlend), uint32_t(Blend::InvSrcColor));
  EXPECT_EQ(state(RenderState::FillMode), uint32_t(FillMode::Wireframe));
  EXPECT_EQ(state(RenderState::CullMode), uint32_t(CullMode::None));
  RenderFlags keyed;
  keyed.colorKey = 1;
  keyed.lockedToCamera = 1;
  applyRenderFlags(s.rt(), keyed);
  EXPECT_EQ(state(RenderState::ZEnable), 0u) << "locked to the camera";
  EXPECT_EQ(state(RenderState::SrcBlend), uint32_t(Blend::One)) << "colour key alone: ONE / ZERO";
  EXPECT_EQ(state(RenderState::DestBlend), uint32_t(Blend::Zero));
  // Changed behind the engine's back: the same flags send nothing, other flags do.
  d.setRenderState(RenderState::FillMode, uint32_t(FillMode::Point));
  applyRenderFlags(s.rt(), keyed);
  EXPECT_EQ(state(RenderState::FillMode), uint32_t(FillMode::Point));
  applyRenderFlags(s.rt(), ghost);
  EXPECT_EQ(state(RenderState::FillMode), uint32_t(FillMode::Wireframe));
  applyRenderFlags(s.rt(), RenderFlags{});
  EXPECT_EQ(state(RenderState::FillMode), uint32_t(FillMode::Solid));
  EXPECT_EQ(state(RenderState::AlphaBlendEnable), 0u);
  EXPECT_EQ(state(RenderState::ColorKeyEnable), 0u);
  EXPECT_EQ(d.material().ambient.r, 0.5f) << "the ambient material of 50 percent";
  RenderFlags plain;
  plain.ambient = 0;
  applyRenderFlags(s.rt(), plain);
  EXPECT_EQ(d.material().ambient.r, 0.0f);
  EXPECT_EQ(d.material().diffuse.b, 1.0f) << "white, not yellow";
}

TEST(Render, CullsByOneExtentAndKeysByDepth) {
  SceneRun s("render_cull", Idle);
  ASSERT_TRUE(s.started());
  const int32_t cube = s.cubeMesh();
  const int32_t red = textureOfColour(s.rt(), 0xFF0000), green = textureOfColour(s.rt(), 0x00FF00);
  const int32_t ahead = s.object(1, cube, red, 0, 0, 50);
  const int32_t behind = s.object(2, cube, red, 0, 0, -10);
  const int32_t aside = s.object(3, cube, green, 500, 0, 100);
  const int32_t near = s.object(4, cube, green, 0, 0, 10);
  const int32_t beyond = s.object(5, cube, red, 0, 0, 3100);
  s.run(5);
  Engine3DState& e = s.scene();
  auto node = [&](int32_t slot) -> RenderNode& { return e.nodes[e.objects[slot].node]; };
  // Object size is 2 (a unit cube), so r = 2.5.
  EXPECT_FALSE(node(ahead).culled);
  EXPECT_DOUBLE_EQ(node(ahead).depthKey, 52.5);
  EXPECT_TRUE(node(behind).culled);
  EXPECT_TRUE(node(aside).culled);
  EXPECT_FALSE(node(near).culled) << "closer than 20: only the depth tests apply";
  EXPECT_TRUE(node(beyond).culled);
  // Batches: red keyed (52.5 + -7.5) / 2 then (22.5 + 3102.5) / 2; green (102.5 + 12.5) / 2.
  ASSERT_EQ(e.batches.size(), 2u);
  EXPECT_EQ(e.batches[0].texture, green);
  EXPECT_DOUBLE_EQ(e.batches[0].key, 57.5);
  EXPECT_EQ(e.batches[1].texture, red);
  EXPECT_DOUBLE_EQ(e.batches[1].key, 1562.5);
}

TEST(Render, FirstObjectMakesTheBackdropUnlessBackdropWasUsed) {
  SceneRun automatic("backdrop_auto", Idle);
  ASSERT_TRUE(automatic.started());
  automatic.object(1, automatic.cubeMesh(), 0, 0, 0, 5);
  Engine3DState& a = automatic.scene();
  ASSERT_GT(a.BackdropObject, 0);
  EXPECT_EQ(a.BackdropShown, 1);
  EXPECT_EQ(a.BackdropOwnsTexture, 1);
  const RenderNode& n = a.nodes[a.objects[a.BackdropObject].node];
  EXPECT_EQ(n.flags.lockedToCamera, 1);
  EXPECT_EQ(n.shown, 0);
  EXPECT_FLOAT_EQ(a.objects[a.BackdropObject].angleX, 270);
  EXPECT_EQ(a.meshes[a.objects[a.BackdropObject].limbs[0].mesh].faces.size(), 36u);

  SceneRun off("backdrop_off", "BACKDROP OFF\n" + std::string(Idle));
  ASSERT_TRUE(off.started());
  off.run(3);
  off.object(1, off.cubeMesh(), 0, 0, 0, 5);
  EXPECT_EQ(off.scene().BackdropObject, 0);
}

TEST(Render, AutocamPlacesTheCameraForTheObject) {
  SceneRun s("autocam", Idle);
  ASSERT_TRUE(s.started());
  const int32_t mesh = s.cubeMesh();
  for (Vec3& v : s.scene().meshes[mesh].vertices) v = {v.x * 400, v.y * 400, v.z * 400};
  refreshMesh(s.scene().meshes[mesh]);
  s.object(1, mesh, 0, 0, 0, 0, true);
  const CameraState& c = s.scene().camera;
  // Size 401: the camera at (0, 200.5, -802), near 4.01, far 40100.
  expectVec({c.cx, c.cy, c.cz}, 0, 200.5f, -802, "placed above and in front");
  expectVec({c.tx, c.ty, c.tz}, 0, 0, 0, "looking at the centre");
  EXPECT_FLOAT_EQ(c.nearRange, 4.01f);
  EXPECT_FLOAT_EQ(c.farRange, 40100);
}

}  // namespace
}  // namespace zt::test
