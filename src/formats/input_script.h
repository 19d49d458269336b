// Scripted input for headless and reproducible runs: key presses and releases, typed
// characters, mouse moves, clicks and wheel turns, window events, and joysticks plugged in,
// moved and unplugged, each at a frame number. One line per event, "FRAME ACTION
// ARGUMENTS", "#" starts a comment:
//   key N / keydown N ["TEXT"] / keyup N, type "TEXT", text "TEXT", move X Y, click B /
//   buttondown B / buttonup B, wheel N, activate, deactivate, close,
//   joystick "NAME" [force], joyaxis J AXIS V, joydown J B / joyup J B, unplug J
// (see the README for the details). The script only gives the events in frame order; the
// host posts them to the window's queue before their frame runs. Joystick lines at frame
// 0 take effect before the engine starts (ScriptStartFrame), so that such a joystick is
// there when the engine looks for one. The writer turns a session's events back into
// such lines.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <optional>
#include <string_view>
#include <vector>

namespace zt {

// What a script line makes happen, in the units of the desktop's input: key numbers from
// 1 to 255 (the keyboard's scan codes), 8-bit characters, window pixels, mouse buttons 0
// (left) to 3, and wheel movement in steps of ScriptWheelNotch per notch.
// Joysticks are numbered from 1 in the order the script plugs them in; their axes are
// ScriptAxisNames in order, with positions from -1000 to 1000, and buttons 0 to 31.
enum class ScriptedKind : uint8_t {
  Close, Activate, KeyDown, KeyUp, Char, MouseMove, ButtonDown, ButtonUp, Wheel,
  JoystickPlug, JoystickAxis, JoystickButton, JoystickUnplug,
};

struct ScriptedEvent {
  int64_t frame;
  ScriptedKind kind;
  int32_t a = 0;  // key, character, button, wheel movement, x, joystick, or 1 for activate and 0 for deactivate
  int32_t b = 0;  // y, joystick axis or button; for a plugged-in joystick 1 with force feedback
  int32_t c = 0;  // joystick axis position, 1 for a button down
  std::string name = {};  // a plugged-in joystick's
};

constexpr int64_t ScriptStartFrame = -1;
constexpr const char* ScriptAxisNames[] = {"x", "y", "z", "slider1", "slider2"};
constexpr int ScriptJoystickButtons = 32;
constexpr int32_t ScriptAxisLimit = 1000;

constexpr int ScriptKeyCount = 256;
constexpr int32_t ScriptWheelNotch = 120;

class InputScript {
 public:
  // False with "line N: reason" when the text is not a valid script, or when there is not
  // enough memory for its events.
  bool parse(std::string_view text, std::string& error);

  // The events due by `frame` not taken yet, in order; they count as taken.
  std::span<const ScriptedEvent> takeDue(int64_t frame);
  // The events of the next frame that has any, however far ahead; empty when none are
  // left. Used while the host waits for keys outside the frames.
  std::span<const ScriptedEvent> takeNext();
  bool finished() const { return next == events.size(); }
  // Whether any line plugs in a joystick.
  bool hasJoysticks() const { return !plugFrames.empty(); }

 private:
  std::vector<ScriptedEvent> events;  // sorted by frame, in script order within a frame
  size_t next = 0;
  std::vector<int64_t> plugFrames;  // the frame each joystick is plugged in at, by its number - 1

  bool parseLines(std::string_view text, std::string& error);
  void add(int64_t frame, ScriptedKind kind, int32_t a = 0, int32_t b = 0, int32_t c = 0) {
    events.push_back({frame, kind, a, b, c, {}});
  }
  bool parseJoystickLine(int64_t frame, const std::string& action, std::string_view& line, std::string& why);
  // A key press as a keyboard makes it: down with its character now, up one frame later.
  void press(int64_t frame, int key, int character);
};

// The character a key types without shift on a US keyboard, or 0.
int characterOfKey(int key);

// Writes events as script lines that read back as the same events, in the same frames
// and order: a key going down with the characters it typed (`keydown N` when that is the
// key's own character, `keydown N "TEXT"` otherwise), characters without a key as
// `text "TEXT"`, and one line for every other event. Text is quoted with escapes for
// `"`, `\` and every byte outside printable ASCII.
class InputScriptWriter {
 public:
  // Events come in the order they happened, frames never decreasing.
  void add(const ScriptedEvent& event);
  // The lines complete so far (a key press or text waits for the characters that may
  // follow it in the same frame); they count as taken.
  std::string take();
  // Every line, the waiting one included.
  std::string finish();

 private:
  std::string lines;
  std::optional<ScriptedEvent> waiting;  // a KeyDown or Char whose characters may continue
  std::string waitingText;

  void flush();
};

// TEXT in double quotes with the escapes the reader takes.
std::string quoteScriptText(std::string_view text);

}  // namespace zt
