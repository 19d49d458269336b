// The 2D display's state: the display and its buffers, the bitmaps and the display list,
// the ink, the text fonts, the refresh and capture settings, the console and the frame
// cycle. Only display2d and the host include this; others use the public headers.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "display2d/bitmaps.h"
#include "display2d/chooser.h"
#include "display2d/console.h"
#include "display2d/display.h"
#include "display2d/display_list.h"
#include "display2d/drawing.h"
#include "display2d/refresh.h"
#include "display2d/text.h"
#include "platform/display.h"
#include "platform/font.h"
#include "gfx/surface.h"

namespace zt {

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
  std::array<std::unique_ptr<Device3D>, 2> Devices;  // the 3D device on each buffer
  Capabilities3D Caps3D;
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
  ChooserState Chooser;
  // What goes before a display reset tears the display down (the display list, the
  // bitmaps and whatever other subsystems hold on the display); the host lists the steps.
  void (*ReleaseForReset)(Runtime& rt) = nullptr;
  // What is made again for the new display after a reset, the last step.
  void (*RestoreAfterReset)(Runtime& rt) = nullptr;
};

struct BitmapSlot {
  std::unique_ptr<Surface> surface;  // slot 0 stays empty: bitmap 0 is the back buffer
  int32_t width = 0, height = 0, depth = 0;
  int32_t mirrored = 0, flipped = 0;
  uint32_t generation = 0;  // counts the surfaces this slot has held
};

struct BitmapState {
  std::array<BitmapSlot, BitmapCount> BitmapTable;
  int32_t CurrentBitmap = 0;
  SurfaceRef CurrentTarget{0, 0};
  int32_t ListBitmap = 0;
  SurfaceRef ListTarget{0, 0};
  DisplayList displayList;
  int8_t ScreenLifetime = 1;  // 2 while page flipping
};

struct DrawState {
  uint32_t InkPixel = 0xFFFF;
  int32_t InkRed = 255, InkGreen = 255, InkBlue = 255;
  uint32_t BackgroundPixel = 0;
  int32_t BackRed = 0, BackGreen = 0, BackBlue = 0;
};

struct TextState {
  std::unique_ptr<FontLibrary> Fonts;  // before the fonts, so it outlives them
  std::string TextFontName = "system";
  int32_t TextSize = 10;
  uint8_t TextOpaque = 0;
  int16_t TextStyle = 0;  // 0 normal, 1 italic, 2 bold, 3 bold italic
  std::unique_ptr<Font> TextFont;
  std::unique_ptr<Font> PrintFont;
};

struct RefreshState {
  int32_t DrawToBack = 0;
  int32_t CapturePending = 0;
  std::string CaptureFile;
};

struct ConsoleState {
  int32_t CursorX = 0, CursorY = 0;
  std::array<char, 256> InputLine{};
  int32_t InputCount = -1;  // -1: no INPUT in progress
  int32_t InputStartX = 0;
  double WakeTime = -1.0;  // -1: no SLEEP or WAIT in progress
  uint8_t KeyWaitState = 0, MouseWaitState = 0;
  std::string CommandLine;        // the arguments after the program, for CL$
  std::FILE* Echo = nullptr;      // console text also goes here when set
  bool EchoLineOpen = false;      // PRINTC text waits on the line
};

struct FrameState {
  uint32_t FrameMilliseconds = DefaultFrameMilliseconds;  // 0: no limit
  uint32_t LastFrameTime = 0;                             // clock time of the last paced frame end
  int64_t Frames = 0;  // run-loop frames so far, skipped ones included
};

}  // namespace zt
