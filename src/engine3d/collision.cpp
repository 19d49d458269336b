// Object collision commands and functions over the collision world: volumes built when a
// shape code is set, and a pass run on a query only when the scene changed since the last.
#include "engine3d/collision.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "engine3d/object_parts.h"

namespace zt {

void removeCollisionVolumes(Engine3DState& s, int32_t slot) {
  ObjectRecord& o = s.objects[slot];
  for (VolumeId id : o.volumes)
    if (id) s.collisionWorld.remove(id);
  o.volumes.clear();
  s.SceneChanged = 1;
}

void rebuildCollisionVolumes(Engine3DState& s, int32_t slot) {
  removeCollisionVolumes(s, slot);
  ObjectRecord& o = s.objects[slot];
  if (o.collisionShape == 0) return;
  try {
    o.volumes.assign(o.limbs.size(), 0);
    std::vector<float> positions;
    for (size_t i = 0; i < o.limbs.size(); ++i) {
      const LimbRecord& limb = o.limbs[i];
      if (!limb.exists || limb.mesh <= 0) continue;
      const MeshData& mesh = s.meshes[limb.mesh];
      positions.clear();
      for (const Vec3& v : mesh.vertices) positions.insert(positions.end(), {v.x, v.y, v.z});
      if (auto shape = volumeForShapeCode(o.collisionShape, o.shapeSize, positions, mesh.faces))
        o.volumes[i] = s.collisionWorld.add(slot, *shape);
    }
  } catch (const std::bad_alloc&) {
    // Whatever was made stays; a limb without a volume simply does not collide.
  }
}

namespace {

// Objects taking part in a pass: in use, not locked to the camera, collision on.
bool takesPart(const Engine3DState& s, const ObjectRecord& o) {
  return o.exists && o.collisionOn == 1 && !s.nodes.records[size_t(o.node)].flags.lockedToCamera;
}

bool samePlacements(const std::vector<std::pair<VolumeId, Matrix4>>& a,
                    const std::vector<std::pair<VolumeId, Matrix4>>& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
           return x.first == y.first && std::memcmp(x.second.m, y.second.m, sizeof x.second.m) == 0;
         });
}

// Brings every volume to its limb's world transform and records who touches whom, unless
// nothing changed since the last pass: no command reached an object, or the placements
// are the same. Objects left out of the pass are withdrawn, so their old placements never
// hit.
void runPass(Engine3DState& s) {
  if (!s.SceneChanged && !s.ObjectsReached) return;
  std::vector<std::pair<VolumeId, Matrix4>> placements;
  try {
    for (int32_t i = s.objects.head; i >= 0; i = s.objects[i].next) {
      const ObjectRecord& o = s.objects[i];
      if (!takesPart(s, o)) continue;
      for (size_t limb = 0; limb < o.volumes.size(); ++limb)
        if (o.volumes[limb]) placements.emplace_back(o.volumes[limb], limbWorld(s, o, limb));
    }
  } catch (const std::bad_alloc&) {
    return;  // the last pass's results stand
  }
  s.ObjectsReached = 0;
  if (!s.SceneChanged && samePlacements(placements, s.placed)) return;
  for (int32_t i = s.objects.head; i >= 0; i = s.objects[i].next) {
    ObjectRecord& o = s.objects[i];
    o.lastHit = 0;
    if (!takesPart(s, o))
      for (VolumeId id : o.volumes)
        if (id) s.collisionWorld.withdraw(id);
  }
  for (const auto& [id, world] : placements) s.collisionWorld.place(id, world);
  s.placed = std::move(placements);
  s.SceneChanged = 0;
  s.touchingPairs.clear();
  if (s.placed.empty()) return;
  try {
    const PassCounts counts = s.collisionWorld.pass([&](const CollisionPair& p) {
      s.objects[p.ownerA].lastHit = p.ownerB;
      s.objects[p.ownerB].lastHit = p.ownerA;
      s.touchingPairs.emplace_back(std::min(p.ownerA, p.ownerB), std::max(p.ownerA, p.ownerB));
    });
    std::sort(s.touchingPairs.begin(), s.touchingPairs.end());
    s.collisionTotals.pairsTested += counts.pairsTested;
    s.collisionTotals.hits += counts.hits;
  } catch (const std::bad_alloc&) {
    s.touchingPairs.clear();
    s.SceneChanged = 1;  // try again on the next query
  }
}

// OBJECT COLLISION's answer for object slot `a` and object number `other` (0: any).
int32_t collisionResult(Engine3DState& s, int32_t a, int32_t other) {
  if (!takesPart(s, s.objects[a])) return 0;
  int32_t b = 0;
  if (other != 0) {
    // The other number is not range-checked: an object that cannot exist touches nothing.
    b = other >= 1 && other <= MaxObjectNumber ? s.ObjectMap[size_t(other)] : 0;
    if (b == 0 || !takesPart(s, s.objects[b])) return 0;
  }
  runPass(s);
  if (b == 0) {
    const int32_t hit = s.objects[a].lastHit;
    return hit ? s.objects[hit].number : 0;
  }
  return std::binary_search(s.touchingPairs.begin(), s.touchingPairs.end(),
                            std::pair{std::min(a, b), std::max(a, b)});
}

// Functions read their arguments from operand 1 on and leave the result in operand 0.
template <bool EdgeOnly>
Word* opObjectCollision(Runtime& rt, Word* pc) {
  Engine3DState& s = rt.engine3d;
  const int32_t slot = findObject(rt, operand(pc, 1).i);
  if (!slot || !checkLimb(rt, s.objects[slot], 0)) return pc + 3;
  const int32_t result = collisionResult(s, slot, operand(pc, 2).i);
  ObjectRecord& o = s.objects[slot];
  if (EdgeOnly) {
    operand(pc, 0).i = result > 0 && o.previousHit == 0 ? result : 0;
    o.previousHit = result;
  } else {
    operand(pc, 0).i = result;
  }
  return pc + 3;
}

template <int What>
Word* opCollisionSphere(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 1))
    operand(pc, 0).f = What == 0   ? float(o->collisionRadius)
                       : What == 1 ? o->centreX
                       : What == 2 ? o->centreY
                                   : o->centreZ;
  return pc + 2;
}

// On -1: the command leaves collision-on as it is.
template <int32_t Shape, int32_t On>
void opSetCollision(Runtime& rt, Word* pc) {
  const int32_t slot = checkedObject(rt, operand(pc, 0).i);
  if (!slot) return;
  ObjectRecord& o = rt.engine3d.objects[slot];
  o.collisionShape = Shape;
  if (On >= 0) o.collisionOn = On;
  rebuildCollisionVolumes(rt.engine3d, slot);
}

template <int32_t On>
Word* opGlobalCollision(Runtime& rt, Word* pc) {
  rt.engine3d.GlobalCollision = On;
  return pc;
}

const CommandRow Rows[] = {
    {CmdSetGlobalCollisionOn, opGlobalCollision<1>},
    {CmdSetGlobalCollisionOff, opGlobalCollision<0>},
    {CmdSetObjectCollisionOn, skipAfter<opSetCollision<ShapeLimbBoxes, 1>, 1>},
    {CmdSetObjectCollisionOff, skipAfter<opSetCollision<0, 0>, 1>},
    {CmdSetObjectCollisionToSpheres, skipAfter<opSetCollision<ShapeLimbSpheres, -1>, 1>},
    {CmdSetObjectCollisionToBoxes, skipAfter<opSetCollision<ShapeLimbBoxes, -1>, 1>},
    {CmdSetObjectCollisionToPolygons, skipAfter<opSetCollision<ShapePolygons, -1>, 1>},
    {CmdObjectHit, opObjectCollision<true>},
    {CmdObjectCollision, opObjectCollision<false>},
    {CmdObjectCollisionRadius, opCollisionSphere<0>},
    {CmdObjectCollisionCenterX, opCollisionSphere<1>},
    {CmdObjectCollisionCenterY, opCollisionSphere<2>},
    {CmdObjectCollisionCenterZ, opCollisionSphere<3>},
};

}  // namespace

extern const std::span<const CommandRow> ObjectCollisionRows(Rows);

}  // namespace zt
