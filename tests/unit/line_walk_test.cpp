// The line walk adds its step to the position once per pixel; skipping the steps before
// the surface and leaving out the bounds checks where the line is surely on it must not
// change a pixel. Checked against the walk written plainly, for lines short and long,
// steep, axis-aligned, through negative coordinates, between the fractional points of
// ellipse outlines, and at the ends of the integer range.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <random>

#include "display2d/drawing.h"
#include "gfx/surface.h"

namespace zt {
namespace {

constexpr uint32_t Ink = 0xF81F;

// The walk as the engine defines it, every step taken.
void plainLine(Surface& s, float fx1, float fy1, float fx2, float fy2) {
  double x = fx1, y = fy1;
  const double dx = double(fx2) - x, dy = double(fy2) - y, length = std::sqrt(dx * dx + dy * dy);
  for (double n = 0; n <= length; ++n) {
    const int64_t px = int64_t(x), py = int64_t(y);
    if (px >= 0 && py >= 0 && px < s.width() && py < s.height()) s.setPixel(int(px), int(py), Ink);
    x += dx / length;
    y += dy / length;
  }
}

std::unique_ptr<Surface> blank(int w, int h) {
  auto s = Surface::create(w, h, PixelFormat::forDepth(16));
  std::memset(s->row(0), 0, size_t(s->pitch()) * size_t(h));
  return s;
}

int lit(const Surface& s) {
  int n = 0;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) n += s.pixel(x, y) != 0;
  return n;
}

struct Line {
  float x1, y1, x2, y2;
};

// Lines of every kind the drawing commands make near a surface of w x h, at most a few
// hundred thousand steps long.
Line randomLine(std::mt19937& rng, int w, int h) {
  auto in = [&](int a, int b) { return float(std::uniform_int_distribution<int>(a, b)(rng)); };
  auto fraction = [&](float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); };
  const float x = in(-20, w + 20), y = in(-20, h + 20);
  const float k = in(-300, 300);
  switch (rng() % 9) {
    case 0: return {x, y, in(-20, w + 20), in(-20, h + 20)};  // across the surface
    case 1: return {in(-5000, 5000), in(-5000, 5000), in(-5000, 5000), in(-5000, 5000)};  // long
    case 2: return {in(-200000, -100000), y + k, in(100000, 200000), y - k};  // from far away
    case 3: return {x, y, x, in(-5000, 5000)};  // vertical
    case 4: return {x, y, in(-5000, 5000), y};  // horizontal
    case 5: return {x, y, x + k, y + (rng() % 2 ? k : -k)};  // diagonal
    case 6: return {x, y, x + 3 * k, y + 4 * k};  // whole lengths (3, 4, 5)
    case 7: return {fraction(-3e5f, 3e5f), fraction(-3e5f, 3e5f), x, y};  // fractional, from far away
    default:  // the fractional points of ellipse outlines
      return {fraction(-10, float(w) + 10), fraction(-10, float(h) + 10), fraction(-10, float(w) + 10),
              fraction(-10, float(h) + 10)};
  }
}

constexpr Line FixedLines[] = {{3, 7, 90, 7}, {5, 99, 5, 0}, {0, 0, 3, 4}, {0, 0, 0, 0}, {10, 10, 40, 40},
                               {60, 46, -30, -44}, {0.5f, 0.5f, 0.5f, 0.5f}};

TEST(LineWalk, PlotsThePixelsOfThePlainWalk) {
  std::mt19937 rng(20261208);
  for (auto [w, h] : {std::pair{61, 47}, std::pair{700, 3}, std::pair{2, 900}}) {
    for (int i = 0; i < 2500; ++i) {
      const Line l = i < int(std::size(FixedLines)) ? FixedLines[i] : randomLine(rng, w, h);
      auto ours = blank(w, h), plain = blank(w, h);
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

TEST(LineWalk, StraightLinesHaveNoGaps) {
  auto s = blank(640, 480);
  drawLine(*s, 3, 7, 90, 7, Ink);
  EXPECT_EQ(lit(*s), 88);
  for (int x = 3; x <= 90; ++x) EXPECT_EQ(s->pixel(x, 7), Ink) << x;
  s = blank(640, 480);
  drawLine(*s, 5, 99, 5, 0, Ink);
  EXPECT_EQ(lit(*s), 100);
  for (int y = 0; y <= 99; ++y) EXPECT_EQ(s->pixel(5, y), Ink) << y;
  s = blank(640, 480);
  drawLine(*s, 0, 0, 0, 0, Ink);
  EXPECT_EQ(lit(*s), 1);
  EXPECT_EQ(s->pixel(0, 0), Ink);
  // Six steps of length 1, the first two on the same pixel.
  s = blank(640, 480);
  drawLine(*s, 0, 0, 3, 4, Ink);
  EXPECT_EQ(lit(*s), 5);
  for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {1, 2}, {2, 3}}) EXPECT_EQ(s->pixel(x, y), Ink) << x << ", " << y;
}

TEST(LineWalk, LinesAtTheEndsOfTheIntegerRangeDrawOnlyWhatCrossesTheSurface) {
  auto s = blank(640, 480);
  // 2^32 steps of almost exactly 1 across: one pixel in every column, within two rows.
  drawLine(*s, -2147483648.0f, 0, 2147483647.0f, 479, Ink);
  EXPECT_EQ(lit(*s), 640);
  int rows = 0;
  for (int y = 0; y < 480; ++y) rows += s->pixel(320, y) != 0;
  EXPECT_EQ(rows, 1);
  s = blank(640, 480);
  drawLine(*s, 5, 5, 5, 2147483647.0f, Ink);
  EXPECT_EQ(lit(*s), 475);
  EXPECT_EQ(s->pixel(5, 479), Ink);
  for (const Line& l : {Line{-2147483648.0f, -2147483648.0f, 2147483647.0f, 2147483647.0f},
                        Line{2147483647.0f, -2147483648.0f, -2147483648.0f, 2147483647.0f},
                        Line{-2147483648.0f, 240, 2147483647.0f, 240}, Line{320, -2147483648.0f, 320, 2147483647.0f},
                        Line{2147483647.0f, 2147483647.0f, 2147483647.0f, -2147483648.0f}}) {
    s = blank(640, 480);
    drawLine(*s, l.x1, l.y1, l.x2, l.y2, Ink);
    EXPECT_LE(lit(*s), 800) << l.x1 << ", " << l.y1 << " to " << l.x2 << ", " << l.y2;
  }
}

// Long runs of sums through many binary exponents, with steps that round the same way
// throughout, steps exactly half a unit off (ties), tiny steps and sums through 0.
TEST(LineWalk, AddsRepeatedlyAsOneSumAtATime) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> unit(-1, 1);
  for (int i = 0; i < 3000; ++i) {
    const int scale = int(rng() % 40) - 8;
    double x = std::ldexp(unit(rng), scale);
    if (rng() % 4 == 0) x = std::round(x);
    double step = unit(rng);
    switch (rng() % 4) {
      case 0: {  // half a unit of x's exponent off a multiple of it
        int e;
        std::frexp(x, &e);
        const double u = std::ldexp(1.0, e - 53);
        step = (std::floor(step / u) + 0.5) * u;
        break;
      }
      case 1: step = std::ldexp(step, -int(rng() % 40)); break;
      case 2: step = 1.0 / double(1 + rng() % 1000); break;
      default: break;
    }
    const uint64_t n = rng() % 200000;
    double plain = x;
    for (uint64_t k = 0; k < n; ++k) plain += step;
    ASSERT_EQ(addRepeatedly(x, step, n), plain) << std::hexfloat << x << " + " << step << " x " << std::dec << n;
  }
}

}  // namespace
}  // namespace zt
