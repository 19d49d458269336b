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

// One coordinate of the line walk: at step n it is trunc(p + d * (n * inverse)) as that
// double expression gives it. Stepping in 32.32 fixed point gives the same integer
// wherever the stepped value lies further from every integer than the rounding errors
// of both computations together (`margin`); where it does not, the expression itself is
// evaluated. A coordinate that does not change is stepped by 0 from the middle of its
// pixel (on the surface it is never negative).
class LineAxis {
 public:
  LineAxis(double p, double d, double inverse, int64_t first, int64_t last) : p(p), d(d), inverse(inverse) {
    if (d == 0) {
      setValue(int64_t(int32_t(p)) * 0x100000000 + 0x80000000, 1);
      return;
    }
    const double slope = d * inverse, start = p + slope * double(first);
    // Rounding of the expression (three operations) and of the start and slope here, each
    // relative to values below |p| + n (|slope| <= 1 + 4 ulp), and the fixed point's own
    // truncation of the start and the slope, added once per step.
    const double bound = (std::abs(p) + double(last) + 2) * 0x1p-49 + (double(last - first) + 2) * 0x1p-31;
    if (!(std::abs(start) < 0x1p30 && bound < 0x1p-3)) return;
    step = int64_t(slope * 0x1p32);
    setValue(int64_t(start * 0x1p32), uint32_t(bound * 0x1p32) + 1);
  }

  // Whether stepping is exact: false when the bound is too loose to be of use.
  bool stepped() const { return exact; }

  // The coordinate at step n; steps come one after the other from `first`. `Inside`:
  // the step's value is known to be at least 1 (keepInside).
  template <bool Inside = false>
  int32_t next(int64_t n) {
    const int64_t v = lowered;
    lowered += step;
    if (uint32_t(v) <= span) [[likely]] {
      const int64_t below = v >> 32;  // the integer below a value that is none
      return int32_t(Inside ? below : below + (below < 0 ? 1 : 0));
    }
    return at(n);
  }

  int32_t at(int64_t n) const { return int32_t(p + d * (double(n) * inverse)); }

  // Steps from `value`; a value whose fraction is `margin` or more away from 0 and from 1
  // has its integer part decided, that is the fraction of value - margin is at most span.
  void setValue(int64_t value, uint32_t margin) {
    lowered = value - margin;
    span = uint32_t(0x100000000u - 2 * uint64_t(margin));
    exact = true;
  }

  // Narrows the steps [k0, k1] after the first to those whose value lies in 1 .. size - 1,
  // where the coordinate (within the margin, which is below 1/8) is surely on the surface.
  void keepInside(int64_t size, int64_t& k0, int64_t& k1) const {
    const int64_t low = int64_t(1) << 32, high = (size - 1) << 32, value = lowered + (0x100000000 - span) / 2;
    if (step == 0) {
      if (value < low || value >= high) k1 = -1;
      return;
    }
    // k * step + value in [low, high): divided by step, rounded so that k stays inside.
    const int64_t a = step > 0 ? low - value : value - high + 1, b = step > 0 ? high - value - 1 : value - low;
    const int64_t by = step > 0 ? step : -step;
    k0 = std::max(k0, a <= 0 ? -((-a) / by) : (a + by - 1) / by);
    k1 = std::min(k1, b < 0 ? -((-b + by - 1) / by) : b / by);
  }

 private:
  double p, d, inverse;
  bool exact = false;
  int64_t lowered = 0, step = 0;  // the value less the margin, and its step
  uint32_t span = 0;
};

template <int Bytes>
void storePixel(uint8_t* p, uint32_t pixel) {
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
}

template <int Bytes>
void plotPixel(uint8_t* base, size_t pitch, uint32_t w, uint32_t h, int32_t px, int32_t py, uint32_t pixel) {
  const uint32_t x = uint32_t(px), y = uint32_t(py);
  if (x < w && y < h) storePixel<Bytes>(base + y * pitch + x * Bytes, pixel);
}

// Steps `from` to `to` of a line: each position is p + d * (n / length) from the start,
// not summed, and the step at the full length is the end point itself, so the line
// reaches it.
template <int Bytes>
void walkLine(Surface& s, double x1, double y1, double dx, double dy, double length, double from, double to,
              uint32_t pixel) {
  pixel &= s.format().depthMask();
  uint8_t* const base = s.row(0);
  const size_t pitch = size_t(s.pitch());
  const uint32_t w = uint32_t(s.width()), h = uint32_t(s.height());
  const bool reachesEnd = to == length;
  const int64_t first = int64_t(from), last = int64_t(to) - (reachesEnd ? 1 : 0);
  const double inverse = length > 0 ? 1.0 / length : 0.0;
  LineAxis x(x1, dx, inverse, first, last), y(y1, dy, inverse, first, last);
  if (x.stepped() && y.stepped()) {
    // The steps in the middle are on the surface; only those at the ends are checked.
    int64_t k0 = 0, k1 = last - first;
    x.keepInside(w, k0, k1);
    y.keepInside(h, k0, k1);
    const int64_t inFrom = k1 >= k0 ? first + k0 : last + 1, inTo = k1 >= k0 ? first + k1 : last;
    int64_t n = first;
    for (; n < inFrom; ++n) plotPixel<Bytes>(base, pitch, w, h, x.next(n), y.next(n), pixel);
    for (; n <= inTo; ++n) {
      const int32_t px = x.next<true>(n), py = y.next<true>(n);
      storePixel<Bytes>(base + size_t(py) * pitch + size_t(px) * Bytes, pixel);
    }
    for (; n <= last; ++n) plotPixel<Bytes>(base, pitch, w, h, x.next(n), y.next(n), pixel);
  } else {
    for (int64_t n = first; n <= last; ++n) plotPixel<Bytes>(base, pitch, w, h, x.at(n), y.at(n), pixel);
  }
  if (reachesEnd) {
    const double t = length > 0 ? 1.0 : 0.0;
    plotPixel<Bytes>(base, pitch, w, h, int32_t(x1 + dx * t), int32_t(y1 + dy * t), pixel);
  }
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
