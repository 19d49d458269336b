// The platform services a run uses, chosen together in one place: the desktop's (SDL2)
// or the null ones of a headless run, which have no window, show nothing, never wait and
// keep the clipboard inside the process. Nothing after start-up asks which it has.
#pragma once

#include <memory>
#include <string>

#include "platform/audio.h"
#include "platform/clipboard.h"
#include "platform/error_box.h"
#include "platform/window.h"

namespace zt {

struct PlatformServices {
  std::unique_ptr<Window> window;  // with its presenter
  std::unique_ptr<Clipboard> clipboard;
  std::unique_ptr<ErrorBox> errorBox;
  std::unique_ptr<AudioDevice> audio;
};

// The desktop's services; the window is null with a reason when the platform has no
// display or the window cannot be made (the error box is still the desktop's).
PlatformServices makeDesktopServices(std::string& error);
PlatformServices makeNullServices();

}  // namespace zt
