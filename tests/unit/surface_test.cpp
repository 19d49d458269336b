// Software surfaces: fills and blits clip to both surfaces, honour the colour key, stretch
// and mirror, and copy correctly when source and destination overlap.
#include <gtest/gtest.h>

#include <climits>

#include "gfx/surface.h"

namespace zt {
namespace {

std::unique_ptr<Surface> make(int w, int h, int bits = 16) {
  auto s = Surface::create(w, h, PixelFormat::forDepth(bits));
  EXPECT_TRUE(s);
  return s;
}

// Pixel (x, y) of a test picture: distinct and never 0.
uint32_t pattern(int x, int y) { return uint32_t(1 + x + 16 * y); }

void paint(Surface& s) {
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) s.setPixel(x, y, pattern(x, y));
}

int countPixels(const Surface& s, uint32_t v) {
  int n = 0;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) n += s.pixel(x, y) == v;
  return n;
}

TEST(Surface, CreateRejectsBadSizesAndKeepsValuesToTheDepth) {
  EXPECT_FALSE(Surface::create(0, 10, PixelFormat::forDepth(16)));
  EXPECT_FALSE(Surface::create(10, -1, PixelFormat::forDepth(16)));
  EXPECT_FALSE(Surface::create(1 << 20, 1 << 20, PixelFormat::forDepth(32)));
  for (int bits : {16, 24, 32}) {
    auto s = make(5, 3, bits);
    EXPECT_EQ(s->pitch() % 4, 0);
    s->setPixel(4, 2, 0xFFFFFFFF);
    EXPECT_EQ(s->pixel(4, 2), s->format().depthMask()) << bits;
    EXPECT_EQ(s->pixel(3, 2), 0u);
    s->setPixel(5, 0, 1);  // outside: ignored
    EXPECT_EQ(s->pixel(5, 0), 0u);
  }
}

TEST(Surface, FillClipsToTheSurface) {
  for (int bits : {16, 24, 32}) {
    auto s = make(10, 10, bits);
    fillRect(*s, {-5, -5, 3, 2}, 7);
    EXPECT_EQ(countPixels(*s, 7), 6) << bits;
    fillRect(*s, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 9);
    EXPECT_EQ(countPixels(*s, 9), 100) << bits;
    fillRect(*s, {4, 4, 4, 9}, 1);  // empty
    EXPECT_EQ(countPixels(*s, 1), 0) << bits;
  }
}

TEST(Surface, BltFastClipsOnEveryEdgeAndSkipsTheKey) {
  for (int bits : {16, 24, 32}) {
    auto src = make(4, 4, bits), dst = make(6, 6, bits);
    paint(*src);
    src->setColorKey(pattern(1, 1));
    ASSERT_TRUE(bltFast(*dst, -1, 4, *src, src->bounds(), false));
    // Columns 1..3 of source rows 0..1 land at x 0..2, y 4..5.
    EXPECT_EQ(dst->pixel(0, 4), pattern(1, 0));
    EXPECT_EQ(dst->pixel(2, 5), pattern(3, 1));
    EXPECT_EQ(dst->pixel(3, 4), 0u);
    ASSERT_TRUE(bltFast(*dst, 0, 0, *src, {0, 0, 3, 3}, true));
    EXPECT_EQ(dst->pixel(1, 1), 0u);  // the key pixel stays out
    EXPECT_EQ(dst->pixel(2, 1), pattern(2, 1));
    EXPECT_TRUE(bltFast(*dst, 100, 100, *src, src->bounds(), false));  // nothing to draw
    // A source rectangle reaching outside the source keeps its alignment: source pixel
    // (0, 0) stands where (-2, -2) + (2, 2) puts it.
    EXPECT_TRUE(bltFast(*dst, 0, 0, *src, {-2, -2, 100, 100}, false));
    EXPECT_EQ(dst->pixel(2, 2), pattern(0, 0));
    EXPECT_EQ(dst->pixel(5, 5), pattern(3, 3));
  }
  auto a = make(2, 2, 16), b = make(2, 2, 32);
  EXPECT_FALSE(bltFast(*a, 0, 0, *b, b->bounds(), false));
}

TEST(Surface, OverlappingCopyWithinOneSurface) {
  auto s = make(8, 8, 32);
  paint(*s);
  ASSERT_TRUE(bltFast(*s, 1, 1, *s, {0, 0, 7, 7}, false));
  EXPECT_EQ(s->pixel(1, 1), pattern(0, 0));
  EXPECT_EQ(s->pixel(7, 7), pattern(6, 6));
  EXPECT_EQ(s->pixel(0, 5), pattern(0, 5));
}

TEST(Surface, StretchDoublesMirrorsAndClips) {
  auto src = make(2, 2, 16), dst = make(4, 4, 16);
  paint(*src);
  ASSERT_TRUE(blt(*dst, {0, 0, 4, 4}, *src, src->bounds()));
  EXPECT_EQ(dst->pixel(1, 1), pattern(0, 0));
  EXPECT_EQ(dst->pixel(2, 0), pattern(1, 0));
  EXPECT_EQ(dst->pixel(3, 3), pattern(1, 1));
  BlitEffects both{true, true, false};
  ASSERT_TRUE(blt(*dst, {0, 0, 4, 4}, *src, src->bounds(), both));
  EXPECT_EQ(dst->pixel(0, 0), pattern(1, 1));
  EXPECT_EQ(dst->pixel(3, 0), pattern(0, 1));
  // Clipped at the left: the picture keeps its scale, its right part shows.
  auto wide = make(4, 1, 16);
  paint(*wide);
  auto out = make(4, 1, 16);
  ASSERT_TRUE(blt(*out, {-4, 0, 4, 1}, *wide, wide->bounds()));
  EXPECT_EQ(out->pixel(0, 0), pattern(2, 0));
  EXPECT_EQ(out->pixel(3, 0), pattern(3, 0));
  // Halving with the colour key.
  src->setColorKey(pattern(0, 0));
  auto small = make(1, 1, 16);
  small->setPixel(0, 0, 5);
  ASSERT_TRUE(blt(*small, {0, 0, 1, 1}, *src, src->bounds(), {false, false, true}));
  EXPECT_EQ(small->pixel(0, 0), 5u);
}

TEST(Surface, StretchFromARectangleReachingBelowTheSourceLeavesThoseRowsAlone) {
  auto src = make(2, 2, 32), dst = make(4, 4, 32);
  paint(*src);
  // The rectangle ends at the source's last row: every destination row is drawn.
  ASSERT_TRUE(blt(*dst, {0, 0, 4, 4}, *src, {0, 0, 2, 2}));
  EXPECT_EQ(dst->pixel(0, 3), pattern(0, 1));
  // One row further: the lower half of the destination would sample row 2, which the
  // source does not have, and keeps what it held.
  fillRect(*dst, dst->bounds(), 9);
  ASSERT_TRUE(blt(*dst, {0, 0, 4, 4}, *src, {0, 1, 2, 3}));
  EXPECT_EQ(dst->pixel(0, 0), pattern(0, 1));
  EXPECT_EQ(dst->pixel(3, 1), pattern(1, 1));
  EXPECT_EQ(countPixels(*dst, 9), 8);
  EXPECT_EQ(dst->pixel(0, 2), 9u);
}

}  // namespace
}  // namespace zt
