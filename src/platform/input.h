// Game controllers: the joysticks attached now, an opened joystick's state in the ranges
// the language uses, and force feedback on it. Two implementations: SDL2's joysticks and
// haptics (all attached devices, or only the virtual joysticks an input script attaches),
// and a null one with no device at all for headless runs without scripted joysticks.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

constexpr int JoystickButtons = 32;
constexpr int JoystickSliders = 2;
constexpr int32_t JoystickAxisLimit = 1000;  // X, Y and Z run from -1000 to 1000
constexpr int32_t SliderLimit = 65535;       // sliders run from 0 to 65535
// The axes a scripted joystick has, in the order of the state below: X, Y, Z, then the
// two sliders.
constexpr int JoystickAxes = 5;

// One reading of a joystick.
struct JoystickReading {
  int32_t lX = 0, lY = 0, lZ = 0;
  std::array<int32_t, JoystickSliders> rglSlider{};
  std::array<uint8_t, JoystickButtons> rgbButtons{};  // 0x80 while the button is down
};

struct AttachedJoystick {
  int32_t id;  // stays the device's while it is attached
  std::string name;
  bool forceFeedback;
};

// A force-feedback effect in the units of the language's device layer: magnitudes and
// coefficients 0 to 10000, directions in hundredths of a degree (polar) or as an x, y
// pair (Cartesian), times in microseconds.
enum class ForceKind : uint8_t { Constant, Periodic, Damper };
constexpr uint64_t ForceEndless = UINT64_MAX;

struct ForceEffect {
  ForceKind kind = ForceKind::Constant;
  bool polar = true;
  int32_t direction = 0;     // polar: hundredths of a degree, 0 north, clockwise
  int32_t directionX = 0;    // Cartesian
  int32_t directionY = 0;
  int32_t magnitude = 0;     // constant and periodic force; the damper's positive coefficient
  int32_t saturation = 0;    // damper
  uint64_t durationUs = 0;   // ForceEndless: until stopped
  uint32_t periodUs = 0;     // periodic
};

// An opened joystick.
class Joystick {
 public:
  virtual ~Joystick() = default;
  // The current state; false when the device is gone.
  virtual bool read(JoystickReading& reading) = 0;
  // Force feedback, for a joystick opened with it. An effect slot holds one effect, made
  // the first time it is set and changed afterwards; false when the device refuses.
  virtual bool setEffect(int slot, const ForceEffect& effect) = 0;
  // Plays the slot's effect once from the start; false when the slot holds none.
  virtual bool startEffect(int slot) = 0;
  virtual void stopEffects() = 0;
  virtual void releaseEffects() = 0;
  virtual bool setAutoCenter(bool on) = 0;
};

class ControlDevices {
 public:
  virtual ~ControlDevices() = default;
  // The joysticks attached now, in the platform's order; devices plugged in or out since
  // the last call are seen. False when they cannot be enumerated.
  virtual bool attached(std::vector<AttachedJoystick>& list) = 0;
  // Opens an attached joystick with X, Y and Z ranged -1000 to 1000; a dead zone of
  // `deadZone` ten-thousandths of the range reads as the centre. With `forceFeedback` its
  // effects can be set; null when it cannot be opened.
  virtual std::unique_ptr<Joystick> open(int32_t id, int32_t deadZone, bool forceFeedback) = 0;

  // Scripted joysticks: a virtual device with the given name, five axes (JoystickAxes)
  // and 32 buttons; with `forceFeedback` its effects are recorded rather than felt, and
  // each started effect is described to `report`. Returns the device's id, or -1.
  virtual int32_t attachVirtual(std::string_view name, bool forceFeedback) = 0;
  // Axis value -1000 to 1000, button 0 to 31.
  virtual void setVirtualAxis(int32_t id, int axis, int32_t value) = 0;
  virtual void setVirtualButton(int32_t id, int button, bool down) = 0;
  virtual void detachVirtual(int32_t id) = 0;
};

// SDL2's joysticks and haptics. With `onlyVirtual` the attached real devices are not
// listed (headless runs). Null with a reason when the joystick service cannot start.
std::unique_ptr<ControlDevices> createSdlControlDevices(bool onlyVirtual, std::function<void(std::string_view)> report,
                                                        std::string& error);
std::unique_ptr<ControlDevices> createNullControlDevices();

// The reading of a raw axis value (-32768 to 32767) on the range -1000 to 1000 with a dead
// zone in ten-thousandths of the range, as the devices report it.
int32_t rangedAxis(int32_t raw, int32_t deadZone);
// The raw value of an axis position -1000 to 1000 (scripted joysticks).
int32_t rawAxis(int32_t value);

}  // namespace zt
