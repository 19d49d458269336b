// Matrix terrain: the grid mesh's layout and tile painting, the ground height on tiles that
// are not square, the errors of the matrix commands in their check order, and what reaches
// the device vertices (only at commands that re-send the grid) and the render flags.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine3d/matrix_grid.h"
#include "support/error_cases.h"
#include "support/scene3d.h"

namespace zt::test {
namespace {

MatrixData grid(float width, float depth, int32_t columns, int32_t rows) {
  MatrixData m;
  m.width = width;
  m.depth = depth;
  m.columns = columns;
  m.rows = rows;
  return m;
}

Vec3 corner(const MeshData& mesh, const MatrixData& m, int tx, int tz, int c) {
  return mesh.vertices[(size_t(tx) * size_t(m.rows) + size_t(tz)) * 4 + size_t(c)];
}

TEST(MatrixGrid, TilesColumnByColumnWithTheirOwnCorners) {
  const MatrixData m = grid(6, 4, 3, 2);
  MeshData mesh;
  buildGrid(mesh, m);
  ASSERT_EQ(mesh.vertices.size(), 24u);
  ASSERT_EQ(mesh.faces.size(), 36u);  // two triangles a tile
  // Tile (2, 1) is tile 5: x from 4 to 6, z from 2 to 4, corners anticlockwise from (x0, z0).
  const Vec3 expected[4] = {{4, 0, 2}, {6, 0, 2}, {6, 0, 4}, {4, 0, 4}};
  for (int c = 0; c < 4; ++c) {
    const Vec3 v = corner(mesh, m, 2, 1, c);
    EXPECT_FLOAT_EQ(v.x, expected[c].x) << c;
    EXPECT_FLOAT_EQ(v.z, expected[c].z) << c;
    EXPECT_FLOAT_EQ(mesh.normals[20 + size_t(c)].y, 1) << c;
  }
  // Both triangles of a tile hold corners 0 and 2: the split the ground height assumes.
  for (size_t tri = 0; tri < 2; ++tri) {
    const uint32_t* f = &mesh.faces[30 + 3 * tri];
    EXPECT_NE(std::find(f, f + 3, 20u), f + 3);
    EXPECT_NE(std::find(f, f + 3, 22u), f + 3);
  }
  // A fresh tile shows the whole texture, half a texel in from the edges of a 256 x 255 one.
  const float uv[8] = {0.00390625f, 1.0f, 0.99609375f, 1.0f, 0.99609375f, 0.003921569f, 0.00390625f, 0.003921569f};
  for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(mesh.uv[40 + size_t(i)], uv[i]) << i;
}

TEST(MatrixGrid, TilesPaintedFromTheSheetAcrossThenDown) {
  MatrixData m = grid(2, 2, 1, 1);
  m.across = 4;
  m.down = 2;
  MeshData mesh;
  buildGrid(mesh, m);
  // Tile 6 of 4 x 2: column 1, row 1. Left, bottom first; top is the smaller v.
  paintTile(mesh, m, 0, 0, 6, 0.01f, 0.02f);
  const float expected[8] = {0.26f, 0.98f, 0.49f, 0.98f, 0.49f, 0.52f, 0.26f, 0.52f};
  for (int i = 0; i < 8; ++i) EXPECT_NEAR(mesh.uv[size_t(i)], expected[i], 1e-6f) << i;
  // The last tile, and tile numbers below 1 wrapping back onto the sheet.
  for (int32_t tile : {8, 0, -8}) {
    paintTile(mesh, m, 0, 0, tile, 0, 0);
    EXPECT_FLOAT_EQ(mesh.uv[0], 0.75f) << tile;
    EXPECT_FLOAT_EQ(mesh.uv[1], 1.0f) << tile;
  }
  paintTile(mesh, m, 0, 0, -7, 0, 0);  // -7 is 1 after a turn round the 8 tiles
  EXPECT_FLOAT_EQ(mesh.uv[0], 0.0f);
  EXPECT_FLOAT_EQ(mesh.uv[5], 0.0f);
}

TEST(MatrixGrid, GroundHeightFollowsTheDrawnTriangleOfANarrowTile) {
  // One tile 4 wide and 2 deep with only corner 2 raised to 4: the triangle (0, 1, 2)
  // rises with z (y = 2z), the triangle (0, 2, 3) with x (y = x).
  const MatrixData m = grid(4, 2, 1, 1);
  MeshData mesh;
  buildGrid(mesh, m);
  setPointHeight(mesh, m, 1, 1, 4);
  EXPECT_FLOAT_EQ(groundHeight(mesh, m, 3, 1), 2) << "below the diagonal";
  // Above the drawn diagonal although z - z0 < x - x0 there: the tile's proportions decide.
  EXPECT_FLOAT_EQ(groundHeight(mesh, m, 1.5f, 1), 1.5f) << "above the diagonal";
  EXPECT_FLOAT_EQ(groundHeight(mesh, m, 2, 1), 2) << "on the diagonal both agree";
  EXPECT_FLOAT_EQ(groundHeight(mesh, m, 4, 2), 4) << "the far corner";
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(groundHeight(mesh, m, nan, 1), 0) << "not a number is off the grid";
  EXPECT_EQ(groundHeight(mesh, m, 1, nan), 0);
}

TEST(MatrixGrid, EveryCopyOfAGridPointMoves) {
  const MatrixData m = grid(3, 3, 3, 3);
  MeshData mesh;
  buildGrid(mesh, m);
  setPointHeight(mesh, m, 1, 1, 7);
  setPointNormal(mesh, m, 1, 1, {0, 0, 1});
  int copies = 0;
  for (size_t i = 0; i < mesh.vertices.size(); ++i)
    if (mesh.vertices[i].y == 7) {
      ++copies;
      EXPECT_FLOAT_EQ(mesh.vertices[i].x, 1);
      EXPECT_FLOAT_EQ(mesh.vertices[i].z, 1);
      EXPECT_FLOAT_EQ(mesh.normals[i].z, 1);
    }
  EXPECT_EQ(copies, 4);
  setPointHeight(mesh, m, 3, 3, 2);  // the far corner has one copy
  EXPECT_FLOAT_EQ(corner(mesh, m, 2, 2, 2).y, 2);
  EXPECT_FLOAT_EQ(pointHeight(mesh, m, 3, 3), 2);
}

TEST(MatrixGrid, ShiftsMoveTileTexturesWithTheHeights) {
  MatrixData m = grid(2, 2, 2, 1);
  m.across = 2;
  m.down = 1;
  MeshData mesh;
  buildGrid(mesh, m);
  paintTile(mesh, m, 0, 0, 1, 0, 0);
  paintTile(mesh, m, 1, 0, 2, 0, 0);
  shiftGrid(mesh, m, ShiftDirection::Left);
  EXPECT_FLOAT_EQ(mesh.uv[0], 0.5f) << "tile 0 shows the sheet's tile 2";
  EXPECT_FLOAT_EQ(mesh.uv[8], 0.0f) << "tile 1 shows tile 1, wrapped round";
  shiftGrid(mesh, m, ShiftDirection::Right);
  EXPECT_FLOAT_EQ(mesh.uv[0], 0.0f);
  EXPECT_FLOAT_EQ(mesh.uv[8], 0.5f);
}

// Each program stops with the error named beside it: the first check that fails.
TEST(MatrixErrors, RaisedInTheirCheckOrder) {
  const std::string sheet = "GET IMAGE 1, 0, 0, 16, 16 : ";
  const ErrorCase cases[] = {
      {"MAKE MATRIX 1, 1, 1, 1, 1 : MAKE MATRIX 65535, 1, 1, 1, 1 : PRINT \"made\"", 0},
      {"MAKE MATRIX 0, 1, 1, 1, 1", 7010},
      {"MAKE MATRIX 65536, 0, 1, 1, 1", 7010},
      {"MAKE MATRIX 1, 1, 1, 1, 1 : MAKE MATRIX 1, 0, 1, 0, 1", 7009},
      {"MAKE MATRIX 1, 0, 1, 0, 1", 7011},
      {"MAKE MATRIX 1, 1, -0.01, 0, 1", 7011},
      {"MAKE MATRIX 1, 0.001, 0.001, 0, 1", 7012},
      {"MAKE MATRIX 1, 1, 1, 1, 0", 7012},
      {"MAKE MATRIX 1, 1, 1, -1, 100000", 7012},
      {"MAKE MATRIX 1, 1, 1, 5001, 1", 7015},
      {"MAKE MATRIX 1, 1, 1, 65536, 65536", 7015},
      {"MAKE MATRIX 1, 1, 1, 100, 51", 7015},
      {"DELETE MATRIX 65536", 7010},
      {"DELETE MATRIX 1", 7013},
      {"MAKE MATRIX 1, 1, 1, 1, 1 : DELETE MATRIX 1 : DELETE MATRIX 1", 7013},
      {"MAKE MATRIX 1, 1, 1, 1, 1 : DELETE MATRIX 1 : MAKE MATRIX 1, 1, 1, 1, 1 : PRINT \"again\"", 0},
      {"SET MATRIX WIREFRAME ON 0", 7010},
      {"SET MATRIX WIREFRAME OFF 2", 7013},
      {"PREPARE MATRIX TEXTURE 1, 1, 1, 1", 7013},
      {"MAKE MATRIX 1, 1, 1, 1, 1 : PREPARE MATRIX TEXTURE 1, 0, 1, 1", 501},
      {"MAKE MATRIX 1, 1, 1, 1, 1 : PREPARE MATRIX TEXTURE 1, 65536, 0, 0", 501},
      {"MAKE MATRIX 1, 1, 1, 1, 1 : PREPARE MATRIX TEXTURE 1, 65535, 0, 0", 502},
      {sheet + "MAKE MATRIX 1, 1, 1, 1, 1 : PREPARE MATRIX TEXTURE 1, 1, 0, 1 : PRINT MATRIX TILE COUNT(1)", 0},
      {"MAKE MATRIX 1, 1, 1, 1, 1 : FILL MATRIX 1, 0, 1", 7016},
      {sheet + "MAKE MATRIX 1, 1, 1, 1, 1 : PREPARE MATRIX TEXTURE 1, 1, 3, 2 : FILL MATRIX 1, 0, 6", 0},
      {sheet + "MAKE MATRIX 1, 1, 1, 1, 1 : PREPARE MATRIX TEXTURE 1, 1, 3, 2 : FILL MATRIX 1, 0, 7", 7016},
      {sheet + "MAKE MATRIX 1, 1, 1, 1, 1 : PREPARE MATRIX TEXTURE 1, 1, 3, 2 : FILL MATRIX 1, 0, 0", 0},
      {"FILL MATRIX 65536, 0, 1", 7010},
      {"MAKE MATRIX 1, 1, 1, 1, 1 : RANDOMIZE MATRIX 1, 0", 7014},
      {"MAKE MATRIX 1, 1, 1, 1, 1 : RANDOMIZE MATRIX 1, -1", 7014},
      {"MAKE MATRIX 1, 1, 1, 1, 1 : RANDOMIZE MATRIX 1, 0.001 : RANDOMIZE MATRIX 1, 1E30", 0},
      {"RANDOMIZE MATRIX 3, 1", 7013},
      {"MAKE MATRIX 1, 1, 1, 2, 3 : SET MATRIX HEIGHT 1, 2, 3, 1 : SET MATRIX HEIGHT 1, 0, 0, 1", 0},
      {"MAKE MATRIX 1, 1, 1, 2, 3 : SET MATRIX HEIGHT 1, 3, 0, 1", 7017},
      {"MAKE MATRIX 1, 1, 1, 2, 3 : SET MATRIX HEIGHT 1, 0, 4, 1", 7017},
      {"MAKE MATRIX 1, 1, 1, 2, 3 : SET MATRIX HEIGHT 1, -1, 0, 1", 7017},
      {"MAKE MATRIX 1, 1, 1, 2, 3 : SET MATRIX NORMAL 1, 2, 3, 0, 1, 0", 0},
      {"MAKE MATRIX 1, 1, 1, 2, 3 : SET MATRIX NORMAL 1, 0, -1, 0, 1, 0", 7017},
      {"MAKE MATRIX 1, 1, 1, 2, 3 : PRINT GET MATRIX HEIGHT(1, 2, 3)", 0},
      {"MAKE MATRIX 1, 1, 1, 2, 3 : PRINT GET MATRIX HEIGHT(1, 3, 3)", 7017},
      {"PRINT GET MATRIX HEIGHT(1, 0, 0)", 7013},
      {sheet + "MAKE MATRIX 1, 1, 1, 2, 3 : PREPARE MATRIX TEXTURE 1, 1, 2, 2 : SET MATRIX TILE 1, 1, 2, 4", 0},
      {sheet + "MAKE MATRIX 1, 1, 1, 2, 3 : PREPARE MATRIX TEXTURE 1, 1, 2, 2 : SET MATRIX TILE 1, 2, 2, 4", 7017},
      {sheet + "MAKE MATRIX 1, 1, 1, 2, 3 : PREPARE MATRIX TEXTURE 1, 1, 2, 2 : SET MATRIX TILE 1, 1, 3, 4", 7017},
      {sheet + "MAKE MATRIX 1, 1, 1, 2, 3 : PREPARE MATRIX TEXTURE 1, 1, 2, 2 : SET MATRIX TILE 1, 1, 2, 5", 7016},
      {"MAKE MATRIX 1, 1, 1, 2, 3 : SET MATRIX TILE 1, 0, 0, 1", 7016},
      {"MAKE MATRIX 1, 1, 1, 2, 3 : SET MATRIX TILE 1, 0, -1, 1", 7017},
      {"POSITION MATRIX 0, 1, 2, 3", 7010},
      {"SHIFT MATRIX UP 1", 7013},
      {"SHIFT MATRIX DOWN 0", 7010},
      {"SHIFT MATRIX LEFT 65536", 7010},
      {"SHIFT MATRIX RIGHT 9", 7013},
      {"UPDATE MATRIX 9", 7013},
      {"SET MATRIX 9, 1, 1, 1, 1, 1, 1, 1", 7013},
      {"GHOST MATRIX ON 0", 7010},
      {"GHOST MATRIX OFF 9", 7013},
      {"PRINT MATRIX EXIST(1); MATRIX EXIST(65535)", 0},
      {"PRINT MATRIX EXIST(0)", 7010},
      {"PRINT MATRIX EXIST(65536)", 7010},
      {"PRINT MATRIX WIREFRAME STATE(1)", 7013},
      {"PRINT MATRIX POSITION X(0)", 7010},
      {"PRINT MATRIX POSITION Y(1)", 7013},
      {"PRINT MATRIX POSITION Z(1)", 7013},
      {"PRINT MATRIX TILES EXIST(1)", 7013},
      {"PRINT MATRIX TILE COUNT(65536)", 7010},
      {"PRINT GET GROUND HEIGHT(1, 0, 0)", 7013},
      {"MAKE MATRIX 1, 1, 1, 1, 1 : PRINT GET GROUND HEIGHT(1, -1E30, 1E30)", 0},
  };
  expectErrorCases("matrix_error", cases);
}

const char* const Idle = "DO : SYNC : LOOP\n";

const MeshData& gridOf(SceneRun& s, int32_t number) {
  Engine3DState& e = s.scene();
  return e.meshes[e.objects[e.MatrixMap[size_t(number)]].limbs[0].mesh];
}

const RenderFlags& flagsOf(SceneRun& s, int32_t number) {
  Engine3DState& e = s.scene();
  return e.nodes[e.objects[e.MatrixMap[size_t(number)]].node].flags;
}

TEST(MatrixSend, HeightsNormalsAndTilesWaitForUpdate) {
  SceneRun s("matrix_update",
             "GET IMAGE 1, 0, 0, 16, 16\n"
             "MAKE MATRIX 1, 2, 2, 1, 1 : PREPARE MATRIX TEXTURE 1, 1, 2, 1\n"
             "MAKE MATRIX 2, 2, 2, 1, 1 : PREPARE MATRIX TEXTURE 2, 1, 2, 1\n"
             "FOR m = 1 TO 2\n"
             "  SET MATRIX HEIGHT m, 1, 1, 3 : SET MATRIX NORMAL m, 1, 1, 0, 0, 1 : SET MATRIX TILE m, 0, 0, 2\n"
             "NEXT m\n"
             "UPDATE MATRIX 2\n" +
                 std::string(Idle));
  ASSERT_TRUE(s.started());
  s.run(3);
  for (int32_t number : {1, 2}) {
    const MeshData& mesh = gridOf(s, number);
    ASSERT_EQ(mesh.sent.size(), 4u);
    EXPECT_FLOAT_EQ(mesh.vertices[2].y, 3) << number << ": the grid holds the height at once";
    const bool updated = number == 2;
    EXPECT_FLOAT_EQ(mesh.sent[2].y, updated ? 3 : 0) << number;
    EXPECT_FLOAT_EQ(mesh.sent[2].nz, updated ? 1 : 0) << number;
    // Tile 2 of a sheet 2 across starts at u = 0.5 plus half a texel of 16.
    EXPECT_FLOAT_EQ(mesh.sent[0].u, updated ? 0.5f + 1.0f / 32 : 1.0f / 32) << number;
  }
}

TEST(MatrixSend, GroundUnderTheCameraStaysWhenTheGridsCornerIsFarBehind) {
  // At the far corner of a 400 x 400 grid looking away from its position (the near
  // corner), 551 units behind: a sphere of 1.25 x the grid's width (501) would miss it.
  SceneRun s("matrix_cull",
             "MAKE MATRIX 1, 400, 400, 10, 10 : RANDOMIZE MATRIX 1, 30\n"
             "POSITION CAMERA 390, 5, 390 : POINT CAMERA 500, 5, 500\n" +
                 std::string(Idle));
  ASSERT_TRUE(s.started());
  s.run(3);
  Engine3DState& e = s.scene();
  const RenderNode& node = e.nodes[e.objects[e.MatrixMap[1]].node];
  EXPECT_EQ(node.drawn, 1);
  EXPECT_EQ(node.culled, 0);
}

TEST(MatrixSend, RenderFlagsOfAMatrix) {
  SceneRun s("matrix_flags",
             "GET IMAGE 1, 0, 0, 16, 16\n"
             "MAKE MATRIX 1, 2, 2, 1, 1 : MAKE MATRIX 2, 2, 2, 1, 1 : MAKE MATRIX 3, 2, 2, 1, 1\n"
             "PREPARE MATRIX TEXTURE 2, 1, 1, 1\n"
             "SET MATRIX 3, 0, 0, 1, 0, 0, 0, 0 : GHOST MATRIX ON 3\n" +
                 std::string(Idle));
  ASSERT_TRUE(s.started());
  s.run(3);
  EXPECT_EQ(flagsOf(s, 1).wireframe, 1) << "a new matrix is a wireframe";
  EXPECT_EQ(flagsOf(s, 1).cull, 0) << "seen from both sides";
  EXPECT_EQ(flagsOf(s, 2).wireframe, 0) << "a textured matrix is solid";
  const RenderFlags& f = flagsOf(s, 3);
  EXPECT_EQ(f.wireframe, 1);
  EXPECT_EQ(f.colorKey, 1);
  EXPECT_EQ(f.cull, 1);
  EXPECT_EQ(f.filter, 0);
  EXPECT_EQ(f.unlit, 1);
  EXPECT_EQ(f.fog, 0);
  EXPECT_EQ(f.ambient, 0);
  EXPECT_EQ(f.ghost, 1) << "the software device blends";
}

}  // namespace
}  // namespace zt::test
