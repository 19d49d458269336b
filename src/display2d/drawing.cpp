// 2D drawing commands: INK, CLS, DOT, BOX, LINE, CIRCLE, ELLIPSE, POINT and the colour
// functions. Each drawing command adds a record (101 clear, 103 dot, 104 box, 105 line,
// 106 circle or ellipse, 107 ink, 108 background, 109 point) that draws at the next frame
// start into the bitmap current when it was added. Owns the DrawState.
#include "display2d/drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "command_ids.h"
#include "core/runtime.h"
#include "display2d/pixels.h"
#include "display2d/state.h"

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

// Narrows the steps of a line by one coordinate: those in lo .. hi may put the summed
// position p + step + step + ... on 0 .. size - 1, those in inLo .. inHi surely do. After
// n steps the sum is within n half ulps of the largest position walked from the exact
// p + n * step; `drift` bounds that.
struct StepWindow {
  double lo, hi, inLo, inHi;
};

void clipAxis(double p, double step, double last, int size, StepWindow& w) {
  if (step == 0) {  // adding 0 leaves the position as it is
    if (!(p > -1 && p < size)) w.hi = -1;
    return;
  }
  const double drift = last * 0x1p-52 * (std::max(std::abs(p), std::abs(p + last * step)) + 2) + 0x1p-40;
  auto steps = [&](double a, double b) {
    a = (a - p) / step;
    b = (b - p) / step;
    return a < b ? std::pair{a, b} : std::pair{b, a};
  };
  const auto [lo, hi] = steps(-1 - drift, size + drift);
  w.lo = std::max(w.lo, std::floor(lo) - 1);
  w.hi = std::min(w.hi, std::ceil(hi) + 1);
  if (-1 + drift >= size - drift) {
    w.inHi = -1;
    return;
  }
  const auto [inLo, inHi] = steps(-1 + drift, size - drift);
  w.inLo = std::max(w.inLo, std::ceil(inLo) + 1);
  w.inHi = std::min(w.inHi, std::floor(inHi) - 1);
}

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

// Steps `n` to `last` of a line from the position (x, y) of step n, each step one addition
// per coordinate; the steps `inFrom` to `inTo` are known to be on the surface.
template <int Bytes>
void walkLine(Surface& s, double x, double y, double sx, double sy, int64_t n, int64_t inFrom, int64_t inTo,
              int64_t last, uint32_t pixel) {
  pixel &= s.format().depthMask();
  uint8_t* const base = s.row(0);
  const size_t pitch = size_t(s.pitch());
  const uint64_t w = uint64_t(s.width()), h = uint64_t(s.height());
  auto checked = [&](int64_t end) {
    for (; n < end; ++n, x += sx, y += sy) {
      const uint64_t px = uint64_t(int64_t(x)), py = uint64_t(int64_t(y));
      if (px < w && py < h) storePixel<Bytes>(base + py * pitch + px * Bytes, pixel);
    }
  };
  checked(inFrom);
  for (; n <= inTo; ++n, x += sx, y += sy)
    storePixel<Bytes>(base + size_t(int32_t(y)) * pitch + size_t(int32_t(x)) * Bytes, pixel);
  checked(last + 1);
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

void runClear(Runtime& rt, Surface& s, const DisplayRecord&) { fillRect(s, s.bounds(), rt.draw.BackgroundPixel); }
void runDot(Runtime& rt, Surface& s, const DisplayRecord& r) { drawDot(s, r, rt.draw.InkPixel); }
void runBox(Runtime& rt, Surface& s, const DisplayRecord& r) { drawBox(s, r, rt.draw.InkPixel); }
void runLine(Runtime& rt, Surface& s, const DisplayRecord& r) {
  drawLine(s, float(r.arg1), float(r.arg2), float(r.arg3), float(r.arg4), rt.draw.InkPixel);
}
void runEllipse(Runtime& rt, Surface& s, const DisplayRecord& r) { drawEllipse(s, r, rt.draw.InkPixel); }
void runInk(Runtime& rt, Surface& s, const DisplayRecord& r) { setColours(rt.draw, PixelLayout::of(s), r.arg1, r.arg2, true); }
void runBackground(Runtime& rt, Surface& s, const DisplayRecord& r) {
  setColours(rt.draw, PixelLayout::of(s), 0, r.arg2, false);
}
void runPoint(Runtime&, Surface& s, const DisplayRecord& r) { readPoint(s, r); }

const RecordRow Records[] = {
    {RecClear, onSurface<runClear>},     {RecDot, onSurface<runDot>},     {RecBox, onSurface<runBox>},
    {RecLine, onSurface<runLine>},       {RecEllipse, onSurface<runEllipse>}, {RecInk, onSurface<runInk>},
    {RecBackground, onSurface<runBackground>}, {RecPoint, onSurface<runPoint>},
};

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
    {CmdBox, opBox},
    {CmdCircle, opCircle},
    {CmdCls0, opCls},
    {CmdDot, opDot},
    {CmdEllipse, opEllipse},
    {CmdInk, opInk},
    {CmdLine, opLine},
    {CmdPoint, opPoint},
    {CmdRgb, opRgb},
    {CmdRgbr, opComponent<16>},
    {CmdRgbg, opComponent<8>},
    {CmdRgbb, opComponent<0>},
    {CmdClsL, opClsColour},
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

double addRepeatedly(double x, double step, uint64_t n) {
  while (n > 0) {
    int e;
    std::frexp(x, &e);  // |x| in [2^(e-1), 2^e), where doubles are the multiples of u
    const double u = std::ldexp(1.0, e - 53);
    if (!(std::abs(x) >= 0x1p-900 && std::abs(x) < 0x1p900)) {
      x += step;
      --n;
      continue;
    }
    // While the sums stay in the range, each rounds x + step to a multiple of u: x grows
    // by the multiple nearest to step, or on a tie by whichever keeps x an even multiple.
    const double q = step / u, below = std::floor(q);
    double k = q - below < 0.5 ? below : below + 1;
    if (q - below == 0.5) {
      if (std::fmod(x / u, 2) != 0) {  // the first sum makes x even
        x += step;
        --n;
        continue;
      }
      k = std::fmod(below, 2) == 0 ? below : below + 1;
    }
    const double c = k * u;
    if (c == 0) return x;
    // Positions one unit inside the range keep every exact sum within half a unit of it.
    const double a = std::ldexp(1.0, e - 1), b = 2 * a;
    const double lo = (x > 0 ? a : -b) + u, hi = (x > 0 ? b : -a) - u;
    double j = std::min(std::floor(((c > 0 ? hi : lo) - x) / c), double(n));
    while (j > 0 && !(x + j * c >= lo && x + j * c <= hi)) --j;
    if (j < 1) {
      x += step;
      --n;
      continue;
    }
    x += j * c;
    n -= uint64_t(j);
  }
  return x;
}

void drawLine(Surface& s, float fx1, float fy1, float fx2, float fy2, uint32_t pixel) {
  const double x1 = fx1, y1 = fy1, dx = double(fx2) - x1, dy = double(fy2) - y1;
  const double length = std::sqrt(dx * dx + dy * dy), last = std::floor(length);
  const double sx = length > 0 ? dx / length : 0.0, sy = length > 0 ? dy / length : 0.0;
  StepWindow w{0, last, 0, last};
  clipAxis(x1, sx, last, s.width(), w);
  clipAxis(y1, sy, last, s.height(), w);
  if (w.lo > w.hi) return;
  const int64_t from = int64_t(w.lo), to = int64_t(w.hi);
  const int64_t inFrom = int64_t(std::clamp(w.inLo, w.lo, w.hi + 1));
  const int64_t inTo = int64_t(std::clamp(w.inHi, double(inFrom) - 1, w.hi));
  const double x = addRepeatedly(x1, sx, uint64_t(from)), y = addRepeatedly(y1, sy, uint64_t(from));
  switch (s.format().bytesPerPixel()) {
    case 2: walkLine<2>(s, x, y, sx, sy, from, inFrom, inTo, to, pixel); break;
    case 3: walkLine<3>(s, x, y, sx, sy, from, inFrom, inTo, to, pixel); break;
    default: walkLine<4>(s, x, y, sx, sy, from, inFrom, inTo, to, pixel); break;
  }
}

extern const std::span<const CommandRow> DrawingRows(Rows);
extern const std::span<const RecordRow> DrawingRecords(Records);

}  // namespace zt
