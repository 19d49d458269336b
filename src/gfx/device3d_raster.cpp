#include "gfx/device3d_raster.h"

#include <algorithm>
#include <cmath>

namespace zt::raster {

namespace {

typedef uint16_t Pixel16 __attribute__((may_alias));
typedef uint32_t Pixel32 __attribute__((may_alias));

// Pixel access per format as 8-bit channels. 5- and 6-bit channels widen by repeating
// their top bits, so white stays 255 and a written value reads back unchanged.
struct Format16 {
  static constexpr int Bytes = 2;
  static uint32_t read(const uint8_t* p) {
    uint32_t v = *reinterpret_cast<const Pixel16*>(p);
    uint32_t r = v >> 11, g = (v >> 5) & 63, b = v & 31;
    return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
  }
  static void write(uint8_t* p, uint32_t r, uint32_t g, uint32_t b) {
    *reinterpret_cast<Pixel16*>(p) = Pixel16((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
  }
};

struct Format24 {
  static constexpr int Bytes = 3;
  static uint32_t read(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16; }
  static void write(uint8_t* p, uint32_t r, uint32_t g, uint32_t b) {
    p[0] = uint8_t(b);
    p[1] = uint8_t(g);
    p[2] = uint8_t(r);
  }
};

struct Format32 {
  static constexpr int Bytes = 4;
  static uint32_t read(const uint8_t* p) { return *reinterpret_cast<const Pixel32*>(p) & 0xFFFFFF; }
  static void write(uint8_t* p, uint32_t r, uint32_t g, uint32_t b) {
    *reinterpret_cast<Pixel32*>(p) = r << 16 | g << 8 | b;
  }
};

int toByte(float v) {
  // Written so NaN ends at 0 and the conversion never overflows.
  v = v > 0.0f ? (v < 255.0f ? v : 255.0f) : 0.0f;
  return int(v + 0.5f);
}

// A float texel coordinate made safe to convert: NaN and huge values are pinned.
float pinned(float v) { return v > -1e8f ? (v < 1e8f ? v : 1e8f) : -1e8f; }

int floorInt(float v) {
  int i = int(v);
  return i - (float(i) > v);
}

struct Sampler {
  const uint32_t* texels = nullptr;
  int w = 0, h = 0;
  bool pow2 = false;

  int wrapX(int i) const { return pow2 ? (i & (w - 1)) : ((i % w) + w) % w; }
  int wrapY(int i) const { return pow2 ? (i & (h - 1)) : ((i % h) + h) % h; }

  uint32_t point(float u, float v) const {
    int x = wrapX(floorInt(pinned(u * float(w)))), y = wrapY(floorInt(pinned(v * float(h))));
    return texels[size_t(y) * size_t(w) + size_t(x)];
  }

  // Bilinear between the four texels around (u, v); texel centres lie at (i + 0.5) / size.
  uint32_t linear(float u, float v) const {
    float s = pinned(u * float(w) - 0.5f), t = pinned(v * float(h) - 0.5f);
    int x0 = floorInt(s), y0 = floorInt(t);
    uint32_t fx = uint32_t((s - float(x0)) * 256.0f), fy = uint32_t((t - float(y0)) * 256.0f);
    int x1 = wrapX(x0 + 1), y1 = wrapY(y0 + 1);
    x0 = wrapX(x0);
    y0 = wrapY(y0);
    const uint32_t* r0 = texels + size_t(y0) * size_t(w);
    const uint32_t* r1 = texels + size_t(y1) * size_t(w);
    uint32_t top = lerp(r0[x0], r0[x1], fx), bottom = lerp(r1[x0], r1[x1], fx);
    return lerp(top, bottom, fy);
  }

  // Mixes two ARGB texels, two channels at a time, rounding; f is 0..256.
  static uint32_t lerp(uint32_t a, uint32_t b, uint32_t f) {
    uint32_t g = 256 - f;
    uint32_t rb = ((a & 0x00FF00FF) * g + (b & 0x00FF00FF) * f + 0x00800080) >> 8 & 0x00FF00FF;
    uint32_t ag = ((a >> 8 & 0x00FF00FF) * g + (b >> 8 & 0x00FF00FF) * f + 0x00800080) & 0xFF00FF00;
    return rb | ag;
  }
};

int blendFactor(Blend f, int s, int sa, int d) {
  switch (f) {
    case Blend::Zero: return 0;
    case Blend::One: return 255;
    case Blend::SrcColor: return s;
    case Blend::InvSrcColor: return 255 - s;
    case Blend::SrcAlpha: return sa;
    case Blend::InvSrcAlpha: return 255 - sa;
    case Blend::DestAlpha: return 255;  // the target has no alpha: it reads as opaque
    case Blend::InvDestAlpha: return 0;
    case Blend::DestColor: return d;
    case Blend::InvDestColor: return 255 - d;
  }
  return 0;
}

int blendChannel(const DrawState& st, int s, int sa, int d) {
  int v = (s * blendFactor(st.src, s, sa, d) + d * blendFactor(st.dst, s, sa, d) + 127) / 255;
  return v < 255 ? v : 255;
}

// What one primitive draws with: its states and the texture ready to sample.
struct Shader {
  const DrawState* st = nullptr;
  Sampler tex;
  bool textured = false, linear = false;
  int fogR = 0, fogG = 0, fogB = 0;

  void bind(const DrawState& s) {
    st = &s;
    textured = s.texture && s.texture->width() > 0;
    if (textured) {
      tex.texels = s.texture->texels();
      tex.w = s.texture->width();
      tex.h = s.texture->height();
      tex.pow2 = (tex.w & (tex.w - 1)) == 0 && (tex.h & (tex.h - 1)) == 0;
    }
    fogR = int(s.fogColor >> 16 & 255);
    fogG = int(s.fogColor >> 8 & 255);
    fogB = int(s.fogColor & 255);
  }

  // One pixel: depth test, texture and colour key, modulation, fog, blending, writes.
  template <class F>
  void pixel(uint8_t* p, float* zp, const float* a) const {
    const DrawState& s = *st;
    float z = a[AZ];
    if (s.zEnable && !(z <= *zp)) return;
    int r = toByte(a[AR]), g = toByte(a[AG]), b = toByte(a[AB]), al = toByte(a[AA]);
    if (textured) {
      float w = 1.0f / a[AInvW];
      float u = a[AU] * w, v = a[AV] * w;
      uint32_t t = linear ? tex.linear(u, v) : tex.point(u, v);
      uint32_t ta = t >> 24;
      if (s.colorKey && ta < 128) return;
      r = (r * int(t >> 16 & 255) + 127) / 255;
      g = (g * int(t >> 8 & 255) + 127) / 255;
      b = (b * int(t & 255) + 127) / 255;
      al = int(ta);
    }
    if (s.fog) {
      float fv = a[AFog];
      int f = int((fv > 0.0f ? (fv < 1.0f ? fv : 1.0f) : 0.0f) * 256.0f + 0.5f);
      r = (r * f + fogR * (256 - f) + 128) >> 8;
      g = (g * f + fogG * (256 - f) + 128) >> 8;
      b = (b * f + fogB * (256 - f) + 128) >> 8;
    }
    if (s.blend) {
      uint32_t d = F::read(p);
      r = blendChannel(s, r, al, int(d >> 16 & 255));
      g = blendChannel(s, g, al, int(d >> 8 & 255));
      b = blendChannel(s, b, al, int(d & 255));
    }
    F::write(p, uint32_t(r), uint32_t(g), uint32_t(b));
    if (s.zEnable && s.zWrite) *zp = z;
  }
};

int64_t floorDiv(int64_t n, int64_t d) {  // d > 0
  int64_t q = n / d;
  return q - ((n % d != 0) && (n < 0));
}

bool ownsRow(int y, int thread, int threads) { return ((y >> BandShift) % threads) == thread; }

// The next row at or after y that `thread` owns.
int nextOwnedRow(int y, int thread, int threads) {
  if (threads == 1 || ownsRow(y, thread, threads)) return y;
  int band = (y >> BandShift) + 1;
  while (band % threads != thread) ++band;
  return band << BandShift;
}

template <class F>
class Drawer {
 public:
  Drawer(const Target& t, const Queue& q, int thread, int threads)
      : target(t), queue(q), thread(thread), threads(threads), zPitch(t.surface->width()) {}

  void run() {
    uint32_t bound = UINT32_MAX;
    for (const Primitive& p : queue.prims) {
      if (p.bottom < p.top || nextOwnedRow(p.top, thread, threads) > p.bottom) continue;
      if (p.state != bound) {
        shader.bind(queue.states[p.state]);
        bound = p.state;
      }
      switch (p.kind) {
        case PrimKind::Triangle: triangle(p); break;
        case PrimKind::Line: line(p); break;
        case PrimKind::Point: point(p); break;
      }
    }
  }

 private:
  const Target& target;
  const Queue& queue;
  int thread, threads, zPitch;
  Shader shader;

  void plot(int x, int y, const float* a) {
    const Rect& c = shader.st->clip;
    if (x < c.left || x >= c.right || y < c.top || y >= c.bottom || !ownsRow(y, thread, threads)) return;
    shader.pixel<F>(target.surface->row(y) + size_t(x) * F::Bytes, target.z + size_t(y) * size_t(zPitch) + size_t(x),
                    a);
  }

  void point(const Primitive& p) {
    const ScreenVertex& v = queue.vertices[p.v[0]];
    shader.linear = shader.textured && shader.st->magFilter == Filter::Linear;
    plot(int((v.x + 128) >> SubBits), int((v.y + 128) >> SubBits), v.a);
  }

  // A line through the pixel centres nearest to it along its major axis, both ends drawn.
  void line(const Primitive& p) {
    const ScreenVertex* v0 = &queue.vertices[p.v[0]];
    const ScreenVertex* v1 = &queue.vertices[p.v[1]];
    shader.linear = shader.textured && shader.st->magFilter == Filter::Linear;
    float dx = float(v1->x - v0->x) / SubScale, dy = float(v1->y - v0->y) / SubScale;
    bool xMajor = std::fabs(dx) >= std::fabs(dy);
    if ((xMajor ? dx : dy) < 0) {
      std::swap(v0, v1);
      dx = -dx;
      dy = -dy;
    }
    float x0 = float(v0->x) / SubScale, y0 = float(v0->y) / SubScale;
    float start = xMajor ? x0 : y0, length = xMajor ? dx : dy;
    int first = int((int64_t(xMajor ? v0->x : v0->y) + 128) >> SubBits);
    int last = int((int64_t(xMajor ? v1->x : v1->y) + 128) >> SubBits);
    float a[AttrCount];
    for (int i = first; i <= last; ++i) {
      float t = length > 0 ? (float(i) - start) / length : 0.0f;
      t = t > 0.0f ? (t < 1.0f ? t : 1.0f) : 0.0f;
      for (int k = 0; k < AttrCount; ++k) a[k] = v0->a[k] + t * (v1->a[k] - v0->a[k]);
      float other = xMajor ? y0 + t * dy : x0 + t * dx;
      int o = floorInt(other + 0.5f);
      if (xMajor)
        plot(i, o, a);
      else
        plot(o, i, a);
    }
  }

  void triangle(const Primitive& p) {
    const ScreenVertex* v[3] = {&queue.vertices[p.v[0]], &queue.vertices[p.v[1]], &queue.vertices[p.v[2]]};
    int64_t area = int64_t(v[1]->x - v[0]->x) * (v[2]->y - v[0]->y) - int64_t(v[2]->x - v[0]->x) * (v[1]->y - v[0]->y);
    if (area == 0) return;
    if (area < 0) {
      std::swap(v[1], v[2]);
      area = -area;
    }
    // Edge i runs from v[i] to v[i+1]; inside is where every edge function is >= 0 and,
    // on an edge itself, only top and left edges take the pixel.
    int64_t ex[3], ey[3], ax[3], ay[3], bias[3];
    for (int i = 0; i < 3; ++i) {
      const ScreenVertex* a = v[i];
      const ScreenVertex* b = v[(i + 1) % 3];
      ex[i] = int64_t(b->x) - a->x;
      ey[i] = int64_t(b->y) - a->y;
      ax[i] = a->x;
      ay[i] = a->y;
      bool topLeft = ey[i] < 0 || (ey[i] == 0 && ex[i] > 0);
      bias[i] = topLeft ? 0 : -1;
    }
    // Plane equations of the attributes over the screen, in pixels from vertex 0.
    double x1 = double(v[1]->x - v[0]->x) / SubScale, y1 = double(v[1]->y - v[0]->y) / SubScale;
    double x2 = double(v[2]->x - v[0]->x) / SubScale, y2 = double(v[2]->y - v[0]->y) / SubScale;
    double inv = 1.0 / (x1 * y2 - x2 * y1);
    float ddx[AttrCount], ddy[AttrCount];
    for (int k = 0; k < AttrCount; ++k) {
      double q1 = double(v[1]->a[k]) - v[0]->a[k], q2 = double(v[2]->a[k]) - v[0]->a[k];
      ddx[k] = float((q1 * y2 - q2 * y1) * inv);
      ddy[k] = float((q2 * x1 - q1 * x2) * inv);
    }
    chooseFilter(v, x1 * y2 - x2 * y1);
    double ox = double(v[0]->x) / SubScale, oy = double(v[0]->y) / SubScale;
    const Rect& c = shader.st->clip;
    float a[AttrCount];
    for (int y = nextOwnedRow(p.top, thread, threads); y <= p.bottom; y = nextOwnedRow(y + 1, thread, threads)) {
      int64_t py = int64_t(y) << SubBits;
      int64_t left = c.left, right = c.right - 1;
      for (int i = 0; i < 3; ++i) {
        // E(px) = -ey * 256 * px + k, k = ex * (py - ay) + ey * ax.
        int64_t k = ex[i] * (py - ay[i]) + ey[i] * ax[i] + bias[i];
        int64_t slope = -ey[i] << SubBits;
        if (slope > 0)
          left = std::max(left, -floorDiv(k, slope));
        else if (slope < 0)
          right = std::min(right, floorDiv(k, -slope));
        else if (k < 0)
          right = left - 1;
      }
      if (left > right) continue;
      double fx = double(left) - ox, fy = double(y) - oy;
      for (int k = 0; k < AttrCount; ++k) a[k] = float(v[0]->a[k] + ddx[k] * fx + ddy[k] * fy);
      uint8_t* px = target.surface->row(y) + size_t(left) * F::Bytes;
      float* zp = target.z + size_t(y) * size_t(zPitch) + size_t(left);
      for (int64_t x = left; x <= right; ++x, px += F::Bytes, ++zp) {
        shader.pixel<F>(px, zp, a);
        for (int k = 0; k < AttrCount; ++k) a[k] += ddx[k];
      }
    }
  }

  // Magnification when a pixel covers at most one texel, else minification.
  void chooseFilter(const ScreenVertex* const* v, double screenArea) {
    if (!shader.textured) return;
    float u[3], t[3];
    for (int i = 0; i < 3; ++i) {
      u[i] = v[i]->a[AU] / v[i]->a[AInvW];
      t[i] = v[i]->a[AV] / v[i]->a[AInvW];
    }
    double texArea = std::fabs(double(u[1] - u[0]) * (t[2] - t[0]) - double(u[2] - u[0]) * (t[1] - t[0])) *
                     shader.tex.w * shader.tex.h;
    Filter f = texArea <= std::fabs(screenArea) ? shader.st->magFilter : shader.st->minFilter;
    shader.linear = f == Filter::Linear;
  }
};

}  // namespace

void drawQueue(const Target& target, const Queue& q, int thread, int threads) {
  switch (target.surface->format().bits) {
    case 16: Drawer<Format16>(target, q, thread, threads).run(); break;
    case 24: Drawer<Format24>(target, q, thread, threads).run(); break;
    default: Drawer<Format32>(target, q, thread, threads).run(); break;
  }
}

uint32_t rawPixel(const PixelFormat& format, uint32_t rgb) {
  uint32_t r = rgb >> 16 & 255, g = rgb >> 8 & 255, b = rgb & 255;
  if (format.bits == 16) return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
  return r << 16 | g << 8 | b;
}

}  // namespace zt::raster
