// Joysticks and force feedback on SDL2. The axes map in order onto X, Y, Z and the two
// sliders; buttons beyond 32 are not seen. Scripted joysticks are SDL's virtual joysticks,
// so they are read through the same path as real ones; SDL gives them no haptic device,
// so their effects go to a recorder that describes each effect it starts.
#include <SDL.h>

#include <algorithm>
#include <map>

#include "platform/input.h"

namespace zt {

namespace {

constexpr int EffectSlots = 10;
constexpr int32_t FullMagnitude = 10000;

int32_t sliderValue(Sint16 raw) { return int32_t(raw) + 32768; }

// Force feedback as the joystick feels it: SDL's haptic device, or the recorder.
class Haptic {
 public:
  virtual ~Haptic() = default;
  virtual bool set(int slot, const ForceEffect& effect) = 0;
  virtual bool start(int slot) = 0;
  virtual void stopAll() = 0;
  virtual void releaseAll() = 0;
  virtual bool autoCenter(bool on) = 0;
};

Sint16 level(int32_t magnitude) {
  return Sint16(std::clamp<int64_t>(int64_t(magnitude) * 32767 / FullMagnitude, -32767, 32767));
}

Uint16 unsignedLevel(int32_t magnitude) {
  return Uint16(std::clamp<int64_t>(int64_t(magnitude) * 65535 / FullMagnitude, 0, 65535));
}

// SDL counts in milliseconds up to its endless value.
Uint32 milliseconds(uint64_t microseconds) {
  if (microseconds == ForceEndless) return SDL_HAPTIC_INFINITY;
  return Uint32(std::min<uint64_t>(microseconds / 1000, SDL_HAPTIC_INFINITY - 1));
}

SDL_HapticDirection hapticDirection(const ForceEffect& e) {
  SDL_HapticDirection d{};
  if (e.polar) {
    d.type = SDL_HAPTIC_POLAR;
    d.dir[0] = e.direction;
  } else {
    d.type = SDL_HAPTIC_CARTESIAN;
    d.dir[0] = e.directionX;
    d.dir[1] = e.directionY;
  }
  return d;
}

class SdlHaptic final : public Haptic {
 public:
  explicit SdlHaptic(SDL_Haptic* device) : haptic(device) { ids.fill(-1); }
  ~SdlHaptic() override {
    releaseAll();
    SDL_HapticClose(haptic);
  }

  bool set(int slot, const ForceEffect& effect) override {
    SDL_HapticEffect e;
    if (!describe(effect, e)) return false;
    int& id = ids[size_t(slot)];
    if (id >= 0) return SDL_HapticUpdateEffect(haptic, id, &e) == 0;
    id = SDL_HapticNewEffect(haptic, &e);
    return id >= 0;
  }
  bool start(int slot) override { return ids[size_t(slot)] >= 0 && SDL_HapticRunEffect(haptic, ids[size_t(slot)], 1) == 0; }
  void stopAll() override {
    for (int id : ids)
      if (id >= 0) SDL_HapticStopEffect(haptic, id);
  }
  void releaseAll() override {
    for (int& id : ids) {
      if (id >= 0) SDL_HapticDestroyEffect(haptic, id);
      id = -1;
    }
  }
  bool autoCenter(bool on) override {
    return (SDL_HapticQuery(haptic) & SDL_HAPTIC_AUTOCENTER) && SDL_HapticSetAutocenter(haptic, on ? 100 : 0) == 0;
  }

 private:
  SDL_Haptic* haptic;
  std::array<int, EffectSlots> ids;

  // The first periodic wave the device offers.
  Uint16 periodicType() const {
    const unsigned supported = SDL_HapticQuery(haptic);
    for (Uint16 type : {Uint16(SDL_HAPTIC_SINE), Uint16(SDL_HAPTIC_TRIANGLE), Uint16(SDL_HAPTIC_SAWTOOTHUP),
                        Uint16(SDL_HAPTIC_SAWTOOTHDOWN)})
      if (supported & type) return type;
    return 0;
  }

  bool describe(const ForceEffect& f, SDL_HapticEffect& e) const {
    SDL_zero(e);
    switch (f.kind) {
      case ForceKind::Constant:
        e.type = SDL_HAPTIC_CONSTANT;
        e.constant.direction = hapticDirection(f);
        e.constant.length = milliseconds(f.durationUs);
        e.constant.level = level(f.magnitude);
        break;
      case ForceKind::Periodic:
        e.type = periodicType();
        if (!e.type) return false;
        e.periodic.direction = hapticDirection(f);
        e.periodic.length = milliseconds(f.durationUs);
        e.periodic.period = Uint16(std::min<uint32_t>(f.periodUs / 1000, 65535));
        e.periodic.magnitude = level(f.magnitude);
        break;
      case ForceKind::Damper:
        e.type = SDL_HAPTIC_DAMPER;
        e.condition.direction = hapticDirection(f);
        e.condition.length = milliseconds(f.durationUs);
        for (int axis = 0; axis < 2; ++axis) {
          e.condition.right_coeff[axis] = level(f.magnitude);
          e.condition.right_sat[axis] = unsignedLevel(f.saturation);
        }
        break;
    }
    return (SDL_HapticQuery(haptic) & e.type) != 0;
  }
};

// Microseconds as milliseconds, with the fraction when there is one.
std::string millisecondText(uint64_t microseconds) {
  std::string text = std::to_string(microseconds / 1000);
  if (const uint64_t rest = microseconds % 1000) {
    const std::string fraction = std::to_string(1000 + rest);
    text += "." + fraction.substr(1);
  }
  return text;
}

const char* kindName(ForceKind kind) {
  switch (kind) {
    case ForceKind::Constant: return "constant force";
    case ForceKind::Periodic: return "periodic force";
    case ForceKind::Damper: return "damper";
  }
  return "";
}

// A scripted joystick's force feedback: what it would play, described when it starts.
class RecordingHaptic final : public Haptic {
 public:
  RecordingHaptic(std::string device, std::function<void(std::string_view)> r)
      : name(std::move(device)), report(std::move(r)) {}

  bool set(int slot, const ForceEffect& effect) override {
    effects[size_t(slot)] = effect;
    made[size_t(slot)] = true;
    return true;
  }
  bool start(int slot) override {
    if (!made[size_t(slot)]) return false;
    const ForceEffect& e = effects[size_t(slot)];
    std::string text = name + ": " + kindName(e.kind) + ", ";
    text += e.polar ? "direction " + std::to_string(e.direction)
                    : "direction (" + std::to_string(e.directionX) + ", " + std::to_string(e.directionY) + ")";
    text += ", magnitude " + std::to_string(e.magnitude);
    if (e.kind == ForceKind::Periodic) text += ", period " + std::to_string(e.periodUs / 1000) + " ms";
    if (e.kind == ForceKind::Damper) text += ", saturation " + std::to_string(e.saturation);
    text += e.durationUs == ForceEndless ? std::string(", endless") : ", " + millisecondText(e.durationUs) + " ms";
    if (report) report(text);
    return true;
  }
  void stopAll() override {
    if (report) report(name + ": effects stopped");
  }
  void releaseAll() override { made.fill(false); }
  bool autoCenter(bool on) override {
    if (report) report(name + (on ? ": auto-centre on" : ": auto-centre off"));
    return true;
  }

 private:
  std::string name;
  std::function<void(std::string_view)> report;
  std::array<ForceEffect, EffectSlots> effects{};
  std::array<bool, EffectSlots> made{};
};

class SdlJoystick final : public Joystick {
 public:
  SdlJoystick(SDL_Joystick* j, int32_t dz, std::unique_ptr<Haptic> h)
      : joystick(j), deadZone(dz), haptic(std::move(h)) {}
  ~SdlJoystick() override {
    haptic.reset();
    SDL_JoystickClose(joystick);
  }

  bool read(JoystickReading& r) override {
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(joystick)) return false;
    const int axes = SDL_JoystickNumAxes(joystick);
    auto axis = [&](int i) { return i < axes ? SDL_JoystickGetAxis(joystick, i) : Sint16(0); };
    r.lX = rangedAxis(axis(0), deadZone);
    r.lY = rangedAxis(axis(1), deadZone);
    r.lZ = rangedAxis(axis(2), deadZone);
    for (int s = 0; s < JoystickSliders; ++s) r.rglSlider[size_t(s)] = sliderValue(axis(3 + s));
    const int buttons = SDL_JoystickNumButtons(joystick);
    for (int b = 0; b < JoystickButtons; ++b)
      r.rgbButtons[size_t(b)] = b < buttons && SDL_JoystickGetButton(joystick, b) ? 0x80 : 0;
    return true;
  }
  bool setEffect(int slot, const ForceEffect& effect) override {
    return haptic && slot >= 0 && slot < EffectSlots && haptic->set(slot, effect);
  }
  bool startEffect(int slot) override { return haptic && slot >= 0 && slot < EffectSlots && haptic->start(slot); }
  void stopEffects() override {
    if (haptic) haptic->stopAll();
  }
  void releaseEffects() override {
    if (haptic) haptic->releaseAll();
  }
  bool setAutoCenter(bool on) override { return haptic && haptic->autoCenter(on); }

 private:
  SDL_Joystick* joystick;
  int32_t deadZone;
  std::unique_ptr<Haptic> haptic;
};

class SdlControlDevices final : public ControlDevices {
 public:
  SdlControlDevices(bool virtualOnly, std::function<void(std::string_view)> r)
      : onlyVirtual(virtualOnly), report(std::move(r)) {}
  ~SdlControlDevices() override {
    for (auto& [id, v] : virtuals) SDL_JoystickClose(v.handle);
    for (auto& [id, v] : virtuals) detachDevice(id);
    SDL_QuitSubSystem(subsystems);
  }

  bool start(std::string& error) {
    // The devices are read when the engine asks, not through the event queue.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
      error = SDL_GetError();
      return false;
    }
    subsystems = SDL_INIT_JOYSTICK;
    if (!onlyVirtual && SDL_InitSubSystem(SDL_INIT_HAPTIC) == 0) subsystems |= SDL_INIT_HAPTIC;
    SDL_JoystickEventState(SDL_IGNORE);
    return true;
  }

  bool attached(std::vector<AttachedJoystick>& list) override {
    list.clear();
    SDL_JoystickUpdate();
    const int count = SDL_NumJoysticks();
    if (count < 0) return false;
    for (int i = 0; i < count; ++i) {
      const bool isVirtual = SDL_JoystickIsVirtual(i);
      if (onlyVirtual && !isVirtual) continue;
      const int32_t id = SDL_JoystickGetDeviceInstanceID(i);
      const char* name = SDL_JoystickNameForIndex(i);
      list.push_back({id, name ? name : "", hasForceFeedback(i, id)});
    }
    return true;
  }

  std::unique_ptr<Joystick> open(int32_t id, int32_t deadZone, bool forceFeedback) override {
    const int index = deviceIndex(id);
    if (index < 0) return nullptr;
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    if (!joystick) return nullptr;
    std::unique_ptr<Haptic> haptic;
    if (forceFeedback) {
      if (auto v = virtuals.find(id); v != virtuals.end()) {
        if (v->second.forceFeedback) haptic = std::make_unique<RecordingHaptic>(v->second.name, report);
      } else if (SDL_Haptic* device = SDL_HapticOpenFromJoystick(joystick)) {
        haptic = std::make_unique<SdlHaptic>(device);
      }
    }
    return std::make_unique<SdlJoystick>(joystick, deadZone, std::move(haptic));
  }

  int32_t attachVirtual(std::string_view name, bool forceFeedback) override {
    std::string text(name);
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = JoystickAxes;
    desc.nbuttons = JoystickButtons;
    desc.name = text.c_str();
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) return -1;
    SDL_Joystick* handle = SDL_JoystickOpen(index);
    if (!handle) {
      SDL_JoystickDetachVirtual(index);
      return -1;
    }
    const int32_t id = SDL_JoystickInstanceID(handle);
    virtuals[id] = {handle, text, forceFeedback};
    return id;
  }

  void setVirtualAxis(int32_t id, int axis, int32_t value) override {
    if (auto v = virtuals.find(id); v != virtuals.end()) SDL_JoystickSetVirtualAxis(v->second.handle, axis, Sint16(rawAxis(value)));
  }
  void setVirtualButton(int32_t id, int button, bool down) override {
    if (auto v = virtuals.find(id); v != virtuals.end())
      SDL_JoystickSetVirtualButton(v->second.handle, button, down ? SDL_PRESSED : SDL_RELEASED);
  }
  void detachVirtual(int32_t id) override {
    auto v = virtuals.find(id);
    if (v == virtuals.end()) return;
    SDL_JoystickClose(v->second.handle);
    detachDevice(id);
    virtuals.erase(v);
  }

 private:
  struct Virtual {
    SDL_Joystick* handle;
    std::string name;
    bool forceFeedback;
  };
  bool onlyVirtual;
  std::function<void(std::string_view)> report;
  Uint32 subsystems = 0;
  std::map<int32_t, Virtual> virtuals;

  static int deviceIndex(int32_t id) {
    for (int i = 0, n = SDL_NumJoysticks(); i < n; ++i)
      if (SDL_JoystickGetDeviceInstanceID(i) == id) return i;
    return -1;
  }

  static void detachDevice(int32_t id) {
    if (int index = deviceIndex(id); index >= 0) SDL_JoystickDetachVirtual(index);
  }

  bool hasForceFeedback(int index, int32_t id) const {
    if (auto v = virtuals.find(id); v != virtuals.end()) return v->second.forceFeedback;
    if (!(subsystems & SDL_INIT_HAPTIC)) return false;
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    if (!joystick) return false;
    const bool haptic = SDL_JoystickIsHaptic(joystick) == SDL_TRUE;
    SDL_JoystickClose(joystick);
    return haptic;
  }
};

}  // namespace

std::unique_ptr<ControlDevices> createSdlControlDevices(bool onlyVirtual, std::function<void(std::string_view)> report,
                                                        std::string& error) {
  auto devices = std::make_unique<SdlControlDevices>(onlyVirtual, std::move(report));
  if (!devices->start(error)) return nullptr;
  return devices;
}

}  // namespace zt
