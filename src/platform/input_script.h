// Scripted input for headless and reproducible runs: key presses and releases, typed
// characters, mouse moves, clicks and wheel turns, and window events, each at a frame
// number. One line per event, "FRAME ACTION ARGUMENTS", "#" starts a comment:
//   key N / keydown N / keyup N, type "TEXT", move X Y, click B / buttondown B /
//   buttonup B, wheel N, activate, deactivate, close
// (see the README for the details). Events reach the window's queue before their frame runs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window.h"

namespace zt {

class InputScript {
 public:
  // False with "line N: reason" when the text is not a valid script.
  bool parse(std::string_view text, std::string& error);
  bool load(const std::string& path, std::string& error);

  // Posts every event due by `frame`.
  void deliver(int64_t frame, Window& window);
  // Posts the events of the next frame that has any, however far ahead; false when none
  // are left. Used while the host waits for keys outside the frames.
  bool deliverNext(Window& window);
  bool finished() const { return next == events.size(); }

 private:
  struct Event {
    int64_t frame;
    WindowMessage message;
  };
  std::vector<Event> events;  // sorted by frame, in script order within a frame
  size_t next = 0;

  void add(int64_t frame, WindowMessage message) { events.push_back({frame, message}); }
  // A key press as a keyboard makes it: down with its character now, up one frame later.
  void press(int64_t frame, int key, int character);
};

}  // namespace zt
