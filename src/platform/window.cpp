#include "platform/window.h"

#include "platform/platform.h"

namespace zt {

void Window::post(const WindowMessage& message) { queue.push_back(message); }

bool Window::nextMessage(WindowMessage& message) {
  if (queue.empty()) return false;
  message = queue.front();
  queue.pop_front();
  return true;
}

namespace {

class NullWindow final : public Window {
 public:
  void setTitle(std::string_view) override {}
  bool show(bool, std::string&) override { return true; }
  void pollEvents() override {}
  bool waitEvents(int) override { return false; }
  std::unique_ptr<Presenter> createPresenter() override { return makeNullPresenter(); }
  void showCursor(bool) override {}
};

}  // namespace

std::unique_ptr<Window> createNullWindow() { return std::make_unique<NullWindow>(); }

PlatformServices makeNullServices() {
  return {createNullWindow(), std::make_unique<LocalClipboard>(), std::make_unique<NullErrorBox>(), createNullAudioDevice()};
}

}  // namespace zt
