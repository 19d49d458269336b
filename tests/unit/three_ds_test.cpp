// The 3DS converter: files built here, converted, and compared with the .x text they must
// give; broken files refused with their codes.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <map>

#include "formats/three_ds_x.h"
#include "formats/xfile.h"
#include "platform/fs.h"
#include "support/image_builder.h"
#include "support/three_ds_files.h"

namespace zt {
namespace {

using namespace zt::test;

const std::string Header = "xof 0302txt 0064\nHeader {\n1;\n0;\n1;\n}\n\n";

std::string convert(const std::string& bytes, int expected = ThreeDsOk) {
  std::string text;
  EXPECT_EQ(convertThreeDs(bytes, text), expected);
  return text;
}

// One triangle facing up (+z in the file) with faces 0,1,2 and texture coordinates.
std::string triangleMesh(const std::string& extraFaceChunks = "") {
  return mesh(vertexList({{1, 2, 3}, {3, 2, 3}, {1, 4, 3}}) + faceList({{0, 1, 2}}, extraFaceChunks) +
              textureCoords({{0.25f, 0.25f}, {0, 1}, {1, 0}}));
}

TEST(ThreeDs, MaterialsMeshesAndCoordinatesAreWrittenInTheXConvention) {
  const std::string editor =
      material("red paint", chunk(0xA020, chunk(0x0011, std::string("\xFF\x80\x00", 3))) +
                                chunk(0xA030, chunk(0x0010, f32(0.5f) + f32(0.25f) + f32(-0.5f))) +
                                chunk(0xA040, chunk(0x0030, le16(40))) +
                                chunk(0xA200, chunk(0xA300, cstr("wood grain.BMP")))) +
      namedObject("Box one", triangleMesh(faceMaterial("red paint", {0})));
  EXPECT_EQ(convert(file3ds(editor)), Header +
                                          "Material x3ds_mat_red_paint {\n"
                                          "1.000000, 0.501961, 0.000000, 1.000000;;\n"
                                          "40.000000;\n"
                                          "0.500000, 0.250000, -0.500000;;\n"
                                          "0.000000, 0.000000, 0.000000;;\n"
                                          "TextureFilename {\n"
                                          "\"wood grain.BMP\";\n"
                                          "}\n"
                                          "}\n"
                                          "\n"
                                          "Frame x3ds_Box_one {\n"
                                          "Mesh Box_one {\n"
                                          "3;\n"
                                          "1.000000; 3.000000; 2.000000;,\n"
                                          "3.000000; 3.000000; 2.000000;,\n"
                                          "1.000000; 3.000000; 4.000000;;\n"
                                          "1;\n"
                                          "3;0,2,1;;\n"
                                          "MeshMaterialList {\n"
                                          "1;\n"
                                          "1;\n"
                                          "0;;\n"
                                          "{x3ds_mat_red_paint}\n"
                                          "}\n"
                                          "\n"
                                          "MeshNormals {\n"
                                          "3;\n"
                                          "0.000000; 1.000000; 0.000000;,\n"
                                          "0.000000; 1.000000; 0.000000;,\n"
                                          "0.000000; 1.000000; 0.000000;;\n"
                                          "1;\n"
                                          "3;0,2,1;;\n"
                                          "}\n"
                                          "MeshTextureCoords {\n"
                                          "3;\n"
                                          "0.250000;0.750000;,\n"
                                          "0.000000;0.000000;,\n"
                                          "1.000000;1.000000;;\n"
                                          "}\n"
                                          "}\n"
                                          "}\n"
                                          "\n");
}

const std::string IdentityRows =
    "1.000000, 0.000000, 0.000000, 0.000000,\n"
    "0.000000, 1.000000, 0.000000, 0.000000,\n"
    "0.000000, 0.000000, 1.000000, 0.000000,\n";

// A body turning about its pivot with an arm linked under it; a dummy node and a node
// naming no object are left out of the animation set.
TEST(ThreeDs, AHierarchyWithPivotsNestsFramesAndWritesItsKeys) {
  const std::string editor =
      namedObject("body", mesh(vertexList({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}) + faceList({{0, 1, 2}}))) +
      namedObject("arm", mesh(vertexList({{2, 0, 1}, {3, 0, 1}, {2, 0, 2}}) + faceList({{0, 1, 2}}) +
                              localAxes({1, 0, 0, 0, 1, 0, 0, 0, 1, 2, 0, 0})));
  const float quarter = float(M_PI / 2);
  const std::string keyframer =
      chunk(0xB008, le32(0) + le32(100)) +
      node("body", 0xFFFF, {1, 0, 0},
           track(0xB020, {{0, {1, 0, 0}}}) + track(0xB021, {{0, {0, 0, 0, 1}}, {10, {quarter, 0, 0, 1}, 0x1F}}) +
               track(0xB022, {{0, {1, 1, 1}}})) +
      node("$$$DUMMY", 0xFFFF, {0, 0, 0}, chunk(0xB011, cstr("helper")) + track(0xB020, {{0, {5, 5, 5}}})) +
      node("arm", 0, {0, 0, 0},
           track(0xB020, {{0, {1, 0, 0}}, {20, {1, 0, 3}}}) + track(0xB022, {{0, {1, 1, 1}}, {20, {2, 1, 1}}})) +
      node("ghost", 0xFFFF, {0, 0, 0}, track(0xB020, {{0, {1, 2, 3}}}));
  const std::string upFace = "1;\n3;0,2,1;;\n";
  EXPECT_EQ(convert(file3ds(editor, keyframer)),
            Header + "Frame x3ds_body {\nFrameTransformMatrix {\n" + IdentityRows +
                "1.000000, 0.000000, 0.000000, 1.000000;;\n}\n"
                "Mesh body {\n3;\n-1.000000; 0.000000; 0.000000;,\n1.000000; 0.000000; 0.000000;,\n"
                "-1.000000; 0.000000; 2.000000;;\n" +
                upFace +
                "MeshNormals {\n3;\n0.000000; 1.000000; 0.000000;,\n0.000000; 1.000000; 0.000000;,\n"
                "0.000000; 1.000000; 0.000000;;\n" +
                upFace + "}\n}\n" + "Frame x3ds_arm {\nFrameTransformMatrix {\n" + IdentityRows +
                "1.000000, 0.000000, 0.000000, 1.000000;;\n}\n"
                "Mesh arm {\n3;\n0.000000; 1.000000; 0.000000;,\n1.000000; 1.000000; 0.000000;,\n"
                "0.000000; 2.000000; 0.000000;;\n" +
                upFace +
                "MeshNormals {\n3;\n0.000000; 0.000000; -1.000000;,\n0.000000; 0.000000; -1.000000;,\n"
                "0.000000; 0.000000; -1.000000;;\n" +
                upFace + "}\n}\n}\n}\n\n" +
                "AnimationSet x3ds_animset_0 {\n"
                "Animation x3ds_anim_0 {\n{x3ds_body}\n"
                "AnimationKey {\n0;\n2;\n0; 4; 1.000000, 0.000000, 0.000000, 0.000000;;,\n"
                "10; 4; 0.707107, 0.000000, -0.707107, 0.000000;;;\n}\n"
                "AnimationKey {\n2;\n1;\n0; 3; 1.000000, 0.000000, 0.000000;;;\n}\n"
                "}\n"
                "Animation x3ds_anim_1 {\n{x3ds_arm}\n"
                "AnimationKey {\n1;\n2;\n0; 3; 1.000000, 1.000000, 1.000000;;,\n"
                "20; 3; 2.000000, 1.000000, 1.000000;;;\n}\n"
                "AnimationKey {\n2;\n2;\n0; 3; 1.000000, 0.000000, 0.000000;;,\n"
                "20; 3; 1.000000, 3.000000, 0.000000;;;\n}\n"
                "}\n"
                "}\n\n");
}

// The frame each frame is written in ("" at the top), from the nesting of the text.
std::map<std::string, std::string> frameParents(const std::string& text) {
  std::map<std::string, std::string> parents;
  std::vector<std::string> open;  // block names, "" for blocks that are not frames
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = text.substr(start, end - start);
    if (line.rfind("Frame x3ds_", 0) == 0) {
      const std::string name = line.substr(11, line.size() - 13);
      std::string parent;
      for (const std::string& o : open)
        if (!o.empty()) parent = o;
      parents[name] = parent;
      open.push_back(name);
    } else if (line.size() > 1 && line.back() == '{') {
      open.push_back("");
    } else if (line == "}") {
      open.pop_back();
    }
  }
  return parents;
}

// A dummy between two nodes passes its child on to its own parent; links to missing nodes,
// to the node itself or around a loop leave frames at the top; a second node naming the
// same object gets no animation of its own.
TEST(ThreeDs, ParentLinksThroughDummiesAndBrokenLinks) {
  std::string editor;
  for (const char* name : {"A", "B", "C", "D", "E", "F"}) editor += namedObject(name, triangleMesh());
  auto nodeWithId = [](const std::string& name, uint16_t id, uint16_t parent) {
    return node(name, parent, {0, 0, 0}, chunk(0xB030, le16(id)) + track(0xB020, {{0, {0, 0, 0}}}));
  };
  const std::string keyframer = nodeWithId("A", 0, 0xFFFF) + nodeWithId("$$$DUMMY", 1, 0) + nodeWithId("B", 2, 1) +
                                nodeWithId("C", 3, 4) + nodeWithId("D", 4, 3) + nodeWithId("E", 5, 99) +
                                nodeWithId("F", 6, 6) + nodeWithId("A", 7, 0xFFFF);
  const std::string text = convert(file3ds(editor, keyframer));
  const std::map<std::string, std::string> expected{{"A", ""}, {"B", "A"}, {"C", ""}, {"D", "C"}, {"E", ""}, {"F", ""}};
  EXPECT_EQ(frameParents(text), expected) << text;
  size_t animations = 0;
  for (size_t at = 0; (at = text.find("Animation x3ds_anim_", at)) != std::string::npos; ++at) ++animations;
  EXPECT_EQ(animations, 6u);
  EXPECT_EQ(text.find("Animation x3ds_anim_6"), std::string::npos);
}

// Rotation keys are relative: each is applied onto the one before, about (-x, -z, -y).
TEST(ThreeDs, RotationKeysAccumulate) {
  const float third = float(M_PI / 3), quarter = float(M_PI / 2);
  const std::string editor = namedObject("o", triangleMesh());
  const std::string text =
      convert(file3ds(editor, node("o", 0xFFFF, {0, 0, 0},
                                   track(0xB021, {{0, {third, 0, 0, 1}}, {5, {third, 0, 0, 1}}, {9, {0, 0, 0, 0}}}))));
  EXPECT_NE(text.find("AnimationKey {\n0;\n3;\n"
                      "0; 4; 0.866025, 0.000000, -0.500000, 0.000000;;,\n"
                      "5; 4; 0.500000, 0.000000, -0.866025, 0.000000;;,\n"
                      "9; 4; 0.500000, 0.000000, -0.866025, 0.000000;;;\n}\n"),
            std::string::npos)
      << text;
  // About x, then about z: the order of the product shows in the sign of z.
  const std::string mixed = convert(
      file3ds(editor, node("o", 0xFFFF, {0, 0, 0}, track(0xB021, {{0, {quarter, 1, 0, 0}}, {1, {quarter, 0, 0, 1}}}))));
  EXPECT_NE(mixed.find("1; 4; 0.500000, -0.500000, -0.500000, 0.500000;;;\n"), std::string::npos) << mixed;
}

TEST(ThreeDs, ScaleKeysAreLeftOutOnlyForASingleUnitKey) {
  const std::string editor = namedObject("o", triangleMesh());
  auto scaleKeys = [&](const std::vector<Key3ds>& keys) {
    const std::string text = convert(file3ds(editor, node("o", 0xFFFF, {0, 0, 0}, track(0xB022, keys))));
    EXPECT_NE(text.find("Animation x3ds_anim_0 {\n{x3ds_o}\n"), std::string::npos) << text;
    return text.find("AnimationKey {\n1;\n") != std::string::npos;
  };
  EXPECT_FALSE(scaleKeys({{0, {1, 1, 1}}}));
  EXPECT_TRUE(scaleKeys({{0, {1, 1, 1.5f}}}));
  EXPECT_TRUE(scaleKeys({{0, {1, 1, 1}}, {10, {1, 1, 1}}}));
  EXPECT_FALSE(scaleKeys({}));
}

// Names: anything but letters and digits becomes "_"; a mesh name starting with a digit
// gets "x" in front, also "0..." (an identifier cannot start with a digit); an unnamed
// object is "Default name".
TEST(ThreeDs, NamesAreMadeIdentifiers) {
  const std::string text = convert(file3ds(namedObject("2 wheels!", triangleMesh()) +
                                           namedObject("0ring", triangleMesh()) + namedObject("", triangleMesh())));
  EXPECT_NE(text.find("Frame x3ds_2_wheels_ {\nMesh x2_wheels_ {\n"), std::string::npos);
  EXPECT_NE(text.find("Frame x3ds_0ring {\nMesh x0ring {\n"), std::string::npos);
  EXPECT_NE(text.find("Frame x3ds_Default_name {\nMesh Default_name {\n"), std::string::npos);
  // Long names are written whole.
  const std::string longName(300, 'm');
  EXPECT_NE(convert(file3ds(material(longName, ""))).find("Material x3ds_mat_" + longName + " {\n1.000000, "),
            std::string::npos);
}

// The object's local axes are undone in its vertices and kept in its frame transform, so
// the written mesh sits where the file has it.
TEST(ThreeDs, LocalAxesBecomeTheFrameTransform) {
  // Axes: x along file y, y along -x, z up; origin (5, 6, 7). The vertex (5, 7, 7) is
  // (1, 0, 0) in the object's own axes.
  const std::string text =
      convert(file3ds(namedObject("turned", mesh(vertexList({{5, 7, 7}, {5, 6, 7}, {5, 6, 9}}) + faceList({{0, 1, 2}}) +
                                                 localAxes({0, 1, 0, -1, 0, 0, 0, 0, 1, 5, 6, 7})))));
  EXPECT_NE(text.find("FrameTransformMatrix {\n"
                      "0.000000, 0.000000, 1.000000, 0.000000,\n"
                      "0.000000, 1.000000, 0.000000, 0.000000,\n"
                      "-1.000000, 0.000000, 0.000000, 0.000000,\n"
                      "5.000000, 7.000000, 6.000000, 1.000000;;\n}\n"
                      "Mesh turned {\n3;\n"
                      "1.000000; 0.000000; 0.000000;,\n"
                      "0.000000; 0.000000; 0.000000;,\n"
                      "0.000000; 2.000000; 0.000000;;\n"),
            std::string::npos)
      << text;
  // Flat axes cannot be undone: the vertices stay as the file has them.
  const std::string flat =
      convert(file3ds(namedObject("flat", mesh(vertexList({{1, 2, 3}, {3, 2, 3}, {1, 4, 3}}) + faceList({{0, 1, 2}}) +
                                               localAxes({1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0})))));
  EXPECT_NE(flat.find("Mesh flat {\n3;\n1.000000; 3.000000; 2.000000;,\n"), std::string::npos) << flat;
}

// Axes whose inverse overflows are left as they are (the vertices keep their file places);
// numbers whose products overflow fail the conversion instead of writing "inf" or "nan".
TEST(ThreeDs, NumbersThatOverflowNeverReachTheText) {
  const std::string text =
      convert(file3ds(namedObject("o", mesh(vertexList({{1, 2, 3}, {3, 2, 3}, {1, 4, 3}}) + faceList({{0, 1, 2}}) +
                                            localAxes({1e-39f, 0, 0, 0, 1e30f, 0, 0, 0, 1e9f, 0, 0, 0})))));
  EXPECT_NE(text.find("Mesh o {\n3;\n1.000000; 3.000000; 2.000000;,\n"), std::string::npos) << text;
  XFile x;
  EXPECT_TRUE(readXFile(text, x));
  const std::string mesh3 =
      namedObject("o", mesh(vertexList({{3e38f, 0, 0}, {0, 1, 0}, {0, 0, 1}}) + faceList({{0, 1, 2}})));
  convert(file3ds(mesh3, node("o", 0xFFFF, {-3e37f, 0, 0}, "")), ThreeDsOk);
  convert(file3ds(mesh3, node("o", 0xFFFF, {-3e38f, 0, 0}, "")), ThreeDsBrokenChunk);
}

// Each mesh lists the materials its faces use, one index per face; faces no material
// chunk names take the first, and a name the file does not define is left out.
TEST(ThreeDs, FaceMaterialsBecomeOneIndexPerFace) {
  const std::string editor =
      material("a", "") + material("b", "") +
      namedObject("o", mesh(vertexList({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) +
                            faceList({{0, 1, 2}, {0, 2, 1}, {1, 2, 0}},
                                     faceMaterial("b", {1}) + faceMaterial("nowhere", {0}) +
                                         chunk(0x4150, le32(1) + le32(1) + le32(1)) + faceMaterial("a", {2}))));
  const std::string text = convert(file3ds(editor));
  EXPECT_NE(text.find("MeshMaterialList {\n2;\n3;\n0,\n0,\n1;;\n{x3ds_mat_b}\n{x3ds_mat_a}\n}\n\n"), std::string::npos)
      << text;
  // No face material at all: no list.
  EXPECT_EQ(convert(file3ds(material("a", "") + namedObject("o", triangleMesh()))).find("MeshMaterialList"),
            std::string::npos);
}

// Lights, cameras, settings and chunks the reader does not know are passed over by length;
// objects without a mesh get no frame.
TEST(ThreeDs, OtherChunksArePassedOver) {
  const std::string editor = chunk(0x1200, f32(0) + f32(0) + f32(1)) + chunk(0x3000, f32(1)) +
                             chunk(0x7012, std::string(40, 'x')) + chunk(0x1234, "anything") +
                             namedObject("lamp", chunk(0x4600, f32(1) + f32(2) + f32(3))) +
                             namedObject("eye", chunk(0x4700, f32(4) + f32(5) + f32(6) + std::string(16, '\0'))) +
                             namedObject("o", chunk(0x4010, "") + triangleMesh(chunk(0x4150, le32(0))));
  std::string trace;
  std::string text;
  ASSERT_EQ(convertThreeDs(file3ds(editor), text, [&](std::string_view line) { trace += line; }), ThreeDsOk);
  EXPECT_EQ(text.find("lamp"), std::string::npos);
  EXPECT_EQ(text.find("eye"), std::string::npos);
  EXPECT_NE(text.find("Frame x3ds_o {\n"), std::string::npos);
  EXPECT_NE(trace.find("> Found Main chunk id of 4D4D\n>> Found *Editor* chunk id of 3D3D\n"), std::string::npos);
  EXPECT_NE(trace.find("     Found light at coordinates: X:  1.00, Y:  2.00,Z:  3.00\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find("     Found Camera viewpoint at coordinates: X:  4.00, Y:  5.00,Z:  6.00\n"), std::string::npos);
  EXPECT_NE(trace.find("      Found (3) number of vertices\n"), std::string::npos);
  // The same without a trace function: nothing is printed, the text is the same.
  EXPECT_EQ(convert(file3ds(editor)), text);
}

std::string objects(size_t count) {
  std::string editor;
  for (size_t i = 0; i < count; ++i) editor += namedObject("n" + std::to_string(i), "");
  return editor;
}

std::string nodes(size_t count) {
  std::string keyframer;
  for (size_t i = 0; i < count; ++i) keyframer += node("n", 0xFFFF, {0, 0, 0}, "");
  return keyframer;
}

TEST(ThreeDs, ObjectsAndNodesAreLimitedTo5000) {
  convert(file3ds(objects(5000)), ThreeDsOk);
  convert(file3ds(objects(5001)), ThreeDsTooManyObjects);
  convert(file3ds("", nodes(5000)), ThreeDsOk);
  convert(file3ds("", nodes(5001)), ThreeDsTooManyObjects);
}

// Every count, length, index and string is held to its chunk: the last value that fits
// reads, the first that does not is refused.
TEST(ThreeDs, CountsLengthsAndIndicesAreHeldToTheirChunk) {
  auto objectFile = [](const std::string& meshChunks) { return file3ds(namedObject("o", mesh(meshChunks))); };
  const std::string vertices = vertexList({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  const std::string face = faceList({{0, 1, 2}});
  // Vertex count: 3 records present.
  convert(objectFile(chunk(0x4110, le16(3) + vertices.substr(8)) + face), ThreeDsOk);
  convert(objectFile(chunk(0x4110, le16(4) + vertices.substr(8)) + face), ThreeDsBrokenChunk);
  // Face count.
  convert(objectFile(vertices + chunk(0x4120, le16(1) + face.substr(8))), ThreeDsOk);
  convert(objectFile(vertices + chunk(0x4120, le16(2) + face.substr(8))), ThreeDsBrokenChunk);
  // Corners: the last vertex, then one past it.
  convert(objectFile(vertices + faceList({{0, 1, 2}, {2, 2, 2}})), ThreeDsOk);
  convert(objectFile(vertices + faceList({{0, 1, 3}})), ThreeDsBrokenChunk);
  // Face material entries: the last face, then one past it.
  convert(objectFile(vertices + faceList({{0, 1, 2}}, faceMaterial("m", {0}))), ThreeDsOk);
  convert(objectFile(vertices + faceList({{0, 1, 2}}, faceMaterial("m", {1}))), ThreeDsBrokenChunk);
  convert(objectFile(vertices + faceList({{0, 1, 2}}, chunk(0x4130, cstr("m") + le16(2) + le16(0)))),
          ThreeDsBrokenChunk);
  // Texture coordinates: one per vertex.
  convert(objectFile(vertices + face + textureCoords({{0, 0}, {0, 0}, {0, 0}})), ThreeDsOk);
  convert(objectFile(vertices + face + textureCoords({{0, 0}, {0, 0}})), ThreeDsBrokenChunk);
  convert(objectFile(vertices + face + chunk(0x4140, le16(3) + std::string(20, '\0'))), ThreeDsBrokenChunk);
  // Axes: twelve numbers.
  convert(objectFile(vertices + face + chunk(0x4160, std::string(48, '\0'))), ThreeDsOk);
  convert(objectFile(vertices + face + chunk(0x4160, std::string(47, '\0'))), ThreeDsBrokenChunk);
  // A name must end inside its chunk.
  convert(file3ds(chunk(0x4000, "o")), ThreeDsBrokenChunk);
  convert(file3ds(material("m", "") + chunk(0xAFFF, chunk(0xA000, "m"))), ThreeDsBrokenChunk);
  // Numbers that are not finite are refused.
  convert(objectFile(vertexList({{0, 0, 0}, {1, 0, std::numeric_limits<float>::quiet_NaN()}, {0, 1, 0}}) + face),
          ThreeDsBrokenChunk);
  convert(objectFile(vertexList({{0, 0, 0}, {1, 0, std::numeric_limits<float>::infinity()}, {0, 1, 0}}) + face),
          ThreeDsBrokenChunk);
  // Key frames up to the largest written number.
  convert(file3ds("", node("n", 0xFFFF, {0, 0, 0}, track(0xB020, {{0x7FFFFFFF, {0, 0, 0}}}))), ThreeDsOk);
  convert(file3ds("", node("n", 0xFFFF, {0, 0, 0}, track(0xB020, {{0x80000000u, {0, 0, 0}}}))), ThreeDsBrokenChunk);
  // A key count beyond the chunk, however large, is refused before anything is made for it.
  const std::string oneKey = track(0xB020, {{0, {0, 0, 0}}});
  std::string huge = oneKey;
  huge.replace(16, 4, le32(0xFFFFFFFF));
  convert(file3ds("", chunk(0xB002, huge)), ThreeDsBrokenChunk);
  std::string two = oneKey;
  two.replace(16, 4, le32(2));
  convert(file3ds("", chunk(0xB002, two)), ThreeDsBrokenChunk);
  // Chunk lengths: below the header, and one byte past the parent.
  convert(file3ds(chunk(0x1234, "")), ThreeDsOk);
  convert(file3ds(le16(0x1234) + le32(5)), ThreeDsBrokenChunk);
  convert(file3ds(le16(0x1234) + le32(7)), ThreeDsBrokenChunk);
  std::string file = file3ds(objects(1));
  file.replace(2, 4, le32(uint32_t(file.size())));
  convert(file, ThreeDsOk);
  file.replace(2, 4, le32(uint32_t(file.size() + 1)));
  convert(file, ThreeDsBrokenChunk);
}

TEST(ThreeDs, AFileMustStartWithTheMainChunk) {
  convert("", ThreeDsNotThreeDs);
  convert(chunk(0x4D4D, "").substr(0, 5), ThreeDsNotThreeDs);
  EXPECT_EQ(convert(chunk(0x4D4D, "")), Header);
  convert(chunk(0x3D3D, ""), ThreeDsNotThreeDs);
  // Bytes after the main chunk are not part of the model.
  EXPECT_EQ(convert(chunk(0x4D4D, "") + "trailing"), Header);
}

// A file cut anywhere is refused; a file with any one byte changed either converts to text
// that loads back or is refused with a code, and nothing is read outside it (the sanitizer
// build checks).
TEST(ThreeDs, EveryTruncationAndSingleByteChangeFailsCleanly) {
  const std::string editor = material("m", chunk(0xA020, chunk(0x0010, f32(1) + f32(0) + f32(0))) +
                                               chunk(0xA200, chunk(0xA300, cstr("t.bmp")))) +
                             namedObject("body", triangleMesh(faceMaterial("m", {0}) + chunk(0x4150, le32(1))) +
                                                     chunk(0x4600, f32(1) + f32(2) + f32(3))) +
                             namedObject("arm", triangleMesh() + chunk(0x4700, std::string(32, '\0')));
  const std::string keyframer =
      node("body", 0xFFFF, {1, 0, 0},
           track(0xB020, {{0, {1, 0, 0}}, {5, {0, 1, 0}, 0x05}}) + track(0xB021, {{0, {1, 0, 0, 1}}}) +
               track(0xB022, {{0, {1, 2, 1}}}) + chunk(0xB030, le16(0))) +
      node("arm", 0, {0, 0, 0}, chunk(0xB011, cstr("i")) + track(0xB020, {{3, {1, 1, 1}}}) + chunk(0xB030, le16(1)));
  const std::string good = file3ds(editor, keyframer);
  ASSERT_FALSE(convert(good).empty());
  for (size_t length = 0; length < good.size(); ++length) {
    std::string text;
    const int result = convertThreeDs(std::string_view(good).substr(0, length), text);
    EXPECT_TRUE(result == ThreeDsNotThreeDs || result == ThreeDsBrokenChunk) << "cut at " << length;
    EXPECT_TRUE(text.empty());
  }
  int refused = 0;
  for (size_t at = 0; at < good.size(); ++at)
    for (int change : {0x01, 0x80, 0xFF}) {
      std::string bad = good;
      bad[at] = char(bad[at] ^ change);
      std::string text;
      const int result = convertThreeDs(bad, text);
      EXPECT_TRUE(result == ThreeDsOk || result == ThreeDsNotThreeDs || result == ThreeDsBrokenChunk)
          << "byte " << at << " changed by " << change << ": " << result;
      EXPECT_EQ(result == ThreeDsOk, !text.empty());
      XFile x;
      if (result == ThreeDsOk) {
        EXPECT_TRUE(readXFile(text, x)) << "byte " << at << " changed by " << change;
      }
      refused += result != ThreeDsOk;
    }
  EXPECT_GT(refused, 0);
}

TEST(ThreeDs, FilesAreConvertedWholeOrNotAtAll) {
  const std::string dir = freshFolder("three_ds_files");
  const std::string good = file3ds(namedObject("o", triangleMesh()));
  replaceFile(dir + "/model.3ds", good);
  replaceFile(dir + "/broken.3ds", good.substr(0, good.size() - 1));
  replaceFile(dir + "/out.x", "old text");

  EXPECT_EQ(convertThreeDsFile(dir + "/missing.3ds", dir + "/out.x"), ThreeDsCannotOpen);
  EXPECT_EQ(convertThreeDsFile(dir, dir + "/out.x"), ThreeDsCannotOpen);  // a folder
  EXPECT_EQ(convertThreeDsFile(dir + "/broken.3ds", dir + "/out.x"), ThreeDsBrokenChunk);
  EXPECT_EQ(readFile(dir + "/out.x"), "old text");  // a failed conversion leaves it alone

  std::string lines;
  EXPECT_EQ(convertThreeDsFile(dir + "/model.3ds", dir + "/out.x", [&](std::string_view l) { lines += l; }), ThreeDsOk);
  EXPECT_EQ(readFile(dir + "/out.x"), convert(good));
  EXPECT_NE(lines.find("     Found name : o\n"), std::string::npos);

  EXPECT_EQ(convertThreeDsFile(dir + "/model.3ds", dir + "/no/such/folder/out.x"), ThreeDsCannotWrite);
  EXPECT_FALSE(std::filesystem::exists(dir + "/no/such/folder/out.x"));
}

// ztc --3ds2x runs the same converter and says why a file was refused.
TEST(ThreeDs, TheCompilerConvertsModels) {
  const std::string dir = freshFolder("three_ds_ztc");
  const std::string good = file3ds(namedObject("o", triangleMesh()));
  replaceFile(dir + "/Model.3DS", good);
  replaceFile(dir + "/bad.3ds", "3DS?");
  RunResult ok = runIn(dir, {ZT_COMPILER_BINARY, "--3ds2x", "Model.3DS", "model.x"});
  EXPECT_EQ(ok.exitCode, 0) << ok.err;
  EXPECT_EQ(readFile(dir + "/model.x"), convert(good));
  RunResult bad = runIn(dir, {ZT_COMPILER_BINARY, "--3ds2x", "bad.3ds", "bad.x"});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.err, "ztc: bad.3ds: not a 3DS file\n");
  RunResult missing = runIn(dir, {ZT_COMPILER_BINARY, "--3ds2x", "none.3ds", "none.x"});
  EXPECT_EQ(missing.err, "ztc: none.3ds: cannot be opened for reading\n");
  RunResult unwritable = runIn(dir, {ZT_COMPILER_BINARY, "--3ds2x", "Model.3DS", "no/folder.x"});
  EXPECT_EQ(unwritable.err, "ztc: no/folder.x: the destination cannot be written\n");
  EXPECT_EQ(runIn(dir, {ZT_COMPILER_BINARY, "--3ds2x", "Model.3DS"}).exitCode, 2);
}

XVector through(const XMatrix& m, XVector p) {
  return {p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12], p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
          p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]};
}

// The written text loads back through our .x reader: every vertex, carried through its frame
// and the frames above it, lands where the 3DS file put it (y and z swapped); faces, texture
// coordinates, materials and every key come back as written.
TEST(ThreeDs, TheWrittenTextLoadsBackWithTheSameGeometryAndAnimation) {
  const std::vector<std::vector<float>> bodyPoints{{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {1, 1, 3}};
  const std::vector<std::vector<float>> armPoints{{2, 0, 1}, {3, 0, 1}, {2, 0, 2}};
  const std::string editor =
      material("skin", chunk(0xA020, chunk(0x0010, f32(0.5f) + f32(0.25f) + f32(1))) +
                           chunk(0xA200, chunk(0xA300, cstr("skin.bmp")))) +
      namedObject("body", mesh(vertexList(bodyPoints) + faceList({{0, 1, 2}, {0, 1, 3}}, faceMaterial("skin", {1})) +
                               textureCoords({{0, 0}, {1, 0}, {0, 1}, {0.5f, 0.25f}}) +
                               localAxes({0, 1, 0, -1, 0, 0, 0, 0, 1, 1, 1, 0}))) +
      namedObject(
          "arm", mesh(vertexList(armPoints) + faceList({{0, 1, 2}}) + localAxes({1, 0, 0, 0, 1, 0, 0, 0, 1, 2, 0, 0})));
  const std::string keyframer = node("body", 0xFFFF, {0.5f, 0.25f, 0},
                                     track(0xB020, {{0, {1, 1, 0}}, {30, {1, 4, 0}}}) +
                                         track(0xB021, {{0, {0.5f, 0, 0, 1}}}) + track(0xB022, {{0, {1, 1, 1}}})) +
                                node("arm", 0, {0, 0, 0.5f}, track(0xB022, {{0, {1, 1, 1}}, {15, {1, 2, 3}}}));
  const std::string text = convert(file3ds(editor, keyframer));
  XFile x;
  const XFileResult read = readXFile(text, x);
  ASSERT_TRUE(read) << read.message << "\n" << text;

  ASSERT_EQ(x.frames.size(), 2u);
  EXPECT_EQ(x.frames[0].name, "x3ds_body");
  EXPECT_EQ(x.frames[1].name, "x3ds_arm");
  EXPECT_EQ(x.frames[1].parent, 0);
  ASSERT_EQ(x.meshes.size(), 2u);
  const std::vector<std::vector<std::vector<float>>> points{bodyPoints, armPoints};
  for (size_t m = 0; m < 2; ++m) {
    const XMesh& xm = x.meshes[m];
    ASSERT_EQ(xm.vertices.size(), points[m].size());
    for (size_t v = 0; v < xm.vertices.size(); ++v) {
      XVector world = xm.vertices[v];
      for (int32_t f = xm.frame; f >= 0; f = x.frames[size_t(f)].parent)
        world = through(x.frames[size_t(f)].transform, world);
      EXPECT_NEAR(world.x, points[m][v][0], 1e-5) << m << " " << v;
      EXPECT_NEAR(world.y, points[m][v][2], 1e-5) << m << " " << v;
      EXPECT_NEAR(world.z, points[m][v][1], 1e-5) << m << " " << v;
    }
    ASSERT_FALSE(xm.normals.empty());
  }
  EXPECT_EQ(x.meshes[0].triangles, (std::vector<uint32_t>{0, 2, 1, 0, 3, 1}));
  ASSERT_EQ(x.meshes[0].texCoords.size(), 4u);
  EXPECT_FLOAT_EQ(x.meshes[0].texCoords[3].u, 0.5f);
  EXPECT_FLOAT_EQ(x.meshes[0].texCoords[3].v, 0.75f);
  ASSERT_EQ(x.materials.size(), 1u);
  EXPECT_EQ(x.materials[0].name, "x3ds_mat_skin");
  EXPECT_EQ(x.materials[0].textureFilename, "skin.bmp");
  EXPECT_FLOAT_EQ(x.materials[0].faceColor[1], 0.25f);
  EXPECT_EQ(x.meshes[0].faceMaterials, (std::vector<uint32_t>{0, 0}));
  EXPECT_TRUE(x.meshes[1].faceMaterials.empty());

  ASSERT_EQ(x.animationSets.size(), 1u);
  const std::vector<XAnimation>& a = x.animationSets[0].animations;
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[0].frame, 0);
  EXPECT_EQ(a[1].frame, 1);
  ASSERT_EQ(a[0].positionKeys.size(), 2u);
  EXPECT_EQ(a[0].positionKeys[1].time, 30u);
  EXPECT_FLOAT_EQ(a[0].positionKeys[1].value.y, 0);
  EXPECT_FLOAT_EQ(a[0].positionKeys[1].value.z, 4);
  ASSERT_EQ(a[0].rotationKeys.size(), 1u);
  EXPECT_NEAR(a[0].rotationKeys[0].w, std::cos(0.25), 1e-6);
  EXPECT_NEAR(a[0].rotationKeys[0].y, -std::sin(0.25), 1e-6);
  EXPECT_TRUE(a[0].scaleKeys.empty());
  ASSERT_EQ(a[1].scaleKeys.size(), 2u);
  EXPECT_EQ(a[1].scaleKeys[1].time, 15u);
  EXPECT_FLOAT_EQ(a[1].scaleKeys[1].value.y, 3);
  EXPECT_FLOAT_EQ(a[1].scaleKeys[1].value.z, 2);
  EXPECT_TRUE(a[1].positionKeys.empty());
}

}  // namespace
}  // namespace zt
