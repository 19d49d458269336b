// The display: the back buffer (bitmap 0) and, while page flipping, the second buffer of
// the chain; the screen mode, the rendering-path flags the program can query and set, the
// gamma ramp, the frame-rate measurement and the frame dumps. Owns the DisplayState.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/surface.h"
#include "platform/display.h"

namespace zt {

struct Runtime;

inline constexpr const char* PrimaryDisplayDriver = "Primary Display Driver";

struct FrameDump {
  int64_t frame = 0;
  std::string path;
};

struct DisplayState {
  bool FullScreenExclusive = true;
  bool DesktopWindow = false;
  int32_t EmulationMode = 0;
  int32_t TnlEnabled = 1;
  int32_t PageFlipping = 0;
  int32_t SoftwareBackBuffer = 0;
  const char* DeviceTypeName = "T&L";
  int32_t HardwareDevice = 1;
  int32_t GammaAvailable = 1;
  std::string RequestedCardName;
  std::string GraphicsCardName = PrimaryDisplayDriver;
  int32_t ScreenWidth = 640, ScreenHeight = 480, ScreenDepth = 16;
  int16_t ModeDepth = 16;
  int16_t Best3DDepth = 16;
  uint32_t TransparentKey = 0;

  std::array<std::unique_ptr<Surface>, 2> Buffers;  // [BufferParity] is drawn
  int32_t BufferParity = 0;
  std::array<std::array<uint16_t, 256>, 3> GammaRamp{};  // red, green, blue

  uint32_t FpsStart = 0;  // clock time of the last measurement
  int32_t FpsFrames = 0;  // frames presented since then
  int32_t ScreenFps = 0;

  std::unique_ptr<Presenter> presenter = makeNullPresenter();  // the window's while the display runs
  std::vector<DisplayMode> Modes;        // filled on first use
  std::vector<uint32_t> Frame;           // the presented frame as colours
  std::vector<uint32_t> FrameColours;    // raw pixel (16 bits) or component (else) to shown colour
  int32_t FrameColoursBits = 0;          // the depth FrameColours is for; 0 after a gamma change
  std::vector<FrameDump> Dumps;
};

// The back buffer being drawn (bitmap 0); null while the display is down.
Surface* backBuffer(DisplayState& d);
// The buffer shown by the last Present.
Surface* frontBuffer(DisplayState& d);

// Start-up: the first mode 640 x 480 at the best depth, the defaults, the surfaces,
// both buffers cleared and shown. False with host error 10005 when the surfaces cannot
// be made.
bool StartDisplay(Runtime& rt);
void StopDisplay(Runtime& rt);
// Rebuilds the display for a mode and rendering path; on failure the fallback is
// restored and 1503 or 1504 raised. Bitmaps 1 to 31 and the display list are dropped.
bool ResetDisplay(Runtime& rt, int32_t width, int32_t height, int32_t depth, int32_t emulation,
                  int32_t fallbackWidth, int32_t fallbackHeight, int32_t fallbackDepth, int32_t fallbackEmulation);
// Shows the back buffer (flipping the chain when page flipping), writes a due frame dump
// and counts the frame for SCREEN FPS.
void Present(Runtime& rt);
// Fills the back buffer with the current background colour.
void ClearBackBuffer(Runtime& rt);
// SET GAMMA's ramp for one component: 256 the identity, lower darker, higher brighter.
void setGammaRamp(DisplayState& d, int component, int32_t value);
// A window position as back-buffer pixels.
void windowToScreen(const DisplayState& d, int wx, int wy, int& x, int& y);

}  // namespace zt
