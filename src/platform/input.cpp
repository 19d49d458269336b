#include "platform/input.h"

#include <algorithm>
#include <cmath>

namespace zt {

namespace {

constexpr int32_t RawLimit = 32767;
constexpr int32_t FullRange = 10000;  // dead zones are given in ten-thousandths

// No device is ever attached; scripted joysticks cannot be attached.
class NullControlDevices final : public ControlDevices {
 public:
  bool attached(std::vector<AttachedJoystick>& list) override {
    list.clear();
    return true;
  }
  std::unique_ptr<Joystick> open(int32_t, int32_t, bool) override { return nullptr; }
  int32_t attachVirtual(std::string_view, bool) override { return -1; }
  void setVirtualAxis(int32_t, int, int32_t) override {}
  void setVirtualButton(int32_t, int, bool) override {}
  void detachVirtual(int32_t) override {}
};

}  // namespace

int32_t rangedAxis(int32_t raw, int32_t deadZone) {
  const double value = std::clamp(double(raw) / RawLimit, -1.0, 1.0);
  const double dead = std::clamp(double(deadZone) / FullRange, 0.0, 1.0);
  const double magnitude = std::fabs(value);
  if (magnitude <= dead) return 0;
  // Past the dead zone the reading grows from the centre to the end of the range.
  const double scaled = dead >= 1.0 ? 0.0 : (magnitude - dead) / (1.0 - dead);
  return int32_t(std::lround(std::copysign(scaled * JoystickAxisLimit, value)));
}

int32_t rawAxis(int32_t value) {
  return int32_t(std::lround(double(std::clamp(value, -JoystickAxisLimit, JoystickAxisLimit)) * RawLimit /
                             JoystickAxisLimit));
}

std::unique_ptr<ControlDevices> createNullControlDevices() { return std::make_unique<NullControlDevices>(); }

}  // namespace zt
