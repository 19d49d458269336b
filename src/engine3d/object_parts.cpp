// Shared steps of the object families: operand checks, mesh records from corner lists and
// from whole objects, making, finishing and deleting objects, and limb transforms.
#include "engine3d/collision.h"
#include "engine3d/object_parts.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <new>
#include <utility>

#include "core/error_numbers.h"
#include "sprites/sprites.h"

namespace zt {

constexpr int32_t MaxImageNumber = 65535;
constexpr int32_t LimbGrowMargin = 4;

ObjectRecord* objectRecord(Runtime& rt, int32_t number) {
  const int32_t slot = checkedObject(rt, number);
  return slot ? &rt.engine3d.objects[slot] : nullptr;
}

ObjectRecord* objectOperand(Runtime& rt, Word* pc, int at) { return objectRecord(rt, operand(pc, at).i); }

void setObjectFlags(RenderFlags& f, Word* pc, int count) {
  f.wireframe = operand(pc, 1).i != 1;
  f.colorKey = operand(pc, 2).i != 1;
  f.cull = operand(pc, 3).i == 1;
  if (count >= 4) f.filter = operand(pc, 4).i == 1;
  if (count >= 5) f.unlit = operand(pc, 5).i != 1;
  if (count >= 6) f.fog = operand(pc, 6).i != 0;
  if (count >= 7) f.ambient = operand(pc, 7).i != 0;
}

LimbRecord* limbOperand(Runtime& rt, Word* pc, int at, ObjectRecord** owner) {
  ObjectRecord* o = objectOperand(rt, pc, at);
  const int32_t limb = operand(pc, at + 1).i;
  if (!o || !checkLimb(rt, *o, limb)) return nullptr;
  if (owner) *owner = o;
  return &o->limbs[size_t(limb)];
}

bool checkNewObject(Runtime& rt, int32_t number) {
  if (number < 1 || number > MaxObjectNumber) {
    raiseError(rt, ErrObjectNumber);
    return false;
  }
  if (rt.engine3d.ObjectMap[size_t(number)] != 0) {
    raiseError(rt, ErrObjectExists);
    return false;
  }
  return true;
}

int32_t checkedMesh(Runtime& rt, int32_t number) {
  return mappedSlot(rt, rt.engine3d.MeshMap, number, MaxMeshNumber, ErrMeshNumber, ErrNoMesh);
}

int32_t checkedOptionalMesh(Runtime& rt, int32_t number) {
  if (number == 0) return 0;
  const int32_t slot = checkedMesh(rt, number);
  return slot > 0 ? slot : -1;
}

bool checkLimb(Runtime& rt, const ObjectRecord& o, int32_t limb) {
  if (limb < 0 || size_t(limb) >= o.limbs.size()) {
    raiseError(rt, ErrLimbNumber);
    return false;
  }
  if (!o.limbs[size_t(limb)].exists) {
    raiseError(rt, ErrNoLimb);
    return false;
  }
  return true;
}

bool checkImage(Runtime& rt, int32_t image) {
  if (image < 0 || image > MaxImageNumber) {
    raiseError(rt, ErrImageNumber);
    return false;
  }
  if (image != 0 && !imageSurface(rt, image)) {
    raiseError(rt, ErrNoImage);
    return false;
  }
  return true;
}

// ---- meshes ----

int32_t meshFromCorners(Runtime& rt, const PrimitiveMesh& c) {
  const int32_t slot = allocMesh(rt);
  if (slot < 0) return -1;
  MeshData& m = rt.engine3d.meshes[slot];
  m.vertices.clear();
  m.normals.clear();
  m.uv.clear();
  m.faces.clear();
  // One drawn vertex per (position, normal) pair in use; without normals, one per position.
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> made;
  const bool hasNormals = c.normalIndices.size() == c.indices.size() && !c.normals.empty();
  auto valid = [&](size_t corner) {
    return c.indices[corner] < c.positions.size() && (!hasNormals || c.normalIndices[corner] < c.normals.size());
  };
  for (size_t first = 0; first + 3 <= c.indices.size(); first += 3) {
    if (!valid(first) || !valid(first + 1) || !valid(first + 2)) continue;  // the whole triangle goes
    for (size_t corner = first; corner < first + 3; ++corner) {
      const uint32_t p = c.indices[corner];
      const uint32_t n = hasNormals ? c.normalIndices[corner] : 0;
      auto [it, fresh] = made.try_emplace({p, n}, uint32_t(m.vertices.size()));
      if (fresh) {
        m.vertices.push_back(c.positions[p]);
        m.normals.push_back(hasNormals ? c.normals[n] : Vec3{});
        const TexCoord t = p < c.texCoords.size() ? c.texCoords[p] : TexCoord{};
        m.uv.push_back(t.u);
        m.uv.push_back(t.v);
      }
      m.faces.push_back(it->second);
    }
  }
  refreshMesh(m);
  return slot;
}

int32_t copyMesh(Runtime& rt, int32_t from) {
  const int32_t slot = allocMesh(rt);
  if (slot < 0) return -1;
  Engine3DState& s = rt.engine3d;
  MeshData& m = s.meshes[slot];
  const MeshData& src = s.meshes[from];
  m.vertices = src.vertices;
  m.normals = src.normals;
  m.faces = src.faces;
  m.uv = src.uv;
  refreshMesh(m);
  return slot;
}

namespace {

int32_t gatherInto(Runtime& rt, const ObjectRecord& o) {
  // The pool may move while a record is taken, so the parts are gathered first.
  MeshData whole;
  const Engine3DState& s = rt.engine3d;
  for (size_t i = 0; i < o.limbs.size(); ++i) {
    const LimbRecord& limb = o.limbs[i];
    if (!limb.exists || limb.mesh <= 0) continue;
    const MeshData& part = s.meshes.records[size_t(limb.mesh)];
    const Matrix4 m = limbInObject(o, i);
    const uint32_t base = uint32_t(whole.vertices.size());
    for (size_t v = 0; v < part.vertices.size(); ++v) {
      whole.vertices.push_back(transformPoint(part.vertices[v], m));
      Vec3 n = v < part.normals.size() ? transformDirection(part.normals[v], m) : Vec3{};
      const float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
      if (len > 0) n = {n.x / len, n.y / len, n.z / len};
      whole.normals.push_back(n);
      whole.uv.push_back(2 * v + 1 < part.uv.size() ? part.uv[2 * v] : 0.0f);
      whole.uv.push_back(2 * v + 1 < part.uv.size() ? part.uv[2 * v + 1] : 0.0f);
    }
    for (uint32_t f : part.faces) whole.faces.push_back(base + f);
  }
  const int32_t slot = rt.engine3d.meshes.take();
  if (slot < 0) return -1;
  MeshData& m = rt.engine3d.meshes[slot];
  m.vertices = std::move(whole.vertices);
  m.normals = std::move(whole.normals);
  m.faces = std::move(whole.faces);
  m.uv = std::move(whole.uv);
  refreshMesh(m);
  return slot;
}

}  // namespace

int32_t gatherObjectMesh(Runtime& rt, const ObjectRecord& o) {
  try {
    return gatherInto(rt, o);
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

// ---- objects ----

int32_t newObject(Runtime& rt) {
  const int32_t slot = allocObject(rt);
  return slot < 0 ? 0 : slot;
}

bool finishObject(Runtime& rt, int32_t number, int32_t slot, int32_t shape, Vec3 sizes) {
  Engine3DState& s = rt.engine3d;
  s.objects[slot].number = number;
  s.ObjectMap[size_t(number)] = slot;
  s.objects[slot].collisionShape = shape;
  s.objects[slot].shapeSize = sizes;
  if (!initObject(rt, slot, true)) {
    deleteObject(rt, slot);
    return false;
  }
  s.objects[slot].limbs[0].name = "root";
  rebuildCollisionVolumes(s, slot);
  return true;
}

void deleteObject(Runtime& rt, int32_t slot) {
  Engine3DState& s = rt.engine3d;
  removeCollisionVolumes(s, slot);
  for (LimbRecord& limb : s.objects[slot].limbs) {
    releaseMesh(rt, limb.mesh);
    limb.mesh = 0;
  }
  releaseObject(rt, slot);
}

void growLimbs(ObjectRecord& o, int32_t limb) {
  if (size_t(limb) + LimbGrowMargin >= o.limbs.size()) o.limbs.resize(o.limbs.size() * 2);
}

void initLimb(ObjectRecord& o, int32_t limb, int32_t mesh) {
  growLimbs(o, limb);
  LimbRecord& l = o.limbs[size_t(limb)];
  l = LimbRecord{};
  l.exists = 1;
  l.mesh = mesh;
  o.limbCount = std::max(o.limbCount, limb + 1);
}

// ---- transforms ----

Matrix4 limbLocal(const ObjectRecord& o, const LimbRecord& limb) {
  const float ax = limb.angleX * TransformRadians, ay = limb.angleY * TransformRadians,
              az = limb.angleZ * TransformRadians;
  const Matrix4 r = o.rotationOrder == 0 ? rotationZ(az) * rotationY(ay) * rotationX(ax)
                                         : rotationX(ax) * rotationY(ay) * rotationZ(az);
  return scaling(limb.scaleX, limb.scaleY, limb.scaleZ) * r *
         translation(limb.offsetX, limb.offsetY, limb.offsetZ) * limb.frame;
}

Matrix4 limbInObject(const ObjectRecord& o, size_t limb) {
  Matrix4 m = limbLocal(o, o.limbs[limb]);
  // A chain never holds more limbs than the table, which also ends any loop.
  for (size_t i = limb, steps = 0; i != 0 && steps < o.limbs.size(); ++steps) {
    i = size_t(o.limbs[i].parent);
    if (i >= o.limbs.size()) break;
    m = m * limbLocal(o, o.limbs[i]);
  }
  return m;
}

Matrix4 limbWorld(const Engine3DState& s, const ObjectRecord& o, size_t limb) {
  return limbInObject(o, limb) * objectMatrix(s, o);
}

}  // namespace zt
