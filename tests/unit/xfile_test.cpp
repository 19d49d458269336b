// The .x reader on files the tests write in every form: the numbers read back, the limits of
// every count and index, and damaged files (every truncation, every single-byte change).
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "formats/xfile.h"
#include "support/xfile_writer.h"

namespace zt {
namespace {

using test::XForm;
using test::XWriter;

constexpr XMatrix Translate123 = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1};

// Offsets of the root frame in the body, so damage inside it can be told apart.
struct Sample {
  std::string body;
  size_t frameStart = 0, frameEnd = 0;
};

// Everything the reader takes, in one file: declared and undeclared templates, unknown data
// (with a frame inside that must not be read), a nested frame tree with transforms, a mesh with
// a quad and a triangle, normals, texture coordinates, a two-material list (one by reference),
// a forward reference to a top-level mesh, a loose mesh and keys of every type.
Sample sample(bool binary, bool doubles) {
  XWriter w(binary, doubles);
  Sample s;
  w.declare("Header", {"major", "minor", "flags"}).declare("Private", {"a"});
  w.open("Header").ints({1, 0, 1}).close();
  w.open("Private").ints({7}).open("Frame", "Hidden").close().close();
  w.open("Material", "Red").floats({1, 0, 0, 1, 20, 0.5f, 0.5f, 0.5f, 0, 0, 0.25f});
  w.open("TextureFilename").string("walls\\brick.png").close().close();
  s.frameStart = w.body().size();
  w.open("Frame", "Root").open("FrameTransformMatrix").floats({Translate123.begin(), Translate123.end()}).close();
  w.open("Frame", "Arm").open("FrameTransformMatrix").floats({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1}).close();
  w.open("Mesh", "Quad").ints({5}).floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0.5f, 2, -0.25f});
  w.ints({2, 4, 0, 1, 2, 3, 3, 2, 4, 3});
  w.open("MeshNormals").ints({2}).floats({0, 0, -1, 0, 1, 0}).ints({2, 4, 0, 0, 0, 0, 3, 1, 1, 0}).close();
  w.open("MeshTextureCoords").ints({5}).floats({0, 0, 1, 0, 1, 1, 0, 1, 0.5f, 0.125f}).close();
  w.open("MeshMaterialList").ints({2, 2, 1, 0}).reference("Red");
  w.open("Material", "Blue").floats({0, 0, 1, 0.5f, 5, 0, 0, 0, 0.1f, 0.2f, 0.3f}).close().close();
  w.open("VertexDuplicationIndices").ints({5, 5, 0, 1, 2, 3, 4}).close();
  w.close().close();  // Quad, Arm
  w.reference("Shared").close();
  s.frameEnd = w.body().size();
  w.open("Mesh", "Shared").ints({3}).floats({0, 0, 0, 0, 1, 0, 1, 0, 0}).ints({1, 3, 0, 1, 2}).close();
  w.open("Mesh", "Loose").ints({3}).floats({4, 4, 4, 5, 4, 4, 4, 5, 4}).ints({1, 3, 2, 1, 0}).close();
  w.open("AnimTicksPerSecond").ints({4800}).close();
  w.open("AnimationSet", "Walk").open("Animation", "ArmMove").reference("Arm");
  w.open("AnimationKey").ints({0, 2, 0, 4}).floats({1, 0, 0, 0}).ints({10, 4}).floats({0.5f, 0.5f, -0.5f, 0.5f}).close();
  w.open("AnimationKey").ints({1, 1, 5, 3}).floats({2, 3, 4}).close();
  w.open("AnimationKey").ints({2, 2, 0, 3}).floats({0, 0, 0}).ints({20, 3}).floats({1, -2, 3.5f}).close();
  std::vector<float> m(16, 0.0f);
  m[0] = m[5] = m[10] = m[15] = 1, m[13] = 9;
  w.open("AnimationKey").ints({3, 1, 7, 16}).floats(m).close();
  w.open("AnimationKey").ints({4, 1, 8, 16}).floats(m).close();
  w.open("AnimationOptions").ints({1, 0}).close();
  w.close().open("Animation").reference("Nowhere").close().close();
  s.body = w.body();
  return s;
}

void checkSample(const XFile& f) {
  ASSERT_EQ(test::xFileFault(f), "");
  ASSERT_EQ(f.frames.size(), 2u);  // the frame inside the unknown object is not read
  const XFrame &root = f.frames[0], &arm = f.frames[1];
  EXPECT_EQ(root.name, "Root");
  EXPECT_EQ(root.parent, -1);
  EXPECT_EQ(root.transform, Translate123);
  EXPECT_EQ(root.children, std::vector<uint32_t>{1});
  EXPECT_EQ(root.meshes, std::vector<uint32_t>{1});  // Shared, named before it is defined
  EXPECT_EQ(f.rootFrames, std::vector<uint32_t>{0});
  EXPECT_EQ(arm.name, "Arm");
  EXPECT_EQ(arm.parent, 0);
  EXPECT_EQ(arm.transform[0], 2.0f);
  EXPECT_EQ(arm.transform[15], 1.0f);
  EXPECT_EQ(arm.meshes, std::vector<uint32_t>{0});

  ASSERT_EQ(f.meshes.size(), 3u);
  const XMesh& q = f.meshes[0];
  EXPECT_EQ(q.name, "Quad");
  EXPECT_EQ(q.frame, 1);
  ASSERT_EQ(q.vertices.size(), 5u);
  EXPECT_EQ(q.vertices[4].x, 0.5f);
  EXPECT_EQ(q.vertices[4].y, 2.0f);
  EXPECT_EQ(q.vertices[4].z, -0.25f);
  EXPECT_EQ(q.faceCount, 2u);
  EXPECT_EQ(q.triangles, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 2, 4, 3}));  // the quad as a fan
  EXPECT_EQ(q.triangleFace, (std::vector<uint32_t>{0, 0, 1}));
  ASSERT_EQ(q.normals.size(), 2u);
  EXPECT_EQ(q.normals[0].z, -1.0f);
  EXPECT_EQ(q.normals[1].y, 1.0f);
  EXPECT_EQ(q.normalTriangles, (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 1, 1, 0}));
  ASSERT_EQ(q.texCoords.size(), 5u);
  EXPECT_EQ(q.texCoords[4].u, 0.5f);
  EXPECT_EQ(q.texCoords[4].v, 0.125f);
  ASSERT_EQ(f.materials.size(), 2u);
  EXPECT_EQ(q.materials, (std::vector<uint32_t>{0, 1}));  // Red by reference, Blue written inside
  EXPECT_EQ(q.faceMaterials, (std::vector<uint32_t>{1, 0}));

  const XMaterial &red = f.materials[0], &blue = f.materials[1];
  EXPECT_EQ(red.name, "Red");
  EXPECT_EQ(red.faceColor, (std::array<float, 4>{1, 0, 0, 1}));
  EXPECT_EQ(red.power, 20.0f);
  EXPECT_EQ(red.specularColor, (std::array<float, 3>{0.5f, 0.5f, 0.5f}));
  EXPECT_EQ(red.emissiveColor, (std::array<float, 3>{0, 0, 0.25f}));
  EXPECT_EQ(red.textureFilename, "walls\\brick.png");
  EXPECT_EQ(blue.name, "Blue");
  EXPECT_EQ(blue.faceColor[3], 0.5f);
  EXPECT_EQ(blue.emissiveColor, (std::array<float, 3>{0.1f, 0.2f, 0.3f}));
  EXPECT_EQ(blue.textureFilename, "");

  EXPECT_EQ(f.meshes[1].name, "Shared");
  EXPECT_EQ(f.meshes[1].frame, -1);
  EXPECT_EQ(f.meshes[2].triangles, (std::vector<uint32_t>{2, 1, 0}));
  EXPECT_EQ(f.looseMeshes, std::vector<uint32_t>{2});  // Shared is in a frame by reference

  EXPECT_EQ(f.ticksPerSecond, 4800u);
  ASSERT_EQ(f.animationSets.size(), 1u);
  const XAnimationSet& set = f.animationSets[0];
  EXPECT_EQ(set.name, "Walk");
  ASSERT_EQ(set.animations.size(), 2u);
  const XAnimation& a = set.animations[0];
  EXPECT_EQ(a.name, "ArmMove");
  EXPECT_EQ(a.frameName, "Arm");
  EXPECT_EQ(a.frame, 1);
  ASSERT_EQ(a.rotationKeys.size(), 2u);
  EXPECT_EQ(a.rotationKeys[1].time, 10u);
  EXPECT_EQ(a.rotationKeys[1].w, 0.5f);
  EXPECT_EQ(a.rotationKeys[1].z, 0.5f);
  EXPECT_EQ(a.rotationKeys[1].y, -0.5f);
  ASSERT_EQ(a.scaleKeys.size(), 1u);
  EXPECT_EQ(a.scaleKeys[0].time, 5u);
  EXPECT_EQ(a.scaleKeys[0].value.z, 4.0f);
  ASSERT_EQ(a.positionKeys.size(), 2u);
  EXPECT_EQ(a.positionKeys[1].time, 20u);
  EXPECT_EQ(a.positionKeys[1].value.y, -2.0f);
  EXPECT_EQ(a.positionKeys[1].value.z, 3.5f);
  ASSERT_EQ(a.matrixKeys.size(), 2u);  // types 3 and 4
  EXPECT_EQ(a.matrixKeys[0].time, 7u);
  EXPECT_EQ(a.matrixKeys[1].time, 8u);
  EXPECT_EQ(a.matrixKeys[1].value[13], 9.0f);
  EXPECT_EQ(set.animations[1].frameName, "Nowhere");
  EXPECT_EQ(set.animations[1].frame, -1);  // a missing frame leaves the animation unattached
}

class XFileForms : public testing::TestWithParam<std::tuple<XForm, bool>> {};

TEST_P(XFileForms, ReadsEveryNumberOfTheSample) {
  auto [form, doubles] = GetParam();
  const bool binary = form == XForm::Binary || form == XForm::BinaryZip;
  XFile f;
  XFileResult r = readXFile(test::xFile(form, doubles, sample(binary, doubles).body), f);
  ASSERT_TRUE(r) << r.message;
  checkSample(f);
}

INSTANTIATE_TEST_SUITE_P(AllForms, XFileForms,
                         testing::Combine(testing::Values(XForm::Text, XForm::Binary, XForm::TextZip, XForm::BinaryZip),
                                          testing::Bool()));

XFileResult readText(const std::string& body, XFile& f, std::string_view header = "xof 0303txt 0032") {
  return readXFile(std::string(header) + body, f);
}

// What the engine's own 3DS converter writes: version 0302, 64-bit, one material index for all
// faces, key lines ending ";;," and ";;;", names given by reference.
TEST(XFileText, ReadsTheConvertersLayoutWithComments) {
  const std::string body = R"(
Header {
1;
0;
1;
}

Material x3ds_mat_Wood {
0.800000, 0.600000, 0.400000, 1.000000;;
12.500000;
0.100000, 0.100000, 0.100000;;
0.000000, 0.000000, 0.000000;;
TextureFilename {
"wood.tga";
}
}

# a comment line
Frame x3ds_Box {   // and a trailing comment
FrameTransformMatrix {
1.000000, 0.000000, 0.000000, 0.000000,
0.000000, 1.000000, 0.000000, 0.000000,
0.000000, 0.000000, 1.000000, 0.000000,
10.000000, 20.000000, 30.000000, 1.000000;;
}
Mesh Box {
4;
0.000000; 0.000000; 0.000000;,
1.000000; 0.000000; 0.000000;,
1.000000; 1.000000; 0.000000;,
0.000000; 1.000000; 0.000000;;
2;
3;0,2,1;,
3;0,3,2;;
MeshMaterialList {
1;
1;
0;;
{x3ds_mat_Wood}
}

MeshNormals {
1;
0.000000; 0.000000; -1.000000;;
2;
3;0,0,0;,
3;0,0,0;;
}
MeshTextureCoords {
4;
0.000000;1.000000;,
1.000000;1.000000;,
1.000000;0.000000;,
0.000000;0.000000;;
}
}
}

AnimationSet x3ds_animset_0 {
Animation x3ds_anim_0 {
{x3ds_Box}
AnimationKey {
0;
2;
0; 4; 1.000000, 0.000000, 0.000000, 0.000000;;,
30; 4; 0.707107, 0.000000, 0.707107, 0.000000;;;
}
AnimationKey {
2;
2;
0; 3; 0.000000, 0.000000, 0.000000;;,
30; 3; 5.000000, 0.000000, -5.000000;;;
}
}
}
)";
  XFile f;
  XFileResult r = readText(body, f, "xof 0302txt 0064");
  ASSERT_TRUE(r) << r.message;
  ASSERT_EQ(test::xFileFault(f), "");
  ASSERT_EQ(f.frames.size(), 1u);
  EXPECT_EQ(f.frames[0].name, "x3ds_Box");
  EXPECT_EQ(f.frames[0].transform[12], 10.0f);
  EXPECT_EQ(f.frames[0].transform[14], 30.0f);
  ASSERT_EQ(f.meshes.size(), 1u);
  const XMesh& m = f.meshes[0];
  EXPECT_EQ(m.triangles, (std::vector<uint32_t>{0, 2, 1, 0, 3, 2}));
  EXPECT_EQ(m.faceMaterials, (std::vector<uint32_t>{0, 0}));  // the one index serves every face
  EXPECT_EQ(m.materials, std::vector<uint32_t>{0});
  EXPECT_EQ(f.materials[0].faceColor[1], 0.6f);
  EXPECT_EQ(f.materials[0].power, 12.5f);
  EXPECT_EQ(f.materials[0].textureFilename, "wood.tga");
  EXPECT_EQ(m.texCoords[2].v, 0.0f);
  EXPECT_EQ(m.normalTriangles.size(), 6u);
  ASSERT_EQ(f.animationSets.size(), 1u);
  const XAnimation& a = f.animationSets[0].animations.at(0);
  EXPECT_EQ(a.frame, 0);
  ASSERT_EQ(a.rotationKeys.size(), 2u);
  EXPECT_EQ(a.rotationKeys[1].time, 30u);
  EXPECT_EQ(a.rotationKeys[1].w, 0.707107f);
  EXPECT_EQ(a.positionKeys[1].value.z, -5.0f);
  EXPECT_EQ(f.ticksPerSecond, 0u);
  EXPECT_TRUE(f.looseMeshes.empty());
}

// Six faces over three materials stay one mesh; each polygon keeps its own material and each
// triangle of a fanned polygon points back at it.
TEST(XFileText, MultiMaterialMeshStaysOneMesh) {
  const std::string body =
      "Mesh M { 6; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;, 2;0;0;, 2;1;0;;"
      " 3; 4;0,1,2,3;, 3;1,4,5;, 5;0,1,4,5,3;;"
      " MeshMaterialList { 3; 3; 2, 0, 1;;"
      "  Material A { 1;0;0;1;; 1; 0;0;0;; 0;0;0;; }"
      "  Material B { 0;1;0;1;; 1; 0;0;0;; 0;0;0;; }"
      "  Material C { 0;0;1;1;; 1; 0;0;0;; 0;0;0;; } } }";
  XFile f;
  ASSERT_TRUE(readText(body, f));
  ASSERT_EQ(f.meshes.size(), 1u);
  const XMesh& m = f.meshes[0];
  EXPECT_EQ(m.faceCount, 3u);
  EXPECT_EQ(m.triangleFace, (std::vector<uint32_t>{0, 0, 1, 2, 2, 2}));
  EXPECT_EQ(m.faceMaterials, (std::vector<uint32_t>{2, 0, 1}));
  EXPECT_EQ(m.materials, (std::vector<uint32_t>{0, 1, 2}));
  EXPECT_EQ(f.materials[2].name, "C");
  EXPECT_EQ(f.looseMeshes, std::vector<uint32_t>{0});
}

// Counts and indices at the last value the file can hold and the first it cannot.
TEST(XFileLimits, IndicesStopAtTheirArrays) {
  const auto mesh = [](int index) {
    return "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1," + std::to_string(index) + ";; }";
  };
  XFile f;
  EXPECT_TRUE(readText(mesh(2), f));
  XFileResult r = readText(mesh(3), f);
  EXPECT_EQ(r.error, XFileError::Malformed);
  EXPECT_NE(r.message.find("line 1"), std::string::npos) << r.message;
  EXPECT_TRUE(f.meshes.empty());  // a failed read leaves nothing

  const auto list = [](int materials, int index) {
    std::string s = "Material A { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } Material B { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }"
                    "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { " +
                    std::to_string(materials) + "; 1; " + std::to_string(index) + ";;";
    for (int i = 0; i < materials; ++i) s += i % 2 ? " {B}" : " {A}";
    return s + " } }";
  };
  EXPECT_TRUE(readText(list(2, 1), f));
  EXPECT_EQ(readText(list(2, 2), f).error, XFileError::Malformed);
  EXPECT_TRUE(readText(list(0, 0).replace(list(0, 0).find("1; 0;;"), 6, "0;;"), f));
  EXPECT_TRUE(f.meshes.at(0).faceMaterials.empty());
  // A list that counts more materials than it holds.
  std::string missing = list(2, 0);
  missing.erase(missing.rfind(" {B}"), 4);
  EXPECT_EQ(readText(missing, f).error, XFileError::Malformed);

  const auto normals = [](int index, int corners) {
    return "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshNormals { 2; 0;0;1;, 0;1;0;; 1; " +
           std::to_string(corners) + ";0,1," + std::to_string(index) + ";; } }";
  };
  EXPECT_TRUE(readText(normals(1, 3), f));
  EXPECT_EQ(readText(normals(2, 3), f).error, XFileError::Malformed);
  EXPECT_EQ(readText(normals(1, 4), f).error, XFileError::Malformed);  // corners differ from the face's

  const auto coords = [](int n) {
    std::string s = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshTextureCoords { " + std::to_string(n) + ";";
    for (int i = 0; i < n; ++i) s += " 0;1;";
    return s + " } }";
  };
  EXPECT_TRUE(readText(coords(3), f));
  EXPECT_EQ(readText(coords(2), f).error, XFileError::Malformed);

  const auto key = [](int type, int values) {
    std::string s = "AnimationSet { Animation { AnimationKey { " + std::to_string(type) + "; 1; 0; " +
                    std::to_string(values) + ";";
    for (int i = 0; i < values; ++i) s += " 1,";
    return s + "; } } }";
  };
  EXPECT_TRUE(readText(key(4, 16), f));
  EXPECT_EQ(readText(key(5, 16), f).error, XFileError::Malformed);
  EXPECT_TRUE(readText(key(0, 4), f));
  EXPECT_EQ(readText(key(0, 3), f).error, XFileError::Malformed);
  EXPECT_EQ(readText(key(1, 4), f).error, XFileError::Malformed);
}

TEST(XFileLimits, CountsMustFitTheRestOfTheFile) {
  XFile f;
  // Three vertices need nine numbers; a count of four needs twelve the file does not hold.
  EXPECT_TRUE(readText("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 0;; }", f));
  EXPECT_EQ(readText("Mesh { 4; 0;0;0;, 1;0;0;, 0;1;0;; 0;; }", f).error, XFileError::Malformed);
  // A huge count in a small file is refused before anything is reserved for it, in both forms.
  EXPECT_EQ(readText("Mesh { 4294967295; 0; }", f).error, XFileError::Truncated);
  XWriter w(true);
  w.open("Mesh").ints({0xFFFFFFFF}).floats({0, 0, 0}).close();
  EXPECT_EQ(readXFile(test::xFile(XForm::Binary, false, w.body()), f).error, XFileError::Truncated);
  XWriter list(true);
  list.open("Mesh").raw(std::string("\x06\x00\xff\xff\xff\x3f", 6)).close();  // a list of 2^30 integers
  EXPECT_EQ(readXFile(test::xFile(XForm::Binary, false, list.body()), f).error, XFileError::Truncated);
  EXPECT_EQ(readText("Mesh { 4294967296; }", f).error, XFileError::Malformed);  // above 32 bits
  EXPECT_EQ(readText("Mesh { -1; }", f).error, XFileError::Malformed);
}

TEST(XFileLimits, FramesNestUpTo256Deep) {
  const auto nested = [](int depth) {
    std::string s;
    for (int i = 0; i < depth; ++i) s += "Frame F" + std::to_string(i) + " {";
    return s + std::string(size_t(depth), '}');
  };
  XFile f;
  ASSERT_TRUE(readText(nested(256), f));
  EXPECT_EQ(f.frames.size(), 256u);
  EXPECT_EQ(f.frames[255].parent, 254);
  EXPECT_EQ(readText(nested(257), f).error, XFileError::Malformed);
}

TEST(XFileHeader, VersionsFormsAndFloatSizes) {
  XFile f;
  for (const char* good : {"xof 0302txt 0032", "xof 0303txt 0064", "xof 0302bin 0032", "xof 0303bin 0064"})
    EXPECT_TRUE(readXFile(good, f)) << good;  // no objects at all is a valid, empty file
  EXPECT_EQ(readXFile("xof 0402txt 0032", f).error, XFileError::Unsupported);
  EXPECT_EQ(readXFile("xof 03x2txt 0032", f).error, XFileError::Unsupported);
  EXPECT_EQ(readXFile("xof 0303txt 0016", f).error, XFileError::Unsupported);
  EXPECT_EQ(readXFile("xof 0303zip 0032", f).error, XFileError::Unsupported);
  EXPECT_EQ(readXFile("xof 0303txt 003", f).error, XFileError::Truncated);
  EXPECT_EQ(readXFile("", f).error, XFileError::Truncated);
  EXPECT_EQ(readXFile("BM6\x01", f).error, XFileError::NotXFile);
  EXPECT_EQ(readXFile("xofx0303txt 0032", f).error, XFileError::NotXFile);
}

TEST(XFileReferences, UnknownNamesFailAndFramesAreNotInstanced) {
  XFile f;
  EXPECT_EQ(readText("Frame A { { Missing } }", f).error, XFileError::Malformed);
  EXPECT_EQ(readText("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; { Gone } } }", f).error,
            XFileError::Malformed);
  EXPECT_EQ(readText("Frame A { { <01234567-89AB-CDEF-0123-456789ABCDEF> } }", f).error, XFileError::Malformed);
  // A frame naming another frame keeps its own meshes only.
  ASSERT_TRUE(readText("Frame A { } Frame B { { A } }", f));
  EXPECT_TRUE(f.frames[1].meshes.empty());
  EXPECT_EQ(f.rootFrames, (std::vector<uint32_t>{0, 1}));
}

TEST(XFileText, ValuesAndStringsMustHaveTheirTypes) {
  XFile f;
  EXPECT_EQ(readText("Mesh { 1.5; }", f).error, XFileError::Malformed);
  EXPECT_EQ(readText("Mesh { 1; a;0;0;; 0;; }", f).error, XFileError::Malformed);
  EXPECT_EQ(readText("Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { name.bmp; } }", f).error,
            XFileError::Malformed);
  EXPECT_EQ(readText("Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"name.bmp", f).error,
            XFileError::Truncated);
  EXPECT_EQ(readText("Frame A { FrameTransformMatrix { 1; } }", f).error, XFileError::Malformed);
  EXPECT_EQ(readText("Frame A {", f).error, XFileError::Truncated);
  EXPECT_EQ(readText("Frame A { } }", f).error, XFileError::Malformed);
  EXPECT_EQ(readText("Header { 1; 0; 1; } 5;", f).error, XFileError::Malformed);  // data outside any object
  // Floats accept signs, exponents and whole numbers.
  ASSERT_TRUE(readText("Mesh { 1; +1.5e1; -2; .25;; 0;; }", f));
  EXPECT_EQ(f.meshes[0].vertices[0].x, 15.0f);
  EXPECT_EQ(f.meshes[0].vertices[0].y, -2.0f);
  EXPECT_EQ(f.meshes[0].vertices[0].z, 0.25f);
}

TEST(XFileBinary, FloatsInIntegerListsAndStringTerminators) {
  XFile f;
  // Whole numbers where floats are expected read as floats; floats where whole numbers are
  // expected do not.
  XWriter w(true);
  w.open("Mesh").ints({1, 1, 2, 3}).ints({0}).close();
  ASSERT_TRUE(readXFile(test::xFile(XForm::Binary, false, w.body()), f));
  EXPECT_EQ(f.meshes[0].vertices[0].z, 3.0f);
  XWriter bad(true);
  bad.open("Mesh").floats({1, 1, 2, 3}).ints({0}).close();
  EXPECT_EQ(readXFile(test::xFile(XForm::Binary, false, bad.body()), f).error, XFileError::Malformed);
  // A list longer than its template reaches into nothing: refused.
  XWriter longer(true);
  longer.open("Mesh").ints({1}).floats({1, 2, 3, 4}).ints({0}).close();
  EXPECT_EQ(readXFile(test::xFile(XForm::Binary, false, longer.body()), f).error, XFileError::Malformed);
  // A string ended by a 16-bit terminator token reads like one ended by a 32-bit word.
  XWriter m(true);
  m.open("Material").floats({1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0}).open("TextureFilename");
  m.raw(std::string("\x02\x00\x05\x00\x00\x00" "a.bmp" "\x14\x00", 13)).close().close();
  ASSERT_TRUE(readXFile(test::xFile(XForm::Binary, false, m.body()), f));
  EXPECT_EQ(f.materials[0].textureFilename, "a.bmp");
  XWriter nan(true);
  nan.open("Mesh").ints({1}).raw(std::string("\x07\x00\x03\x00\x00\x00\x00\x00\xc0\x7f\0\0\0\0\0\0\0\0", 18));
  nan.ints({0}).close();
  EXPECT_EQ(readXFile(test::xFile(XForm::Binary, false, nan.body()), f).error, XFileError::Malformed);
}

TEST(XFileCompressed, BlocksMustHoldWhatTheyClaim) {
  // A body of several 32 KB blocks, each referring back into the one before.
  std::string body;
  for (int i = 0; i < 5000; ++i) body += "Frame F" + std::to_string(i) + " { }\n";
  ASSERT_GT(body.size(), 65536u);
  XFile f;
  std::string file = test::xFile(XForm::TextZip, false, body);
  ASSERT_TRUE(readXFile(file, f));
  EXPECT_EQ(f.frames.size(), 5000u);
  EXPECT_EQ(f.frames[4999].name, "F4999");

  std::string noMark = file;
  noMark[16 + 4 + 4] = 'X';
  EXPECT_EQ(readXFile(noMark, f).error, XFileError::Malformed);
  std::string bigger = file;
  bigger[16 + 4] = char(uint8_t(bigger[16 + 4]) + 1);  // the first block claims one byte more
  EXPECT_NE(readXFile(bigger, f).error, XFileError::None);
  const auto stating = [&](uint32_t total) {
    std::string s = file;
    for (int i = 0; i < 4; ++i) s[size_t(16 + i)] = char(total >> (8 * i) & 255);
    return s;
  };
  const auto total = uint32_t(body.size() + 16);
  EXPECT_EQ(readXFile(stating(total + 1), f).error, XFileError::Truncated);  // more than the blocks give
  EXPECT_EQ(readXFile(stating(total - 17), f).error, XFileError::Malformed);  // less than they give
  EXPECT_TRUE(readXFile(stating(total - 16), f));  // a size that leaves out the header is read too
  EXPECT_EQ(readXFile(stating((512u << 20) + 17), f).error, XFileError::Unsupported);
  EXPECT_EQ(readXFile(stating((512u << 20) + 16), f).error, XFileError::Truncated);  // the largest accepted
}

// Damage anywhere must fail with a result or give data whose indices all stay in range; a
// truncation inside the frame tree must fail. Run under the sanitizers this also shows that no
// read leaves the file.
class XFileDamage : public testing::TestWithParam<XForm> {};

TEST_P(XFileDamage, EveryTruncationAndEveryByteChange) {
  const XForm form = GetParam();
  const bool binary = form == XForm::Binary || form == XForm::BinaryZip;
  const bool zipped = form == XForm::TextZip || form == XForm::BinaryZip;
  const Sample s = sample(binary, false);
  const std::string file = test::xFile(form, false, s.body);
  XFile f;
  for (size_t n = 0; n < file.size(); ++n) {
    XFileResult r = readXFile(std::string_view(file).substr(0, n), f);
    if (r) {
      EXPECT_EQ(test::xFileFault(f), "") << "cut at " << n;
    }
    const size_t at = n - std::min<size_t>(n, 16);
    if (at > s.frameStart && at < s.frameEnd && !zipped) {
      EXPECT_FALSE(r) << "cut at " << n;
    }
    if (zipped && n > 16) {  // the stated size catches every cut
      EXPECT_FALSE(r) << "cut at " << n;
    }
  }
  std::string damaged = file;
  for (size_t i = 0; i < file.size(); ++i) {
    for (char c : {char(file[i] ^ 0xFF), '\0', '{', '}', ';', '9', '\x01', '\x0b'}) {
      damaged[i] = c;
      if (readXFile(damaged, f)) {
        EXPECT_EQ(test::xFileFault(f), "") << "byte " << i << " = " << int(c);
      }
    }
    damaged[i] = file[i];
  }
}

INSTANTIATE_TEST_SUITE_P(AllForms, XFileDamage,
                         testing::Values(XForm::Text, XForm::Binary, XForm::TextZip, XForm::BinaryZip));

}  // namespace
}  // namespace zt
