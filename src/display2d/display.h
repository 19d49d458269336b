// The display: the back buffer (bitmap 0) and, while page flipping, the second buffer of
// the chain; the screen mode, the rendering-path flags the program can query and set, the
// gamma ramp, the frame-rate measurement and the frame dumps.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <utility>

#include "core/commands.h"
#include "gfx/device3d.h"
#include "gfx/surface.h"
#include "platform/display.h"

namespace zt {

struct Runtime;
struct DisplayState;

inline constexpr const char* PrimaryDisplayDriver = "Primary Display Driver";

// The back buffer being drawn (bitmap 0); null while the display is down.
Surface* backBuffer(DisplayState& d);
// The buffer shown by the last Present.
Surface* frontBuffer(DisplayState& d);

// Start-up: the first mode 640 x 480 at the best depth, the defaults, the surfaces,
// both buffers cleared and shown. False with host error 10005 when the surfaces cannot
// be made.
bool StartDisplay(Runtime& rt, std::unique_ptr<Presenter> presenter, bool fullScreenExclusive, bool desktopWindow);
void StopDisplay(Runtime& rt);
// Rebuilds the display for a mode and rendering path; on failure the fallback is
// restored and 1503 or 1504 raised. First everything held on the display is released
// (DisplayState::ReleaseForReset): bitmaps 1 to 31 and the display list are dropped.
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
void windowToScreen(const Runtime& rt, int wx, int wy, int& x, int& y);
void screenSize(const Runtime& rt, int32_t& width, int32_t& height);

// The 3D capability codes recorded when the devices are made: the blend level 0 to 9 (0:
// no alpha blending), the texture filter level (0 point, 1 linear, 2 anisotropic), fog,
// table fog only, source colour keys, the 3D blit flag.
struct Capabilities3D {
  int32_t blendLevel = 0, filterLevel = 0, fogAvailable = 0, tableFogOnly = 0, colorKey = 0, blit3D = 0;
};
// The 3D device drawing into buffer 0 or 1 of the chain; null while the display is down.
Device3D* device3D(Runtime& rt, int buffer);
// The 3D device of the buffer being drawn.
Device3D* drawingDevice3D(Runtime& rt);
const Capabilities3D& capabilities3D(const Runtime& rt);
// The source and destination blend of a blend level (ONE, ZERO outside 1 to 9).
std::pair<Blend, Blend> blendPairOfLevel(int32_t level);

extern const std::span<const CommandRow> DisplayRows;

}  // namespace zt
