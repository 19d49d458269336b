// The screen side of the display: finished frames are shown in the window through a
// streaming texture, centred and scaled to fit with the aspect ratio kept (black borders);
// pointer positions map back to frame pixels. Also the display modes on offer and the
// memory figures the display queries report.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zt {

struct DisplayMode {
  int width = 0, height = 0, depth = 0;
  auto operator<=>(const DisplayMode&) const = default;
};

class Presenter {
 public:
  virtual ~Presenter() = default;
  // Shows a frame of 0x00RRGGBB pixels, rows top to bottom, `width` pixels apart.
  virtual void present(const uint32_t* pixels, int width, int height) = 0;
  // A window position in pixels of the frame last shown (may lie outside it).
  virtual void toFrame(int wx, int wy, int& fx, int& fy) const = 0;
  // The window's drawable size in pixels: a frame of this size is shown unscaled.
  virtual void outputSize(int& width, int& height) const = 0;
};

// A display driver as the system lists it.
struct DisplayDriver {
  std::string description;
};

// The display drivers on offer, in the system's order. Frames are drawn in software and
// shown through the window, so there is one: the software display device.
std::vector<DisplayDriver> listDisplayDrivers();

// The desktop's modes of 16 bits and more (each at 16, 24 and 32 bits, since frames are
// converted for the window anyway) and the common sizes at those depths, sorted, each
// once. Without a desktop (`desktop` false), the common sizes only.
std::vector<DisplayMode> listDisplayModes(bool desktop);

// Memory that can still be had, in bytes: physical memory, and physical memory plus swap.
int64_t availableMemoryBytes();
int64_t availableVirtualMemoryBytes();

}  // namespace zt
