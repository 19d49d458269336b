// Object and limb query functions: existence, position, angles, visibility, size, where
// the object is on the screen, and each limb's stored state and place in the world.
#include "command_ids.h"
#include "core/error_numbers.h"
#include "display2d/display.h"
#include "engine3d/object_parts.h"
#include "engine3d/objects.h"

namespace zt {

namespace {

// Functions read their arguments from operand 1 on and leave the result in operand 0.
ObjectRecord* objectOf(Runtime& rt, Word* pc) { return objectOperand(rt, pc, 1); }

Word* opObjectExist(Runtime& rt, Word* pc) {
  const int32_t number = operand(pc, 1).i;
  if (number < 1 || number > MaxObjectNumber)
    raiseError(rt, ErrObjectNumber);
  else
    operand(pc, 0).i = rt.engine3d.ObjectMap[size_t(number)] != 0;
  return pc + 2;
}

template <int Axis>
Word* opObjectPosition(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOf(rt, pc)) {
    const RenderNode& n = rt.engine3d.nodes[o->node];
    operand(pc, 0).f = Axis == 0 ? n.x : Axis == 1 ? n.y : n.z;
  }
  return pc + 2;
}

template <int Axis>
Word* opObjectAngle(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOf(rt, pc)) operand(pc, 0).f = Axis == 0 ? o->angleX : Axis == 1 ? o->angleY : o->angleZ;
  return pc + 2;
}

Word* opObjectVisible(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOf(rt, pc)) operand(pc, 0).i = rt.engine3d.nodes[o->node].shown;
  return pc + 2;
}

Word* opObjectSize(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOf(rt, pc)) operand(pc, 0).f = float(o->objectSize);
  return pc + 2;
}

// The origin of the object's own space, where it is in the world, through the camera's
// view and projection onto the screen.
template <int Axis>
Word* opObjectScreen(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOf(rt, pc)) {
    const CameraState& c = rt.engine3d.camera;
    const Vec3 p = transformPoint(transformPoint(objectOrigin(rt.engine3d, *o), c.view),
                                  projectionMatrix(rt, c.nearRange, c.farRange));
    int32_t width = 0, height = 0;
    screenSize(rt, width, height);
    operand(pc, 0).i = Axis == 0 ? int32_t((p.x + 1) * float(width) / 2) : int32_t((1 - p.y) * float(height) / 2);
  }
  return pc + 2;
}

// As the last render step found it; a glued object is always in.
Word* opObjectInScreen(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOf(rt, pc)) operand(pc, 0).i = o->glueTarget || !rt.engine3d.nodes[o->node].culled;
  return pc + 2;
}

Word* opLimbExist(Runtime& rt, Word* pc) {
  ObjectRecord* o = objectOf(rt, pc);
  const int32_t limb = operand(pc, 2).i;
  if (!o) return pc + 3;
  if (limb < 0 || size_t(limb) >= o->limbs.size())
    raiseError(rt, ErrLimbNumber);
  else
    operand(pc, 0).i = o->limbs[size_t(limb)].exists;
  return pc + 3;
}

// The limb of a query (object operand 1, limb operand 2), checked; null after an error.
const LimbRecord* limbOf(Runtime& rt, Word* pc, ObjectRecord** owner = nullptr) { return limbOperand(rt, pc, 1, owner); }

// Nothing sets the value this function reports, so every limb answers 0.
Word* opCheckLimbLink(Runtime& rt, Word* pc) {
  if (limbOf(rt, pc)) operand(pc, 0).i = 0;
  return pc + 3;
}

Word* opLimbTexture(Runtime& rt, Word* pc) {
  if (const LimbRecord* limb = limbOf(rt, pc)) operand(pc, 0).i = limb->imageNumber;
  return pc + 3;
}

Word* opLimbVisible(Runtime& rt, Word* pc) {
  if (const LimbRecord* limb = limbOf(rt, pc)) operand(pc, 0).i = limb->shown;
  return pc + 3;
}

template <int Axis>
Word* opLimbOffset(Runtime& rt, Word* pc) {
  if (const LimbRecord* l = limbOf(rt, pc)) operand(pc, 0).f = Axis == 0 ? l->offsetX : Axis == 1 ? l->offsetY : l->offsetZ;
  return pc + 3;
}

template <int Axis>
Word* opLimbAngle(Runtime& rt, Word* pc) {
  if (const LimbRecord* l = limbOf(rt, pc)) operand(pc, 0).f = Axis == 0 ? l->angleX : Axis == 1 ? l->angleY : l->angleZ;
  return pc + 3;
}

// The limb's world matrix, as the render step would place it now.
Matrix4 limbWorldOf(Runtime& rt, const ObjectRecord& o, const LimbRecord& limb) {
  return limbWorld(rt.engine3d, o, size_t(&limb - o.limbs.data()));
}

template <int Axis>
Word* opLimbPosition(Runtime& rt, Word* pc) {
  ObjectRecord* o = nullptr;
  if (const LimbRecord* limb = limbOf(rt, pc, &o)) operand(pc, 0).f = limbWorldOf(rt, *o, *limb).m[3][Axis];
  return pc + 3;
}

// The angles, in degrees, of the direction the limb's forward axis (0, 0, 1) points in
// the world; there is no roll, so Z is 0.
template <int Axis>
Word* opLimbDirection(Runtime& rt, Word* pc) {
  ObjectRecord* o = nullptr;
  if (const LimbRecord* limb = limbOf(rt, pc, &o)) {
    float ax = 0, ay = 0, az = 0;
    anglesFromDirection(transformDirection({0, 0, 1}, limbWorldOf(rt, *o, *limb)), ax, ay, az);
    operand(pc, 0).f = Axis == 0 ? ax * DegreesPerRadian : Axis == 1 ? ay * DegreesPerRadian : 0.0f;
  }
  return pc + 3;
}

const CommandRow Rows[] = {
    {CmdObjectExist, opObjectExist},
    {CmdObjectPositionX, opObjectPosition<0>},
    {CmdObjectPositionY, opObjectPosition<1>},
    {CmdObjectPositionZ, opObjectPosition<2>},
    {CmdObjectAngleX, opObjectAngle<0>},
    {CmdObjectAngleY, opObjectAngle<1>},
    {CmdObjectAngleZ, opObjectAngle<2>},
    {CmdObjectVisible, opObjectVisible},
    {CmdObjectSize, opObjectSize},
    {CmdObjectScreenX, opObjectScreen<0>},
    {CmdObjectScreenY, opObjectScreen<1>},
    {CmdObjectInScreen, opObjectInScreen},
    {CmdLimbExist, opLimbExist},
    {CmdCheckLimbLink, opCheckLimbLink},
    {CmdLimbTexture, opLimbTexture},
    {CmdLimbVisible, opLimbVisible},
    {CmdLimbOffsetX, opLimbOffset<0>},
    {CmdLimbOffsetY, opLimbOffset<1>},
    {CmdLimbOffsetZ, opLimbOffset<2>},
    {CmdLimbAngleX, opLimbAngle<0>},
    {CmdLimbAngleY, opLimbAngle<1>},
    {CmdLimbAngleZ, opLimbAngle<2>},
    {CmdLimbPositionX, opLimbPosition<0>},
    {CmdLimbPositionY, opLimbPosition<1>},
    {CmdLimbPositionZ, opLimbPosition<2>},
    {CmdLimbDirectionX, opLimbDirection<0>},
    {CmdLimbDirectionY, opLimbDirection<1>},
    {CmdLimbDirectionZ, opLimbDirection<2>},
};

}  // namespace

extern const std::span<const CommandRow> ObjectQueryRows(Rows);

}  // namespace zt
