// Scripted input: each action becomes the events a keyboard, mouse or window would send,
// in the frames the script gives; malformed lines are refused with their line number.
#include "formats/input_script.h"

#include <gtest/gtest.h>

namespace zt {
namespace {

using K = ScriptedKind;

struct Expected {
  ScriptedKind kind;
  int32_t a = 0;
  int32_t b = 0;
};

bool same(std::span<const ScriptedEvent> got, std::initializer_list<Expected> want) {
  if (got.size() != want.size()) return false;
  auto w = want.begin();
  for (const ScriptedEvent& g : got) {
    if (g.kind != w->kind || g.a != w->a || g.b != w->b) return false;
    ++w;
  }
  return true;
}

TEST(InputScript, ActionsBecomeMessagesInTheirFrames) {
  InputScript script;
  std::string error;
  ASSERT_TRUE(
      script.parse("# comments and blank lines are ignored\n"
                   "\n"
                   "6 type \"Ab\\n\"   # A, b, Enter from frame 6, one every two frames\n"
                   "2 key 1\r\n"
                   "2 move 320 -5\n"
                   "3 click 2\n"
                   "3 wheel -2\n"
                   "4 keydown 42\n"
                   "5 keyup 42\n"
                   "5 buttondown 4\n"
                   "5 deactivate\n"
                   "5 activate\n"
                   "9 close\n"
                   "2 type \"\\x41\\e\\\\\\\"\\t\\b\"\n",
                   error))
      << error;
  EXPECT_TRUE(same(script.takeDue(1), {}));
  EXPECT_TRUE(same(script.takeDue(2),
                   {{K::KeyDown, 1}, {K::Char, 27}, {K::MouseMove, 320, -5}, {K::KeyDown, 30}, {K::Char, 'A'}}));
  EXPECT_TRUE(same(script.takeDue(3), {{K::KeyUp, 1}, {K::ButtonDown, 1}, {K::Wheel, -240}, {K::KeyUp, 30}}));
  EXPECT_TRUE(same(script.takeDue(4), {{K::ButtonUp, 1}, {K::KeyDown, 42}, {K::KeyDown, 1}, {K::Char, 27}}));
  EXPECT_TRUE(
      same(script.takeDue(5), {{K::KeyUp, 42}, {K::ButtonDown, 3}, {K::Activate, 0}, {K::Activate, 1}, {K::KeyUp, 1}}));
  // Frames 6 to 8 at once: within a frame, events keep the order of the script's lines.
  EXPECT_TRUE(same(script.takeDue(8), {{K::KeyDown, 30},
                                       {K::Char, 'A'},
                                       {K::KeyDown, 43},
                                       {K::Char, '\\'},
                                       {K::KeyUp, 30},
                                       {K::KeyUp, 43},
                                       {K::KeyDown, 48},
                                       {K::Char, 'b'},
                                       {K::KeyDown, 40},
                                       {K::Char, '"'}}));
  EXPECT_TRUE(same(script.takeDue(9), {{K::KeyUp, 48}, {K::Close}, {K::KeyUp, 40}}));
  EXPECT_TRUE(same(script.takeDue(12), {{K::KeyDown, 28},
                                        {K::Char, 13},
                                        {K::KeyDown, 15},
                                        {K::Char, 9},
                                        {K::KeyUp, 28},
                                        {K::KeyUp, 15},
                                        {K::KeyDown, 14},
                                        {K::Char, 8}}));
  EXPECT_FALSE(script.finished());
  EXPECT_TRUE(same(script.takeDue(13), {{K::KeyUp, 14}}));
  EXPECT_TRUE(script.finished());
}

TEST(InputScript, MalformedLinesAreRefusedWithTheirNumber) {
  const std::pair<const char*, const char*> cases[] = {
      {"key 1", "line 1: a frame number (0 or more) comes first"},
      {"\n-1 key 1", "line 2: a frame number (0 or more) comes first"},
      {"1", "line 1: an action follows the frame number"},
      {"1 press 1", "line 1: unknown action press"},
      {"1 key 0", "line 1: key takes a key number from 1 to 255"},
      {"1 keyup 256", "line 1: keyup takes a key number from 1 to 255"},
      {"1 key x", "line 1: key takes a key number from 1 to 255"},
      {"1 click 5", "line 1: click takes a mouse button from 1 to 4"},
      {"1 buttondown 0", "line 1: buttondown takes a mouse button from 1 to 4"},
      {"1 move 3", "line 1: move takes two numbers, x and y"},
      {"1 wheel", "line 1: wheel takes a number of notches from -17895697 to 17895697"},
      {"1 wheel 17895698", "line 1: wheel takes a number of notches from -17895697 to 17895697"},
      {"1 wheel -17895698", "line 1: wheel takes a number of notches from -17895697 to 17895697"},
      {"1 wheel 2147483647", "line 1: wheel takes a number of notches from -17895697 to 17895697"},
      {"9223372036854775808 key 1", "line 1: a frame number (0 or more) comes first"},
      {"1 key 1 2", "line 1: too many arguments for key"},
      {"1 close now", "line 1: too many arguments for close"},
      {"1 type abc", "line 1: type takes one text in double quotes"},
      {"1 type \"abc", "line 1: type takes one text in double quotes"},
      {"1 type \"a\" b", "line 1: type takes one text in double quotes"},
      {"1 type \"\\q\"", "line 1: type takes one text in double quotes"},
      {"1 type \"\\x4\"", "line 1: type takes one text in double quotes"},
      {"1 joyaxis 1 x 0", "line 1: joyaxis takes a joystick number from 1 to 0 (the joysticks plugged in above)"},
      {"1 joystick \"P\"\n1 joydown 2 1", "line 2: joydown takes a joystick number from 1 to 1 (the joysticks plugged in above)"},
      {"1 joystick \"P\"\n1 unplug 0", "line 2: unplug takes a joystick number from 1 to 1 (the joysticks plugged in above)"},
      {"1 joystick P", "line 1: joystick takes a name in double quotes, then force or nothing"},
      {"1 joystick \"P\" strong", "line 1: too many arguments for joystick"},
      {"1 joystick \"P\" force 2", "line 1: too many arguments for joystick"},
      {"1 joystick \"P\"\n1 joyaxis 1 x 1001",
       "line 2: joyaxis takes a joystick, an axis (x, y, z, slider1, slider2) and a position from -1000 to 1000"},
      {"1 joystick \"P\"\n1 joyaxis 1 x -1001",
       "line 2: joyaxis takes a joystick, an axis (x, y, z, slider1, slider2) and a position from -1000 to 1000"},
      {"1 joystick \"P\"\n1 joyaxis 1 rx 0",
       "line 2: joyaxis takes a joystick, an axis (x, y, z, slider1, slider2) and a position from -1000 to 1000"},
      {"1 joystick \"P\"\n1 joydown 1 33", "line 2: joydown takes a joystick and a button from 1 to 32"},
      {"1 joystick \"P\"\n1 joyup 1 0", "line 2: joyup takes a joystick and a button from 1 to 32"},
      // Joysticks are numbered as they are plugged in, and a line cannot reach one before that.
      {"10 joystick \"P\"\n9 joystick \"Q\"", "line 2: joystick lines plug joysticks in at frames that never go back"},
      {"5 joystick \"P\"\n4 joyaxis 1 x 1", "line 2: joystick 1 is not plugged in yet at that frame"},
  };
  for (const auto& [text, message] : cases) {
    InputScript script;
    std::string error;
    EXPECT_FALSE(script.parse(text, error)) << text;
    EXPECT_EQ(error, message) << text;
    EXPECT_TRUE(script.finished()) << text;
  }
}

TEST(InputScript, JoystickLinesAtTheFrameTheirJoystickIsPluggedInAreAccepted) {
  InputScript script;
  std::string error;
  EXPECT_TRUE(script.parse("0 joystick \"P\"\n0 joyaxis 1 x 1\n10 joystick \"Q\"\n10 joystick \"R\"\n10 joydown 3 1\n", error))
      << error;
}

TEST(InputScript, TheFirstAndLastKeysAndButtonsAreAccepted) {
  InputScript script;
  std::string error;
  ASSERT_TRUE(script.parse("0 keydown 255\n0 keyup 1\n0 buttondown 1\n0 buttonup 4\n", error)) << error;
  EXPECT_TRUE(same(script.takeDue(0), {{K::KeyDown, 255}, {K::KeyUp, 1}, {K::ButtonDown, 0}, {K::ButtonUp, 3}}));
}

TEST(InputScript, TheLargestWheelTurnAndFrameNumbersKeepTheirOrder) {
  InputScript script;
  std::string error;
  ASSERT_TRUE(
      script.parse("1 wheel 17895697\n1 wheel -17895697\n"
                   "9223372036854775807 key 30\n"
                   "9223372036854775806 click 1\n"
                   "9223372036854775805 type \"ab\"\n",
                   error))
      << error;
  EXPECT_TRUE(same(script.takeDue(1), {{K::Wheel, 2147483640}, {K::Wheel, -2147483640}}));
  // Releases one frame (and typed keys two frames) after the last frame number stay in
  // that frame, after their presses: none arrives early.
  EXPECT_TRUE(same(script.takeDue(9223372036854775805), {{K::KeyDown, 30}, {K::Char, 'a'}}));
  EXPECT_TRUE(same(script.takeDue(9223372036854775806), {{K::ButtonDown, 0}, {K::KeyUp, 30}}));
  EXPECT_TRUE(same(script.takeDue(9223372036854775807), {{K::KeyDown, 30},
                                                         {K::Char, 'a'},
                                                         {K::KeyUp, 30},
                                                         {K::ButtonUp, 0},
                                                         {K::KeyDown, 48},
                                                         {K::Char, 'b'},
                                                         {K::KeyUp, 48}}));
  EXPECT_TRUE(script.finished());
}

TEST(InputScript, WaitingDeliversTheNextFrameWithEventsHoweverFar) {
  InputScript script;
  std::string error;
  ASSERT_TRUE(script.parse("0 keydown 1\n500 keyup 1\n900 type \"x\"\n", error)) << error;
  EXPECT_TRUE(same(script.takeDue(0), {{K::KeyDown, 1}, {K::Char, 27}}));
  EXPECT_TRUE(same(script.takeNext(), {{K::KeyUp, 1}}));
  const std::span<const ScriptedEvent> typed = script.takeNext();
  EXPECT_TRUE(same(typed, {{K::KeyDown, 45}, {K::Char, 'x'}}));
  EXPECT_EQ(typed.front().frame, 900);
  EXPECT_TRUE(same(script.takeNext(), {{K::KeyUp, 45}}));
  EXPECT_TRUE(script.finished());
  EXPECT_TRUE(same(script.takeNext(), {}));
  EXPECT_TRUE(same(script.takeDue(2000), {}));
}

TEST(InputScript, JoystickLinesPlugMoveAndUnplugNumberedJoysticks) {
  InputScript script;
  std::string error;
  ASSERT_TRUE(script.parse("0 key 5\n"
                           "0 joystick \"Pad \\\"1\\\"\"  # before the start\n"
                           "3 joystick \"Wheel\" force # plugged in later\n"
                           "0 joyaxis 1 x -1000\n"
                           "4 joyaxis 2 slider2 1000\n"
                           "4 joydown 2 32\n"
                           "5 joyup 1 1\n"
                           "6 unplug 2\n",
                           error))
      << error;
  EXPECT_TRUE(script.hasJoysticks());
  // Joystick lines of frame 0 come before the start; other frame-0 events do not.
  std::span<const ScriptedEvent> start = script.takeDue(ScriptStartFrame);
  ASSERT_EQ(start.size(), 2u);
  EXPECT_EQ(start[0].kind, K::JoystickPlug);
  EXPECT_EQ(start[0].name, "Pad \"1\"");
  EXPECT_EQ(start[0].b, 0);
  EXPECT_TRUE(same(start.subspan(1), {{K::JoystickAxis, 1, 0}}));
  EXPECT_EQ(start[1].c, -1000);
  EXPECT_TRUE(same(script.takeDue(0), {{K::KeyDown, 5}, {K::Char, '4'}}));
  std::span<const ScriptedEvent> plugged = script.takeDue(3);
  ASSERT_EQ(plugged.size(), 2u);  // the key's release, then the wheel
  EXPECT_EQ(plugged[1].name, "Wheel");
  EXPECT_EQ(plugged[1].a, 2);
  EXPECT_EQ(plugged[1].b, 1);
  std::span<const ScriptedEvent> moved = script.takeDue(4);
  EXPECT_TRUE(same(moved, {{K::JoystickAxis, 2, 4}, {K::JoystickButton, 2, 31}}));
  EXPECT_EQ(moved[0].c, 1000);
  EXPECT_EQ(moved[1].c, 1);
  std::span<const ScriptedEvent> released = script.takeDue(5);
  EXPECT_TRUE(same(released, {{K::JoystickButton, 1, 0}}));
  EXPECT_EQ(released[0].c, 0);
  EXPECT_TRUE(same(script.takeDue(6), {{K::JoystickUnplug, 2}}));

  InputScript plain;
  ASSERT_TRUE(plain.parse("1 key 1\n", error));
  EXPECT_FALSE(plain.hasJoysticks());
}

}  // namespace
}  // namespace zt
