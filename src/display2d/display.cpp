// Display and mode commands: the display modes and graphics cards, SET DISPLAY MODE and
// the rendering-path switches (each rebuilds the display), and the screen queries. The
// display is a software device: the back buffer is system memory that the platform
// presenter shows in the window, so it reports itself as the hardware transform-and-
// lighting device unless emulation is asked for. Owns the DisplayState.
#include "display2d/display.h"

#include <algorithm>
#include <climits>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/runtime.h"
#include "display2d/display3d.h"
#include "display2d/pixels.h"
#include "display2d/state.h"
#include "formats/bmp.h"
#include "platform/fs.h"
#include "services/checklist.h"

namespace zt {

namespace {

constexpr int32_t IdentityGamma = 256;
constexpr int32_t MaxModeSide = 16384;  // the largest texture a window can show

bool validDepth(int32_t depth) { return depth == 16 || depth == 24 || depth == 32; }

void chooseDevice(DisplayState& d) {
  d.DeviceTypeName = d.EmulationMode ? "RGB" : d.TnlEnabled ? "T&L" : "HAL";
  d.HardwareDevice = d.EmulationMode ? 0 : 1;
}

// The back buffer (and the second buffer of the chain while page flipping) for the
// current size and depth. Emulation asks for the system-memory path, which never flips.
bool buildSurfaces(Runtime& rt) {
  DisplayState& d = rt.display;
  d.SoftwareBackBuffer = d.EmulationMode;
  d.PageFlipping = d.FullScreenExclusive && !d.SoftwareBackBuffer ? 1 : 0;
  d.BufferParity = 0;
  release3DDevices(d);  // they draw into the old buffers
  const PixelFormat format = PixelFormat::forDepth(d.ScreenDepth);
  d.Buffers[0] = Surface::create(d.ScreenWidth, d.ScreenHeight, format);
  d.Buffers[1] = d.PageFlipping && d.Buffers[0] ? Surface::create(d.ScreenWidth, d.ScreenHeight, format) : nullptr;
  if (!d.Buffers[0] || (d.PageFlipping && !d.Buffers[1])) {
    d.Buffers = {};
    LogEngineError(rt, "Failed to create a BackBuffer in system memory");
    return false;
  }
  d.TransparentKey = PixelLayout::of(format).matchOf(0);
  for (auto& b : d.Buffers)
    if (b) b->setColorKey(d.TransparentKey);
  if (!create3DDevices(rt)) {
    d.Buffers = {};
    return false;
  }
  chooseDevice(d);
  return true;
}

// The steps after the surfaces are made: both buffers black and shown, the current
// bitmap back on the screen.
void finishSurfaces(Runtime& rt) {
  resetCurrentBitmaps(rt);
  for (int i = 0; i < 2; ++i) {
    ClearBackBuffer(rt);
    Present(rt);
  }
}

bool modeFits(int32_t width, int32_t height) { return width <= MaxModeSide && height <= MaxModeSide; }

const std::vector<DisplayMode>& modes(Runtime& rt) {
  DisplayState& d = rt.display;
  if (d.Modes.empty()) d.Modes = d.presenter->displayModes();
  return d.Modes;
}

uint32_t shownColour(const DisplayState& d, uint32_t colour) {
  return uint32_t(d.GammaRamp[0][(colour >> 16) & 255] >> 8) << 16 | uint32_t(d.GammaRamp[1][(colour >> 8) & 255] >> 8) << 8 |
         uint32_t(d.GammaRamp[2][colour & 255] >> 8);
}

// The table from raw pixels to shown colours, gamma applied: every 16-bit pixel, or for
// 8-bit components one entry per component value in each of the three positions.
void prepareFrameColours(DisplayState& d, const Surface& s) {
  const int bits = s.format().bits;
  if (d.FrameColoursBits == bits) return;
  const PixelLayout l = PixelLayout::of(s);
  if (bits == 16) {
    d.FrameColours.resize(65536);
    for (uint32_t p = 0; p < 65536; ++p) d.FrameColours[p] = shownColour(d, uint32_t(l.colourOf(p)));
  } else {
    d.FrameColours.resize(3 * 256);
    for (uint32_t c = 0; c < 256; ++c) {
      d.FrameColours[c] = shownColour(d, c << 16) & 0xFF0000;
      d.FrameColours[256 + c] = shownColour(d, c << 8) & 0x00FF00;
      d.FrameColours[512 + c] = shownColour(d, c) & 0x0000FF;
    }
  }
  d.FrameColoursBits = bits;
}

// Converts the buffer just drawn into window colours.
void convertFrame(DisplayState& d, const Surface& s) {
  prepareFrameColours(d, s);
  d.Frame.resize(size_t(s.width()) * size_t(s.height()));
  uint32_t* out = d.Frame.data();
  const uint32_t* table = d.FrameColours.data();
  const int bytes = s.format().bytesPerPixel();
  for (int y = 0; y < s.height(); ++y) {
    const uint8_t* p = s.row(y);
    if (bytes == 2) {
      for (int x = 0; x < s.width(); ++x, p += 2) *out++ = table[uint32_t(p[0]) | uint32_t(p[1]) << 8];
    } else {
      for (int x = 0; x < s.width(); ++x, p += bytes) *out++ = table[512 + p[0]] | table[256 + p[1]] | table[p[2]];
    }
  }
}

bool dumpDue(const Runtime& rt) {
  const int64_t frame = rt.frame.Frames + 1;
  return std::any_of(rt.display.Dumps.begin(), rt.display.Dumps.end(), [&](const FrameDump& f) { return f.frame == frame; });
}

void writeDumps(Runtime& rt, const Surface& s) {
  const int64_t frame = rt.frame.Frames + 1;
  for (const FrameDump& f : rt.display.Dumps) {
    if (f.frame != frame) continue;
    const auto encode = [&](const ByteSink& sink) {
      RgbImage image;
      image.width = s.width();
      image.height = s.height();
      image.pixels = rt.display.Frame;
      return sink(encodeBmp24(image));
    };
    if (!replaceFile(f.path, encode)) LogEngineError(rt, "Failed to write the frame dump " + f.path);
  }
}

void countFrame(Runtime& rt) {
  DisplayState& d = rt.display;
  ++d.FpsFrames;
  const uint32_t now = rt.clock->milliseconds(), elapsed = now - d.FpsStart;
  if (elapsed > 1000) {
    d.ScreenFps = int32_t(int64_t(d.FpsFrames) * 1000 / elapsed);
    d.FpsFrames = 0;
    d.FpsStart = now;
  }
}

// Rebuilds with the current settings; on failure tries emulation, then the fallback.
bool rebuild(Runtime& rt, int32_t mode[3], int32_t fallback[4]) {
  DisplayState& d = rt.display;
  auto apply = [&](const int32_t* m) {
    d.ScreenWidth = m[0];
    d.ScreenHeight = m[1];
    d.ScreenDepth = m[2];
  };
  bool ok = true;
  if (!modeFits(mode[0], mode[1])) {
    LogEngineError(rt, "Could not set a display mode of " + std::to_string(mode[0]) + "x" + std::to_string(mode[1]) +
                           "x" + std::to_string(mode[2]));
    apply(fallback);
    d.EmulationMode = fallback[3];
    raiseError(rt, ErrModeWarning);
    ok = false;
  } else {
    apply(mode);
  }
  if (!buildSurfaces(rt)) {
    d.EmulationMode = 1;
    if (!buildSurfaces(rt)) {
      apply(fallback);
      d.EmulationMode = fallback[3];
      raiseSoftError(rt, ErrDisplayBuild);  // a warning: the old mode is back and the program goes on
      buildSurfaces(rt);
      ok = false;
    }
  }
  relayoutDrawing(rt);
  finishSurfaces(rt);
  return ok;
}

// ---- commands ----

Word* opChecklistForModes(Runtime& rt, Word* pc) {
  startChecklist(rt);
  for (const DisplayMode& m : modes(rt)) {
    if (m.depth < 16) continue;
    ChecklistEntry* e = addChecklistEntry(
        rt, std::to_string(m.width) + "x" + std::to_string(m.height) + "x" + std::to_string(m.depth));
    if (!e) break;
    e->a = m.width;
    e->b = m.height;
    e->c = m.depth;
  }
  finishChecklist(rt, true, true);
  return pc;
}

void opSetDisplayMode(Runtime& rt, Word* pc) {
  DisplayState& d = rt.display;
  const int32_t w = operand(pc, 0).i, h = operand(pc, 1).i, depth = operand(pc, 2).i;
  if (!validDepth(depth)) return raiseError(rt, ErrModeDepth);
  if (w <= 0 || h <= 0) return raiseError(rt, ErrModeSize);
  if (ResetDisplay(rt, w, h, depth, d.EmulationMode, d.ScreenWidth, d.ScreenHeight, d.ScreenDepth, d.EmulationMode))
    d.ModeDepth = int16_t(depth);
  rt.interp.YieldFlag = true;
}

void opCheckDisplayMode(Runtime& rt, Word* pc) {
  Cell& result = operand(pc, 0);
  const int32_t w = operand(pc, 1).i, h = operand(pc, 2).i, depth = operand(pc, 3).i;
  if (!validDepth(depth)) return raiseError(rt, ErrModeDepth);
  if (w == 0 || h == 0) return raiseError(rt, ErrModeSize);
  const auto& all = modes(rt);
  result.i = std::find(all.begin(), all.end(), DisplayMode{w, h, depth}) != all.end();
}

void resetSameMode(Runtime& rt, int32_t emulation, int32_t fallbackEmulation) {
  DisplayState& d = rt.display;
  ResetDisplay(rt, d.ScreenWidth, d.ScreenHeight, d.ScreenDepth, emulation, d.ScreenWidth, d.ScreenHeight,
               d.ScreenDepth, fallbackEmulation);
}

template <int32_t On>
Word* opSetEmulation(Runtime& rt, Word* pc) {
  rt.display.EmulationMode = On;
  resetSameMode(rt, On, 1 - On);
  return pc;
}

template <int32_t On>
Word* opTnl(Runtime& rt, Word* pc) {
  rt.display.TnlEnabled = On;
  resetSameMode(rt, rt.display.EmulationMode, 0);
  return pc;
}

Word* opChecklistForCards(Runtime& rt, Word* pc) {
  startChecklist(rt);
  for (const DisplayDriver& driver : listDisplayDrivers()) addChecklistEntry(rt, driver.description);
  finishChecklist(rt, true, false);
  return pc;
}

void opSetGraphicsCard(Runtime& rt, Word* pc) {
  DisplayState& d = rt.display;
  d.RequestedCardName = cellText(operand(pc, 0));
  resetSameMode(rt, d.EmulationMode, d.EmulationMode);
  if (d.GraphicsCardName != d.RequestedCardName) raiseError(rt, ErrCardWarning);
}

int32_t clampBytes(int64_t bytes) { return int32_t(std::clamp<int64_t>(bytes, 0, INT32_MAX)); }

// Textures and surfaces live in the same system memory as everything else.
Word* opDeviceMemory(Runtime&, Word* pc) {
  operand(pc, 0).i = clampBytes(availableMemoryBytes());
  return pc + 1;
}

Word* opSystemMemory(Runtime&, Word* pc) {
  operand(pc, 0).i = clampBytes(availableVirtualMemoryBytes());
  return pc + 1;
}

template <auto Query>
Word* opDisplayQuery(Runtime& rt, Word* pc) {
  operand(pc, 0).i = Query(rt.display);
  return pc + 1;
}

Word* opCurrentCard(Runtime& rt, Word* pc) {
  storeString(operand(pc, 0), rt.display.GraphicsCardName);
  return pc + 1;
}

const CommandRow Rows[] = {
    {CmdPerformChecklistForDisplayModes, opChecklistForModes},
    {CmdSetDisplayMode, skipAfter<opSetDisplayMode, 3>},
    {CmdScreenWidth, opDisplayQuery<[](const DisplayState& d) { return d.ScreenWidth; }>},
    {CmdScreenHeight, opDisplayQuery<[](const DisplayState& d) { return d.ScreenHeight; }>},
    {CmdScreenDepth, opDisplayQuery<[](const DisplayState& d) { return d.ScreenDepth; }>},
    {CmdScreenType, opDisplayQuery<[](const DisplayState& d) { return 1 - d.SoftwareBackBuffer; }>},
    {CmdScreenFps, opDisplayQuery<[](const DisplayState& d) { return d.ScreenFps; }>},
    {CmdCheckDisplayMode, skipAfter<opCheckDisplayMode, 4>},
    {CmdSetEmulationOn, opSetEmulation<1>},
    {CmdSetEmulationOff, opSetEmulation<0>},
    {CmdPerformChecklistForGraphicsCards, opChecklistForCards},
    {CmdSetGraphicsCard, skipAfter<opSetGraphicsCard, 1>},
    {CmdDisableTnl, opTnl<0>},
    {CmdEnableTnl, opTnl<1>},
    {CmdSystemTmemAvailable, opDeviceMemory},
    {CmdSystemDmemAvailable, opDeviceMemory},
    {CmdSystemSmemAvailable, opSystemMemory},
    {CmdEmulationMode, opDisplayQuery<[](const DisplayState& d) { return d.EmulationMode; }>},
    {CmdCurrentGraphicsCard, opCurrentCard},
    {CmdTnlAvailable, opDisplayQuery<[](const DisplayState& d) { return int32_t(d.DeviceTypeName[0] == 'T'); }>},
};

}  // namespace

Surface* backBuffer(DisplayState& d) { return d.Buffers[size_t(d.PageFlipping ? d.BufferParity : 0)].get(); }

Surface* frontBuffer(DisplayState& d) { return d.Buffers[size_t(d.PageFlipping ? d.BufferParity ^ 1 : 0)].get(); }

bool StartDisplay(Runtime& rt, std::unique_ptr<Presenter> presenter, bool fullScreenExclusive, bool desktopWindow) {
  DisplayState& d = rt.display;
  d.FullScreenExclusive = fullScreenExclusive;
  d.DesktopWindow = desktopWindow;
  d.GraphicsCardName = PrimaryDisplayDriver;
  d.ScreenWidth = 640;
  d.ScreenHeight = 480;
  d.ScreenDepth = d.Best3DDepth;
  d.EmulationMode = 0;
  d.TnlEnabled = 1;
  d.ModeDepth = d.Best3DDepth;
  for (int i = 0; i < 3; ++i) setGammaRamp(d, i, IdentityGamma);
  d.presenter = std::move(presenter);
  d.FpsStart = rt.clock->milliseconds();
  d.FpsFrames = d.ScreenFps = 0;
  if (!buildSurfaces(rt)) {
    raiseError(rt, ErrSurfaces);
    return false;
  }
  ClearDisplayList(rt.bitmaps.displayList);
  releaseBitmaps(rt.bitmaps);
  resetDrawing(rt);
  resetRefresh(rt);
  startText(rt);
  finishSurfaces(rt);
  return true;
}

void StopDisplay(Runtime& rt) {
  DisplayState& d = rt.display;
  ClearDisplayList(rt.bitmaps.displayList);
  releaseBitmaps(rt.bitmaps);
  release3DDevices(d);
  d.Buffers = {};
  d.presenter = makeNullPresenter();  // the window's goes before the window
}

bool ResetDisplay(Runtime& rt, int32_t width, int32_t height, int32_t depth, int32_t emulation,
                  int32_t fallbackWidth, int32_t fallbackHeight, int32_t fallbackDepth, int32_t fallbackEmulation) {
  rt.display.ReleaseForReset(rt);
  rt.display.EmulationMode = emulation;
  int32_t mode[3] = {width, height, depth};
  int32_t fallback[4] = {fallbackWidth, fallbackHeight, fallbackDepth, fallbackEmulation};
  const bool ok = rebuild(rt, mode, fallback);
  if (rt.display.RestoreAfterReset) rt.display.RestoreAfterReset(rt);
  return ok;
}

void Present(Runtime& rt) {
  DisplayState& d = rt.display;
  Surface* shown = backBuffer(d);
  if (!shown) return;
  const bool dump = dumpDue(rt);
  // The frame is converted once, and only when a dump or the presenter needs it.
  const Surface* unconverted = shown;
  if (dump) {
    convertFrame(d, *shown);
    unconverted = nullptr;
  }
  d.presenter->present(shown->width(), shown->height(), [&d, &unconverted] {
    if (unconverted) convertFrame(d, *unconverted);
    unconverted = nullptr;
    return d.Frame.data();
  });
  if (dump) writeDumps(rt, *shown);
  if (d.PageFlipping) d.BufferParity ^= 1;
  countFrame(rt);
}

void ClearBackBuffer(Runtime& rt) {
  if (Surface* back = backBuffer(rt.display)) fillRect(*back, back->bounds(), rt.draw.BackgroundPixel);
}

void setGammaRamp(DisplayState& d, int component, int32_t value) {
  const int32_t offset = value > 256 ? value - 256 : 0, slope = value > 256 ? 511 - value : value;
  for (int i = 0; i < 256; ++i) d.GammaRamp[size_t(component)][size_t(i)] = uint16_t(offset * 256 + slope * i);
  d.FrameColoursBits = 0;
}

void windowToScreen(const Runtime& rt, int wx, int wy, int& x, int& y) {
  rt.display.presenter->toFrame(wx, wy, x, y);
}

void screenSize(const Runtime& rt, int32_t& width, int32_t& height) {
  width = rt.display.ScreenWidth;
  height = rt.display.ScreenHeight;
}

extern const std::span<const CommandRow> DisplayRows(Rows);

}  // namespace zt
