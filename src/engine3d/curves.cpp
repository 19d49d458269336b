// Value functions that steer a game's movement: CURVEVALUE and CURVEANGLE ease a value
// towards a destination, NEWXVALUE, NEWYVALUE and NEWZVALUE step along an angle.
#include <cmath>

#include "command_ids.h"
#include "engine3d/objects.h"
#include "engine3d/scene.h"

namespace zt {

namespace {

constexpr float StepRadians = 0.01745f;

// Functions of three floats: the result in operand 0.
template <float (*F)(float, float, float)>
Word* opCurve(Runtime&, Word* pc) {
  operand(pc, 0).f = F(operand(pc, 1).f, operand(pc, 2).f, operand(pc, 3).f);
  return pc + 4;
}

// A speed of 0 divides by zero as given: infinity or not a number, no error.
float curveValue(float destination, float current, float speed) { return current + (destination - current) / speed; }

// The short way round: a difference beyond half a turn goes through 0 instead.
float curveAngle(float destination, float current, float speed) {
  const float a = wrapAngle(destination), b = wrapAngle(current);
  float d = a - b;
  if (d < -180) d = a + 360 - b;
  if (d > 180) d = a - (b + 360);
  return wrapAngle(b + d / speed);
}

float newX(float x, float angle, float step) { return x + std::sin(angle * StepRadians) * step; }
float newZ(float z, float angle, float step) { return z + std::cos(angle * StepRadians) * step; }
float newY(float y, float angle, float step) { return y - std::sin(angle * StepRadians) * step; }

const CommandRow Rows[] = {
    {CmdCurvevalue, opCurve<curveValue>},
    {CmdCurveangle, opCurve<curveAngle>},
    {CmdNewxvalue, opCurve<newX>},
    {CmdNewyvalue, opCurve<newY>},
    {CmdNewzvalue, opCurve<newZ>},
};

}  // namespace

extern const std::span<const CommandRow> CurveRows(Rows);

}  // namespace zt
