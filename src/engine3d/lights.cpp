// Light commands: numbered lights 1 to 65535 made by the program beside light 0, the
// default directional light that always exists; type, position, direction, cone, colour,
// shown or hidden, and placement from an object. Every change is sent to the devices.
// Owns the light pool and its number map.
#include <cmath>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "engine3d/engine3d.h"
#include "engine3d/scene.h"

namespace zt {

namespace {

enum LightKind : int32_t { PointLight = 1, SpotLight = 2, DirectionalLight = 3 };

constexpr Vec3 DefaultDirection{0.2f, -0.7f, 0.1f};

// 7301 outside 0 to 65535, then 7303 for a light that does not exist; the slot or -1.
int32_t checkedLight(Runtime& rt, int32_t number) {
  if (number < 0 || number > MaxLightNumber) {
    raiseError(rt, ErrLightNumber);
    return -1;
  }
  if (number == 0) return 0;
  const int32_t slot = rt.engine3d.LightMap[size_t(number)];
  if (slot == 0) {
    raiseError(rt, ErrNoLight);
    return -1;
  }
  return slot;
}

LightRecord defaultLight() {
  LightRecord l;
  l.inUse = 1;
  l.type = DirectionalLight;
  l.direction = DefaultDirection;
  return l;
}

// (x, y, z) divided by the sum of its absolute components; a zero vector keeps `old`.
Vec3 sumNormalized(Vec3 v, Vec3 old) {
  const float sum = std::fabs(v.x) + std::fabs(v.y) + std::fabs(v.z);
  return sum > 0 ? Vec3{v.x / sum, v.y / sum, v.z / sum} : old;
}

Vec3 rotatedForward(float ax, float ay, float az) {
  return transformDirection({0, 0, 1}, rotationX(ax * TransformRadians) * rotationY(ay * TransformRadians) *
                                           rotationZ(az * TransformRadians));
}

Vec3 operandVec(Word* pc, int first) {
  return {operand(pc, first).f, operand(pc, first + 1).f, operand(pc, first + 2).f};
}

// Runs `change` on the light of operand 0 when it exists, then sends the light.
template <class Change>
void changeLight(Runtime& rt, Word* pc, Change change) {
  const int32_t slot = checkedLight(rt, operand(pc, 0).i);
  if (slot < 0) return;
  change(rt.engine3d.lights[slot]);
  sendLight(rt, slot);
}

void opMakeLight(Runtime& rt, Word* pc) {
  Engine3DState& s = rt.engine3d;
  const int32_t number = operand(pc, 0).i;
  if (number < 0 || number > MaxLightNumber) return raiseError(rt, ErrLightNumber);
  if (number == 0 || s.LightMap[size_t(number)] != 0) return raiseError(rt, ErrLightInUse);
  const int32_t slot = s.lights.take();
  if (slot < 0) return raiseError(rt, ErrOutOfMemory);  // the software device never refuses a light
  LightRecord& l = s.lights[slot];
  const int32_t next = l.next, prev = l.prev;
  l = defaultLight();
  l.next = next;
  l.prev = prev;
  l.type = PointLight;
  l.direction = {0, 0, 1};
  s.LightMap[size_t(number)] = slot;
  sendLight(rt, slot);
}

void opDeleteLight(Runtime& rt, Word* pc) {
  Engine3DState& s = rt.engine3d;
  const int32_t number = operand(pc, 0).i;
  if (number < 0 || number > MaxLightNumber) return raiseError(rt, ErrLightNumber);
  if (number == 0) return raiseError(rt, ErrDeleteDefaultLight);
  const int32_t slot = checkedLight(rt, number);
  if (slot < 0) return;
  s.lights[slot].enabled = 0;
  sendLight(rt, slot);
  s.lights.release(slot);
  s.LightMap[size_t(number)] = 0;
}

void opSetPointLight(Runtime& rt, Word* pc) {
  changeLight(rt, pc, [&](LightRecord& l) {
    l.type = PointLight;
    l.position = operandVec(pc, 1);
  });
}

void opSetSpotLight(Runtime& rt, Word* pc) {
  changeLight(rt, pc, [&](LightRecord& l) {
    l.type = SpotLight;
    l.inner = operand(pc, 1).f * TransformRadians;
    l.outer = operand(pc, 2).f * TransformRadians;
  });
}

void opSetDirectionalLight(Runtime& rt, Word* pc) {
  changeLight(rt, pc, [&](LightRecord& l) {
    l.type = DirectionalLight;
    l.direction = sumNormalized(operandVec(pc, 1), l.direction);
  });
}

void opPositionLight(Runtime& rt, Word* pc) {
  changeLight(rt, pc, [&](LightRecord& l) {
    if (l.type != DirectionalLight) l.position = operandVec(pc, 1);
  });
}

void opRotateLight(Runtime& rt, Word* pc) {
  changeLight(rt, pc, [&](LightRecord& l) {
    if (l.type == PointLight) return;
    l.direction = rotatedForward(operand(pc, 1).f, operand(pc, 2).f, operand(pc, 3).f);
    l.fromMatrix = 0;
  });
}

void opPointLight(Runtime& rt, Word* pc) {
  changeLight(rt, pc, [&](LightRecord& l) {
    const Vec3 t = operandVec(pc, 1);
    l.direction = sumNormalized({t.x - l.position.x, t.y - l.position.y, t.z - l.position.z}, l.direction);
    l.fromMatrix = 0;
  });
}

void opColorLightValue(Runtime& rt, Word* pc) {
  const uint32_t c = uint32_t(operand(pc, 1).i);
  changeLight(rt, pc, [&](LightRecord& l) {
    l.red = float((c >> 16) & 255) / 255.0f;
    l.green = float((c >> 8) & 255) / 255.0f;
    l.blue = float(c & 255) / 255.0f;
  });
}

void opColorLightParts(Runtime& rt, Word* pc) {
  changeLight(rt, pc, [&](LightRecord& l) {
    l.red = float(operand(pc, 1).i) / 255.0f;
    l.green = float(operand(pc, 2).i) / 255.0f;
    l.blue = float(operand(pc, 3).i) / 255.0f;
  });
}

template <int32_t Shown>
void opShowLight(Runtime& rt, Word* pc) {
  changeLight(rt, pc, [](LightRecord& l) { l.enabled = Shown; });
}

// The light of operand 0 and the object of operand 1, both checked; false after an error.
bool lightAndObject(Runtime& rt, Word* pc, int32_t& light, int32_t& object) {
  light = checkedLight(rt, operand(pc, 0).i);
  if (light < 0) return false;
  object = checkedObject(rt, operand(pc, 1).i);
  return object != 0;
}

void opLightToObjectPosition(Runtime& rt, Word* pc) {
  Engine3DState& s = rt.engine3d;
  int32_t light = 0, object = 0;
  if (!lightAndObject(rt, pc, light, object)) return;
  const RenderNode& n = s.nodes[s.objects[object].node];
  s.lights[light].position = {n.x, n.y, n.z};
  sendLight(rt, light);
}

void opLightToObjectOrientation(Runtime& rt, Word* pc) {
  Engine3DState& s = rt.engine3d;
  int32_t light = 0, object = 0;
  if (!lightAndObject(rt, pc, light, object)) return;
  const ObjectRecord& o = s.objects[object];
  LightRecord& l = s.lights[light];
  if (o.freeOrientation) {
    l.matrix = o.orientation;
    l.fromMatrix = 1;
    l.direction = transformDirection({0, 0, 1}, inverseOf(o.orientation));
  } else {
    l.objectAngleX = o.angleX;
    l.objectAngleY = o.angleY;
    l.objectAngleZ = o.angleZ;
    l.direction = rotatedForward(o.angleX, o.angleY, o.angleZ);
  }
  sendLight(rt, light);
}

const CommandRow Rows[] = {
    {CmdMakeLight, skipAfter<opMakeLight, 1>},
    {CmdDeleteLight, skipAfter<opDeleteLight, 1>},
    {CmdSetPointLight, skipAfter<opSetPointLight, 4>},
    {CmdSetSpotLight, skipAfter<opSetSpotLight, 3>},
    {CmdSetDirectionalLight, skipAfter<opSetDirectionalLight, 4>},
    {CmdPositionLight, skipAfter<opPositionLight, 4>},
    {CmdRotateLight, skipAfter<opRotateLight, 4>},
    {CmdPointLight, skipAfter<opPointLight, 4>},
    {CmdColorLightLL, skipAfter<opColorLightValue, 2>},
    {CmdColorLightLLLL, skipAfter<opColorLightParts, 4>},
    {CmdHideLight, skipAfter<opShowLight<0>, 1>},
    {CmdShowLight, skipAfter<opShowLight<1>, 1>},
    {CmdSetLightToObjectPosition, skipAfter<opLightToObjectPosition, 2>},
    {CmdSetLightToObjectOrientation, skipAfter<opLightToObjectOrientation, 2>},
};

}  // namespace

// Light 0 in slot 0 of the light pool.
void makeDefaultLight(Runtime& rt) {
  LightRecord& l = rt.engine3d.lights[0];
  const int32_t next = l.next, prev = l.prev;
  l = defaultLight();
  l.next = next;
  l.prev = prev;
}

extern const std::span<const CommandRow> LightRows(Rows);

}  // namespace zt
