// The application window and its message queue. Platform events, and scripted input,
// become WindowMessages in one queue that the host's window procedure takes one at a
// time. Keys are the key numbers the language uses (the keyboard's scan codes: 1 Escape,
// 28 Enter, 200 up arrow); characters are 8-bit. Two implementations: a desktop window on
// SDL2, and a headless one that has no window at all and only the queue.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "platform/clipboard.h"
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
  // Waits up to `milliseconds` for a platform event, then polls.
  virtual void waitEvents(int milliseconds) = 0;
  // The desktop clipboard, or null when the window has none.
  virtual std::unique_ptr<Clipboard> clipboard() = 0;
  // What shows the display's frames (and the card chooser's panels) in the window, or
  // null when there is no window.
  virtual std::unique_ptr<Presenter> createPresenter() { return nullptr; }

  // Appends a message; key messages also update the key state.
  void post(const WindowMessage& message);
  // Takes the oldest message; false when the queue is empty.
  bool nextMessage(WindowMessage& message);
  // Whether the key is down as of the latest event, as the asynchronous key state is.
  bool keyDown(int key) const { return key >= 0 && key < KeyCount && keys[size_t(key)]; }

 private:
  std::deque<WindowMessage> queue;
  std::array<bool, KeyCount> keys{};
};

// A hidden desktop window titled "Zentropia"; null with a reason when the platform has
// no display or the window cannot be made.
std::unique_ptr<Window> createDesktopWindow(std::string& error);
std::unique_ptr<Window> createHeadlessWindow();

// A message box with an error icon and no owner; false when none can be shown.
bool showErrorBox(std::string_view caption, std::string_view text);

}  // namespace zt
