// The input devices below the commands: the key translation table through a real SDL
// window (on SDL's dummy video driver) into KEYSTATE and SCANCODE, and the joystick axis
// scale with its dead zone.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "command_ids.h"
#include "platform/input.h"
#include "platform/keys.h"
#include "platform/platform.h"
#include "support/engine.h"

namespace zt {
namespace {

Handler keyboardHandler(const CommandForm& form) {
  for (const CommandRow& row : KeyboardRows)
    if (row.id == form.id) return row.handler;
  return nullptr;
}

// Runs a keyboard function on `argument` and gives its result.
int32_t query(Runtime& rt, const CommandForm& form, int32_t argument = 0) {
  Cell cells[2] = {};
  cells[1].i = argument;
  Word words[2];
  words[0].cell = &cells[0];
  words[1].cell = &cells[1];
  keyboardHandler(form)(rt, words);
  return cells[0].i;
}

void pushKey(Uint32 type, int scancode) {
  SDL_Event e{};
  e.type = type;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.scancode = SDL_Scancode(scancode);
  ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
}

class DesktopKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::string why;
    window = makeDesktopServices(why).window;
    if (!window) GTEST_SKIP() << "no SDL window on the dummy driver: " << why;
    rt.input.Source = window.get();
  }
  void TearDown() override {
    rt.input.Source = rt.host.MainWindow.get();
    window.reset();
    unsetenv("SDL_VIDEODRIVER");
  }
  Runtime rt;
  std::unique_ptr<Window> window;
};

TEST_F(DesktopKeys, EveryKeyOfTheTableReachesKeystateAndScancode) {
  for (const KeyTranslation& k : keyTranslations()) {
    SCOPED_TRACE(SDL_GetScancodeName(SDL_Scancode(k.scancode)));
    pushKey(SDL_KEYDOWN, k.scancode);
    UpdateInput(rt);
    EXPECT_EQ(query(rt, CmdKeystate, k.key), 1);
    EXPECT_EQ(query(rt, CmdScancode), k.key);
    pushKey(SDL_KEYUP, k.scancode);
    UpdateInput(rt);
    EXPECT_EQ(query(rt, CmdKeystate, k.key), 0);
    EXPECT_EQ(query(rt, CmdScancode), 0);
  }
}

TEST(KeyTable, CoversEveryKeyOfA105KeyKeyboardWithNumbersInRange) {
  std::set<int> scancodes;
  for (const KeyTranslation& k : keyTranslations()) {
    EXPECT_TRUE(scancodes.insert(k.scancode).second) << "twice: " << SDL_GetScancodeName(SDL_Scancode(k.scancode));
    EXPECT_GE(k.key, 1);
  }
  // Letters, digits, Enter to Space, the punctuation (with both ISO keys), Caps Lock, F1
  // to F12, the editing and arrow blocks, the keypad, the menu key, the modifiers.
  std::vector<int> keyboard;
  for (int s = SDL_SCANCODE_A; s <= SDL_SCANCODE_APPLICATION; ++s) keyboard.push_back(s);
  for (int s = SDL_SCANCODE_LCTRL; s <= SDL_SCANCODE_RGUI; ++s) keyboard.push_back(s);
  for (int s : keyboard) EXPECT_TRUE(scancodes.count(s)) << "missing: " << SDL_GetScancodeName(SDL_Scancode(s));
  EXPECT_EQ(keyNumberOfScancode(SDL_SCANCODE_UNKNOWN), 0);
  EXPECT_EQ(keyNumberOfScancode(SDL_SCANCODE_UP), 200);
  EXPECT_EQ(keyNumberOfScancode(SDL_SCANCODE_KP_ENTER), 156);
}

TEST(JoystickAxes, TheDeadZoneIsTenPercentAndTheScaleRoundTrips) {
  constexpr int32_t TenPercent = 1000;
  EXPECT_EQ(rangedAxis(rawAxis(-100), TenPercent), 0);
  EXPECT_EQ(rangedAxis(rawAxis(-101), TenPercent), -1);
  EXPECT_EQ(rangedAxis(rawAxis(100), TenPercent), 0);
  EXPECT_EQ(rangedAxis(rawAxis(101), TenPercent), 1);
  EXPECT_EQ(rangedAxis(rawAxis(-1000), TenPercent), -1000);
  EXPECT_EQ(rangedAxis(rawAxis(1000), TenPercent), 1000);
  EXPECT_EQ(rangedAxis(-32768, TenPercent), -1000);  // the raw range is one longer below
  for (int32_t v = -1000; v <= 1000; ++v) ASSERT_EQ(rangedAxis(rawAxis(v), 0), v);
  EXPECT_EQ(rawAxis(5000), rawAxis(1000));
}

TEST(ControlDevices, TheNullDevicesHaveNoneAndTakeNoScriptedJoystick) {
  std::unique_ptr<ControlDevices> devices = createNullControlDevices();
  std::vector<AttachedJoystick> list{{1, "stale", false}};
  EXPECT_TRUE(devices->attached(list));
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(devices->attachVirtual("Pad", false), -1);
}

TEST(ControlDevices, VirtualJoysticksComeAndGoAndReadInRange) {
  std::string why;
  std::vector<std::string> reports;
  std::unique_ptr<ControlDevices> devices =
      createSdlControlDevices(true, [&](std::string_view text) { reports.emplace_back(text); }, why);
  if (!devices) GTEST_SKIP() << "no SDL joysticks: " << why;
  const int32_t pad = devices->attachVirtual("Pad", false);
  const int32_t wheel = devices->attachVirtual("Wheel", true);
  ASSERT_GE(pad, 0);
  ASSERT_GE(wheel, 0);
  std::vector<AttachedJoystick> list;
  ASSERT_TRUE(devices->attached(list));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "Pad");
  EXPECT_FALSE(list[0].forceFeedback);
  EXPECT_EQ(list[1].name, "Wheel");
  EXPECT_TRUE(list[1].forceFeedback);

  std::unique_ptr<Joystick> stick = devices->open(pad, 0, false);
  ASSERT_TRUE(stick);
  devices->setVirtualAxis(pad, 0, -1000);
  devices->setVirtualAxis(pad, 4, 1000);
  devices->setVirtualButton(pad, 31, true);
  JoystickReading r;
  ASSERT_TRUE(stick->read(r));
  EXPECT_EQ(r.lX, -1000);
  EXPECT_EQ(r.rglSlider[1], SliderLimit);
  EXPECT_EQ(r.rgbButtons[31], 0x80);
  EXPECT_FALSE(stick->setEffect(0, ForceEffect{}));  // opened without force feedback

  std::unique_ptr<Joystick> felt = devices->open(wheel, 0, true);
  ASSERT_TRUE(felt);
  EXPECT_FALSE(felt->startEffect(3));  // nothing set in the slot
  ForceEffect e;
  e.durationUs = 1550000;
  e.magnitude = 5000;
  ASSERT_TRUE(felt->setEffect(3, e));
  ASSERT_TRUE(felt->startEffect(3));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], "Wheel: constant force, direction 0, magnitude 5000, 1550 ms");
  felt->releaseEffects();
  EXPECT_FALSE(felt->startEffect(3));

  devices->detachVirtual(pad);
  EXPECT_FALSE(stick->read(r));
  ASSERT_TRUE(devices->attached(list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "Wheel");
}

}  // namespace
}  // namespace zt
