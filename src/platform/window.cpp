#include "platform/window.h"

namespace zt {

void Window::post(const WindowMessage& message) {
  if ((message.kind == MessageKind::KeyDown || message.kind == MessageKind::KeyUp) && message.a >= 0 &&
      message.a < KeyCount)
    keys[size_t(message.a)] = message.kind == MessageKind::KeyDown;
  queue.push_back(message);
}

bool Window::nextMessage(WindowMessage& message) {
  if (queue.empty()) return false;
  message = queue.front();
  queue.pop_front();
  return true;
}

namespace {

// No window at all: the queue holds only what the host posts (scripted input).
class HeadlessWindow final : public Window {
 public:
  void setTitle(std::string_view) override {}
  bool show(bool, std::string&) override { return true; }
  void pollEvents() override {}
  void waitEvents(int) override {}
  std::unique_ptr<Clipboard> clipboard() override { return nullptr; }
  void showCursor(bool) override {}
};

}  // namespace

std::unique_ptr<Window> createHeadlessWindow() { return std::make_unique<HeadlessWindow>(); }

}  // namespace zt
