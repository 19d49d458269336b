// Matrix commands: numbered terrain grids made on the object machinery (an object record,
// a render node and one grid mesh), numbered in their own map and reached only by these
// commands. Heights, normals and tiles set one at a time wait in the mesh until the next
// command that re-sends it; the others re-send at once.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "display2d/display.h"
#include "engine3d/engine3d.h"
#include "engine3d/matrix_grid.h"
#include "engine3d/object_parts.h"
#include "engine3d/scene.h"

namespace zt {

namespace {

constexpr int64_t MaxMatrixTriangles = 10000;
constexpr float CameraLookAhead = 100.0f;
constexpr int32_t MaxImageNumber = 65535;
// The render step keeps an object whose sphere of this many times its size, around its
// position, may be in view.
constexpr float CullExtentFactor = 1.25f;

// The object of matrix `number`: 7010 outside 1 to 65535, 7013 when it does not exist.
ObjectRecord* checkedMatrix(Runtime& rt, int32_t number) {
  if (number < 1 || number > MaxMatrixNumber) {
    raiseError(rt, ErrMatrixNumber);
    return nullptr;
  }
  const int32_t slot = rt.engine3d.MatrixMap[size_t(number)];
  if (slot == 0) {
    raiseError(rt, ErrNoMatrix);
    return nullptr;
  }
  return &rt.engine3d.objects[slot];
}

MeshData& gridOf(Runtime& rt, const ObjectRecord& o) { return rt.engine3d.meshes[o.limbs[0].mesh]; }
RenderNode& nodeOf(Runtime& rt, const ObjectRecord& o) { return rt.engine3d.nodes[o.node]; }

// A matrix's position is the grid's corner, so the sphere the render step tests grows to
// hold the whole grid: otherwise the ground under the camera vanishes whenever that corner
// is far enough behind it.
void coverGrid(ObjectRecord& o, const MeshData& grid) {
  float farthest = 0;
  for (const Vec3& v : grid.vertices) farthest = std::max(farthest, v.x * v.x + v.y * v.y + v.z * v.z);
  o.objectSize = std::max(o.objectSize, int32_t(std::sqrt(farthest) / CullExtentFactor) + 1);
}

// The grid's arrays to the device vertices.
void resend(ObjectRecord& o, MeshData& grid) {
  refreshMesh(grid);
  coverGrid(o, grid);
}

// Grid point (gx, gz) of operands 1 and 2 inside the grid, else 7017.
bool checkedPoint(Runtime& rt, const MatrixData& m, Word* pc) {
  const int32_t gx = operand(pc, 1).i, gz = operand(pc, 2).i;
  if (gx >= 0 && gx <= m.columns && gz >= 0 && gz <= m.rows) return true;
  raiseError(rt, ErrMatrixGridPoint);
  return false;
}

// A tile number of the prepared sheet, else 7016.
bool checkedTile(Runtime& rt, const MatrixData& m, int32_t tile) {
  if (m.tileCount > 0 && tile <= m.tileCount) return true;
  raiseError(rt, ErrMatrixTile);
  return false;
}

// Runs change(object, grid) on the matrix of operand 0 when it exists; re-sends the grid
// afterwards when `resend`.
template <bool Resend, class Change>
void changeMatrix(Runtime& rt, Word* pc, Change change) {
  ObjectRecord* o = checkedMatrix(rt, operand(pc, 0).i);
  if (!o) return;
  MeshData& grid = gridOf(rt, *o);
  if (!change(*o, grid)) return;
  if (Resend) resend(*o, grid);
}

void opMakeMatrix(Runtime& rt, Word* pc) {
  Engine3DState& s = rt.engine3d;
  const int32_t number = operand(pc, 0).i;
  MatrixData m;
  m.width = operand(pc, 1).f;
  m.depth = operand(pc, 2).f;
  m.columns = operand(pc, 3).i;
  m.rows = operand(pc, 4).i;
  if (number < 1 || number > MaxMatrixNumber) return raiseError(rt, ErrMatrixNumber);
  if (s.MatrixMap[size_t(number)] != 0) return raiseError(rt, ErrMatrixExists);
  if (!(m.width > 0 && m.depth > 0)) return raiseError(rt, ErrMatrixSize);
  if (m.columns < 1 || m.rows < 1) return raiseError(rt, ErrMatrixSegments);
  if (int64_t(m.columns) * m.rows * 2 > MaxMatrixTriangles) return raiseError(rt, ErrMatrixTooManyTiles);
  const int32_t slot = allocObject(rt);
  if (slot < 0) return;
  const int32_t mesh = allocMesh(rt);
  if (mesh < 0) return s.objects.release(slot);
  buildGrid(s.meshes[mesh], m);
  refreshMesh(s.meshes[mesh]);
  s.objects[slot].limbs[0].mesh = mesh;
  s.objects[slot].matrix = m;
  if (!initObject(rt, slot, false)) {
    releaseMesh(rt, mesh);
    return releaseObject(rt, slot);
  }
  ObjectRecord& o = s.objects[slot];  // the pools may have grown in initObject
  RenderNode& node = nodeOf(rt, o);
  node.flags.wireframe = 1;
  node.flags.cull = 0;
  s.MatrixMap[size_t(number)] = slot;
  // The camera over the middle of the grid looking along z, whatever AUTOCAM says.
  const float y = float(o.objectSize) / 100 + o.centreY;
  placeCamera(rt, {m.width / 2, y, m.depth / 2}, {m.width / 2, y, m.depth / 2 + CameraLookAhead},
              s.camera.nearRange, s.camera.farRange);
  coverGrid(o, gridOf(rt, o));
}

void opDeleteMatrix(Runtime& rt, Word* pc) {
  const int32_t number = operand(pc, 0).i;
  ObjectRecord* o = checkedMatrix(rt, number);
  if (!o) return;
  const int32_t slot = rt.engine3d.MatrixMap[size_t(number)];
  releaseMesh(rt, o->limbs[0].mesh);
  releaseObject(rt, slot);
  rt.engine3d.MatrixMap[size_t(number)] = 0;
}

template <int32_t On>
void opMatrixWireframe(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = checkedMatrix(rt, operand(pc, 0).i)) nodeOf(rt, *o).flags.wireframe = On;
}

void opPrepareMatrixTexture(Runtime& rt, Word* pc) {
  ObjectRecord* o = checkedMatrix(rt, operand(pc, 0).i);
  if (!o) return;
  const int32_t image = operand(pc, 1).i, across = operand(pc, 2).i, down = operand(pc, 3).i;
  if (image < 1 || image > MaxImageNumber) return raiseError(rt, ErrImageNumber);
  const int32_t texture = textureOfImage(rt, image);
  if (!texture) return raiseError(rt, ErrNoImage);
  if (across <= 0 || down <= 0) return;
  const TextureRecord& t = rt.engine3d.textures[texture];
  MatrixData& m = o->matrix;
  m.image = image;
  m.across = across;
  m.down = down;
  m.tileCount = int32_t(std::min<int64_t>(int64_t(across) * down, INT32_MAX));
  m.texelsWide = t.width;
  m.texelsHigh = t.height;
  o->limbs[0].texture = texture;
  o->limbs[0].imageNumber = image;
  nodeOf(rt, *o).flags.wireframe = 0;
  MeshData& grid = gridOf(rt, *o);
  paintAllTiles(grid, m, 1, 0.5f / float(m.texelsWide), 0.5f / float(m.texelsHigh));
  resend(*o, grid);
}

void opFillMatrix(Runtime& rt, Word* pc) {
  changeMatrix<true>(rt, pc, [&](ObjectRecord& o, MeshData& grid) {
    const MatrixData& m = o.matrix;
    const int32_t tile = operand(pc, 2).i;
    if (!checkedTile(rt, m, tile)) return false;
    setAllHeights(grid, operand(pc, 1).f);
    paintAllTiles(grid, m, tile, 1.0f / (float(m.texelsWide) * float(m.across)),
                  1.0f / (float(m.texelsHigh) * float(m.down)));
    return true;
  });
}

void opRandomizeMatrix(Runtime& rt, Word* pc) {
  changeMatrix<true>(rt, pc, [&](ObjectRecord& o, MeshData& grid) {
    const float h = operand(pc, 1).f;
    if (!(h > 0)) {
      raiseError(rt, ErrRandomizeHeight);
      return false;
    }
    randomizeHeights(grid, o.matrix, rt.random, h);
    return true;
  });
}

void opSetMatrixHeight(Runtime& rt, Word* pc) {
  changeMatrix<false>(rt, pc, [&](ObjectRecord& o, MeshData& grid) {
    if (!checkedPoint(rt, o.matrix, pc)) return false;
    setPointHeight(grid, o.matrix, operand(pc, 1).i, operand(pc, 2).i, operand(pc, 3).f);
    return true;
  });
}

void opSetMatrixNormal(Runtime& rt, Word* pc) {
  changeMatrix<false>(rt, pc, [&](ObjectRecord& o, MeshData& grid) {
    if (!checkedPoint(rt, o.matrix, pc)) return false;
    const Vec3 normal{operand(pc, 3).f, operand(pc, 4).f, operand(pc, 5).f};
    setPointNormal(grid, o.matrix, operand(pc, 1).i, operand(pc, 2).i, normal);
    return true;
  });
}

void opSetMatrixTile(Runtime& rt, Word* pc) {
  changeMatrix<false>(rt, pc, [&](ObjectRecord& o, MeshData& grid) {
    const MatrixData& m = o.matrix;
    const int32_t tx = operand(pc, 1).i, tz = operand(pc, 2).i, tile = operand(pc, 3).i;
    if (tx < 0 || tx >= m.columns || tz < 0 || tz >= m.rows) {
      raiseError(rt, ErrMatrixGridPoint);
      return false;
    }
    if (!checkedTile(rt, m, tile)) return false;
    paintTile(grid, m, tx, tz, tile, 0.5f / float(m.texelsWide), 0.5f / float(m.texelsHigh));
    return true;
  });
}

void opPositionMatrix(Runtime& rt, Word* pc) {
  ObjectRecord* o = checkedMatrix(rt, operand(pc, 0).i);
  if (!o) return;
  RenderNode& n = nodeOf(rt, *o);
  n.x = operand(pc, 1).f;
  n.y = operand(pc, 2).f;
  n.z = operand(pc, 3).f;
}

template <ShiftDirection Direction>
void opShiftMatrix(Runtime& rt, Word* pc) {
  changeMatrix<true>(rt, pc, [](ObjectRecord& o, MeshData& grid) {
    shiftGrid(grid, o.matrix, Direction);
    return true;
  });
}

void opUpdateMatrix(Runtime& rt, Word* pc) {
  changeMatrix<true>(rt, pc, [](ObjectRecord&, MeshData&) { return true; });
}

// The render flags of SET OBJECT with all seven flag operands.
void opSetMatrix(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = checkedMatrix(rt, operand(pc, 0).i)) setObjectFlags(nodeOf(rt, *o).flags, pc, 7);
}

void opGhostMatrixOn(Runtime& rt, Word* pc) {
  ObjectRecord* o = checkedMatrix(rt, operand(pc, 0).i);
  if (o && capabilities3D(rt).blendLevel != 0) nodeOf(rt, *o).flags.ghost = 1;
}

void opGhostMatrixOff(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = checkedMatrix(rt, operand(pc, 0).i)) nodeOf(rt, *o).flags.ghost = 0;
}

// ---- functions: operand 0 is the result ----

Word* opMatrixExist(Runtime& rt, Word* pc) {
  const int32_t number = operand(pc, 1).i;
  if (number < 1 || number > MaxMatrixNumber)
    raiseError(rt, ErrMatrixNumber);
  else
    operand(pc, 0).i = rt.engine3d.MatrixMap[size_t(number)] != 0;
  return pc + 2;
}

// Sets the result from the matrix of operand 1 when it exists.
template <int Operands, class Read>
Word* matrixQuery(Runtime& rt, Word* pc, Read read) {
  if (ObjectRecord* o = checkedMatrix(rt, operand(pc, 1).i)) read(*o, operand(pc, 0));
  return pc + Operands;
}

Word* opMatrixWireframeState(Runtime& rt, Word* pc) {
  return matrixQuery<2>(rt, pc, [&](ObjectRecord& o, Cell& result) { result.i = nodeOf(rt, o).flags.wireframe; });
}

Word* opGetMatrixHeight(Runtime& rt, Word* pc) {
  return matrixQuery<4>(rt, pc, [&](ObjectRecord& o, Cell& result) {
    if (checkedPoint(rt, o.matrix, pc + 1))
      result.f = pointHeight(gridOf(rt, o), o.matrix, operand(pc, 2).i, operand(pc, 3).i);
  });
}

template <float RenderNode::*Axis>
Word* opMatrixPosition(Runtime& rt, Word* pc) {
  return matrixQuery<2>(rt, pc, [&](ObjectRecord& o, Cell& result) { result.f = nodeOf(rt, o).*Axis; });
}

Word* opMatrixTilesExist(Runtime& rt, Word* pc) {
  return matrixQuery<2>(rt, pc, [](ObjectRecord& o, Cell& result) { result.i = o.matrix.tileCount > 0; });
}

Word* opMatrixTileCount(Runtime& rt, Word* pc) {
  return matrixQuery<2>(rt, pc, [](ObjectRecord& o, Cell& result) { result.i = o.matrix.tileCount; });
}

Word* opGetGroundHeight(Runtime& rt, Word* pc) {
  return matrixQuery<4>(rt, pc, [&](ObjectRecord& o, Cell& result) {
    result.f = groundHeight(gridOf(rt, o), o.matrix, operand(pc, 2).f, operand(pc, 3).f);
  });
}

const CommandRow Rows[] = {
    {CmdMakeMatrix, skipAfter<opMakeMatrix, 5>},
    {CmdDeleteMatrix, skipAfter<opDeleteMatrix, 1>},
    {CmdSetMatrixWireframeOn, skipAfter<opMatrixWireframe<1>, 1>},
    {CmdSetMatrixWireframeOff, skipAfter<opMatrixWireframe<0>, 1>},
    {CmdPrepareMatrixTexture, skipAfter<opPrepareMatrixTexture, 4>},
    {CmdFillMatrix, skipAfter<opFillMatrix, 3>},
    {CmdRandomizeMatrix, skipAfter<opRandomizeMatrix, 2>},
    {CmdSetMatrixHeight, skipAfter<opSetMatrixHeight, 4>},
    {CmdSetMatrixNormal, skipAfter<opSetMatrixNormal, 6>},
    {CmdPositionMatrix, skipAfter<opPositionMatrix, 4>},
    {CmdShiftMatrixUp, skipAfter<opShiftMatrix<ShiftDirection::Up>, 1>},
    {CmdShiftMatrixDown, skipAfter<opShiftMatrix<ShiftDirection::Down>, 1>},
    {CmdShiftMatrixLeft, skipAfter<opShiftMatrix<ShiftDirection::Left>, 1>},
    {CmdShiftMatrixRight, skipAfter<opShiftMatrix<ShiftDirection::Right>, 1>},
    {CmdUpdateMatrix, skipAfter<opUpdateMatrix, 1>},
    {CmdSetMatrixTile, skipAfter<opSetMatrixTile, 4>},
    {CmdSetMatrix, skipAfter<opSetMatrix, 8>},
    {CmdGhostMatrixOn, skipAfter<opGhostMatrixOn, 1>},
    {CmdGhostMatrixOff, skipAfter<opGhostMatrixOff, 1>},
    {CmdMatrixExist, opMatrixExist},
    {CmdMatrixWireframeState, opMatrixWireframeState},
    {CmdGetMatrixHeight, opGetMatrixHeight},
    {CmdMatrixPositionX, opMatrixPosition<&RenderNode::x>},
    {CmdMatrixPositionY, opMatrixPosition<&RenderNode::y>},
    {CmdMatrixPositionZ, opMatrixPosition<&RenderNode::z>},
    {CmdMatrixTilesExist, opMatrixTilesExist},
    {CmdMatrixTileCount, opMatrixTileCount},
    {CmdGetGroundHeight, opGetGroundHeight},
};

}  // namespace

extern const std::span<const CommandRow> MatrixRows(Rows);

}  // namespace zt
