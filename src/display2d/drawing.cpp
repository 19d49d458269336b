// 2D drawing commands: INK, CLS, DOT, BOX, LINE, CIRCLE, ELLIPSE, POINT and the colour
// functions. Each drawing command adds a record (101 clear, 103 dot, 104 box, 105 line,
// 106 circle or ellipse, 107 ink, 108 background, 109 point) that draws at the next frame
// start into the bitmap current when it was added. Owns the DrawState.
#include "display2d/drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/family.h"
#include "core/runtime.h"

namespace zt {

namespace {

// Sets the ink (when `foreground` is not -1) and the background from colour values, in
// the layout of the surface drawn into; the text colours keep the quantised components.
void setColours(DrawState& d, const PixelLayout& l, int32_t foreground, int32_t background, bool withInk) {
  if (withInk && foreground != -1) {
    d.InkPixel = l.pixelOf(foreground);
    d.InkRed = int32_t(255 * l.red(d.InkPixel) / l.redMax);
    d.InkGreen = int32_t(255 * l.green(d.InkPixel) / l.greenMax);
    d.InkBlue = int32_t(255 * l.blue(d.InkPixel) / l.blueMax);
  }
  d.BackgroundPixel = l.pixelOf(background);
  d.BackRed = int32_t(255 * l.red(d.BackgroundPixel) / l.redMax);
  d.BackGreen = int32_t(255 * l.green(d.BackgroundPixel) / l.greenMax);
  d.BackBlue = int32_t(255 * l.blue(d.BackgroundPixel) / l.blueMax);
}

// Narrows the steps [lo, hi] to those whose pixel coordinate trunc(p + n * step) lies in
// 0 .. size - 1, that is p + n * step inside (-1, size).
void clipSteps(double p, double step, int size, double& lo, double& hi) {
  if (step == 0) {
    if (!(p > -1 && p < size)) hi = -1;
    return;
  }
  double a = (-1 - p) / step, b = (size - p) / step;
  if (a > b) std::swap(a, b);
  lo = std::max(lo, std::floor(a));
  hi = std::min(hi, std::ceil(b));
}

// Steps `from` to `to` of a line: each position is computed from the start, not summed,
// and the step at the full length is the end point itself, so the line reaches it.
template <int Bytes>
void walkLine(Surface& s, double x1, double y1, double dx, double dy, double length, double from, double to,
              uint32_t pixel) {
  pixel &= s.format().depthMask();
  uint8_t* const base = s.row(0);
  const size_t pitch = size_t(s.pitch());
  const uint32_t w = uint32_t(s.width()), h = uint32_t(s.height());
  const double inverse = length > 0 ? 1.0 / length : 0.0;
  auto plot = [&](double t) {
    const uint32_t x = uint32_t(int32_t(x1 + dx * t)), y = uint32_t(int32_t(y1 + dy * t));
    if (x >= w || y >= h) return;
    uint8_t* p = base + y * pitch + x * Bytes;
    if constexpr (Bytes == 2) {
      const uint16_t v = uint16_t(pixel);
      std::memcpy(p, &v, 2);
    } else if constexpr (Bytes == 3) {
      p[0] = uint8_t(pixel);
      p[1] = uint8_t(pixel >> 8);
      p[2] = uint8_t(pixel >> 16);
    } else {
      std::memcpy(p, &pixel, 4);
    }
  };
  const bool reachesEnd = to == length;
  const int64_t first = int64_t(from), last = int64_t(to) - (reachesEnd ? 1 : 0);
  for (int64_t n = first; n <= last; ++n) plot(double(n) * inverse);
  if (reachesEnd) plot(length > 0 ? 1.0 : 0.0);
}

void drawDot(Surface& s, const DisplayRecord& r, uint32_t ink) { fillRect(s, inclusiveRect(r.arg1, r.arg2, r.arg1, r.arg2), ink); }

void drawBox(Surface& s, const DisplayRecord& r, uint32_t ink) {
  fillRect(s, inclusiveRect(r.arg1, r.arg2, r.arg3, r.arg4), ink);
}

void drawEllipse(Surface& s, const DisplayRecord& r, uint32_t ink) {
  const float cx = float(r.arg1) + 0.5f, cy = float(r.arg2) + 0.5f, rx = r.arg3f(), ry = r.arg4f();
  float px = std::cos(0.0f) * rx + cx, py = std::sin(0.0f) * ry + cy;
  for (float t = -0.06f; t <= 6.33f; t += 0.0628f) {
    const float nx = std::cos(t) * rx + cx, ny = std::sin(t) * ry + cy;
    drawLine(s, px, py, nx, ny, ink);
    px = nx;
    py = ny;
  }
}

void readPoint(Surface& s, const DisplayRecord& r) {
  if (!r.result || r.arg1 < 0 || r.arg2 < 0 || r.arg1 >= s.width() || r.arg2 >= s.height()) return;
  r.result->i = PixelLayout::of(s).colourOf(s.pixel(r.arg1, r.arg2));
}

// ---- commands ----

DisplayRecord* addDrawing(Runtime& rt, int32_t op, int32_t a1, int32_t a2, int32_t a3 = 0, int32_t a4 = 0) {
  DisplayRecord* r = AddRecord(rt, op);
  if (r) {
    r->arg1 = a1;
    r->arg2 = a2;
    r->arg3 = a3;
    r->arg4 = a4;
  }
  return r;
}

Word* opDot(Runtime& rt, Word* pc) {
  addDrawing(rt, RecDot, operand(pc, 0).i, operand(pc, 1).i);
  yieldForScreen(rt);
  return pc + 2;
}

Word* opBox(Runtime& rt, Word* pc) {
  addDrawing(rt, RecBox, operand(pc, 0).i, operand(pc, 1).i, operand(pc, 2).i, operand(pc, 3).i);
  yieldForAutoRefresh(rt);
  return pc + 4;
}

Word* opLine(Runtime& rt, Word* pc) {
  addDrawing(rt, RecLine, operand(pc, 0).i, operand(pc, 1).i, operand(pc, 2).i, operand(pc, 3).i);
  yieldForScreen(rt);
  return pc + 4;
}

Word* opCircle(Runtime& rt, Word* pc) {
  const int32_t radius = std::bit_cast<int32_t>(float(operand(pc, 2).i));
  addDrawing(rt, RecEllipse, operand(pc, 0).i, operand(pc, 1).i, radius, radius);
  yieldForScreen(rt);
  return pc + 3;
}

Word* opEllipse(Runtime& rt, Word* pc) {
  addDrawing(rt, RecEllipse, operand(pc, 0).i, operand(pc, 1).i, std::bit_cast<int32_t>(float(operand(pc, 2).i)),
             std::bit_cast<int32_t>(float(operand(pc, 3).i)));
  yieldForScreen(rt);
  return pc + 4;
}

Word* opInk(Runtime& rt, Word* pc) {
  addDrawing(rt, RecInk, operand(pc, 0).i, operand(pc, 1).i);
  return pc + 2;
}

void clearScreen(Runtime& rt) {
  addDrawing(rt, RecClear, 0, 0);
  resetPrintCursor(rt);
  yieldForScreen(rt);
}

Word* opCls(Runtime& rt, Word* pc) {
  clearScreen(rt);
  return pc;
}

Word* opClsColour(Runtime& rt, Word* pc) {
  addDrawing(rt, RecBackground, 0, operand(pc, 0).i);
  clearScreen(rt);
  return pc + 1;
}

Word* opPoint(Runtime& rt, Word* pc) {
  if (DisplayRecord* r = addDrawing(rt, RecPoint, operand(pc, 1).i, operand(pc, 2).i)) {
    r->result = &operand(pc, 0);
    r->lifetime = 1;
  }
  rt.interp.YieldFlag = true;
  return pc + 3;
}

Word* opRgb(Runtime&, Word* pc) {
  operand(pc, 0).i =
      wrapAdd(wrapAdd(operand(pc, 3).i, wrapMul(operand(pc, 1).i, 65536)), wrapMul(operand(pc, 2).i, 256));
  return pc + 4;
}

template <int Shift>
Word* opComponent(Runtime&, Word* pc) {
  operand(pc, 0).i = (operand(pc, 1).i >> Shift) & 255;
  return pc + 2;
}

const CommandRow Rows[] = {
    {208, "BOX", "LLLL", opBox},
    {210, "CIRCLE", "LLL", opCircle},
    {212, "CLS", "0", opCls},
    {215, "DOT", "LL", opDot},
    {216, "ELLIPSE", "LLLL", opEllipse},
    {227, "INK", "LL", opInk},
    {235, "LINE", "LLLL", opLine},
    {243, "POINT[", "LLL", opPoint},
    {391, "RGB[", "LLLL", opRgb},
    {392, "RGBR[", "LL", opComponent<16>},
    {393, "RGBG[", "LL", opComponent<8>},
    {394, "RGBB[", "LL", opComponent<0>},
    {405, "CLS", "L", opClsColour},
};

}  // namespace

void resetDrawing(Runtime& rt) {
  setColours(rt.draw, PixelLayout::of(PixelFormat::forDepth(rt.display.ScreenDepth)), 0xFFFFFF, 0, true);
}

void relayoutDrawing(Runtime& rt) {
  DrawState& d = rt.draw;
  setColours(d, PixelLayout::of(PixelFormat::forDepth(rt.display.ScreenDepth)), d.InkRed << 16 | d.InkGreen << 8 | d.InkBlue,
             d.BackRed << 16 | d.BackGreen << 8 | d.BackBlue, true);
}

void drawLine(Surface& s, float x1, float y1, float x2, float y2, uint32_t pixel) {
  const double dx = double(x2) - x1, dy = double(y2) - y1;
  const double length = std::sqrt(dx * dx + dy * dy);
  const double sx = length > 0 ? dx / length : 0.0, sy = length > 0 ? dy / length : 0.0;
  double lo = 0, hi = std::floor(length);
  clipSteps(x1, sx, s.width(), lo, hi);
  clipSteps(y1, sy, s.height(), lo, hi);
  if (lo > hi) return;
  switch (s.format().bytesPerPixel()) {
    case 2: walkLine<2>(s, x1, y1, dx, dy, length, std::max(lo, 0.0), hi, pixel); break;
    case 3: walkLine<3>(s, x1, y1, dx, dy, length, std::max(lo, 0.0), hi, pixel); break;
    default: walkLine<4>(s, x1, y1, dx, dy, length, std::max(lo, 0.0), hi, pixel); break;
  }
}

void runDrawRecord(Runtime& rt, DisplayRecord& r) {
  Surface* s = resolveSurface(rt, r.target);
  if (!s) return;
  DrawState& d = rt.draw;
  switch (r.op) {
    case RecClear: fillRect(*s, s->bounds(), d.BackgroundPixel); break;
    case RecDot: drawDot(*s, r, d.InkPixel); break;
    case RecBox: drawBox(*s, r, d.InkPixel); break;
    case RecLine: drawLine(*s, float(r.arg1), float(r.arg2), float(r.arg3), float(r.arg4), d.InkPixel); break;
    case RecEllipse: drawEllipse(*s, r, d.InkPixel); break;
    case RecInk: setColours(d, PixelLayout::of(*s), r.arg1, r.arg2, true); break;
    case RecBackground: setColours(d, PixelLayout::of(*s), 0, r.arg2, false); break;
    case RecPoint: readPoint(*s, r); break;
    default: break;
  }
}

extern const std::span<const CommandRow> DrawingRows(Rows);

}  // namespace zt
