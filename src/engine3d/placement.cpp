// Placing objects by other means than their coordinates: glued to another object's limb
// (the glue chain itself is followed where the world matrix is built, so drawing, limb
// queries, the screen queries and collision all see it), pointed at a place, moved along
// their facing, and a pivot that makes the current rotation the object's rest pose.
#include "command_ids.h"
#include "engine3d/object_parts.h"
#include "engine3d/objects.h"

namespace zt {

namespace {

// Left where its limb holds it now; its own rotation stays, in angle mode.
void unglue(Engine3DState& s, ObjectRecord& o) {
  const Matrix4 limb = limbWorld(s, s.objects[o.glueTarget], size_t(o.glueLimb));
  RenderNode& n = s.nodes[o.node];
  n.x = limb.m[3][0];
  n.y = limb.m[3][1];
  n.z = limb.m[3][2];
  setObjectAngles(o, o.angleX, o.angleY, o.angleZ);
  o.glueTarget = o.glueLimb = 0;
}

void opGlueObject(Runtime& rt, Word* pc) {
  ObjectRecord* o = objectOperand(rt, pc, 0);
  if (!o) return;
  const int32_t target = checkedObject(rt, operand(pc, 1).i);
  const int32_t limb = operand(pc, 2).i;
  if (!target || !checkLimb(rt, rt.engine3d.objects[target], limb)) return;
  RenderNode& n = rt.engine3d.nodes[o->node];
  n.x = n.y = n.z = 0;
  setObjectAngles(*o, o->angleX, o->angleY, o->angleZ);
  o->glueTarget = target;
  o->glueLimb = limb;
}

Word* opUnglueObject(Runtime& rt, Word* pc) {
  ObjectRecord* o = objectOperand(rt, pc, 0);
  if (o && o->glueTarget) unglue(rt.engine3d, *o);
  return pc + 1;
}

// Faces the point: heading and pitch of the direction from its position, no roll.
Word* opPointObject(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 0)) {
    const RenderNode& n = rt.engine3d.nodes[o->node];
    float ax = 0, ay = 0, az = 0;
    anglesFromDirection({operand(pc, 1).f - n.x, operand(pc, 2).f - n.y, operand(pc, 3).f - n.z}, ax, ay, az);
    setObjectAngles(*o, ax * DegreesPerRadian, ay * DegreesPerRadian, 0);
  }
  return pc + 4;
}

// Forward is (0, 0, 1) turned by the free orientation, or in angle mode by the angles
// taken x, then y, then z (the order POINT OBJECT's angles are found in), whatever the
// object's rotation order.
Word* opMoveObject(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 0)) {
    const Matrix4 r =
        o->freeOrientation ? inverseOf(o->orientation) : anglesRotation(o->angleX, o->angleY, o->angleZ, 1);
    const Vec3 d = transformDirection({0, 0, operand(pc, 1).f}, r);
    RenderNode& n = rt.engine3d.nodes[o->node];
    n.x += d.x;
    n.y += d.y;
    n.z += d.z;
  }
  return pc + 2;
}

// The rotation drawn now goes into the pivot, which sits just before the rotation in the
// world matrix, and the angles become 0: the picture stays as it is, and the current
// pose becomes the one the angles turn from.
Word* opFixObjectPivot(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 0)) {
    o->pivot = o->pivot * objectRotation(*o);
    setObjectAngles(*o, 0, 0, 0);
  }
  return pc + 1;
}

const CommandRow Rows[] = {
    {CmdGlueObjectToLimb, skipAfter<opGlueObject, 3>},
    {CmdUnglueObject, opUnglueObject},
    {CmdPointObject, opPointObject},
    {CmdMoveObject, opMoveObject},
    {CmdFixObjectPivot, opFixObjectPivot},
};

}  // namespace

void unglueFrom(Engine3DState& s, int32_t target) {
  for (int32_t i = s.objects.head; i >= 0; i = s.objects[i].next)
    if (s.objects[i].glueTarget == target) unglue(s, s.objects[i]);
}

extern const std::span<const CommandRow> PlacementRows(Rows);

}  // namespace zt
