// Force feedback: the ten FORCE effects played once on the control device, stopping them
// all, and its auto-centring. Without a force-feedback control device every command
// raises the warning 4101; an effect the device could not make is skipped.
#include "input/force.h"

#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/runtime.h"
#include "input/input.h"
#include "input/state.h"

namespace zt {

namespace {

constexpr int32_t MaxMagnitude = 100;
constexpr int32_t MaxAngle = 360;
constexpr int32_t MagnitudeScale = 100;       // the device counts to 10000
constexpr int32_t DamperScale = 50;           // water's coefficient per unit of magnitude
constexpr int32_t FullSaturation = 10000;
constexpr uint64_t ShortForceUs = 100000;     // the four directions play for 0.1 s
constexpr double ExtraSeconds = 0.05;         // added to every timed effect
constexpr uint32_t ChainsawPeriodUs = 50000;
constexpr uint32_t ImpactPeriodUs = 100000;
constexpr int32_t DefaultDurationMs = 100;

// Polar directions in hundredths of a degree, 0 north, clockwise.
constexpr int32_t DirectionUp = 18000, DirectionDown = 0, DirectionLeft = 9000, DirectionRight = 27000;

// Milliseconds as the device's microseconds: 0 is endless; FORCE ANGLE counts whole
// seconds, the others exact ones; every timed effect lasts 0.05 s longer.
uint64_t effectDuration(int32_t milliseconds, bool wholeSeconds) {
  if (milliseconds == 0) return ForceEndless;
  const double seconds = wholeSeconds ? double(milliseconds / 1000) : double(milliseconds) / 1000.0;
  return uint64_t((seconds + ExtraSeconds) * 1000000.0);
}

ForceEffect constantForce(int32_t magnitude, int32_t direction, uint64_t durationUs) {
  ForceEffect e;
  e.kind = ForceKind::Constant;
  e.direction = direction;
  e.magnitude = magnitude * MagnitudeScale;
  e.durationUs = durationUs;
  return e;
}

ForceEffect periodicForce(int32_t magnitude, uint32_t periodUs, uint64_t durationUs) {
  ForceEffect e = constantForce(magnitude, 0, durationUs);
  e.kind = ForceKind::Periodic;
  e.periodUs = periodUs;
  return e;
}

ForceEffect damper(int32_t magnitude, int32_t x, int32_t y, uint64_t durationUs) {
  ForceEffect e;
  e.kind = ForceKind::Damper;
  e.polar = false;
  e.directionX = x;
  e.directionY = y;
  e.magnitude = magnitude * DamperScale;
  e.saturation = FullSaturation;
  e.durationUs = durationUs;
  return e;
}

// Sets the slot's effect and plays it once; nothing when the device did not make it.
void play(InputState& in, ForceSlot slot, const ForceEffect& effect) {
  if (!in.Effects[slot]) return;
  if (in.controlDevice->setEffect(slot, effect)) in.controlDevice->startEffect(slot);
}

// The checks every FORCE command makes, in order: a force-feedback device, then the
// magnitude's range.
bool forceReady(Runtime& rt) {
  if (rt.input.ForceFeedback) return true;
  raiseError(rt, ErrNoForceFeedback);
  return false;
}

bool magnitudeInRange(Runtime& rt, int32_t magnitude) {
  if (magnitude >= 0 && magnitude <= MaxMagnitude) return true;
  raiseError(rt, ErrForceMagnitude);
  return false;
}

bool durationInRange(Runtime& rt, int32_t milliseconds) {
  if (milliseconds >= 0) return true;
  raiseError(rt, ErrForceDuration);
  return false;
}

template <ForceSlot Slot, int32_t Direction>
void forceDirection(Runtime& rt, Word* pc) {
  const int32_t magnitude = operand(pc, 0).i;
  if (!forceReady(rt) || !magnitudeInRange(rt, magnitude)) return;
  play(rt.input, Slot, constantForce(magnitude, Direction, ShortForceUs));
}

void forceAngle(Runtime& rt, Word* pc) {
  const int32_t magnitude = operand(pc, 0).i, angle = operand(pc, 1).i, milliseconds = operand(pc, 2).i;
  if (!forceReady(rt) || !magnitudeInRange(rt, magnitude)) return;
  if (angle < 0 || angle > MaxAngle) {
    raiseError(rt, ErrForceAngle);
    return;
  }
  if (!durationInRange(rt, milliseconds)) return;
  play(rt.input, ForceAngleSlot, constantForce(magnitude, angle * 100, effectDuration(milliseconds, true)));
}

// The timed effects with a magnitude and a duration.
template <ForceSlot Slot>
void forceTimed(Runtime& rt, Word* pc) {
  const int32_t magnitude = operand(pc, 0).i, milliseconds = operand(pc, 1).i;
  if (!forceReady(rt) || !magnitudeInRange(rt, magnitude) || !durationInRange(rt, milliseconds)) return;
  const uint64_t duration = effectDuration(milliseconds, false);
  InputState& in = rt.input;
  switch (Slot) {
    case ForceChainsawSlot: play(in, Slot, periodicForce(magnitude, ChainsawPeriodUs, duration)); break;
    case ForceImpactSlot: play(in, Slot, periodicForce(magnitude, ImpactPeriodUs, duration)); break;
    case ForceShootSlot: play(in, Slot, constantForce(magnitude, DirectionDown, duration)); break;
    default:
      play(in, ForceWaterSlot, damper(magnitude, 1, 1, duration));
      play(in, ForceWaterBackSlot, damper(magnitude, -1, -1, duration));
      break;
  }
}

void forceNoEffect(Runtime& rt, Word*) {
  if (forceReady(rt)) rt.input.controlDevice->stopEffects();
}

template <bool On>
void forceAutoCenter(Runtime& rt, Word*) {
  if (forceReady(rt)) rt.input.controlDevice->setAutoCenter(On);
}

const CommandRow Rows[] = {
    {CmdForceUp, skipAfter<forceDirection<ForceUpSlot, DirectionUp>, 1>},
    {CmdForceDown, skipAfter<forceDirection<ForceDownSlot, DirectionDown>, 1>},
    {CmdForceLeft, skipAfter<forceDirection<ForceLeftSlot, DirectionLeft>, 1>},
    {CmdForceRight, skipAfter<forceDirection<ForceRightSlot, DirectionRight>, 1>},
    {CmdForceAngle, skipAfter<forceAngle, 3>},
    {CmdForceChainsaw, skipAfter<forceTimed<ForceChainsawSlot>, 2>},
    {CmdForceShoot, skipAfter<forceTimed<ForceShootSlot>, 2>},
    {CmdForceImpact, skipAfter<forceTimed<ForceImpactSlot>, 2>},
    {CmdForceNoEffect, skipAfter<forceNoEffect, 0>},
    {CmdForceWaterEffect, skipAfter<forceTimed<ForceWaterSlot>, 2>},
    {CmdForceAutoCenterOn, skipAfter<forceAutoCenter<true>, 0>},
    {CmdForceAutoCenterOff, skipAfter<forceAutoCenter<false>, 0>},
};

}  // namespace

void makeForceEffects(Runtime& rt) {
  InputState& in = rt.input;
  const uint64_t shortTimed = effectDuration(DefaultDurationMs, false);
  const ForceEffect defaults[ForceSlots] = {
      constantForce(MaxMagnitude, DirectionUp, ShortForceUs),
      constantForce(MaxMagnitude, DirectionDown, ShortForceUs),
      constantForce(MaxMagnitude, DirectionLeft, ShortForceUs),
      constantForce(MaxMagnitude, DirectionRight, ShortForceUs),
      constantForce(MaxMagnitude, 0, effectDuration(DefaultDurationMs, true)),
      periodicForce(MaxMagnitude, ChainsawPeriodUs, shortTimed),
      constantForce(MaxMagnitude, DirectionDown, shortTimed),
      periodicForce(MaxMagnitude, ImpactPeriodUs, shortTimed),
      damper(MaxMagnitude, 1, 1, ForceEndless),
      damper(MaxMagnitude, -1, -1, ForceEndless),
  };
  for (int slot = 0; slot < ForceSlots; ++slot) in.Effects[size_t(slot)] = in.controlDevice->setEffect(slot, defaults[slot]);
}

extern const std::span<const CommandRow> ForceRows(Rows);

}  // namespace zt
