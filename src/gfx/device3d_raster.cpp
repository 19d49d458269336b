#include "gfx/device3d_raster.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__) && !defined(ZT_RASTER_SCALAR)
#include <emmintrin.h>
#define ZT_RASTER_SSE2 1
#endif

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
  static void write(uint8_t* p, uint32_t rgb) {
    *reinterpret_cast<Pixel16*>(p) = Pixel16((rgb >> 8 & 0xF800) | (rgb >> 5 & 0x07E0) | (rgb >> 3 & 0x001F));
  }
};

struct Format24 {
  static constexpr int Bytes = 3;
  static uint32_t read(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16; }
  static void write(uint8_t* p, uint32_t rgb) {
    p[0] = uint8_t(rgb);
    p[1] = uint8_t(rgb >> 8);
    p[2] = uint8_t(rgb >> 16);
  }
};

struct Format32 {
  static constexpr int Bytes = 4;
  static uint32_t read(const uint8_t* p) { return *reinterpret_cast<const Pixel32*>(p) & 0xFFFFFF; }
  static void write(uint8_t* p, uint32_t rgb) { *reinterpret_cast<Pixel32*>(p) = rgb & 0xFFFFFF; }
};

// A float made safe to convert to an integer: NaN and huge values are pinned.
float pinned(float v) { return v > -1e8f ? (v < 1e8f ? v : 1e8f) : -1e8f; }

int floorInt(float v) {
  int i = int(v);
  return i - (float(i) > v);
}

// Four colour channels in the byte order of a 0xAARRGGBB texel (B, G, R, A), each 0..255.
// With SSE2 they are four 16-bit lanes of a register; elsewhere four ints. Both forms
// compute exactly the same values (the tests run both; ZT_RASTER_SCALAR picks the portable one).
#ifdef ZT_RASTER_SSE2
struct Lanes {
  __m128i v;
};

Lanes unpack(uint32_t argb) { return {_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(argb)), _mm_setzero_si128())}; }
uint32_t pack(Lanes c) { return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(c.v, c.v))); }
int alphaOf(Lanes c) { return _mm_extract_epi16(c.v, 3); }

// c * (t + 1) / 256: exact for t = 0 and t = 255, within one step elsewhere.
Lanes modulate(Lanes c, Lanes t) {
  return {_mm_srli_epi16(_mm_mullo_epi16(c.v, _mm_add_epi16(t.v, _mm_set1_epi16(1))), 8)};
}

// (a * (256 - k) + b * k + 128) / 256, k = 0..256.
__m128i mix16(__m128i a, __m128i b, __m128i ka, __m128i kb) {
  __m128i sum = _mm_add_epi16(_mm_mullo_epi16(a, ka), _mm_mullo_epi16(b, kb));
  return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128)), 8);
}

Lanes mix(Lanes a, Lanes b, int k) {
  return {mix16(a.v, b.v, _mm_set1_epi16(short(256 - k)), _mm_set1_epi16(short(k)))};
}

// Texels 00 and 01 of one row, 10 and 11 of the next, mixed down the rows, then across.
Lanes bilinear(uint32_t t00, uint32_t t01, uint32_t t10, uint32_t t11, int fx, int fy) {
  __m128i zero = _mm_setzero_si128();
  __m128i top = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(int(t00)), _mm_cvtsi32_si128(int(t01))), zero);
  __m128i bottom =
      _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(int(t10)), _mm_cvtsi32_si128(int(t11))), zero);
  __m128i down = mix16(top, bottom, _mm_set1_epi16(short(256 - fy)), _mm_set1_epi16(short(fy)));
  short l = short(256 - fx), r = short(fx);
  __m128i across = _mm_mullo_epi16(down, _mm_set_epi16(r, r, r, r, l, l, l, l));
  across = _mm_add_epi16(across, _mm_srli_si128(across, 8));
  return {_mm_srli_epi16(_mm_add_epi16(across, _mm_set1_epi16(128)), 8)};
}

// A colour stepping along a span: 16.16 fixed point per channel, wrapping on absurd
// gradients, read clamped to 0..255.
struct ColorWalk {
  __m128i value, step;
  ColorWalk(const uint32_t start[4], const uint32_t delta[4])
      : value(_mm_set_epi32(int(start[3]), int(start[2]), int(start[1]), int(start[0]))),
        step(_mm_set_epi32(int(delta[3]), int(delta[2]), int(delta[1]), int(delta[0]))) {}
  Lanes current() const {
    __m128i whole = _mm_srai_epi32(value, 16);
    __m128i c = _mm_packs_epi32(whole, whole);
    return {_mm_min_epi16(_mm_max_epi16(c, _mm_setzero_si128()), _mm_set1_epi16(255))};
  }
  void advance() { value = _mm_add_epi32(value, step); }
};
#else
struct Lanes {
  int c[4];
};

Lanes unpack(uint32_t argb) {
  return {{int(argb & 255), int(argb >> 8 & 255), int(argb >> 16 & 255), int(argb >> 24)}};
}
uint32_t pack(Lanes c) {
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) out |= uint32_t(std::clamp(c.c[i], 0, 255)) << (8 * i);
  return out;
}
int alphaOf(Lanes c) { return c.c[3]; }

Lanes modulate(Lanes c, Lanes t) {
  for (int i = 0; i < 4; ++i) c.c[i] = (c.c[i] * (t.c[i] + 1)) >> 8;
  return c;
}

Lanes mix(Lanes a, Lanes b, int k) {
  for (int i = 0; i < 4; ++i) a.c[i] = (a.c[i] * (256 - k) + b.c[i] * k + 128) >> 8;
  return a;
}

Lanes bilinear(uint32_t t00, uint32_t t01, uint32_t t10, uint32_t t11, int fx, int fy) {
  Lanes left = mix(unpack(t00), unpack(t10), fy), right = mix(unpack(t01), unpack(t11), fy);
  return mix(left, right, fx);
}

struct ColorWalk {
  uint32_t value[4], step[4];
  ColorWalk(const uint32_t start[4], const uint32_t delta[4]) {
    for (int i = 0; i < 4; ++i) {
      value[i] = start[i];
      step[i] = delta[i];
    }
  }
  Lanes current() const {
    Lanes c;
    for (int i = 0; i < 4; ++i) c.c[i] = std::clamp(int32_t(value[i]) >> 16, 0, 255);
    return c;
  }
  void advance() {
    for (int i = 0; i < 4; ++i) value[i] += step[i];
  }
};
#endif

// Texel coordinates go to 16.16 fixed point (texel i covers i << 16 up to (i + 1) << 16).
int64_t texelFixed(float uv, int size) { return int64_t(pinned(uv * float(size)) * 65536.0f); }

struct Sampler {
  const uint32_t* texels = nullptr;
  int w = 0, h = 0;
  bool pow2 = false;

  int wrapX(int64_t i) const { return int(pow2 ? (i & (w - 1)) : ((i % w) + w) % w); }
  int wrapY(int64_t i) const { return int(pow2 ? (i & (h - 1)) : ((i % h) + h) % h); }

  uint32_t point(float u, float v) const {
    int x = wrapX(texelFixed(u, w) >> 16), y = wrapY(texelFixed(v, h) >> 16);
    return texels[size_t(y) * size_t(w) + size_t(x)];
  }

  // Bilinear between the four texels around (u, v); texel centres lie at (i + 0.5) / size.
  Lanes linear(float u, float v) const {
    int64_t s = texelFixed(u, w) - 32768, t = texelFixed(v, h) - 32768;
    int fx = int(s >> 8 & 255), fy = int(t >> 8 & 255);
    int x0 = wrapX(s >> 16), y0 = wrapY(t >> 16);
    int x1 = wrapX((s >> 16) + 1), y1 = wrapY((t >> 16) + 1);
    const uint32_t* r0 = texels + size_t(y0) * size_t(w);
    const uint32_t* r1 = texels + size_t(y1) * size_t(w);
    return bilinear(r0[x0], r0[x1], r1[x0], r1[x1], fx, fy);
  }
};

int blendFactor(Blend f, int s, int sa, int d) {
  switch (f) {
    case Blend::Zero:
      return 0;
    case Blend::One:
      return 255;
    case Blend::SrcColor:
      return s;
    case Blend::InvSrcColor:
      return 255 - s;
    case Blend::SrcAlpha:
      return sa;
    case Blend::InvSrcAlpha:
      return 255 - sa;
    case Blend::DestAlpha:
      return 255;  // the target has no alpha: it reads as opaque
    case Blend::InvDestAlpha:
      return 0;
    case Blend::DestColor:
      return d;
    case Blend::InvDestColor:
      return 255 - d;
  }
  return 0;
}

int blendChannel(const DrawState& st, int s, int sa, int d) {
  int v = (s * blendFactor(st.src, s, sa, d) + d * blendFactor(st.dst, s, sa, d) + 127) / 255;
  return v < 255 ? v : 255;
}

// What the pixels of one primitive are drawn with.
struct SpanContext {
  const DrawState* st = nullptr;
  Sampler tex;
  uint32_t fogColor = 0;
  bool zTest = true, zWrite = true, colorKey = false;
};

// Values go along a span in 16.16 fixed point; the sums wrap rather than overflow on
// absurd gradients and are clamped where they are used.
uint32_t fixed(float v) { return uint32_t(int32_t(pinned(v * 65536.0f))); }

enum TexMode { NoTexture, PointTexture, LinearTexture };

// Shades `n` pixels from `p` rightwards, the values at the first in `a`, their change
// per pixel in `d`: depth test, texture and colour key, modulation, fog, blending, writes.
template <class F, int Tex, bool Blending, bool Fog>
void shadeSpan(const SpanContext& c, uint8_t* p, float* zp, int n, const float* a, const float* d) {
  const bool zTest = c.zTest, zWrite = c.zWrite, key = c.colorKey;
  const Sampler tex = c.tex;
  const DrawState& st = *c.st;
  const Lanes fog = unpack(c.fogColor);
  float z = a[AZ], iw = a[AInvW], u = a[AU], v = a[AV];
  const float dz = d[AZ], diw = d[AInvW], du = d[AU], dv = d[AV];
  const uint32_t start[4] = {fixed(a[AB] + 0.5f), fixed(a[AG] + 0.5f), fixed(a[AR] + 0.5f), fixed(a[AA] + 0.5f)};
  const uint32_t step[4] = {fixed(d[AB]), fixed(d[AG]), fixed(d[AR]), fixed(d[AA])};
  ColorWalk colour(start, step);
  uint32_t f = fixed(a[AFog] * 256.0f + 0.5f);
  const uint32_t df = fixed(d[AFog] * 256.0f);
  for (int i = 0; i < n; ++i, p += F::Bytes, ++zp, z += dz, iw += diw, u += du, v += dv, f += df, colour.advance()) {
    if (zTest && !(z <= *zp)) continue;
    Lanes col = colour.current();
    int alpha = 0;
    if constexpr (Tex != NoTexture) {
      float w = 1.0f / iw;
      Lanes t = Tex == LinearTexture ? tex.linear(u * w, v * w) : unpack(tex.point(u * w, v * w));
      int ta = alphaOf(t);
      if (key && ta < 128) continue;
      col = modulate(col, t);
      alpha = ta;
    } else if constexpr (Blending) {
      alpha = alphaOf(col);
    }
    if constexpr (Fog) col = mix(fog, col, std::clamp(int32_t(f) >> 16, 0, 256));
    uint32_t rgb = pack(col);
    if constexpr (Blending) {
      uint32_t dst = F::read(p);
      rgb = uint32_t(blendChannel(st, int(rgb >> 16 & 255), alpha, int(dst >> 16 & 255))) << 16 |
            uint32_t(blendChannel(st, int(rgb >> 8 & 255), alpha, int(dst >> 8 & 255))) << 8 |
            uint32_t(blendChannel(st, int(rgb & 255), alpha, int(dst & 255)));
    }
    F::write(p, rgb);
    if (zWrite) *zp = z;
  }
}

using SpanFn = void (*)(const SpanContext&, uint8_t*, float*, int, const float*, const float*);

template <class F, int Tex>
constexpr SpanFn spanFor(bool blending, bool fog) {
  if (blending) return fog ? shadeSpan<F, Tex, true, true> : shadeSpan<F, Tex, true, false>;
  return fog ? shadeSpan<F, Tex, false, true> : shadeSpan<F, Tex, false, false>;
}

template <class F>
SpanFn spanFor(TexMode tex, bool blending, bool fog) {
  switch (tex) {
    case PointTexture:
      return spanFor<F, PointTexture>(blending, fog);
    case LinearTexture:
      return spanFor<F, LinearTexture>(blending, fog);
    default:
      return spanFor<F, NoTexture>(blending, fog);
  }
}

template <class F>
class Drawer {
 public:
  Drawer(const Target& t, const Queue& q, int tile) : target(t), queue(q), zPitch(t.surface->width()) {
    int tx = tile % q.tilesX, ty = tile / q.tilesX;
    tileRect = {tx * TileSize, ty * TileSize, std::min((tx + 1) * TileSize, t.surface->width()),
                std::min((ty + 1) * TileSize, t.surface->height())};
  }

  void run(const std::vector<Primitive>& bin) {
    uint32_t bound = UINT32_MAX;
    for (const Primitive& p : bin) {
      if (p.state != bound) {
        bind(queue.states[p.state]);
        bound = p.state;
      }
      switch (p.kind) {
        case PrimKind::Triangle:
          triangle(p);
          break;
        case PrimKind::Line:
          line(p);
          break;
        case PrimKind::Point:
          point(p);
          break;
      }
    }
  }

 private:
  const Target& target;
  const Queue& queue;
  int zPitch;
  Rect tileRect, clip;
  SpanContext ctx;
  bool textured = false;

  void bind(const DrawState& s) {
    ctx.st = &s;
    textured = s.texture && s.texture->width() > 0;
    if (textured) {
      ctx.tex.texels = s.texture->texels();
      ctx.tex.w = s.texture->width();
      ctx.tex.h = s.texture->height();
      ctx.tex.pow2 = (ctx.tex.w & (ctx.tex.w - 1)) == 0 && (ctx.tex.h & (ctx.tex.h - 1)) == 0;
    }
    ctx.fogColor = s.fogColor;
    ctx.zTest = s.zEnable;
    ctx.zWrite = s.zEnable && s.zWrite;
    ctx.colorKey = s.colorKey;
    clip = {std::max(s.clip.left, tileRect.left), std::max(s.clip.top, tileRect.top),
            std::min(s.clip.right, tileRect.right), std::min(s.clip.bottom, tileRect.bottom)};
  }

  SpanFn spanWith(Filter f) const {
    TexMode tex = !textured ? NoTexture : f == Filter::Linear ? LinearTexture : PointTexture;
    return spanFor<F>(tex, ctx.st->blend, ctx.st->fog);
  }

  uint8_t* pixelAt(int x, int y) const { return target.surface->row(y) + size_t(x) * F::Bytes; }
  float* depthAt(int x, int y) const { return target.z + size_t(y) * size_t(zPitch) + size_t(x); }

  void plot(SpanFn span, int x, int y, const float* a) {
    static const float still[AttrCount] = {};
    if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) return;
    span(ctx, pixelAt(x, y), depthAt(x, y), 1, a, still);
  }

  void point(const Primitive& p) {
    const ScreenVertex& v = p.v[0];
    plot(spanWith(ctx.st->magFilter), int((v.x + 128) >> SubBits), int((v.y + 128) >> SubBits), v.a);
  }

  // A line through the pixel centres nearest to it along its major axis, both ends drawn.
  void line(const Primitive& p) {
    const ScreenVertex* v0 = &p.v[0];
    const ScreenVertex* v1 = &p.v[1];
    SpanFn span = spanWith(ctx.st->magFilter);
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
    // Only the part inside this tile.
    first = std::max(first, xMajor ? clip.left : clip.top);
    last = std::min(last, (xMajor ? clip.right : clip.bottom) - 1);
    float a[AttrCount];
    for (int i = first; i <= last; ++i) {
      float t = length > 0 ? (float(i) - start) / length : 0.0f;
      t = t > 0.0f ? (t < 1.0f ? t : 1.0f) : 0.0f;
      for (int k = 0; k < AttrCount; ++k) a[k] = v0->a[k] + t * (v1->a[k] - v0->a[k]);
      int o = floorInt((xMajor ? y0 + t * dy : x0 + t * dx) + 0.5f);
      if (xMajor)
        plot(span, i, o, a);
      else
        plot(span, o, i, a);
    }
  }

  void triangle(const Primitive& p) {
    const ScreenVertex* v[3] = {&p.v[0], &p.v[1], &p.v[2]};
    int64_t area = int64_t(v[1]->x - v[0]->x) * (v[2]->y - v[0]->y) - int64_t(v[2]->x - v[0]->x) * (v[1]->y - v[0]->y);
    if (area == 0) return;
    if (area < 0) std::swap(v[1], v[2]);
    int32_t minY = std::min({v[0]->y, v[1]->y, v[2]->y}), maxY = std::max({v[0]->y, v[1]->y, v[2]->y});
    int top = std::max((minY + (1 << SubBits) - 1) >> SubBits, clip.top);
    int bottom = std::min(maxY >> SubBits, clip.bottom - 1);
    if (top > bottom) return;
    // Edge i runs from v[i] to v[i+1]. A pixel centre (px, py) is inside when every
    // edge function E = slope * px + k is >= 0, where on an edge itself only top and
    // left edges take the pixel (their bias is 0, the others' -1).
    int64_t slope[3], k[3], kStep[3];
    double inv[3];
    for (int i = 0; i < 3; ++i) {
      const ScreenVertex* a = v[i];
      const ScreenVertex* b = v[(i + 1) % 3];
      int64_t ex = int64_t(b->x) - a->x, ey = int64_t(b->y) - a->y;
      bool topLeft = ey < 0 || (ey == 0 && ex > 0);
      slope[i] = -ey << SubBits;
      k[i] = ex * ((int64_t(top) << SubBits) - a->y) + ey * a->x + (topLeft ? 0 : -1);
      kStep[i] = ex << SubBits;
      inv[i] = slope[i] != 0 ? 1.0 / double(slope[i]) : 0.0;
    }
    // Plane equations of the values over the screen, in pixels from vertex 0.
    float x1 = float(v[1]->x - v[0]->x) / SubScale, y1 = float(v[1]->y - v[0]->y) / SubScale;
    float x2 = float(v[2]->x - v[0]->x) / SubScale, y2 = float(v[2]->y - v[0]->y) / SubScale;
    float det = x1 * y2 - x2 * y1, invDet = 1.0f / det;
    float ddx[AttrCount], ddy[AttrCount];
    for (int q = 0; q < AttrCount; ++q) {
      float q1 = v[1]->a[q] - v[0]->a[q], q2 = v[2]->a[q] - v[0]->a[q];
      ddx[q] = (q1 * y2 - q2 * y1) * invDet;
      ddy[q] = (q2 * x1 - q1 * x2) * invDet;
    }
    SpanFn span = spanWith(filterFor(v, det));
    float ox = float(v[0]->x) / SubScale, oy = float(v[0]->y) / SubScale;
    float a[AttrCount];
    for (int y = top; y <= bottom; ++y) {
      int64_t left = clip.left, right = clip.right - 1;
      for (int i = 0; i < 3; ++i) {
        int64_t s = slope[i], kk = k[i];
        k[i] += kStep[i];
        if (s > 0) {
          // The first px with s * px + kk >= 0, from an estimate at most one off.
          int64_t x = int64_t(-double(kk) * inv[i]);
          while (s * x + kk < 0) ++x;
          while (s * (x - 1) + kk >= 0) --x;
          left = std::max(left, x);
        } else if (s < 0) {
          // The last px with s * px + kk >= 0.
          int64_t x = int64_t(-double(kk) * inv[i]);
          while (s * x + kk < 0) --x;
          while (s * (x + 1) + kk >= 0) ++x;
          right = std::min(right, x);
        } else if (kk < 0) {
          right = left - 1;
        }
      }
      if (left > right) continue;
      float fx = float(left) - ox, fy = float(y) - oy;
      for (int q = 0; q < AttrCount; ++q) a[q] = v[0]->a[q] + ddx[q] * fx + ddy[q] * fy;
      span(ctx, pixelAt(int(left), y), depthAt(int(left), y), int(right - left + 1), a, ddx);
    }
  }

  // Magnification when a pixel covers at most one texel, else minification.
  Filter filterFor(const ScreenVertex* const* v, float screenArea) const {
    if (!textured) return Filter::Point;
    if (ctx.st->minFilter == ctx.st->magFilter) return ctx.st->minFilter;
    float u[3], t[3];
    for (int i = 0; i < 3; ++i) {
      u[i] = v[i]->a[AU] / v[i]->a[AInvW];
      t[i] = v[i]->a[AV] / v[i]->a[AInvW];
    }
    float texArea =
        std::fabs((u[1] - u[0]) * (t[2] - t[0]) - (u[2] - u[0]) * (t[1] - t[0])) * float(ctx.tex.w) * float(ctx.tex.h);
    return texArea <= std::fabs(screenArea) ? ctx.st->magFilter : ctx.st->minFilter;
  }
};

}  // namespace

void Queue::setSize(int width, int height) {
  tilesX = (width + TileSize - 1) >> TileShift;
  tilesY = (height + TileSize - 1) >> TileShift;
  bins.resize(size_t(tilesX) * size_t(tilesY));
}

void Queue::clear() {
  states.clear();
  for (auto& b : bins) b.clear();
  queued = 0;
}

void Queue::add(const Primitive& p, int left, int top, int right, int bottom) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, tilesX * TileSize - 1);
  bottom = std::min(bottom, tilesY * TileSize - 1);
  if (left > right || top > bottom) return;
  ++queued;
  for (int ty = top >> TileShift; ty <= bottom >> TileShift; ++ty)
    for (int tx = left >> TileShift; tx <= right >> TileShift; ++tx) bins[size_t(ty * tilesX + tx)].push_back(p);
}

void drawTile(const Target& target, const Queue& q, int tile) {
  const std::vector<Primitive>& bin = q.bins[size_t(tile)];
  if (bin.empty()) return;
  switch (target.surface->format().bits) {
    case 16:
      Drawer<Format16>(target, q, tile).run(bin);
      break;
    case 24:
      Drawer<Format24>(target, q, tile).run(bin);
      break;
    default:
      Drawer<Format32>(target, q, tile).run(bin);
      break;
  }
}

uint32_t rawPixel(const PixelFormat& format, uint32_t rgb) {
  uint32_t r = rgb >> 16 & 255, g = rgb >> 8 & 255, b = rgb & 255;
  if (format.bits == 16) return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
  return r << 16 | g << 8 | b;
}

}  // namespace zt::raster
