// Objects, meshes and limbs: the errors of every command in their check order, the
// primitives' meshes, the render flags of SET OBJECT, meshes kept apart per object, fading
// and texture coordinates, the static batch, and objects loaded from .x files the test
// writes (frames become limbs with their transforms and textures).
#include <gtest/gtest.h>

#include <fstream>

#include "display2d/display.h"
#include "formats/bmp.h"
#include "support/error_cases.h"
#include "support/frame_reference.h"
#include "support/image_builder.h"
#include "support/scene3d.h"

namespace zt::test {
namespace {

const std::string SmallScreen = "SET DISPLAY MODE 160, 120, 32 : HIDE MOUSE : SYNC ON\n";
constexpr int RunFrames = 6;

TEST(ObjectErrors, RaisedInTheirCheckOrder) {
  const ErrorCase cases[] = {
      // object numbers: 1 to 65535, made once
      {"MAKE OBJECT CUBE 1, 1 : MAKE OBJECT CUBE 65535, 1 : PRINT \"made\"", 0},
      {"MAKE OBJECT CUBE 0, 1", 7006},
      {"MAKE OBJECT SPHERE 65536, 1", 7006},
      {"MAKE OBJECT BOX 1, 1, 1, 1 : MAKE OBJECT CONE 1, 1", 7007},
      {"MAKE OBJECT 1, 0, 0 : DELETE OBJECT 1 : DELETE OBJECT 1", 7008},
      {"POSITION OBJECT 65536, 0, 0, 0", 7006},
      {"SHOW OBJECT 5", 7008},
      // mesh and image operands of MAKE OBJECT, after the object's own checks
      {"MAKE OBJECT 1, 65535, 0", 7001},
      {"MAKE OBJECT 1, -1, 0", 7001},
      {"MAKE OBJECT 1, 65534, 0", 7003},
      {"MAKE OBJECT CUBE 1, 1 : MAKE OBJECT 1, 65535, 0", 7007},
      {"MAKE OBJECT 1, 0, 65536", 501},
      {"MAKE OBJECT 1, 0, -1", 501},
      {"MAKE OBJECT 1, 0, 65535", 502},
      // angles 0 to 360
      {"MAKE OBJECT CUBE 1, 1 : ROTATE OBJECT 1, 360, 0, 0 : YROTATE OBJECT 1, 0 : PRINT \"turned\"", 0},
      {"MAKE OBJECT CUBE 1, 1 : ROTATE OBJECT 1, 0, 360.01, 0", 7019},
      {"MAKE OBJECT CUBE 1, 1 : ZROTATE OBJECT 1, -0.01", 7019},
      {"MAKE OBJECT CUBE 1, 1 : ADD LIMB 1, 1, 0 : ROTATE LIMB 1, 1, 0, 0, 361", 7019},
      // ADD LIMB: 1 to below the table, not existing, following an existing limb
      {"MAKE OBJECT CUBE 1, 1 : ADD LIMB 1, 0, 0", 7022},
      {"MAKE OBJECT CUBE 1, 1 : ADD LIMB 1, 32, 0", 7022},
      {"MAKE OBJECT CUBE 1, 1 : ADD LIMB 1, 31, 0", 7026},
      {"MAKE OBJECT CUBE 1, 1 : ADD LIMB 1, 3, 0", 7026},
      {"MAKE OBJECT CUBE 1, 1 : ADD LIMB 1, 1, 0 : ADD LIMB 1, 1, 0", 7024},
      {"MAKE OBJECT CUBE 1, 1 : ADD LIMB 1, 1, 65535", 7001},
      {"MAKE OBJECT CUBE 1, 1 : ADD LIMB 1, 1, 5", 7003},
      {"ADD LIMB 1, 0, 0", 7008},
      // the table doubles when a limb within 4 of its end is made: 28 makes it 64
      {"MAKE OBJECT CUBE 1, 1 : FOR i = 1 TO 27 : ADD LIMB 1, i, 0 : NEXT i : PRINT LIMB EXIST(1, 31)", 0},
      {"MAKE OBJECT CUBE 1, 1 : FOR i = 1 TO 27 : ADD LIMB 1, i, 0 : NEXT i : PRINT LIMB EXIST(1, 32)", 7021},
      {"MAKE OBJECT CUBE 1, 1 : FOR i = 1 TO 28 : ADD LIMB 1, i, 0 : NEXT i : PRINT LIMB EXIST(1, 63)", 0},
      {"MAKE OBJECT CUBE 1, 1 : FOR i = 1 TO 28 : ADD LIMB 1, i, 0 : NEXT i : PRINT LIMB EXIST(1, 64)", 7021},
      {"MAKE OBJECT CUBE 1, 1 : PRINT LIMB EXIST(1, -1)", 7021},
      // limb operands: in range, then existing
      {"MAKE OBJECT CUBE 1, 1 : OFFSET LIMB 1, 1, 0, 0, 0", 7023},
      {"MAKE OBJECT CUBE 1, 1 : OFFSET LIMB 1, 32, 0, 0, 0", 7021},
      {"MAKE OBJECT CUBE 1, 1 : HIDE LIMB 1, -1", 7021},
      {"MAKE OBJECT CUBE 1, 1 : PRINT LIMB POSITION X(1, 1)", 7023},
      {"MAKE OBJECT CUBE 1, 1 : PRINT CHECK LIMB LINK(1, 2)", 7023},
      {"MAKE OBJECT CUBE 1, 1 : TEXTURE LIMB 1, 1, 0", 7023},
      {"MAKE OBJECT CUBE 1, 1 : TEXTURE LIMB 1, 0, 65536", 501},
      {"MAKE OBJECT CUBE 1, 1 : TEXTURE OBJECT 1, 7", 502},
      // LINK LIMB: not itself, both existing, not twice, not under its own child
      {"MAKE OBJECT CUBE 1, 1 : ADD LIMB 1, 1, 0 : LINK LIMB 1, 1, 1", 7021},
      {"MAKE OBJECT CUBE 1, 1 : ADD LIMB 1, 1, 0 : LINK LIMB 1, 1, 32", 7021},
      {"MAKE OBJECT CUBE 1, 1 : ADD LIMB 1, 1, 0 : LINK LIMB 1, 1, 2", 7023},
      {"MAKE OBJECT CUBE 1, 1 : ADD LIMB 1, 1, 0 : ADD LIMB 1, 2, 0 : LINK LIMB 1, 2, 1 : LINK LIMB 1, 2, 0", 7027},
      {"MAKE OBJECT CUBE 1, 1 : ADD LIMB 1, 1, 0 : ADD LIMB 1, 2, 0 : LINK LIMB 1, 2, 1 : LINK LIMB 1, 1, 2", 7025},
      {"MAKE OBJECT CUBE 1, 1 : ADD LIMB 1, 1, 0 : LINK LIMB 1, 0, 1", 7025},
      // CHANGE MESH: limb range, mesh, then the limb's existence
      {"MAKE OBJECT CUBE 1, 1 : CHANGE MESH 1, 32, 1", 7021},
      {"MAKE OBJECT CUBE 1, 1 : CHANGE MESH 1, 0, 1", 7003},
      {"MAKE OBJECT CUBE 1, 1 : MAKE MESH FROM OBJECT 1, 1 : CHANGE MESH 1, 1, 1", 7023},
      {"MAKE OBJECT CUBE 1, 1 : MAKE MESH FROM OBJECT 1, 1 : CHANGE MESH 1, 0, 1 : PRINT \"changed\"", 0},
      // meshes: 1 to 65534
      {"MAKE OBJECT CUBE 1, 1 : MAKE MESH FROM OBJECT 65534, 1 : DELETE MESH 65534 : PRINT \"gone\"", 0},
      {"MAKE OBJECT CUBE 1, 1 : MAKE MESH FROM OBJECT 65535, 1", 7001},
      {"MAKE MESH FROM OBJECT 0, 1", 7001},
      {"MAKE MESH FROM OBJECT 1, 1", 7008},
      {"DELETE MESH 1", 7003},
      {"DELETE MESH 65535", 7001},
      {"PRINT MESH EXIST(0)", 7001},
      {"PRINT OBJECT EXIST(0)", 7006},
      {"PRINT OBJECT EXIST(65535); MESH EXIST(65534)", 0},
      {"MAKE OBJECT CUBE 1, 1 : SET OBJECT TO OBJECT ORIENTATION 1, 2", 7008},
      {"MAKE OBJECT CUBE 1, 1 : SET OBJECT TO OBJECT ORIENTATION 1, 0", 7006},
      // files: the extension first, then the file
      {"LOAD OBJECT \"picture.bmp\", 1", 7101},
      {"LOAD OBJECT \"noextension\", 1", 7101},
      {"LOAD OBJECT \"missing.x\", 1", 105},
      {"LOAD OBJECT \"MISSING.X\", 1", 105},
      {"LOAD OBJECT \"model.3ds\", 1", 105},
      {"LOAD OBJECT \"missing.x\", 0", 7006},
      {"LOAD MESH \"missing.x\", 1", 7002},
      {"LOAD MESH \"picture.bmp\", 1", 7101},
      {"LOAD MESH \"missing.x\", 65535", 7001},
  };
  expectErrorCases("objects_error", cases);
}

// The mesh of the object's limb 0 (an empty one when the object or mesh is missing).
const MeshData& rootMesh(SceneRun& s, int32_t number) {
  static const MeshData none;
  const int32_t slot = s.scene().ObjectMap[size_t(number)];
  EXPECT_NE(slot, 0) << number;
  if (slot == 0 || s.scene().objects[slot].limbs[0].mesh <= 0) return none;
  return s.scene().meshes[s.scene().objects[slot].limbs[0].mesh];
}

struct Extent {
  Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
};

Extent extentOf(const MeshData& m) {
  Extent e;
  for (const Vec3& v : m.vertices) {
    e.lo = {std::min(e.lo.x, v.x), std::min(e.lo.y, v.y), std::min(e.lo.z, v.z)};
    e.hi = {std::max(e.hi.x, v.x), std::max(e.hi.y, v.y), std::max(e.hi.z, v.z)};
  }
  return e;
}

TEST(ObjectPrimitives, MeshesCountsSizesAndShapes) {
  SceneRun s("objects_primitives",
             SmallScreen +
                 "MAKE OBJECT SPHERE 1, 2 : MAKE OBJECT CUBE 2, 2 : MAKE OBJECT CYLINDER 3, 2\n"
                 "MAKE OBJECT CONE 4, 2 : MAKE OBJECT PLAIN 5, 4, 2 : MAKE OBJECT BOX 6, 1, 2, 3\n"
                 "MAKE OBJECT TRIANGLE 7, 0, 0, 0, 1, 0, 0, 0, 1, 0\n"
                 "MAKE MESH FROM OBJECT 1, 1 : MAKE OBJECT 8, 1, 0 : DELETE MESH 1\n"
                 "DO : SYNC : LOOP\n");
  ASSERT_TRUE(s.started());
  s.run(RunFrames);
  struct Case {
    int32_t number, vertices, triangles, shape;
    float half[3];  // half the extent on each axis
  };
  // Drawn vertices: one per position and normal in use (a corner shared by two faces of
  // different normals is drawn twice).
  const Case cases[] = {
      {1, 151, 224, 2, {1, 1, 1}},  {2, 24, 12, 3, {1, 1, 1}},      {3, 100, 96, 4, {1, 1, 1}},
      {4, 54, 48, 5, {1, 1, 1}},    {5, 4, 2, 6, {2, 1, 0}},        {6, 24, 12, 1, {0.5f, 1, 1.5f}},
      {7, 3, 1, 99, {0.5f, 0.5f, 0}}, {8, 151, 224, 52, {1, 1, 1}},
  };
  for (const Case& c : cases) {
    const MeshData& m = rootMesh(s, c.number);
    EXPECT_EQ(int32_t(m.vertices.size()), c.vertices) << c.number;
    EXPECT_EQ(int32_t(m.faces.size()), 3 * c.triangles) << c.number;
    EXPECT_EQ(m.sent.size(), m.vertices.size()) << c.number;
    const Extent e = extentOf(m);
    EXPECT_NEAR((e.hi.x - e.lo.x) / 2, c.half[0], 0.01f) << c.number;
    EXPECT_NEAR((e.hi.y - e.lo.y) / 2, c.half[1], 0.01f) << c.number;
    EXPECT_NEAR((e.hi.z - e.lo.z) / 2, c.half[2], 0.01f) << c.number;
    const ObjectRecord& o = s.scene().objects[s.scene().ObjectMap[size_t(c.number)]];
    EXPECT_EQ(o.collisionShape, c.shape) << c.number;
  }
  // The triangle is drawn from both sides; the others are culled as usual.
  Engine3DState& e = s.scene();
  EXPECT_EQ(e.nodes[e.objects[e.ObjectMap[7]].node].flags.cull, 0);
  EXPECT_EQ(e.nodes[e.objects[e.ObjectMap[6]].node].flags.cull, 1);
  EXPECT_EQ(e.MeshMap[1], 0) << "deleted; object 8 keeps its own copy";
}

TEST(ObjectFlags, SetObjectMapsEachOperand) {
  SceneRun s("objects_flags", SmallScreen +
                                  "FOR i = 1 TO 6 : MAKE OBJECT CUBE i, 1 : NEXT i\n"
                                  "SET OBJECT 1, 0, 0, 0\n"
                                  "SET OBJECT 2, 0, 0, 0 : SET OBJECT 2, 1, 1, 1\n"
                                  "SET OBJECT 3, 2, 2, 2, 2\n"
                                  "SET OBJECT 4, 1, 1, 1, 1, 0\n"
                                  "SET OBJECT 5, 1, 1, 1, 1, 1, 0\n"
                                  "SET OBJECT 6, 1, 1, 1, 0, 2, 2, 0\n"
                                  "MAKE OBJECT CUBE 7, 1 : LOCK OBJECT ON 7 : GHOST OBJECT ON 7\n"
                                  "MAKE OBJECT CUBE 8, 1 : LOCK OBJECT ON 8 : LOCK OBJECT OFF 8\n"
                                  "GHOST OBJECT ON 8 : GHOST OBJECT OFF 8\n"
                                  "DO : SYNC : LOOP\n");
  ASSERT_TRUE(s.started());
  s.run(RunFrames);
  auto flags = [&](int32_t number) {
    Engine3DState& e = s.scene();
    return e.nodes[e.objects[e.ObjectMap[size_t(number)]].node].flags;
  };
  const RenderFlags none = flags(1), restored = flags(2), twos = flags(3), unlit = flags(4), fogOff = flags(5),
                    last = flags(6);
  EXPECT_EQ((std::array{none.wireframe, none.colorKey, none.cull}), (std::array{1, 1, 0}));
  EXPECT_EQ((std::array{restored.wireframe, restored.colorKey, restored.cull, restored.filter}),
            (std::array{0, 0, 1, 1}));
  EXPECT_EQ((std::array{twos.wireframe, twos.colorKey, twos.cull, twos.filter}), (std::array{1, 1, 0, 0}));
  EXPECT_EQ((std::array{unlit.unlit, unlit.fog, unlit.ambient}), (std::array{1, 1, 1}));
  EXPECT_EQ((std::array{fogOff.unlit, fogOff.fog, fogOff.ambient}), (std::array{0, 0, 1}));
  EXPECT_EQ((std::array{last.filter, last.unlit, last.fog, last.ambient}), (std::array{0, 1, 1, 0}));
  const int32_t blending = capabilities3D(s.rt()).blendLevel != 0;
  EXPECT_EQ((std::array{flags(7).lockedToCamera, flags(7).ghost}), (std::array{1, blending}));
  EXPECT_EQ((std::array{flags(8).lockedToCamera, flags(8).ghost}), (std::array{0, 0}));
}

TEST(ObjectAppearance, FadeScrollScaleAndStaticBatch) {
  SceneRun s("objects_appearance", SmallScreen +
                                       "MAKE OBJECT PLAIN 1, 1, 1 : MAKE OBJECT PLAIN 2, 1, 1\n"
                                       "FADE OBJECT 1, 50\n"
                                       "SCROLL OBJECT TEXTURE 1, 0.25, 0.5 : SCROLL OBJECT TEXTURE 1, 0.25, 0\n"
                                       "SCALE OBJECT TEXTURE 1, 2, 3\n"
                                       "POSITION OBJECT 2, 10, 0, 0 : MAKE STATIC OBJECT 2 : MAKE STATIC OBJECT 2\n"
                                       "MAKE STATIC OBJECT 1 : DELETE STATIC OBJECTS : MAKE STATIC OBJECT 2\n"
                                       "MAKE OBJECT CUBE 3, 1 : ADD LIMB 3, 1, 0 : COLOR OBJECT 3, RGB(0, 0, 255)\n"
                                       "MAKE OBJECT CUBE 4, 1 : COLOR OBJECT 4, RGB(0, 0, 255) : TEXTURE OBJECT 4, 0\n"
                                       "DO : SYNC : LOOP\n");
  ASSERT_TRUE(s.started());
  s.run(RunFrames);
  const MeshData& faded = rootMesh(s, 1);
  const MeshData& plain = rootMesh(s, 2);
  ASSERT_EQ(faded.sent.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(faded.sent[i].nz, faded.normals[i].z * 0.5f, 1e-6f) << "halved, not renormalised";
    // (u + 0.5) * 2 and (v + 0.5) * 3: scrolling and scaling both accumulate.
    EXPECT_NEAR(faded.sent[i].u, (plain.sent[i].u + 0.5f) * 2, 1e-5f);
    EXPECT_NEAR(faded.sent[i].v, (plain.sent[i].v + 0.5f) * 3, 1e-5f);
    EXPECT_NEAR(faded.uv[2 * i], faded.sent[i].u, 1e-6f);
  }
  EXPECT_EQ(plain.sent[0].nz, plain.normals[0].z) << "each object has its own mesh";
  ASSERT_EQ(s.scene().staticBatch.size(), 1u) << "emptied, then one piece";
  const StaticPiece& piece = s.scene().staticBatch[0];
  ASSERT_EQ(piece.vertices.size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(piece.vertices[i].x, plain.sent[i].x + 10, 1e-5f) << "placed";
  Engine3DState& e = s.scene();
  const ObjectRecord &coloured = e.objects[e.ObjectMap[3]], &cleared = e.objects[e.ObjectMap[4]];
  for (int limb : {0, 1}) {
    EXPECT_GT(coloured.limbs[size_t(limb)].ownedTexture, 0) << limb;
    EXPECT_EQ(coloured.limbs[size_t(limb)].texture, coloured.limbs[size_t(limb)].ownedTexture) << limb;
  }
  EXPECT_NE(coloured.limbs[0].texture, coloured.limbs[1].texture) << "one colour texture per limb";
  EXPECT_EQ(cleared.limbs[0].texture, 0);
  EXPECT_EQ(cleared.limbs[0].ownedTexture, 0) << "the colour texture is released, not kept";
}

// A frame holding a cube with a texture, and a frame under it moved 3 along x holding a
// triangle drawn from both sides (the same corners with opposite normals); an animation
// whose last key is at 40.
std::string twoFrameFile() {
  std::string cube = "Mesh Body {\n8;\n";
  for (int i = 0; i < 8; ++i)
    cube += std::to_string((i & 1) - 0.5) + ";" + std::to_string((i >> 1 & 1) - 0.5) + ";" +
            std::to_string((i >> 2 & 1) - 0.5) + (i == 7 ? ";;\n" : ";,\n");
  cube +=
      "6;\n4;0,2,3,1;,\n4;4,5,7,6;,\n4;0,4,6,2;,\n4;1,3,7,5;,\n4;2,6,7,3;,\n4;0,1,5,4;;\n"
      "MeshTextureCoords {\n8;\n0;0;,\n1;0;,\n0;1;,\n1;1;,\n0;0;,\n1;0;,\n0;1;,\n1;1;;\n}\n"
      "MeshMaterialList {\n1;\n6;\n0,0,0,0,0,0;;\n"
      "Material {\n1.0;1.0;1.0;1.0;;\n0.0;\n0.0;0.0;0.0;;\n0.0;0.0;0.0;;\nTextureFilename {\n\"checker.png\";\n}\n}\n}\n"
      "}\n";
  const std::string arm =
      "Frame Arm {\nFrameTransformMatrix {\n1,0,0,0,0,1,0,0,0,0,1,0,3,0,0,1;;\n}\n"
      "Mesh ArmMesh {\n3;\n0;0;0;,\n1;0;0;,\n0;1;0;;\n2;\n3;0,2,1;,\n3;0,1,2;;\n"
      "MeshNormals {\n2;\n0;0;-1;,\n0;0;1;;\n2;\n3;0,0,0;,\n3;1,1,1;;\n}\n}\n}\n";
  const std::string anim =
      "AnimationSet Walk {\nAnimation {\n{ Arm }\nAnimationKey {\n2;\n2;\n0;3;0;0;0;;,\n40;3;1;0;0;;;\n}\n}\n}\n";
  return "xof 0303txt 0032\nFrame Body {\n" + cube + arm + "}\n" + anim;
}

// The folder holding the test's .x file and its texture, as absolute names for programs.
std::string writeModel(const std::string& name) {
  const std::string dir = freshFolder(name);
  std::ofstream(dir + "/model.x", std::ios::binary) << twoFrameFile();
  RgbImage checker;
  checker.width = checker.height = 8;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) checker.pixels.push_back(((x / 2 + y / 2) & 1) ? 0xFF0000u : 0xFFFFFFu);
  std::ofstream(dir + "/checker.bmp", std::ios::binary) << encodeBmp24(checker);
  std::ofstream(dir + "/broken.x", std::ios::binary) << twoFrameFile().substr(0, 200);
  return dir;
}

TEST(ObjectFiles, FramesBecomeLimbsWithTransformsAndTextures) {
  const std::string dir = writeModel("objects_model_files");
  SceneRun s("objects_model",
             SmallScreen + "SET DIR \"" + dir + "\"\n" +
                 "LOAD OBJECT \"model.x\", 1 : LOAD MESH \"model.x\", 3 : LOAD OBJECT \"model.x\", 1\n"
                 "DO : SYNC : LOOP\n");
  ASSERT_TRUE(s.started());
  s.run(RunFrames);
  Engine3DState& e = s.scene();
  ASSERT_NE(e.ObjectMap[1], 0);
  const ObjectRecord& o = e.objects[e.ObjectMap[1]];
  EXPECT_EQ(o.limbCount, 3) << "the root and one limb per frame";
  EXPECT_EQ(o.collisionShape, 52);
  EXPECT_FLOAT_EQ(o.totalFrames, 40);
  const LimbRecord &body = o.limbs[1], &arm = o.limbs[2];
  EXPECT_EQ(body.name, "Body");
  EXPECT_EQ(arm.name, "Arm");
  EXPECT_EQ(arm.parent, 1);
  EXPECT_FLOAT_EQ(arm.frame.m[3][0], 3);
  ASSERT_GT(body.mesh, 0);
  EXPECT_EQ(e.meshes.records[size_t(body.mesh)].faces.size(), 36u) << "six quads fanned";
  EXPECT_GT(body.texture, 0) << "checker.png read as checker.bmp";
  EXPECT_EQ(body.ownedTexture, body.texture);
  EXPECT_EQ(arm.texture, 0);
  const MeshData& armMesh = e.meshes.records[size_t(arm.mesh)];
  EXPECT_EQ(armMesh.vertices.size(), 6u) << "each position drawn once per normal";
  ASSERT_NE(e.MeshMap[3], 0);
  const MeshData& gathered = e.meshes.records[size_t(e.MeshMap[3])];
  EXPECT_EQ(gathered.faces.size(), 42u);
  float largestX = -1e9f;
  for (const Vec3& v : gathered.vertices) largestX = std::max(largestX, v.x);
  EXPECT_FLOAT_EQ(largestX, 4) << "the arm placed by its frame";
}

TEST(ObjectFiles, ATruncatedFileLeavesTheNumberUnused) {
  const std::string dir = writeModel("objects_broken_files");
  const ErrorCase cases[] = {
      {"LOAD OBJECT \"" + dir + "/broken.x\", 1", 7018},
      {"LOAD MESH \"" + dir + "/broken.x\", 1", 7002},
      {"MAKE OBJECT CUBE 1, 1 : LOAD OBJECT \"" + dir + "/model.x\", 1 : PRINT LIMB EXIST(1, 2)", 0},
  };
  expectErrorCases("objects_broken", cases);
  SceneRun s("objects_broken_state", SmallScreen + "LOAD OBJECT \"" + dir + "/broken.x\", 1\n");
  ASSERT_TRUE(s.started());
  s.run(RunFrames);
  EXPECT_EQ(s.scene().ObjectMap[1], 0);
}

// ---- frames ----

constexpr uint32_t BackdropBlue = 0x000080;
constexpr int DumpFrame = 10;

// A 16 x 16 image of red and white squares, as image 1 (grabbed at the SYNC), and the
// screen cleared again.
const std::string CheckerImage =
    "INK RGB(255, 0, 0), 0 : BOX 0, 0, 16, 16 : INK RGB(255, 255, 255), 0\n"
    "BOX 0, 0, 8, 8 : BOX 8, 8, 16, 16 : GET IMAGE 1, 0, 0, 16, 16 : SYNC : CLS\n";
const std::string Loop = "DO : SYNC : LOOP\n";

RgbImage frameOf(SceneRun& s) {
  s.run(DumpFrame);
  RgbImage f = s.frame(DumpFrame);
  EXPECT_EQ(f.width, 160);
  EXPECT_EQ(f.height, 120);
  return f;
}

// Every pixel of the list shows something in front of the backdrop.
void expectCovered(const RgbImage& f, std::initializer_list<std::pair<int, int>> points, const char* what) {
  for (auto [x, y] : points) EXPECT_NE(f.at(x, y), BackdropBlue) << what << " at " << x << ", " << y;
}

TEST(ObjectFrames, EachPrimitiveTexturedAndLit) {
  SceneRun s("objects_primitive_frames",
             SmallScreen + CheckerImage +
                 "MAKE OBJECT SPHERE 1, 1.2 : POSITION OBJECT 1, -2.2, 0.9, 0\n"
                 "MAKE OBJECT CUBE 2, 1 : POSITION OBJECT 2, 0, 0.9, 0 : ROTATE OBJECT 2, 30, 40, 0\n"
                 "MAKE OBJECT CYLINDER 3, 1 : POSITION OBJECT 3, 2.2, 0.9, 0 : XROTATE OBJECT 3, 340\n"
                 "MAKE OBJECT CONE 4, 1.2 : POSITION OBJECT 4, -2.2, -0.9, 0 : XROTATE OBJECT 4, 340\n"
                 "MAKE OBJECT PLAIN 5, 1, 1 : POSITION OBJECT 5, -0.7, -0.9, 0 : YROTATE OBJECT 5, 20\n"
                 "MAKE OBJECT BOX 6, 0.6, 1, 0.4 : POSITION OBJECT 6, 0.7, -0.9, 0 : ROTATE OBJECT 6, 20, 30, 0\n"
                 "MAKE OBJECT TRIANGLE 7, 0, 0, 0, 1, 0, 0, 0, 1, 0 : POSITION OBJECT 7, 1.8, -1.4, 0\n"
                 "FOR i = 1 TO 7 : TEXTURE OBJECT i, 1 : NEXT i\n"
                 "POSITION CAMERA 0, 0, -5 : POINT CAMERA 0, 0, 0\n" +
                 Loop,
             {DumpFrame});
  ASSERT_TRUE(s.started());
  const RgbImage f = frameOf(s);
  ASSERT_FALSE(f.pixels.empty());
  EXPECT_EQ(f.at(0, 0), BackdropBlue);
  for (int32_t number = 1; number <= 7; ++number) {
    const ObjectRecord& o = s.scene().objects[s.scene().ObjectMap[size_t(number)]];
    EXPECT_EQ(o.limbs[0].imageNumber, 1) << number;
    EXPECT_GT(o.limbs[0].texture, 0) << number;
  }
  expectCovered(f, {{36, 43}, {80, 43}, {125, 43}, {38, 83}, {67, 78}, {93, 78}, {122, 82}}, "each primitive");
  expectReference(f, "primitives", 0x364d04b5a48e3af3ull, s.framePath(DumpFrame));
}

TEST(ObjectFrames, LimbHierarchyWithOffsetsRotationsAndAHiddenLimb) {
  SceneRun s("objects_limb_frames",
             SmallScreen + CheckerImage +
                 "MAKE OBJECT CUBE 1, 1 : MAKE MESH FROM OBJECT 1, 1 : DELETE OBJECT 1\n"
                 "MAKE OBJECT 1, 1, 1\n"
                 "ADD LIMB 1, 1, 1 : ADD LIMB 1, 2, 1 : ADD LIMB 1, 3, 1 : ADD LIMB 1, 4, 1\n"
                 "OFFSET LIMB 1, 1, 1.5, 0, 0 : ROTATE LIMB 1, 1, 0, 0, 45 : SCALE LIMB 1, 1, 60, 60, 60\n"
                 "OFFSET LIMB 1, 2, 0, 1.5, 0 : LINK LIMB 1, 2, 1 : COLOR LIMB 1, 2, RGB(0, 255, 0)\n"
                 "OFFSET LIMB 1, 3, -1.5, 0, 0 : TEXTURE LIMB 1, 3, 1 : HIDE LIMB 1, 3\n"
                 "OFFSET LIMB 1, 4, 0, -1.5, 0 : ROTATE LIMB 1, 4, 30, 30, 0 : COLOR LIMB 1, 4, RGB(255, 255, 0)\n"
                 "YROTATE OBJECT 1, 20\n"
                 "POSITION CAMERA 0, 0, -6 : POINT CAMERA 0, 0, 0\n" +
                 Loop,
             {DumpFrame});
  ASSERT_TRUE(s.started());
  const RgbImage f = frameOf(s);
  ASSERT_FALSE(f.pixels.empty());
  expectCovered(f, {{80, 60}, {105, 60}, {95, 49}, {80, 83}}, "root, limb 1, limb 2 under it, limb 4");
  EXPECT_EQ(f.at(55, 60), BackdropBlue) << "limb 3 is hidden";
  EXPECT_GT(f.at(95, 49) >> 8 & 255, 150u) << "limb 2 is green";
  EXPECT_GT(f.at(80, 83) >> 16 & 255, 100u) << "limb 4 is yellow";
  EXPECT_LT(f.at(80, 83) & 255, 40u) << "limb 4 is yellow";
  expectReference(f, "limbs", 0x468a514951c9a1e6ull, s.framePath(DumpFrame));
}

TEST(ObjectFrames, ObjectLoadedFromAFile) {
  SceneRun s("objects_file_frames", SmallScreen + "SET DIR \"" + writeModel("objects_file_frame_media") + "\"\n" +
                                        "LOAD OBJECT \"model.x\", 1 : ROTATE OBJECT 1, 20, 30, 0\n"
                                        "POSITION CAMERA 1, 1, -5 : POINT CAMERA 1.2, 0, 0\n" +
                                        Loop,
             {DumpFrame});
  ASSERT_TRUE(s.started());
  const RgbImage f = frameOf(s);
  ASSERT_FALSE(f.pixels.empty());
  expectCovered(f, {{55, 60}, {125, 45}}, "the body and the arm placed by its frame");
  expectReference(f, "loaded_object", 0x9d316fc816185ddeull, s.framePath(DumpFrame));
}

}  // namespace
}  // namespace zt::test
