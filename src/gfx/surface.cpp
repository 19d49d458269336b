#include "gfx/surface.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace zt {

namespace {

// Pixel memory is plain bytes; these types may alias it.
typedef uint16_t Pixel16 __attribute__((may_alias));
typedef uint32_t Pixel32 __attribute__((may_alias));

constexpr int64_t MaxSurfaceBytes = int64_t(1) << 30;

// One pixel format's access, chosen once per call so the inner loops have no switch.
struct Format16 {
  static constexpr int Bytes = 2;
  using Native = Pixel16;
  static uint32_t get(const uint8_t* p) { return *reinterpret_cast<const Pixel16*>(p); }
  static void put(uint8_t* p, uint32_t v) { *reinterpret_cast<Pixel16*>(p) = Pixel16(v); }
};

struct Format24 {
  static constexpr int Bytes = 3;
  static uint32_t get(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16; }
  static void put(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
  }
};

struct Format32 {
  static constexpr int Bytes = 4;
  using Native = Pixel32;
  static uint32_t get(const uint8_t* p) { return *reinterpret_cast<const Pixel32*>(p); }
  static void put(uint8_t* p, uint32_t v) { *reinterpret_cast<Pixel32*>(p) = v; }
};

template <class Op>
auto withFormat(int bits, Op&& op) {
  switch (bits) {
    case 16: return op(Format16{});
    case 24: return op(Format24{});
    default: return op(Format32{});
  }
}

Rect intersect(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

bool overlaps(const Surface& a, const Rect& ra, const Surface& b, const Rect& rb) {
  return &a == &b && !intersect(ra, rb).empty();
}

// A private copy of a region, for copies whose source and destination overlap.
std::unique_ptr<Surface> copyOf(const Surface& src, const Rect& r) {
  auto tmp = Surface::create(r.width(), r.height(), src.format());
  if (!tmp) return nullptr;
  for (int y = 0; y < r.height(); ++y)
    std::memcpy(tmp->row(y), src.row(r.top + y) + size_t(r.left) * size_t(src.format().bytesPerPixel()),
                size_t(r.width()) * size_t(src.format().bytesPerPixel()));
  if (src.hasColorKey()) tmp->setColorKey(src.sourceColorKey());
  return tmp;
}

template <class F>
void copyKeyedRow(uint8_t* d, const uint8_t* s, int n, uint32_t key) {
  if constexpr (F::Bytes == 3) {
    for (int i = 0; i < n; ++i, d += 3, s += 3) {
      uint32_t v = F::get(s);
      if (v != key) F::put(d, v);
    }
  } else {
    // Written as a select so the compiler can vectorise it.
    using T = typename F::Native;
    T* dp = reinterpret_cast<T*>(d);
    const T* sp = reinterpret_cast<const T*>(s);
    const T k = T(key);
    for (int i = 0; i < n; ++i) dp[i] = sp[i] != k ? sp[i] : dp[i];
  }
}

// One stretched row: destination pixel i takes source column `column[i]`.
template <class F>
void stretchRow(uint8_t* d, const uint8_t* srow, const int* column, int n, bool keyed, uint32_t key) {
  if constexpr (F::Bytes == 3) {
    for (int i = 0; i < n; ++i, d += 3) {
      uint32_t v = F::get(srow + size_t(column[i]) * 3);
      if (!keyed || v != key) F::put(d, v);
    }
  } else {
    using T = typename F::Native;
    T* dp = reinterpret_cast<T*>(d);
    const T* sp = reinterpret_cast<const T*>(srow);
    if (keyed)
      for (int i = 0; i < n; ++i) {
        T v = sp[column[i]];
        dp[i] = v != T(key) ? v : dp[i];
      }
    else {
      // Four samples a step: the loads are independent, so they overlap.
      int i = 0;
      for (; i + 4 <= n; i += 4) {
        const T a = sp[column[i]], b = sp[column[i + 1]], c = sp[column[i + 2]], d = sp[column[i + 3]];
        dp[i] = a;
        dp[i + 1] = b;
        dp[i + 2] = c;
        dp[i + 3] = d;
      }
      for (; i < n; ++i) dp[i] = sp[column[i]];
    }
  }
}

template <class F>
void fillRow(uint8_t* d, int n, uint32_t v) {
  if constexpr (F::Bytes == 2) std::fill_n(reinterpret_cast<Pixel16*>(d), n, Pixel16(v));
  else if constexpr (F::Bytes == 4) std::fill_n(reinterpret_cast<Pixel32*>(d), n, v);
  else
    for (int i = 0; i < n; ++i) F::put(d + i * 3, v);
}

}  // namespace

PixelFormat PixelFormat::forDepth(int bits) {
  if (bits == 16) return {16, 0xF800, 0x07E0, 0x001F};
  return {bits == 24 ? 24 : 32, 0xFF0000, 0x00FF00, 0x0000FF};
}

Surface::Surface(int width, int height, const PixelFormat& format)
    : w(width), h(height), rowBytes((width * (format.bits / 8) + 3) & ~3), fmt(format) {}

std::unique_ptr<Surface> Surface::create(int width, int height, const PixelFormat& format) {
  if (width <= 0 || height <= 0 || (format.bits != 16 && format.bits != 24 && format.bits != 32)) return nullptr;
  int64_t rowBytes = (int64_t(width) * (format.bits / 8) + 3) & ~int64_t(3);
  if (rowBytes * height > MaxSurfaceBytes) return nullptr;
  std::unique_ptr<Surface> s(new Surface(width, height, format));
  s->pixels.reset(new (std::nothrow) uint8_t[size_t(rowBytes * height)]());
  if (!s->pixels) return nullptr;
  return s;
}

uint32_t Surface::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= w || y >= h) return 0;
  const uint8_t* p = row(y) + size_t(x) * size_t(fmt.bytesPerPixel());
  return withFormat(fmt.bits, [&](auto f) { return decltype(f)::get(p); });
}

void Surface::setPixel(int x, int y, uint32_t value) {
  if (x < 0 || y < 0 || x >= w || y >= h) return;
  uint8_t* p = row(y) + size_t(x) * size_t(fmt.bytesPerPixel());
  withFormat(fmt.bits, [&](auto f) { decltype(f)::put(p, value & fmt.depthMask()); });
}

void fillRect(Surface& dst, const Rect& area, uint32_t value) {
  Rect r = intersect(area, dst.bounds());
  if (r.empty()) return;
  value &= dst.format().depthMask();
  withFormat(dst.format().bits, [&](auto f) {
    using F = decltype(f);
    for (int y = r.top; y < r.bottom; ++y) fillRow<F>(dst.row(y) + size_t(r.left) * F::Bytes, r.width(), value);
  });
}

void plotPixels(Surface& dst, const int32_t* xy, size_t count, uint32_t value) {
  value &= dst.format().depthMask();
  const uint32_t w = uint32_t(dst.width()), h = uint32_t(dst.height());
  withFormat(dst.format().bits, [&](auto f) {
    using F = decltype(f);
    for (size_t i = 0; i < count; ++i) {
      const uint32_t x = uint32_t(xy[2 * i]), y = uint32_t(xy[2 * i + 1]);
      if (x < w && y < h) F::put(dst.row(int(y)) + size_t(x) * F::Bytes, value);
    }
  });
}

bool bltFast(Surface& dst, int x, int y, const Surface& src, const Rect& from, bool useColorKey) {
  if (src.format().bits != dst.format().bits) return false;
  Rect s = intersect(from, src.bounds());
  if (s.empty()) return true;
  x += s.left - from.left;
  y += s.top - from.top;
  Rect d = intersect({x, y, x + s.width(), y + s.height()}, dst.bounds());
  if (d.empty()) return true;
  s = {s.left + d.left - x, s.top + d.top - y, s.left + d.left - x + d.width(), s.top + d.top - y + d.height()};
  if (overlaps(src, s, dst, d)) {
    auto tmp = copyOf(src, s);
    return tmp && bltFast(dst, d.left, d.top, *tmp, tmp->bounds(), useColorKey);
  }
  const int bpp = dst.format().bytesPerPixel();
  const bool keyed = useColorKey && src.hasColorKey();
  withFormat(dst.format().bits, [&](auto f) {
    using F = decltype(f);
    for (int row = 0; row < d.height(); ++row) {
      uint8_t* dp = dst.row(d.top + row) + size_t(d.left) * size_t(bpp);
      const uint8_t* sp = src.row(s.top + row) + size_t(s.left) * size_t(bpp);
      if (keyed) copyKeyedRow<F>(dp, sp, d.width(), src.sourceColorKey());
      else std::memcpy(dp, sp, size_t(d.width()) * size_t(bpp));
    }
  });
  return true;
}

bool blt(Surface& dst, const Rect& to, const Surface& src, const Rect& from, const BlitEffects& fx) {
  if (src.format().bits != dst.format().bits) return false;
  if (to.empty() || from.empty()) return true;
  if (to.width() == from.width() && to.height() == from.height() && !fx.mirrorLeftRight && !fx.mirrorUpDown)
    return bltFast(dst, to.left, to.top, src, from, fx.sourceColorKey);
  Rect d = intersect(to, dst.bounds());
  if (d.empty()) return true;
  if (overlaps(src, from, dst, d)) {
    Rect inside = intersect(from, src.bounds());
    auto tmp = copyOf(src, inside);
    if (!tmp) return false;
    Rect shifted = {from.left - inside.left, from.top - inside.top, from.right - inside.left, from.bottom - inside.top};
    return blt(dst, to, *tmp, shifted, fx);
  }
  // Each destination pixel samples the source through the whole, unclipped mapping;
  // destination columns and rows whose sample falls outside the source are clipped away.
  const int64_t fw = from.width(), fh = from.height(), tw = to.width(), th = to.height();
  auto sampleX = [&](int x) {
    int64_t i = (int64_t(x - to.left) * fw) / tw;
    return int(fx.mirrorLeftRight ? from.right - 1 - i : from.left + i);
  };
  auto sampleY = [&](int y) {
    int64_t j = (int64_t(y - to.top) * fh) / th;
    return int(fx.mirrorUpDown ? from.bottom - 1 - j : from.top + j);
  };
  while (d.left < d.right && (sampleX(d.left) < 0 || sampleX(d.left) >= src.width())) ++d.left;
  while (d.right > d.left && (sampleX(d.right - 1) < 0 || sampleX(d.right - 1) >= src.width())) --d.right;
  if (d.empty()) return true;
  std::vector<int> column(size_t(d.width()));
  for (int x = d.left; x < d.right; ++x) column[size_t(x - d.left)] = sampleX(x);
  const bool keyed = fx.sourceColorKey && src.hasColorKey();
  const size_t rowBytes = size_t(d.width()) * size_t(dst.format().bytesPerPixel());
  withFormat(dst.format().bits, [&](auto f) {
    using F = decltype(f);
    int lastRow = -1;
    for (int y = d.top; y < d.bottom; ++y) {
      int sy = sampleY(y);
      if (sy < 0 || sy >= src.height()) continue;
      uint8_t* dp = dst.row(y) + size_t(d.left) * F::Bytes;
      if (!keyed && sy == lastRow)  // the same source row again: copy the row just made
        std::memcpy(dp, dst.row(y - 1) + size_t(d.left) * F::Bytes, rowBytes);
      else
        stretchRow<F>(dp, src.row(sy), column.data(), d.width(), keyed, src.sourceColorKey());
      lastRow = sy;
    }
  });
  return true;
}

}  // namespace zt
