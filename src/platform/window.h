// The application window and its message queue. Platform events, and scripted input,
// become WindowMessages in one queue that the host's window procedure takes one at a
// time. Keys are the key numbers the language uses (the keyboard's scan codes: 1 Escape,
// 28 Enter, 200 up arrow); characters are 8-bit. Two implementations: a desktop window on
// SDL2, and a null one that has no window at all and only the queue.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "platform/display.h"

namespace zt {

enum class MessageKind : uint8_t {
  Close,       // the user closed the window
  Activate,    // a: 1 when the window became the active one, 0 when it stopped being it
  KeyDown,     // a: key number (repeats while held)
  KeyUp,       // a: key number
  Char,        // a: the character a key press typed
  MouseMove,   // a, b: pointer position in window pixels
  ButtonDown,  // a: mouse button 0 (left), 1 (right), 2 (middle) or 3
  ButtonUp,    // a: mouse button
  Wheel,       // a: wheel movement, 120 per notch, positive away from the user
  Paint,       // the window's content was lost and is painted again (no input)
};

struct WindowMessage {
  MessageKind kind;
  int32_t a = 0;
  int32_t b = 0;
};

constexpr int KeyEscape = 1;
constexpr int KeyF11 = 87;
constexpr int KeyF12 = 88;
constexpr int KeyCount = 256;
constexpr int WheelNotch = 120;  // wheel movement per notch

class Window {
 public:
  virtual ~Window() = default;

  virtual void setTitle(std::string_view title) = 0;
  // Shows the window, covering the screen when `fullScreen`; false with a reason when the
  // window cannot be made full screen.
  virtual bool show(bool fullScreen, std::string& error) = 0;
  // Moves the platform's waiting events into the queue.
  virtual void pollEvents() = 0;
  // Waits up to `milliseconds` for a platform event, then polls; false at once when no
  // event can ever come.
  virtual bool waitEvents(int milliseconds) = 0;
  // What shows the display's frames in the window.
  virtual std::unique_ptr<Presenter> createPresenter() = 0;
  // Shows or hides the desktop's pointer over the window.
  virtual void showCursor(bool shown) = 0;

  // Appends a message: the events the platform has delivered, until the input layer
  // takes them (in order) into its queue and key state.
  void post(const WindowMessage& message);
  // Takes the oldest message; false when the queue is empty.
  bool nextMessage(WindowMessage& message);

 private:
  std::deque<WindowMessage> queue;
};

// No window: the queue holds only what the host posts, nothing waits, frames go nowhere.
std::unique_ptr<Window> createNullWindow();

}  // namespace zt
