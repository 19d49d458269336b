// Object transforms: position, Euler angles in either order, free orientation by turn,
// pitch and roll, scale, and orientation copied from another object or the camera. The
// world matrix is built from these whenever it is needed, so a command only stores them.
#include "command_ids.h"
#include "engine3d/object_parts.h"
#include "engine3d/objects.h"

namespace zt {

namespace {

RenderNode& nodeOf(Runtime& rt, const ObjectRecord& o) { return rt.engine3d.nodes[o.node]; }

// Free mode with orientation `m`; the angles report the heading and pitch it looks along.
void freeMode(ObjectRecord& o, const Matrix4& m) {
  o.orientation = m;
  o.freeOrientation = 1;
  float ax = 0, ay = 0, az = 0;
  anglesFromDirection(transformDirection({0, 0, 1}, inverseOf(m)), ax, ay, az);
  o.angleX = wrapAngle(ax * DegreesPerRadian);
  o.angleY = wrapAngle(ay * DegreesPerRadian);
  o.angleZ = 0;
}

// The inverse of the rotation the angles give, in the object's order: where free
// orientation starts from, so that the first turn goes on from the current heading.
Matrix4 orientationOfAngles(const ObjectRecord& o) {
  return inverseOf(anglesRotation(o.angleX, o.angleY, o.angleZ, o.rotationOrder));
}

Word* opPositionObject(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 0)) {
    RenderNode& n = nodeOf(rt, *o);
    n.x = operand(pc, 1).f;
    n.y = operand(pc, 2).f;
    n.z = operand(pc, 3).f;
  }
  return pc + 4;
}

void opRotateObject(Runtime& rt, Word* pc) {
  ObjectRecord* o = objectOperand(rt, pc, 0);
  const float x = operand(pc, 1).f, y = operand(pc, 2).f, z = operand(pc, 3).f;
  if (o && checkAngle(rt, x) && checkAngle(rt, y) && checkAngle(rt, z)) setObjectAngles(*o, x, y, z);
}

template <int Axis>
void opRotateAxis(Runtime& rt, Word* pc) {
  ObjectRecord* o = objectOperand(rt, pc, 0);
  const float a = operand(pc, 1).f;
  if (!o || !checkAngle(rt, a)) return;
  setObjectAngles(*o, Axis == 0 ? a : o->angleX, Axis == 1 ? a : o->angleY, Axis == 2 ? a : o->angleZ);
}

Word* opScaleObject(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 0)) {
    o->scaleX = operand(pc, 1).f / 100;
    o->scaleY = operand(pc, 2).f / 100;
    o->scaleZ = operand(pc, 3).f / 100;
  }
  return pc + 4;
}

template <int32_t Order>
Word* opRotationOrder(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 0)) o->rotationOrder = Order;
  return pc + 1;
}

// Turn, pitch and roll post-multiply the orientation by one rotation; `Sign` is the
// direction of the angle as given.
template <int Axis, int Sign>
Word* opTurnObject(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 0)) {
    const float a = wrapAngle(float(Sign) * operand(pc, 1).f) * TransformRadians;
    const Matrix4 start = o->freeOrientation ? o->orientation : orientationOfAngles(*o);
    freeMode(*o, start * (Axis == 0 ? rotationX(a) : Axis == 1 ? rotationY(a) : rotationZ(a)));
  }
  return pc + 2;
}

void opObjectToObject(Runtime& rt, Word* pc) {
  ObjectRecord* o = objectOperand(rt, pc, 0);
  if (!o) return;
  const int32_t source = checkedObject(rt, operand(pc, 1).i);
  if (!source) return;
  const ObjectRecord& from = rt.engine3d.objects[source];
  if (from.freeOrientation)
    freeMode(*o, from.orientation);
  else
    setObjectAngles(*o, from.angleX, from.angleY, from.angleZ);
}

Word* opObjectToCamera(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 0)) {
    const CameraState& c = rt.engine3d.camera;
    if (c.mode == 2)
      freeMode(*o, c.free);
    else
      setObjectAngles(*o, c.ax * DegreesPerRadian, c.ay * DegreesPerRadian, c.az * DegreesPerRadian);
  }
  return pc + 1;
}

const CommandRow Rows[] = {
    {CmdPositionObject, opPositionObject},
    {CmdRotateObject, skipAfter<opRotateObject, 4>},
    {CmdXrotateObject, skipAfter<opRotateAxis<0>, 2>},
    {CmdYrotateObject, skipAfter<opRotateAxis<1>, 2>},
    {CmdZrotateObject, skipAfter<opRotateAxis<2>, 2>},
    {CmdScaleObject, opScaleObject},
    {CmdSetObjectRotationXyz, opRotationOrder<0>},
    {CmdSetObjectRotationZyx, opRotationOrder<1>},
    {CmdTurnObjectLeft, opTurnObject<1, 1>},
    {CmdTurnObjectRight, opTurnObject<1, -1>},
    {CmdPitchObjectUp, opTurnObject<0, 1>},
    {CmdPitchObjectDown, opTurnObject<0, -1>},
    {CmdRollObjectLeft, opTurnObject<2, -1>},
    {CmdRollObjectRight, opTurnObject<2, 1>},
    {CmdSetObjectToObjectOrientation, skipAfter<opObjectToObject, 2>},
    {CmdSetObjectToCameraOrientation, opObjectToCamera},
};

}  // namespace

void setObjectAngles(ObjectRecord& o, float x, float y, float z) {
  o.angleX = wrapAngle(x);
  o.angleY = wrapAngle(y);
  o.angleZ = wrapAngle(z);
  o.freeOrientation = 0;
  o.orientation = Matrix4{};
}

extern const std::span<const CommandRow> TransformRows(Rows);

}  // namespace zt
