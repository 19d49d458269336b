// The display-card chooser (see chooser.h): the choice against the card memory, the
// feature test, and the two panels, the driver list and the report, painted into the
// window while they wait for the user. Owns the ChooserState (in the DisplayState).
#include "display2d/chooser.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "core/runtime.h"
#include "core/text_lines.h"
#include "display2d/pixels.h"
#include "display2d/state.h"
#include "formats/ini.h"
#include "input/input.h"
#include "platform/window.h"

namespace zt {

namespace {

constexpr int TestWidth = 640, TestHeight = 480;
constexpr int TestDepths[] = {16, 24, 32};
constexpr int PanelWidth = 300, PanelHeight = 200;
constexpr int ChooserBottomInset = 40, ReportBottomInset = 24;
constexpr int LineStep = 14;
constexpr int AnswerFromRight = 48;
constexpr int FeatureLeft = 16;
constexpr int FontHeight = 10;  // the window's default face
constexpr int PauseMilliseconds = 1000;
constexpr int WaitPollMilliseconds = 50;

constexpr uint32_t Gold = 0xFFC028, Orange = 0xF09614, White = 0xFFFFFF, Yellow = 0xFFFF00, Red = 0xFF0000;
constexpr uint32_t DarkGrey = 0x404040, Black = 0;

// The client area inset by 20 left and right, 30 at the top and `bottomInset` at the
// bottom; a wider one is narrowed to 300 x 200 about its centre.
Rect panelArea(int width, int height, int bottomInset) {
  Rect r{20, 30, width - 20, height - bottomInset};
  if (r.width() > PanelWidth) {
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    r = {cx - PanelWidth / 2, cy - PanelHeight / 2, cx + PanelWidth / 2, cy + PanelHeight / 2};
  }
  return r;
}

void outline(Surface& s, const Rect& r, uint32_t pixel) {
  fillRect(s, {r.left, r.top, r.right, r.top + 1}, pixel);
  fillRect(s, {r.left, r.bottom - 1, r.right, r.bottom}, pixel);
  fillRect(s, {r.left, r.top, r.left + 1, r.bottom}, pixel);
  fillRect(s, {r.right - 1, r.top, r.right, r.bottom}, pixel);
}

Rect inset(const Rect& r, int by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }

void drawPanel(Surface& s, const Panel& p, Font* font) {
  const PixelLayout layout = PixelLayout::of(s);
  fillRect(s, s.bounds(), layout.matchOf(Black));
  outline(s, inset(p.area, 2), layout.matchOf(DarkGrey));
  outline(s, inset(p.area, 4), layout.matchOf(Black));
  if (!font) return;
  for (const PanelLine& line : p.lines) {
    const int left = line.centred ? (p.area.width() - font->measure(line.text).width) / 2 : line.left;
    font->draw(s, p.area.left + left, p.area.top + line.top, line.text, layout.matchOf(line.colour), 0, false);
  }
}

// The window's 0xRRGGBB pixels of a painted surface.
std::vector<uint32_t> windowPixels(Surface& s) {
  const PixelLayout layout = PixelLayout::of(s);
  std::vector<uint32_t> out;
  out.reserve(size_t(s.width()) * size_t(s.height()));
  for (int y = 0; y < s.height(); ++y) {
    const uint8_t* p = s.row(y);
    for (int x = 0; x < s.width(); ++x, p += 4)
      out.push_back(uint32_t(layout.colourOf(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16)));
  }
  return out;
}

std::string numbered(const char* format, int n, std::string_view text = {}) {
  char buffer[320];
  std::snprintf(buffer, sizeof buffer, format, n, std::string(text).c_str());
  return buffer;
}

// Runs the window procedure on each message as it comes until `done` accepts one. False
// when the window is closed or the run stopped meanwhile. An Escape is only a key here:
// the quit it asks for is dropped.
template <typename Done>
bool waitForUser(Runtime& rt, Done done) {
  const bool quit = rt.interp.QuitPosted;
  for (;;) {
    if (*rt.interp.StopSignal != 0) return false;
    waitMessages(rt, WaitPollMilliseconds);
    WindowMessage m;
    while (nextMessage(rt, m)) {
      if (m.kind == MessageKind::Close) return false;
      dispatchMessage(rt, m);
      rt.interp.QuitPosted = quit;
      if (done(m)) return true;
    }
  }
}

// Sleeps on the run's clock (a jump on the virtual clock); messages wait meanwhile.
void pause(Runtime& rt, int milliseconds) { rt.clock->waitUntil(rt.clock->preciseMilliseconds() + milliseconds); }

// Runs the window procedure on every waiting message: what was typed before a panel
// showed does not answer it.
void discardWaiting(Runtime& rt) {
  const bool quit = rt.interp.QuitPosted;
  dispatchMessages(rt, false);
  rt.interp.QuitPosted = quit;
}

void show(Runtime& rt, int32_t state) {
  rt.display.Chooser.State = state;
  PaintChooser(rt);
}

// The driver list until a digit from 1 to the number of drivers is typed; -1 when the
// window is closed first.
int askForDriver(Runtime& rt) {
  const int count = int(rt.display.Chooser.Drivers.size());
  int chosen = -1;
  discardWaiting(rt);
  show(rt, 1);
  const bool answered = waitForUser(rt, [&](const WindowMessage& m) {
    const int digit = int(typedCharacter(rt)) - '0';
    if (m.kind == MessageKind::Char && digit >= 1 && digit <= count) chosen = digit - 1;
    return chosen >= 0;
  });
  return answered ? chosen : -1;
}

// The report until any key or click.
bool showReport(Runtime& rt) {
  pause(rt, PauseMilliseconds);
  discardWaiting(rt);
  pause(rt, PauseMilliseconds);
  discardWaiting(rt);
  show(rt, 2);
  return waitForUser(rt, [&](const WindowMessage& m) {
    return m.kind == MessageKind::KeyDown || m.kind == MessageKind::Char ||
           (m.kind == MessageKind::ButtonDown && chooserButton(rt) != 0);
  });
}

bool validDepth(int depth) { return depth == 16 || depth == 24 || depth == 32; }

}  // namespace

Panel chooserPanel(int windowWidth, int windowHeight, const std::vector<std::string>& drivers) {
  Panel p{panelArea(windowWidth, windowHeight, ChooserBottomInset), {}};
  const int n = int(drivers.size());
  p.lines.push_back({"MULTIPLE DISPLAY CARDS DETECTED", 16, 0, true, Gold});
  for (int i = 0; i < n; ++i) p.lines.push_back({numbered("%d. %s", i + 1, drivers[size_t(i)]), 46 + LineStep * i, 0, true, White});
  p.lines.push_back({numbered("PLEASE SELECT KEYS 1 to %d", n), 68 + LineStep * n, 0, true, Gold});
  p.lines.push_back({"TO CHOOSE YOUR BEST CARD", 82 + LineStep * n, 0, true, Gold});
  p.lines.push_back({"(THIS WINDOW ONLY APPEARS ONCE)", 96 + LineStep * n, 0, true, Orange});
  return p;
}

Panel reportPanel(int windowWidth, int windowHeight, std::string_view card, const CardFeatures& f) {
  Panel p{panelArea(windowWidth, windowHeight, ReportBottomInset), {}};
  p.lines.push_back({std::string(card), 16, 0, true, Gold});
  const std::pair<std::string, bool> features[] = {
      {numbered("Supports 3D at 640x480x%d", f.ThreeD ? f.Best3DDepth : 16), f.ThreeD},
      {"Supports Alphablending", f.AlphaBlending},
      {"Supports Texture Filtering", f.TextureFiltering},
      {"Supports Fogging", f.Fogging},
  };
  const int answerLeft = p.area.width() - AnswerFromRight;
  int row = 0;
  for (const auto& [text, yes] : features) {
    const int top = 46 + LineStep * row++;
    p.lines.push_back({text, top, FeatureLeft, false, White});
    p.lines.push_back({yes ? "Yes" : "No", top, answerLeft, false, yes ? Yellow : Red});
  }
  const bool all = f.ThreeD && f.AlphaBlending && f.TextureFiltering && f.Fogging;
  const char* first = all ? "YOUR 3D CARD SUPPORTS" : f.ThreeD ? "YOU MAY EXPERIENCE SOME" : "YOUR GRAPHICS CARD IS NOT";
  const char* second = all ? "ALL BUILT-IN FEATURES" : f.ThreeD ? "LOSS IN VISUAL QUALITY" : "RECOMMENDED FOR HIGH-CONTENT 3D";
  p.lines.push_back({first, 68 + LineStep * 4, 0, true, Gold});
  p.lines.push_back({second, 82 + LineStep * 4, 0, true, Gold});
  p.lines.push_back({"PRESS ANY KEY", 100 + LineStep * 4, 0, true, Orange});
  return p;
}

// Every driver today is the software display device: its surfaces are system memory that
// the window shows, and its device draws every feature, as a hardware device would.
CardFeatures testDisplayCard([[maybe_unused]] const DisplayDriver& driver) {
  CardFeatures f;
  for (int depth : TestDepths) {
    if (!Surface::create(TestWidth, TestHeight, PixelFormat::forDepth(depth))) continue;
    f.ThreeD = true;
    f.Best3DDepth = depth;
    f.AlphaBlending = f.TextureFiltering = f.Fogging = true;
    break;
  }
  return f;
}

bool ChooseDisplayCard(Runtime& rt, const std::vector<DisplayDriver>& drivers, Presenter* window,
                       const CardMemory& memory) {
  DisplayState& d = rt.display;
  ChooserState& c = d.Chooser;
  if (window && !window->visible()) window = nullptr;  // nobody could answer it
  d.RequestedCardName = memory.card;
  c.Drivers.clear();
  for (size_t i = 0; i < drivers.size() && i < MaxListedDrivers; ++i) c.Drivers.push_back(drivers[i].description);
  const auto remembered = [&](const std::string& name) { return equalsIgnoringCase(name, memory.card); };
  if (std::any_of(c.Drivers.begin(), c.Drivers.end(), remembered)) {
    // A depth the display cannot take (a hand-edited file) is not passed on.
    d.Best3DDepth = int16_t(validDepth(memory.depth) ? memory.depth : 16);
    return true;
  }
  d.Best3DDepth = 16;
  if (c.Drivers.empty()) return true;
  c.Window = window;
  const int index = window && c.Drivers.size() > 1 ? askForDriver(rt) : 0;
  bool open = index >= 0;
  if (open) {
    c.Chosen = c.Drivers[size_t(index)];
    d.RequestedCardName = c.Chosen;
    if (window) memory.storeCard(c.Chosen);
    c.Features = testDisplayCard(drivers[size_t(index)]);
    d.Best3DDepth = int16_t(c.Features.ThreeD ? c.Features.Best3DDepth : 16);
    if (window && (open = showReport(rt))) memory.storeDepth(d.Best3DDepth);
  }
  c.State = 0;
  c.Window = nullptr;
  return open;
}

void PaintChooser(Runtime& rt) {
  ChooserState& c = rt.display.Chooser;
  if (c.State == 0 || !c.Window) return;
  int width = 0, height = 0;
  c.Window->outputSize(width, height);
  std::unique_ptr<Surface> s = Surface::create(std::max(1, width), std::max(1, height), PixelFormat::forDepth(32));
  if (!s) return;
  TextState& t = rt.text;
  if (!t.Fonts) {
    std::string why;
    t.Fonts = FontLibrary::create(why);
  }
  std::unique_ptr<Font> font = t.Fonts ? t.Fonts->open("system", FontHeight, false, false) : nullptr;
  drawPanel(*s, c.State == 1 ? chooserPanel(s->width(), s->height(), c.Drivers)
                             : reportPanel(s->width(), s->height(), c.Chosen, c.Features),
            font.get());
  std::vector<uint32_t> pixels;
  c.Window->present(s->width(), s->height(), [&] {
    pixels = windowPixels(*s);
    return pixels.data();
  });
}

}  // namespace zt
