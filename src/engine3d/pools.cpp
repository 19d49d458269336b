// The 3D record pools (objects, render nodes, mesh data, textures, lights) and their number
// maps: taking and freeing records, setting a new object up, the world transforms, the
// textures made from images and colours, the angle rules, and the 3D engine's start, display
// reset and stop. Owns the Engine3DState.
#include <algorithm>
#include <array>
#include <cmath>

#include "core/error_numbers.h"
#include "display2d/display.h"
#include "engine3d/animation.h"
#include "engine3d/collision.h"
#include "engine3d/engine3d.h"
#include "engine3d/object_parts.h"
#include "engine3d/scene.h"
#include "sprites/sprites.h"

namespace zt {

namespace {

constexpr int32_t WrapSteps = 100;

// A record from `pool`, or -1 after raising 101.
template <class Pool>
int32_t takeRecord(Runtime& rt, Pool& pool) {
  const int32_t i = pool.take();
  if (i < 0) raiseError(rt, ErrOutOfMemory);
  return i;
}

void clearPools(Engine3DState& s) {
  for (int32_t i = s.objects.head; i >= 0; i = s.objects[i].next) removeCollisionVolumes(s, i);
  s.objects.clear();
  s.nodes.clear();
  s.meshes.clear();
  s.textures.clear();
  s.lights.clear();
  std::fill(s.ObjectMap.begin(), s.ObjectMap.end(), 0);
  std::fill(s.MeshMap.begin(), s.MeshMap.end(), 0);
  std::fill(s.LightMap.begin(), s.LightMap.end(), 0);
  std::fill(s.MatrixMap.begin(), s.MatrixMap.end(), 0);
  s.staticBatch.clear();
  s.batches.clear();
  s.AnimationList.clear();
}

// The bounding box of every limb's mesh as placed in the object, and from it the centre,
// the radius and the size.
void boundObject(Engine3DState& s, ObjectRecord& o) {
  Vec3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
  for (size_t i = 0; i < o.limbs.size(); ++i) {
    const LimbRecord& limb = o.limbs[i];
    if (!limb.exists || limb.mesh <= 0) continue;
    const Matrix4 m = limbInObject(o, i);
    for (const Vec3& v : s.meshes[limb.mesh].vertices) {
      const Vec3 p = transformDirection(v, m);
      const Vec3 q{p.x + m.m[3][0], p.y + m.m[3][1], p.z + m.m[3][2]};
      lo = {std::min(lo.x, q.x), std::min(lo.y, q.y), std::min(lo.z, q.z)};
      hi = {std::max(hi.x, q.x), std::max(hi.y, q.y), std::max(hi.z, q.z)};
    }
  }
  if (lo.x > hi.x) lo = hi = Vec3{};
  o.centreX = (lo.x + hi.x) / 2;
  o.centreY = (lo.y + hi.y) / 2;
  o.centreZ = (lo.z + hi.z) / 2;
  const float dx = hi.x - lo.x, dy = hi.y - lo.y, dz = hi.z - lo.z;
  o.radius = std::sqrt(dx * dx + dy * dy + dz * dz) / 2;
  o.collisionRadius = int32_t(o.radius) + 1;
  o.objectSize = int32_t(std::max({dx, dy, dz})) + 1;
}

// A texture record holding `texture`; 0 after raising 101.
int32_t keepTexture(Runtime& rt, std::unique_ptr<Texture3D> texture) {
  const int32_t slot = takeRecord(rt, rt.engine3d.textures);
  if (slot < 0) return 0;
  TextureRecord& t = rt.engine3d.textures[slot];
  t.width = texture->width();
  t.height = texture->height();
  t.texture = std::move(texture);
  return slot;
}

// AUTOCAM: the camera above and in front of the object, looking at its centre, with a
// range made for its size.
void placeCameraFor(Runtime& rt, const ObjectRecord& o) {
  const float size = float(o.objectSize);
  const Vec3 target{o.centreX, o.centreY, o.centreZ};
  const Vec3 position{target.x, target.y + size / 2, std::min(target.z - 2 * size, -2.0f)};
  placeCamera(rt, position, target, std::max(size / 100, 1.0f), std::max(size * 100, 100.0f));
}

}  // namespace

int32_t allocObject(Runtime& rt) {
  const int32_t i = takeRecord(rt, rt.engine3d.objects);
  if (i >= 0) rt.engine3d.objects[i].limbs.resize(InitialLimbs);
  return i;
}

int32_t allocRenderNode(Runtime& rt) { return takeRecord(rt, rt.engine3d.nodes); }

int32_t allocMesh(Runtime& rt) { return takeRecord(rt, rt.engine3d.meshes); }

void releaseObject(Runtime& rt, int32_t slot) {
  Engine3DState& s = rt.engine3d;
  if (slot <= 0) return;
  unglueFrom(s, slot);
  ObjectRecord& o = s.objects[slot];
  leaveAnimationList(s, slot);
  for (const LimbRecord& limb : o.limbs)
    if (limb.ownedTexture > 0) releaseTexture(rt, limb.ownedTexture);
  if (o.node > 0) s.nodes.release(o.node);
  if (o.number > 0 && s.ObjectMap[size_t(o.number)] == slot) s.ObjectMap[size_t(o.number)] = 0;
  if (s.BackdropObject == slot) s.BackdropObject = 0;
  s.objects.release(slot);
}

void releaseMesh(Runtime& rt, int32_t slot) {
  if (slot > 0) rt.engine3d.meshes.release(slot);
}

bool initObject(Runtime& rt, int32_t slot, bool autoCamera) {
  Engine3DState& s = rt.engine3d;
  const int32_t node = allocRenderNode(rt);
  if (node < 0) return false;
  ObjectRecord& o = s.objects[slot];
  o.exists = 1;
  o.angleX = o.angleY = o.angleZ = 0;
  o.scaleX = o.scaleY = o.scaleZ = 1;
  o.rotationOrder = 0;
  o.freeOrientation = 0;
  o.orientation = Matrix4{};
  o.glueTarget = o.glueLimb = 0;
  o.pivot = Matrix4{};
  o.collisionOn = 1;
  o.node = node;
  s.nodes[node].object = slot;  // a fresh node: position 0, the default render flags
  LimbRecord& root = o.limbs[0];
  const int32_t mesh = root.mesh;
  root = LimbRecord{};
  root.exists = 1;
  root.mesh = mesh;
  o.limbCount = std::max(o.limbCount, 1);
  resetAnimation(o);
  boundObject(s, o);
  if (autoCamera && s.camera.autoPlace) placeCameraFor(rt, o);
  if (s.AutoBackdrop && !s.BackdropObject) {
    if (!createBackdrop(rt)) return false;
    s.BackdropShown = 1;
  }
  return true;
}

void refreshMesh(MeshData& mesh) {
  const size_t n = mesh.vertices.size();
  mesh.sent.assign(n, Vertex3D{});
  Vec3 lo{}, hi{};
  for (size_t i = 0; i < n; ++i) {
    Vertex3D& v = mesh.sent[i];
    const Vec3& p = mesh.vertices[i];
    v.x = p.x;
    v.y = p.y;
    v.z = p.z;
    if (i < mesh.normals.size()) {
      v.nx = mesh.normals[i].x;
      v.ny = mesh.normals[i].y;
      v.nz = mesh.normals[i].z;
    }
    if (2 * i + 1 < mesh.uv.size()) {
      v.u = mesh.uv[2 * i];
      v.v = mesh.uv[2 * i + 1];
    }
    lo = i == 0 ? p : Vec3{std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = i == 0 ? p : Vec3{std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  mesh.minX = int32_t(lo.x);
  mesh.minY = int32_t(lo.y);
  mesh.minZ = int32_t(lo.z);
  mesh.maxX = int32_t(hi.x);
  mesh.maxY = int32_t(hi.y);
  mesh.maxZ = int32_t(hi.z);
}

Matrix4 anglesRotation(float x, float y, float z, int32_t order) {
  const float ax = x * TransformRadians, ay = y * TransformRadians, az = z * TransformRadians;
  return order == 0 ? rotationZ(az) * rotationY(ay) * rotationX(ax) : rotationX(ax) * rotationY(ay) * rotationZ(az);
}

Matrix4 objectRotation(const ObjectRecord& o) {
  return o.freeOrientation ? inverseOf(o.orientation) : anglesRotation(o.angleX, o.angleY, o.angleZ, o.rotationOrder);
}

namespace {

// The object placed by its own scale, pivot, rotation and position, not yet carried by a glue.
Matrix4 ownMatrix(const Engine3DState& s, const ObjectRecord& o) {
  const RenderNode& n = s.nodes.records[size_t(o.node)];
  return scaling(o.scaleX, o.scaleY, o.scaleZ) * o.pivot * objectRotation(o) * translation(n.x, n.y, n.z);
}

}  // namespace

// A glued object is carried by its target's limb, and that target by its own target, up to
// MaxGlueDepth targets. A target met twice (a loop of glues) ends the chain there, so each
// object of a loop is placed as if the loop were cut just before it.
Matrix4 objectMatrix(const Engine3DState& s, const ObjectRecord& o) {
  Matrix4 m = ownMatrix(s, o);
  std::array<const ObjectRecord*, MaxGlueDepth + 1> seen{&o};
  const ObjectRecord* at = &o;
  for (size_t depth = 1; depth <= MaxGlueDepth && at->glueTarget > 0; ++depth) {
    const ObjectRecord& target = s.objects.records[size_t(at->glueTarget)];
    if (std::find(seen.begin(), seen.begin() + depth, &target) != seen.begin() + depth) break;
    if (size_t(at->glueLimb) >= target.limbs.size()) break;
    m = m * limbInObject(target, size_t(at->glueLimb)) * ownMatrix(s, target);
    seen[depth] = at = &target;
  }
  return m;
}

Vec3 objectOrigin(const Engine3DState& s, const ObjectRecord& o) {
  const Matrix4 m = objectMatrix(s, o);
  return {m.m[3][0], m.m[3][1], m.m[3][2]};
}

// ---- textures ----

int32_t textureOfImage(Runtime& rt, int32_t number) {
  Engine3DState& s = rt.engine3d;
  if (const int32_t kept = imageTextureSlot(rt, number); kept > 0) return kept;
  std::unique_ptr<Texture3D> made = makeImageTexture(rt, number);
  if (!made) return 0;
  const int32_t slot = keepTexture(rt, std::move(made));
  if (slot > 0) {
    s.textures[slot].imageNumber = number;
    setImageTextureSlot(rt, number, slot);
  }
  return slot;
}

int32_t textureOfColour(Runtime& rt, uint32_t colour) {
  std::unique_ptr<Texture3D> made = Texture3D::fromColor(colour & 0xFFFFFF);
  if (!made) {
    raiseError(rt, ErrOutOfMemory);
    return 0;
  }
  const int32_t slot = keepTexture(rt, std::move(made));
  if (slot > 0) rt.engine3d.textures[slot].owned = 1;
  return slot;
}

void releaseTexture(Runtime& rt, int32_t slot) {
  if (slot > 0) rt.engine3d.textures.release(slot);
}

// ---- angles ----

float wrapAngle(float a) {
  int steps = WrapSteps;
  while (!(a >= 0 && a < 360)) {
    if (a < 0) a += 360;
    if (a >= 360) a -= 360;
    if (--steps == 0) return 0;
  }
  return a;
}

bool checkAngle(Runtime& rt, float a) {
  if (a >= 0 && a <= 360) return true;
  raiseError(rt, ErrAngle);
  return false;
}

int32_t mappedSlot(Runtime& rt, const std::vector<int32_t>& map, int32_t number, int32_t last,
                   int32_t rangeError, int32_t missingError) {
  if (number < 1 || number > last) {
    raiseError(rt, rangeError);
    return 0;
  }
  const int32_t slot = map[size_t(number)];
  if (slot == 0) raiseError(rt, missingError);
  return slot;
}

int32_t findObject(Runtime& rt, int32_t number) {
  return mappedSlot(rt, rt.engine3d.ObjectMap, number, MaxObjectNumber, ErrObjectNumber, ErrNoObject);
}

int32_t checkedObject(Runtime& rt, int32_t number) {
  const int32_t slot = findObject(rt, number);
  if (slot) rt.engine3d.ObjectsReached = 1;
  return slot;
}

// ---- start, reset, stop ----

void Start3D(Runtime& rt) {
  Engine3DState& s = rt.engine3d;
  clearPools(s);
  // Slot 0 of each pool is a placeholder, so that 0 in a map or a field means none.
  s.objects.take();
  s.nodes.take();
  s.meshes.take();
  s.textures.take();
  s.lights.take();
  makeDefaultLight(rt);
  s.FogEnabled = 0;
  s.FogColor = 0;
  s.FogEnd = 0;
  s.AmbientPercent = 50;
  s.BackdropObject = s.BackdropShown = s.BackdropSwitchedOn = 0;
  s.AutoBackdrop = 1;
  s.BackdropTexture = s.BackdropOwnsTexture = 0;
  s.camera = CameraState{};
  restore3DAfterReset(rt);
}

void release3DForReset(Runtime& rt) {
  Engine3DState& s = rt.engine3d;
  for (int32_t i = s.textures.head; i >= 0;) {
    const int32_t next = s.textures[i].next;
    if (i > 0 && !s.textures[i].owned) {
      const int32_t number = s.textures[i].imageNumber;
      if (imageTextureSlot(rt, number) == i) setImageTextureSlot(rt, number, 0);
      for (int32_t o = s.objects.head; o >= 0; o = s.objects[o].next)
        for (LimbRecord& limb : s.objects[o].limbs)
          if (limb.texture == i) limb.texture = 0;
      if (s.BackdropTexture == i) s.BackdropTexture = 0;
      s.textures.release(i);
    }
    i = next;
  }
}

void Stop3D(Runtime& rt) { clearPools(rt.engine3d); }

}  // namespace zt
