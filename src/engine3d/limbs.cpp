// Limb commands: limbs added with a mesh, placed by offset, angles and scale, and linked
// under another limb.
#include "command_ids.h"
#include "core/error_numbers.h"
#include "engine3d/collision.h"
#include "engine3d/object_parts.h"
#include "engine3d/objects.h"

namespace zt {

namespace {

void opAddLimb(Runtime& rt, Word* pc) {
  const int32_t slot = checkedObject(rt, operand(pc, 0).i);
  if (!slot) return;
  const int32_t limb = operand(pc, 1).i;
  {
    const ObjectRecord& o = rt.engine3d.objects[slot];
    if (limb < 1 || size_t(limb) >= o.limbs.size()) {
      raiseError(rt, ErrAddLimbNumber);
      return;
    }
    if (o.limbs[size_t(limb)].exists) {
      raiseError(rt, ErrLimbExists);
      return;
    }
    if (limb > 1 && !o.limbs[size_t(limb) - 1].exists) {
      raiseError(rt, ErrLimbOrder);
      return;
    }
  }
  const int32_t from = checkedOptionalMesh(rt, operand(pc, 2).i);
  if (from < 0) return;
  const int32_t mesh = from > 0 ? copyMesh(rt, from) : 0;
  if (mesh < 0) return;
  ObjectRecord& o = rt.engine3d.objects[slot];
  initLimb(o, limb, mesh);
  o.limbs[size_t(limb)].name = "userframe";
  o.collisionShape = ShapeLimbBoxes;
  rebuildCollisionVolumes(rt.engine3d, slot);
}

Word* opOffsetLimb(Runtime& rt, Word* pc) {
  if (LimbRecord* limb = limbOperand(rt, pc, 0)) {
    limb->offsetX = operand(pc, 2).f;
    limb->offsetY = operand(pc, 3).f;
    limb->offsetZ = operand(pc, 4).f;
  }
  return pc + 5;
}

void opRotateLimb(Runtime& rt, Word* pc) {
  LimbRecord* limb = limbOperand(rt, pc, 0);
  const float x = operand(pc, 2).f, y = operand(pc, 3).f, z = operand(pc, 4).f;
  if (!limb || !checkAngle(rt, x) || !checkAngle(rt, y) || !checkAngle(rt, z)) return;
  limb->angleX = wrapAngle(x);
  limb->angleY = wrapAngle(y);
  limb->angleZ = wrapAngle(z);
}

Word* opScaleLimb(Runtime& rt, Word* pc) {
  if (LimbRecord* limb = limbOperand(rt, pc, 0)) {
    limb->scaleX = float(operand(pc, 2).i) / 100;
    limb->scaleY = float(operand(pc, 3).i) / 100;
    limb->scaleZ = float(operand(pc, 4).i) / 100;
  }
  return pc + 5;
}

// True when `limb` hangs, directly or further down, under `ancestor`.
bool hangsUnder(const ObjectRecord& o, size_t limb, size_t ancestor) {
  for (size_t steps = 0; limb != 0 && steps <= o.limbs.size(); ++steps) {
    limb = size_t(o.limbs[limb].parent);
    if (limb == ancestor) return true;
  }
  return false;
}

void opLinkLimb(Runtime& rt, Word* pc) {
  ObjectRecord* o = objectOperand(rt, pc, 0);
  if (!o) return;
  const int32_t child = operand(pc, 1).i, parent = operand(pc, 2).i;
  const auto inRange = [&](int32_t limb) { return limb >= 0 && size_t(limb) < o->limbs.size(); };
  if (!inRange(child) || !inRange(parent) || child == parent) {
    raiseError(rt, ErrLimbNumber);
    return;
  }
  if (!checkLimb(rt, *o, child) || !checkLimb(rt, *o, parent)) return;
  LimbRecord& c = o->limbs[size_t(child)];
  if (!c.linkMarker) {
    raiseError(rt, ErrLimbLinked);
    return;
  }
  // The root cannot move, and a limb cannot go under its own descendants.
  if (child == 0 || hangsUnder(*o, size_t(parent), size_t(child))) {
    raiseError(rt, ErrLinkLimb);
    return;
  }
  c.parent = parent;
  c.linkMarker = 0;
}

const CommandRow Rows[] = {
    {CmdAddLimb, skipAfter<opAddLimb, 3>},
    {CmdOffsetLimb, opOffsetLimb},
    {CmdRotateLimb, skipAfter<opRotateLimb, 5>},
    {CmdScaleLimb, opScaleLimb},
    {CmdLinkLimb, skipAfter<opLinkLimb, 3>},
};

}  // namespace

extern const std::span<const CommandRow> LimbRows(Rows);

}  // namespace zt
