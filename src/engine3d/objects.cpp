// Object commands: making objects from meshes, primitives and files, deleting them,
// changing a limb's mesh, the static batch, and the checklist of an object's limbs.
#include <cmath>
#include <vector>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "engine3d/collision.h"
#include "engine3d/object_parts.h"
#include "engine3d/objects.h"
#include "services/checklist.h"

namespace zt {

namespace {

// The object `number` with one limb of mesh slot `mesh` (0: none), textured with image
// `image` (0: none), initialised with collision `shape`; the mesh is released on failure.
bool makeWithMesh(Runtime& rt, int32_t number, int32_t mesh, int32_t image, int32_t shape, Vec3 sizes = {}) {
  const int32_t slot = newObject(rt);
  if (slot == 0) {
    releaseMesh(rt, mesh);
    return false;
  }
  rt.engine3d.objects[slot].limbs[0].mesh = mesh;
  if (!finishObject(rt, number, slot, shape, sizes)) return false;
  if (image > 0) {
    const int32_t texture = textureOfImage(rt, image);
    LimbRecord& root = rt.engine3d.objects[slot].limbs[0];
    root.texture = texture;
    root.imageNumber = image;
  }
  return true;
}

// A primitive object: the corners become its mesh; false after an error.
bool makePrimitive(Runtime& rt, int32_t number, const PrimitiveMesh& corners, int32_t shape, Vec3 sizes = {}) {
  const int32_t mesh = meshFromCorners(rt, corners);
  return mesh >= 0 && makeWithMesh(rt, number, mesh, 0, shape, sizes);
}

void opMakeObject(Runtime& rt, Word* pc) {
  const int32_t number = operand(pc, 0).i, image = operand(pc, 2).i;
  if (!checkNewObject(rt, number)) return;
  const int32_t from = checkedOptionalMesh(rt, operand(pc, 1).i);
  if (from < 0 || !checkImage(rt, image)) return;
  const int32_t mesh = from > 0 ? copyMesh(rt, from) : 0;
  if (mesh >= 0) makeWithMesh(rt, number, mesh, image, ShapeLimbBoxes);
}

void opDeleteObject(Runtime& rt, Word* pc) {
  if (const int32_t slot = checkedObject(rt, operand(pc, 0).i)) deleteObject(rt, slot);
}

template <PrimitiveMesh (*Make)(), int32_t Shape>
void opMakeUnitShape(Runtime& rt, Word* pc) {
  const int32_t number = operand(pc, 0).i;
  const float size = operand(pc, 1).f;
  if (!checkNewObject(rt, number)) return;
  PrimitiveMesh corners = Make();
  scaleMesh(corners, size, size, size);
  makePrimitive(rt, number, corners, Shape, {size, 0, 0});
}

void opMakeBox(Runtime& rt, Word* pc) {
  const int32_t number = operand(pc, 0).i;
  if (!checkNewObject(rt, number)) return;
  const Vec3 sizes{operand(pc, 1).f, operand(pc, 2).f, operand(pc, 3).f};
  makePrimitive(rt, number, makeBoxMesh(sizes.x, sizes.y, sizes.z), ShapeBox, sizes);
}

void opMakePlain(Runtime& rt, Word* pc) {
  const int32_t number = operand(pc, 0).i;
  if (!checkNewObject(rt, number)) return;
  PrimitiveMesh corners = makePlainMesh();
  const Vec3 sizes{operand(pc, 1).f, operand(pc, 2).f, 0};
  scaleMesh(corners, sizes.x, sizes.y, 1.0f);
  makePrimitive(rt, number, corners, ShapePlain, sizes);
}

void opMakeTriangle(Runtime& rt, Word* pc) {
  const int32_t number = operand(pc, 0).i;
  if (!checkNewObject(rt, number)) return;
  auto corner = [&](int i) { return Vec3{operand(pc, i).f, operand(pc, i + 1).f, operand(pc, i + 2).f}; };
  if (!makePrimitive(rt, number, makeTriangleMesh(corner(1), corner(4), corner(7)), ShapePolygons)) return;
  Engine3DState& s = rt.engine3d;
  s.nodes[s.objects[s.ObjectMap[size_t(number)]].node].flags.cull = 0;
}

void opLoadObject(Runtime& rt, Word* pc) {
  const std::string_view name = cellText(operand(pc, 0));
  const int32_t number = operand(pc, 1).i;
  if (number < 1 || number > MaxObjectNumber) {
    raiseError(rt, ErrObjectNumber);
    return;
  }
  if (const int32_t old = rt.engine3d.ObjectMap[size_t(number)]) deleteObject(rt, old);
  const int32_t slot = newObject(rt);
  if (slot == 0) return;
  if (const int32_t error = loadObjectFile(rt, slot, name)) {
    deleteObject(rt, slot);
    raiseError(rt, error);
    return;
  }
  finishObject(rt, number, slot, ShapeLimbBoxes);
}

void opChangeMesh(Runtime& rt, Word* pc) {
  const int32_t slot = checkedObject(rt, operand(pc, 0).i);
  if (!slot) return;
  const int32_t limb = operand(pc, 1).i;
  if (limb < 0 || size_t(limb) >= rt.engine3d.objects[slot].limbs.size()) {
    raiseError(rt, ErrLimbNumber);
    return;
  }
  const int32_t from = checkedMesh(rt, operand(pc, 2).i);
  if (!from || !checkLimb(rt, rt.engine3d.objects[slot], limb)) return;
  const int32_t mesh = copyMesh(rt, from);
  if (mesh < 0) return;
  LimbRecord& l = rt.engine3d.objects[slot].limbs[size_t(limb)];
  releaseMesh(rt, l.mesh);
  l.mesh = mesh;
  rebuildCollisionVolumes(rt.engine3d, slot);
}

// Each limb's geometry as placed now, appended with its texture to the static batch.
void opMakeStaticObject(Runtime& rt, Word* pc) {
  const int32_t slot = checkedObject(rt, operand(pc, 0).i);
  if (!slot) return;
  Engine3DState& s = rt.engine3d;
  const ObjectRecord& o = s.objects[slot];
  for (size_t i = 0; i < o.limbs.size(); ++i) {
    const LimbRecord& limb = o.limbs[i];
    if (!limb.exists || limb.mesh <= 0) continue;
    const MeshData& mesh = s.meshes[limb.mesh];
    const Matrix4 m = limbWorld(s, o, i);
    StaticPiece piece;
    piece.texture = limb.texture;
    piece.vertices = mesh.sent;
    for (Vertex3D& v : piece.vertices) {
      const Vec3 p = transformPoint({v.x, v.y, v.z}, m);
      Vec3 n = transformDirection({v.nx, v.ny, v.nz}, m);
      const float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
      if (len > 0) n = {n.x / len, n.y / len, n.z / len};
      v.x = p.x, v.y = p.y, v.z = p.z;
      v.nx = n.x, v.ny = n.y, v.nz = n.z;
    }
    piece.indices = mesh.faces;
    s.staticBatch.push_back(std::move(piece));
  }
}

Word* opDeleteStaticObjects(Runtime& rt, Word* pc) {
  rt.engine3d.staticBatch.clear();
  return pc;
}

// Depth first from the root: a limb, its children in limb order, then its next sibling.
// Walked with a stack of its own, so a deep hierarchy from a file cannot exhaust the call stack.
void opLimbChecklist(Runtime& rt, Word* pc) {
  const int32_t slot = checkedObject(rt, operand(pc, 0).i);
  if (!slot) return;
  const ObjectRecord& o = rt.engine3d.objects[slot];
  std::vector<std::vector<size_t>> children(o.limbs.size());
  for (size_t limb = 1; limb < o.limbs.size(); ++limb)
    if (o.limbs[limb].exists && size_t(o.limbs[limb].parent) < o.limbs.size())
      children[size_t(o.limbs[limb].parent)].push_back(limb);
  startChecklist(rt);
  std::vector<size_t> stack(children[0].rbegin(), children[0].rend());
  std::vector<bool> listed(o.limbs.size());
  while (!stack.empty()) {
    const size_t limb = stack.back();
    stack.pop_back();
    if (listed[limb]) continue;
    listed[limb] = true;
    if (ChecklistEntry* e = addChecklistEntry(rt, o.limbs[limb].name)) e->a = int32_t(limb);
    stack.insert(stack.end(), children[limb].rbegin(), children[limb].rend());
  }
  finishChecklist(rt, true, true);
}

const CommandRow Rows[] = {
    {CmdMakeObject, skipAfter<opMakeObject, 3>},
    {CmdDeleteObject, skipAfter<opDeleteObject, 1>},
    {CmdMakeObjectBox, skipAfter<opMakeBox, 4>},
    {CmdMakeObjectSphere, skipAfter<opMakeUnitShape<makeSphereMesh, ShapeSphere>, 2>},
    {CmdMakeObjectCube, skipAfter<opMakeUnitShape<makeCubeMesh, ShapeCube>, 2>},
    {CmdMakeObjectCylinder, skipAfter<opMakeUnitShape<makeCylinderMesh, ShapeCylinder>, 2>},
    {CmdMakeObjectCone, skipAfter<opMakeUnitShape<makeConeMesh, ShapeCone>, 2>},
    {CmdMakeObjectPlain, skipAfter<opMakePlain, 3>},
    {CmdMakeObjectTriangle, skipAfter<opMakeTriangle, 10>},
    {CmdLoadObject, skipAfter<opLoadObject, 2>},
    {CmdChangeMesh, skipAfter<opChangeMesh, 3>},
    {CmdMakeStaticObject, skipAfter<opMakeStaticObject, 1>},
    {CmdDeleteStaticObjects, opDeleteStaticObjects},
    {CmdPerformChecklistForObjectLimbs, skipAfter<opLimbChecklist, 1>},
};

}  // namespace

extern const std::span<const CommandRow> ObjectRows(Rows);

}  // namespace zt
