// The line walk steps its positions in fixed point where that is exact; it must plot the
// pixels of the plain floating-point walk (every step's position computed from the start
// and truncated) for every line: short and long, steep, axis-aligned, through negative
// and extreme coordinates, and between the fractional points of ellipse outlines.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <random>

#include "display2d/drawing.h"
#include "platform/surface.h"

namespace zt {
namespace {

constexpr uint32_t Ink = 0xF81F;

// The walk written plainly: steps 0 to floor(length), the last one the end point itself
// when the length is whole. Only the steps whose position is near the surface are
// walked, with a generous slack, since the others cannot land on it.
void plainLine(Surface& s, float fx1, float fy1, float fx2, float fy2) {
  const double x1 = fx1, y1 = fy1, dx = double(fx2) - x1, dy = double(fy2) - y1;
  const double length = std::sqrt(dx * dx + dy * dy);
  const double inverse = length > 0 ? 1.0 / length : 0.0;
  double lo = 0, hi = std::floor(length);
  auto near = [&](double p, double d, int size) {
    if (d == 0) {
      if (p <= -2 || p >= size + 1) hi = -1;
      return;
    }
    double a = (-2 - p) * length / d, b = (size + 1 - p) * length / d;
    if (a > b) std::swap(a, b);
    lo = std::max(lo, std::floor(a) - 2);
    hi = std::min(hi, std::ceil(b) + 2);
  };
  near(x1, dx, s.width());
  near(y1, dy, s.height());
  for (double n = lo; n <= hi; ++n) {
    const double t = n == length ? 1.0 : n * inverse;
    const int32_t x = int32_t(x1 + dx * t), y = int32_t(y1 + dy * t);
    if (x >= 0 && y >= 0 && x < s.width() && y < s.height()) s.setPixel(x, y, Ink);
  }
}

struct Line {
  float x1, y1, x2, y2;
};

// Lines of every kind the drawing commands make, for a surface of w x h.
Line randomLine(std::mt19937& rng, int w, int h) {
  auto in = [&](int a, int b) { return float(std::uniform_int_distribution<int>(a, b)(rng)); };
  auto any = [&] { return float(int32_t(rng())); };
  auto fraction = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); };
  const float x = in(-20, w + 20), y = in(-20, h + 20);
  const float k = in(-300, 300);
  switch (rng() % 9) {
    case 0: return {x, y, in(-20, w + 20), in(-20, h + 20)};  // across the surface
    case 1: return {in(-5000, 5000), in(-5000, 5000), in(-5000, 5000), in(-5000, 5000)};  // long
    case 2: return {any(), any(), any(), any()};  // anywhere in the integer range
    case 3: {  // from the surface to the ends of the range
      const float ends[] = {float(INT_MIN), float(INT_MAX), 16777217.0f, -16777217.0f};
      return {x, y, ends[rng() % 4], ends[rng() % 4]};
    }
    case 4: return {x, y, x, in(-5000, 5000)};  // vertical
    case 5: return {x, y, in(-5000, 5000), y};  // horizontal
    case 6: return {x, y, x + k, y + (rng() % 2 ? k : -k)};  // diagonal
    case 7: return {x, y, x + 3 * k, y + 4 * k};  // whole lengths (3, 4, 5)
    default:  // the fractional points of ellipse outlines
      return {fraction(-10, float(w) + 10), fraction(-10, float(h) + 10), fraction(-10, float(w) + 10),
              fraction(-10, float(h) + 10)};
  }
}

// Lines whose positions fall on whole numbers at every step (fixed point cannot decide
// those), and the extremes the program tests draw.
constexpr Line FixedLines[] = {{3, 7, 90, 7},     {5, 99, 5, 0},         {0, 0, 3, 4},          {0, 0, 0, 0},
                               {10, 10, 40, 40},  {-2147483648.0f, 0, 2147483647.0f, 479}, {5, 5, 5, 2147483647.0f},
                               {60, 46, -30, -44}};

TEST(LineWalk, PlotsThePixelsOfThePlainFloatingPointWalk) {
  std::mt19937 rng(20261208);
  for (auto [w, h] : {std::pair{61, 47}, std::pair{700, 3}, std::pair{2, 900}}) {
    auto ours = Surface::create(w, h, PixelFormat::forDepth(16));
    auto plain = Surface::create(w, h, PixelFormat::forDepth(16));
    for (int i = 0; i < 20000; ++i) {
      const Line l = i < int(std::size(FixedLines)) ? FixedLines[i] : randomLine(rng, w, h);
      std::memset(ours->row(0), 0, size_t(ours->pitch()) * size_t(h));
      std::memset(plain->row(0), 0, size_t(plain->pitch()) * size_t(h));
      drawLine(*ours, l.x1, l.y1, l.x2, l.y2, Ink);
      plainLine(*plain, l.x1, l.y1, l.x2, l.y2);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(ours->pixel(x, y), plain->pixel(x, y))
              << "pixel " << x << ", " << y << " of the line " << l.x1 << ", " << l.y1 << " to " << l.x2 << ", "
              << l.y2 << " on " << w << " x " << h;
    }
  }
}

}  // namespace
}  // namespace zt
