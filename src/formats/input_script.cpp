#include "formats/input_script.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <new>
#include <utility>

#include "core/text_lines.h"

namespace zt {

namespace {

constexpr int MouseButtons = 4;
constexpr int32_t MaxWheelNotches = std::numeric_limits<int32_t>::max() / ScriptWheelNotch;

// A frame `n` frames after `frame`; past the largest frame number the events stay in the
// largest, still in the order they were added.
int64_t framesLater(int64_t frame, int64_t n) {
  return frame > std::numeric_limits<int64_t>::max() - n ? std::numeric_limits<int64_t>::max() : frame + n;
}

// The characters of a US keyboard's keys, unshifted and shifted, by key number.
struct KeyCharacters {
  uint8_t key;
  char plain, shifted;
};

constexpr KeyCharacters Layout[] = {
    {1, 27, 27},    {2, '1', '!'},  {3, '2', '@'},  {4, '3', '#'},   {5, '4', '$'},  {6, '5', '%'},   {7, '6', '^'},
    {8, '7', '&'},  {9, '8', '*'},  {10, '9', '('}, {11, '0', ')'},  {12, '-', '_'}, {13, '=', '+'},  {14, 8, 8},
    {15, 9, 9},     {16, 'q', 'Q'}, {17, 'w', 'W'}, {18, 'e', 'E'},  {19, 'r', 'R'}, {20, 't', 'T'},  {21, 'y', 'Y'},
    {22, 'u', 'U'}, {23, 'i', 'I'}, {24, 'o', 'O'}, {25, 'p', 'P'},  {26, '[', '{'}, {27, ']', '}'},  {28, 13, 13},
    {30, 'a', 'A'}, {31, 's', 'S'}, {32, 'd', 'D'}, {33, 'f', 'F'},  {34, 'g', 'G'}, {35, 'h', 'H'},  {36, 'j', 'J'},
    {37, 'k', 'K'}, {38, 'l', 'L'}, {39, ';', ':'}, {40, '\'', '"'}, {41, '`', '~'}, {43, '\\', '|'}, {44, 'z', 'Z'},
    {45, 'x', 'X'}, {46, 'c', 'C'}, {47, 'v', 'V'}, {48, 'b', 'B'},  {49, 'n', 'N'}, {50, 'm', 'M'},  {51, ',', '<'},
    {52, '.', '>'}, {53, '/', '?'}, {57, ' ', ' '},
};


int keyOfCharacter(char c) {
  for (const KeyCharacters& k : Layout)
    if (k.plain == c || k.shifted == c) return k.key;
  return 0;
}

std::string_view nextWord(std::string_view& line) {
  size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos) {
    line = {};
    return {};
  }
  size_t end = line.find_first_of(" \t", start);
  std::string_view word = line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
  line.remove_prefix(end == std::string_view::npos ? line.size() : end);
  return word;
}

template <typename T>
bool parseNumber(std::string_view word, T& value) {
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  return ec == std::errc() && end == word.data() + word.size();
}

// The escapes of a typed text and the characters they stand for; \xHH is any byte.
constexpr std::pair<char, char> Escapes[] = {{'n', 13}, {'r', 13},    {'t', 9},  {'b', 8},
                                             {'e', 27}, {'\\', '\\'}, {'"', '"'}};

// "TEXT" at the start of `rest`, which is left after the closing quote; false when the
// quotes or an escape are malformed.
bool takeQuoted(std::string_view& rest, std::string& text) {
  size_t open = rest.find_first_not_of(" \t");
  if (open == std::string_view::npos || rest[open] != '"') return false;
  for (size_t i = open + 1; i < rest.size(); ++i) {
    char c = rest[i];
    if (c == '"') {
      rest.remove_prefix(i + 1);
      return true;
    }
    if (c != '\\') {
      text += c;
      continue;
    }
    if (++i == rest.size()) return false;
    if (rest[i] == 'x') {
      unsigned value = 0;
      if (i + 2 >= rest.size() ||
          std::from_chars(rest.data() + i + 1, rest.data() + i + 3, value, 16).ptr != rest.data() + i + 3)
        return false;
      text += char(value);
      i += 2;
      continue;
    }
    const auto* e = std::find_if(std::begin(Escapes), std::end(Escapes), [&](auto p) { return p.first == rest[i]; });
    if (e == std::end(Escapes)) return false;
    text += e->second;
  }
  return false;
}

// What follows a quoted text, up to a comment.
std::string_view uncommented(std::string_view rest) { return rest.substr(0, rest.find('#')); }

int axisNumber(std::string_view name) {
  for (int i = 0; i < int(std::size(ScriptAxisNames)); ++i)
    if (name == ScriptAxisNames[i]) return i;
  return -1;
}

}  // namespace

int characterOfKey(int key) {
  for (const KeyCharacters& k : Layout)
    if (k.key == key) return static_cast<unsigned char>(k.plain);
  return 0;
}

void InputScript::press(int64_t frame, int key, int character) {
  if (key) add(frame, ScriptedKind::KeyDown, key);
  if (character) add(frame, ScriptedKind::Char, character);
  if (key) add(framesLater(frame, 1), ScriptedKind::KeyUp, key);
}

bool InputScript::parse(std::string_view text, std::string& error) {
  try {
    return parseLines(text, error);
  } catch (const std::bad_alloc&) {
    events.clear();
    error = "not enough memory for the script's events";
    return false;
  }
}

bool InputScript::parseLines(std::string_view text, std::string& error) {
  events.clear();
  next = 0;
  plugFrames.clear();
  int lineNumber = 0;
  while (!text.empty()) {
    std::string_view line = takeLine(text);
    ++lineNumber;
    if (size_t hash = line.find('#'); hash < line.find('"')) line = line.substr(0, hash);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(lineNumber) + ": " + why;
      events.clear();
      return false;
    };
    std::string_view frameWord = nextWord(line);
    if (frameWord.empty()) continue;
    int64_t frame;
    if (!parseNumber(frameWord, frame) || frame < 0) return fail("a frame number (0 or more) comes first");
    std::string action(nextWord(line));
    int32_t x = 0, y = 0;
    auto numberArgument = [&](int32_t& v) { return parseNumber(nextWord(line), v); };
    auto keyArgument = [&]() { return numberArgument(x) && x >= 1 && x < ScriptKeyCount; };
    auto buttonArgument = [&]() { return numberArgument(x) && x >= 1 && x <= MouseButtons; };
    if (action == "type") {
      std::string typed;
      if (!takeQuoted(line, typed) || !nextWord(line = uncommented(line)).empty())
        return fail("type takes one text in double quotes");
      for (size_t i = 0; i < typed.size(); ++i)
        press(framesLater(frame, int64_t(2 * i)), keyOfCharacter(typed[i]), static_cast<unsigned char>(typed[i]));
      continue;
    }
    if (action == "text") {
      std::string typed;
      if (!takeQuoted(line, typed) || !nextWord(line = uncommented(line)).empty())
        return fail("text takes one text in double quotes");
      for (char c : typed) add(frame, ScriptedKind::Char, static_cast<unsigned char>(c));
      continue;
    }
    if (action == "keydown" && line.find('"') != std::string_view::npos) {
      std::string typed;
      if (!keyArgument() || !takeQuoted(line, typed) || !nextWord(line = uncommented(line)).empty())
        return fail("keydown takes a key number from 1 to 255 and may add the text it types in double quotes");
      add(frame, ScriptedKind::KeyDown, x);
      for (char c : typed) add(frame, ScriptedKind::Char, static_cast<unsigned char>(c));
      continue;
    }
    if (action == "key" || action == "keydown" || action == "keyup") {
      if (!keyArgument()) return fail(action + " takes a key number from 1 to 255");
      if (action == "key")
        press(frame, x, characterOfKey(x));
      else if (action == "keyup")
        add(frame, ScriptedKind::KeyUp, x);
      else {
        add(frame, ScriptedKind::KeyDown, x);
        if (int c = characterOfKey(x)) add(frame, ScriptedKind::Char, c);
      }
    } else if (action == "move") {
      if (!numberArgument(x) || !numberArgument(y)) return fail("move takes two numbers, x and y");
      add(frame, ScriptedKind::MouseMove, x, y);
    } else if (action == "click" || action == "buttondown" || action == "buttonup") {
      if (!buttonArgument()) return fail(action + " takes a mouse button from 1 to 4");
      if (action != "buttonup") add(frame, ScriptedKind::ButtonDown, x - 1);
      if (action != "buttondown") add(framesLater(frame, action == "click"), ScriptedKind::ButtonUp, x - 1);
    } else if (action == "wheel") {
      if (!numberArgument(x) || x < -MaxWheelNotches || x > MaxWheelNotches)
        return fail("wheel takes a number of notches from -" + std::to_string(MaxWheelNotches) + " to " +
                    std::to_string(MaxWheelNotches));
      add(frame, ScriptedKind::Wheel, x * ScriptWheelNotch);
    } else if (action == "activate" || action == "deactivate") {
      add(frame, ScriptedKind::Activate, action == "activate");
    } else if (action == "close") {
      add(frame, ScriptedKind::Close);
    } else if (action == "joystick" || action == "joyaxis" || action == "joydown" || action == "joyup" ||
               action == "unplug") {
      std::string why;
      if (!parseJoystickLine(frame, action, line, why)) return fail(why);
    } else {
      return fail(action.empty() ? "an action follows the frame number" : "unknown action " + action);
    }
    if (!nextWord(line).empty()) return fail("too many arguments for " + action);
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const ScriptedEvent& a, const ScriptedEvent& b) { return a.frame < b.frame; });
  return true;
}

bool InputScript::parseJoystickLine(int64_t frame, const std::string& action, std::string_view& line,
                                    std::string& why) {
  if (frame == 0) frame = ScriptStartFrame;
  int32_t joystick = 0, value = 0;
  if (action == "joystick") {
    std::string name;
    if (!takeQuoted(line, name)) {
      why = "joystick takes a name in double quotes, then force or nothing";
      return false;
    }
    line = uncommented(line);
    std::string_view rest = line;
    const bool force = nextWord(rest) == "force";
    if (force) line = rest;
    // Joysticks are numbered in the order they are plugged in, which is line order only
    // when their frames never go back.
    if (!plugFrames.empty() && frame < plugFrames.back()) {
      why = "joystick lines plug joysticks in at frames that never go back";
      return false;
    }
    plugFrames.push_back(frame);
    add(frame, ScriptedKind::JoystickPlug, int32_t(plugFrames.size()), force);
    events.back().name = std::move(name);
    return true;
  }
  const int32_t plugged = int32_t(plugFrames.size());
  if (!parseNumber(nextWord(line), joystick) || joystick < 1 || joystick > plugged) {
    why = action + " takes a joystick number from 1 to " + std::to_string(plugged) + " (the joysticks plugged in above)";
    return false;
  }
  if (frame < plugFrames[size_t(joystick - 1)]) {
    why = "joystick " + std::to_string(joystick) + " is not plugged in yet at that frame";
    return false;
  }
  if (action == "unplug") {
    add(frame, ScriptedKind::JoystickUnplug, joystick);
    return true;
  }
  if (action == "joyaxis") {
    const int axis = axisNumber(nextWord(line));
    if (axis < 0 || !parseNumber(nextWord(line), value) || value < -ScriptAxisLimit || value > ScriptAxisLimit) {
      why = "joyaxis takes a joystick, an axis (x, y, z, slider1, slider2) and a position from -1000 to 1000";
      return false;
    }
    add(frame, ScriptedKind::JoystickAxis, joystick, axis, value);
    return true;
  }
  if (!parseNumber(nextWord(line), value) || value < 1 || value > ScriptJoystickButtons) {
    why = action + " takes a joystick and a button from 1 to " + std::to_string(ScriptJoystickButtons);
    return false;
  }
  add(frame, ScriptedKind::JoystickButton, joystick, value - 1, action == "joydown");
  return true;
}

std::span<const ScriptedEvent> InputScript::takeDue(int64_t frame) {
  const size_t first = next;
  while (next < events.size() && events[next].frame <= frame) ++next;
  return std::span(events).subspan(first, next - first);
}

std::span<const ScriptedEvent> InputScript::takeNext() {
  if (finished()) return {};
  return takeDue(events[next].frame);
}

}  // namespace zt
