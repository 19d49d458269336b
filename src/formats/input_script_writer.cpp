// The writer of input scripts: a recorded session's events as script lines (see
// input_script.h for the rules that make them read back unchanged).
#include <cstdio>

#include "formats/input_script.h"

namespace zt {

std::string quoteScriptText(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c >= 0x20 && c < 0x7F) {
      out += ch;
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out + '"';
}

namespace {

// Joystick lines of frame 0 are read as taking effect before the start.
std::string frameWord(int64_t frame) { return std::to_string(frame == ScriptStartFrame ? 0 : frame) + ' '; }

// One line for an event that stands alone.
std::string lineOf(const ScriptedEvent& e) {
  const std::string at = frameWord(e.frame);
  switch (e.kind) {
    case ScriptedKind::Close: return at + "close\n";
    case ScriptedKind::Activate: return at + (e.a ? "activate\n" : "deactivate\n");
    case ScriptedKind::KeyUp: return at + "keyup " + std::to_string(e.a) + '\n';
    case ScriptedKind::MouseMove: return at + "move " + std::to_string(e.a) + ' ' + std::to_string(e.b) + '\n';
    case ScriptedKind::ButtonDown: return at + "buttondown " + std::to_string(e.a + 1) + '\n';
    case ScriptedKind::ButtonUp: return at + "buttonup " + std::to_string(e.a + 1) + '\n';
    case ScriptedKind::Wheel: return at + "wheel " + std::to_string(e.a / ScriptWheelNotch) + '\n';
    case ScriptedKind::JoystickPlug: return at + "joystick " + quoteScriptText(e.name) + (e.b ? " force\n" : "\n");
    case ScriptedKind::JoystickAxis:
      return at + "joyaxis " + std::to_string(e.a) + ' ' + ScriptAxisNames[e.b] + ' ' + std::to_string(e.c) + '\n';
    case ScriptedKind::JoystickButton:
      return at + (e.c ? "joydown " : "joyup ") + std::to_string(e.a) + ' ' + std::to_string(e.b + 1) + '\n';
    case ScriptedKind::JoystickUnplug: return at + "unplug " + std::to_string(e.a) + '\n';
    case ScriptedKind::KeyDown:
    case ScriptedKind::Char: break;
  }
  return {};
}

}  // namespace

void InputScriptWriter::flush() {
  if (!waiting) return;
  const ScriptedEvent& e = *waiting;
  const std::string at = frameWord(e.frame);
  if (e.kind == ScriptedKind::Char) {
    lines += at + "text " + quoteScriptText(waitingText) + '\n';
  } else {
    const int own = characterOfKey(e.a);
    const bool ownText = own ? waitingText.size() == 1 && static_cast<unsigned char>(waitingText[0]) == own
                             : waitingText.empty();
    lines += at + "keydown " + std::to_string(e.a);
    lines += ownText ? "\n" : ' ' + quoteScriptText(waitingText) + '\n';
  }
  waiting.reset();
  waitingText.clear();
}

void InputScriptWriter::add(const ScriptedEvent& event) {
  if (event.kind == ScriptedKind::Char && waiting && waiting->frame == event.frame) {
    waitingText += char(event.a);
    return;
  }
  flush();
  if (event.kind == ScriptedKind::KeyDown || event.kind == ScriptedKind::Char) {
    waiting = event;
    if (event.kind == ScriptedKind::Char) waitingText += char(event.a);
    return;
  }
  lines += lineOf(event);
}

std::string InputScriptWriter::take() {
  std::string out;
  out.swap(lines);
  return out;
}

std::string InputScriptWriter::finish() {
  flush();
  return take();
}

}  // namespace zt
