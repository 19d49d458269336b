// The screen side of the display: finished frames are shown in the window through a
// streaming texture, centred and scaled to fit with the aspect ratio kept (black borders);
// pointer positions map back to frame pixels. Also the display modes on offer and the
// memory figures the display queries report.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zt {

struct DisplayMode {
  int width = 0, height = 0, depth = 0;
  auto operator<=>(const DisplayMode&) const = default;
};

// Shows finished frames. The frame's pixels are made only when the presenter asks for
// them, so a presenter that shows nothing costs no conversion.
class Presenter {
 public:
  virtual ~Presenter() = default;
  // `pixels` gives the frame as 0x00RRGGBB pixels, rows top to bottom, `width` pixels apart.
  virtual void present(int width, int height, const std::function<const uint32_t*()>& pixels) = 0;
  // A window position in pixels of the frame last shown (may lie outside it).
  virtual void toFrame(int wx, int wy, int& fx, int& fy) const = 0;
  // The modes a program may choose, sorted, each once.
  virtual std::vector<DisplayMode> displayModes() const = 0;
  // The window's drawable size in pixels: a frame of this size is shown unscaled.
  virtual void outputSize(int& width, int& height) const = 0;
  // Whether what it shows reaches a screen, where someone can answer it.
  virtual bool visible() const { return true; }
};

// Without a window: shows nothing, positions are frame pixels already, and the modes
// are the common sizes at 16, 24 and 32 bits. The desktop's presenter comes from its
// window and adds the desktop's own modes of 16 bits and more.
std::unique_ptr<Presenter> makeNullPresenter();

// A display driver as the system lists it.
struct DisplayDriver {
  std::string description;
};

// The display drivers on offer, in the system's order. Frames are drawn in software and
// shown through the window, so there is one: the software display device.
std::vector<DisplayDriver> listDisplayDrivers();

// Memory that can still be had, in bytes: physical memory, and physical memory plus swap.
int64_t availableMemoryBytes();
int64_t availableVirtualMemoryBytes();

}  // namespace zt
