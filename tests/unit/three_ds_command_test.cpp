// 3DS files in the engine: 3DS2X writing the converter's .x text and refusing bad names in
// its check order, LOAD OBJECT and LOAD MESH of .3ds files through the work file, a broken
// file ending the program, and the converter's progress lines in the log in debug mode only.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "compiler/compiler.h"
#include "formats/three_ds_x.h"
#include "host/settings.h"
#include "platform/fs.h"
#include "support/error_cases.h"
#include "support/image_builder.h"
#include "support/scene3d.h"
#include "support/three_ds_files.h"

namespace zt::test {
namespace {

// Two named objects: a triangle with the vertex (1, 2, 3) and a second one whose name holds
// a space, both without local axes or keyframer nodes.
std::string twoTriangles() {
  const std::string body = mesh(vertexList({{1, 2, 3}, {3, 2, 3}, {1, 4, 3}}) + faceList({{0, 1, 2}}));
  const std::string arm = mesh(vertexList({{0, 0, 0}, {0, 0, 5}, {2, 0, 0}}) + faceList({{0, 1, 2}}));
  return file3ds(namedObject("Body", body) + namedObject("Arm Part", arm));
}

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A folder holding model.3ds, broken.3ds (cut inside its vertex list) and taken.x.
std::string writeFiles(const std::string& name) {
  const std::string dir = freshFolder(name);
  const std::string model = twoTriangles();
  std::ofstream(dir + "/model.3ds", std::ios::binary) << model;
  std::ofstream(dir + "/broken.3ds", std::ios::binary) << model.substr(0, 40);
  std::ofstream(dir + "/taken.x", std::ios::binary) << "keep me";
  return dir;
}

RunResult runProgram(const std::string& name, const std::string& source, const std::string& setupIni = "") {
  compiler::CompileResult program = compiler::compileText("prog.ztb", source);
  EXPECT_TRUE(program.ok) << program.messages;
  return runImage(name, program.image, {}, setupIni);
}

TEST(ThreeDsCommand, WritesTheConvertersTextWithExtensionsInAnyCase) {
  const std::string dir = writeFiles("three_ds_command_files");
  std::ofstream(dir + "/UPPER.3DS", std::ios::binary) << twoTriangles();
  const RunResult r = runProgram("three_ds_command", "SET DIR \"" + dir + "\"\n3DS2X \"model.3ds\", \"model.x\"\n" +
                                                         "3DS2X \"UPPER.3DS\", \"UPPER.X\"\nPRINT \"done\"\n");
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  std::string expected;
  ASSERT_EQ(convertThreeDs(twoTriangles(), expected), ThreeDsOk);
  const std::string written = readText(dir + "/model.x");
  EXPECT_EQ(written, expected);
  EXPECT_NE(written.find("1.000000; 3.000000; 2.000000;,"), std::string::npos) << "y and z swapped";
  EXPECT_NE(written.find("3;0,2,1;;"), std::string::npos) << "corners turned";
  EXPECT_NE(written.find("Frame x3ds_Arm_Part {"), std::string::npos);
  EXPECT_EQ(readText(dir + "/UPPER.X"), expected);
  EXPECT_EQ(r.out.find("Found"), std::string::npos) << "no progress lines on the console";
}

TEST(ThreeDsCommand, ErrorsInTheirCheckOrder) {
  const std::string dir = writeFiles("three_ds_command_errors_files");
  const std::string d = dir + "/";
  const ErrorCase cases[] = {
      {"3DS2X \"" + d + "model.3ds\", \"" + d + "new.x\"", 0},
      {"3DS2X \"" + d + "missing.txt\", \"" + d + "taken.txt\"", 7931},
      {"3DS2X \"" + d + "model.3ds.bak\", \"" + d + "new2.x\"", 7931},
      {"3DS2X \"" + d + "model\", \"" + d + "new2.x\"", 7931},
      {"3DS2X \"" + d + "missing.3ds\", \"" + d + "taken.txt\"", 7932},
      {"3DS2X \"" + d + "model.3ds\", \"" + d + "new2\"", 7932},
      {"3DS2X \"" + d + "model.3ds\", \"" + d + "new2.xx\"", 7932},
      {"3DS2X \"" + d + "missing.3ds\", \"" + d + "taken.x\"", 105},
      {"3DS2X \"" + d + "model.3ds\", \"" + d + "taken.x\"", 106},
      {"3DS2X \"" + d + "model.3ds\", \"" + d + "new.x\"", 106},
      {"3DS2X \"" + d + "broken.3ds\", \"" + d + "new3.x\"", 7102},
  };
  expectErrorCases("three_ds_command_errors", cases);
  EXPECT_EQ(readText(dir + "/taken.x"), "keep me") << "an existing destination is never touched";
  EXPECT_FALSE(pathExists(dir + "/new2.x"));
  EXPECT_FALSE(pathExists(dir + "/new3.x")) << "a failed conversion leaves no file";
}

TEST(ThreeDsCommand, BrokenOrMissingFilesOnLoad) {
  const std::string d = writeFiles("three_ds_load_errors_files") + "/";
  const ErrorCase cases[] = {
      {"LOAD OBJECT \"" + d + "broken.3ds\", 1", 7102},
      {"LOAD OBJECT \"" + d + "missing.3ds\", 1", 105},
      {"LOAD MESH \"" + d + "broken.3ds\", 1", 7002},
      {"LOAD MESH \"" + d + "missing.3ds\", 1", 7002},
      {"LOAD OBJECT \"" + d + "model.3ds\", 1 : LOAD MESH \"" + d + "MODEL.3DS\", 1", 0},
  };
  expectErrorCases("three_ds_load_errors", cases);
}

TEST(ThreeDsCommand, LoadObjectAndMeshThroughTheWorkFile) {
  const std::string dir = writeFiles("three_ds_load_files");
  SceneRun s("three_ds_load", "SET DIR \"" + dir + "\"\nLOAD OBJECT \"model.3ds\", 1 : LOAD MESH \"model.3ds\", 2\n" +
                                  "DO : SYNC : LOOP\n");
  ASSERT_TRUE(s.started());
  s.run(3);
  Engine3DState& e = s.scene();
  ASSERT_NE(e.ObjectMap[1], 0);
  const ObjectRecord& o = e.objects[e.ObjectMap[1]];
  EXPECT_EQ(o.limbCount, 3) << "the root and one limb per object of the file";
  EXPECT_EQ(o.limbs[1].name, "x3ds_Body");
  EXPECT_EQ(o.limbs[2].name, "x3ds_Arm_Part");
  ASSERT_GT(o.limbs[1].mesh, 0);
  const MeshData& body = e.meshes.records[size_t(o.limbs[1].mesh)];
  ASSERT_FALSE(body.vertices.empty());
  EXPECT_EQ(body.faces.size(), 3u);
  EXPECT_FLOAT_EQ(body.vertices[0].x, 1);
  EXPECT_FLOAT_EQ(body.vertices[0].y, 3);
  EXPECT_FLOAT_EQ(body.vertices[0].z, 2);
  ASSERT_NE(e.MeshMap[2], 0);
  const MeshData& gathered = e.meshes.records[size_t(e.MeshMap[2])];
  EXPECT_EQ(gathered.faces.size(), 6u) << "both triangles in one mesh";
  float largestZ = -1e9f;
  for (const Vec3& v : gathered.vertices) largestZ = std::max(largestZ, v.z);
  EXPECT_FLOAT_EQ(largestZ, 4);
  const std::string& folder = temporaryFolder(s.rt());
  ASSERT_FALSE(folder.empty());
  EXPECT_FALSE(pathExists(folder + "workfile.x")) << "the work file goes after the load";
}

TEST(ThreeDsCommand, ProgressLinesGoToTheLogInDebugModeOnly) {
  const std::string dir = writeFiles("three_ds_log_files");
  const std::string source = "LOAD OBJECT \"" + dir + "/model.3ds\", 1\nPRINT \"loaded\"\n";
  const RunResult quiet = runProgram("three_ds_log_quiet", source);
  EXPECT_EQ(quiet.out, "loaded\n");
  EXPECT_FALSE(pathExists(quiet.dir + "/ZT.LOG"));
  const RunResult debug = runProgram("three_ds_log_debug", source, "[SETTINGS]\nDEBUGMODE=1\n");
  EXPECT_EQ(debug.out, "loaded\n");
  const std::string log = readText(debug.dir + "/ZT.LOG");
  EXPECT_NE(log.find("[CONVERSION]"), std::string::npos) << log;
  EXPECT_NE(log.find("LINE1=> Found Main chunk id of 4D4D"), std::string::npos) << log;
}

}  // namespace
}  // namespace zt::test
