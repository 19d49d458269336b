// The display-card chooser: at the first start in a window (and whenever the remembered
// card is no longer offered) the user picks the display driver when there is more than
// one, its 3D features at 640 x 480 are tested and a short report is shown until a key or
// a click; the card and its best 3D depth are then remembered in the card memory and
// later starts read them and show nothing. Both panels are painted with the engine's own
// surfaces and console face into the window's presenter.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/display.h"
#include "gfx/surface.h"

namespace zt {

struct Runtime;

constexpr size_t MaxListedDrivers = 5;

struct CardFeatures {
  int32_t Best3DDepth = 16;
  bool ThreeD = false, AlphaBlending = false, TextureFiltering = false, Fogging = false;
};

// What the chooser shows: 1 the driver list, 2 the report; 0 while nothing is shown.
struct ChooserState {
  int32_t State = 0;
  std::vector<std::string> Drivers;  // the first MaxListedDrivers descriptions
  std::string Chosen;
  CardFeatures Features;
  Presenter* Window = nullptr;  // where the panels are shown while the chooser runs
};

// The card memory as the host keeps it: what was read, and how to write each key.
struct CardMemory {
  std::string card;
  int depth = 16;
  void (*storeCard)(std::string_view card) = nullptr;
  void (*storeDepth)(int depth) = nullptr;
};

// One line of a panel: its text, its top edge, its left edge or (centred) none, colour.
struct PanelLine {
  std::string text;
  int top = 0;
  int left = 0;
  bool centred = true;
  uint32_t colour = 0xFFFFFF;
};

struct Panel {
  Rect area;  // in window pixels
  std::vector<PanelLine> lines;  // tops from the panel's top, lefts from its left
};

Panel chooserPanel(int windowWidth, int windowHeight, const std::vector<std::string>& drivers);
Panel reportPanel(int windowWidth, int windowHeight, std::string_view card, const CardFeatures& features);

// Tests a card as the display would be built on it: 640 x 480 at 16, 24 and 32 bits in
// turn, stopping at the first depth whose surfaces and device are made with a hardware
// device.
CardFeatures testDisplayCard(const DisplayDriver& driver);

// Chooses among the drivers on offer (listDisplayDrivers) and sets RequestedCardName
// and Best3DDepth. With `window` null (no desktop) nothing is shown or stored and
// nothing waits: the remembered card when it is offered, otherwise the first driver.
// False when the window is closed (or the run stopped) while a panel waits for the user.
bool ChooseDisplayCard(Runtime& rt, const std::vector<DisplayDriver>& drivers, Presenter* window,
                       const CardMemory& memory);
// The window procedure's repaint: the panel being shown, if any.
void PaintChooser(Runtime& rt);

}  // namespace zt
