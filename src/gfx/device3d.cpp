// The software 3D device's front end: states, transforms, per-vertex lighting and fog,
// clipping in homogeneous space and culling. What survives is queued as screen-space
// primitives and drawn by the back end (device3d_raster) on the worker threads when the
// scene ends, or at once outside a scene.
#include "gfx/device3d.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <vector>

#include "gfx/device3d_raster.h"
#include "gfx/worker_pool.h"

namespace zt {

using raster::DrawState;
using raster::Primitive;
using raster::PrimKind;
using raster::ScreenVertex;

namespace {

uint32_t floatBits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

float bitsFloat(uint32_t u) {
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}

Vec3 normalized(Vec3 v) {
  float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (len > 0.0f) return {v.x / len, v.y / len, v.z / len};
  return {0, 0, 0};
}

float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A vertex in clip space with everything the clipper interpolates.
struct ClipVertex {
  float x, y, z, w;
  float u, v, r, g, b, a, fog;
};
constexpr int ClipFloats = 11;

ClipVertex mix(const ClipVertex& from, const ClipVertex& to, float t) {
  const float* a = &from.x;
  const float* b = &to.x;
  ClipVertex out;
  float* o = &out.x;
  for (int i = 0; i < ClipFloats; ++i) o[i] = a[i] + t * (b[i] - a[i]);
  return out;
}

// Clip planes: near (z >= 0), far (z <= w), w > 0, and a guard band of GuardBand
// viewports around the screen so fixed-point screen positions stay small.
constexpr float GuardBand = 4.0f;
constexpr float MinW = 1e-6f;
constexpr int PlaneCount = 7;

float planeDistance(int plane, const ClipVertex& c) {
  switch (plane) {
    case 0:
      return c.z;
    case 1:
      return c.w - c.z;
    case 2:
      return c.w - MinW;
    case 3:
      return GuardBand * c.w + c.x;
    case 4:
      return GuardBand * c.w - c.x;
    case 5:
      return GuardBand * c.w + c.y;
    default:
      return GuardBand * c.w - c.y;
  }
}

uint32_t outcode(const ClipVertex& c) {
  uint32_t code = 0;
  for (int p = 0; p < PlaneCount; ++p)
    if (!(planeDistance(p, c) >= 0.0f)) code |= 1u << p;
  return code;
}

// A light prepared for one draw call: directions normalised, cone cosines computed.
struct PreparedLight {
  const Light3D* light;
  Vec3 toLight;  // directional: unit vector towards the light
  Vec3 spotDir;  // spot: unit direction of the cone
  float cosTheta, cosPhi;
};

// Spot cones: theta and phi are the full inner and outer cone angles.
float spotFactor(const PreparedLight& p, const Vec3& toLight) {
  float rho = -dot(toLight, p.spotDir);
  if (rho > p.cosTheta) return 1.0f;
  if (rho <= p.cosPhi) return 0.0f;
  float t = (rho - p.cosPhi) / (p.cosTheta - p.cosPhi);
  return p.light->falloff == 1.0f ? t : std::pow(t, p.light->falloff);
}

raster::Filter filterOf(uint32_t v) {
  // Anisotropic filtering samples as linear: the device keeps no mip levels to choose from.
  return v == uint32_t(TextureFilter::Linear) || v == uint32_t(TextureFilter::Anisotropic) ? raster::Filter::Linear
                                                                                           : raster::Filter::Point;
}

DeviceCaps3D softwareCaps() {
  DeviceCaps3D c;
  c.hardwareTransformAndLight = true;
  for (uint32_t b = uint32_t(Blend::Zero); b <= uint32_t(Blend::InvDestColor); ++b) {
    c.srcBlendCaps |= caps::blendBit(Blend(b));
    c.destBlendCaps |= caps::blendBit(Blend(b));
  }
  c.textureFilterCaps = caps::FilterLinear | caps::FilterAnisotropic;
  c.rasterCaps = caps::RasterFogVertex | caps::RasterFogTable;
  c.colorKey = true;
  c.maxLights = 0;
  return c;
}

// Primitives queued beyond this many are drawn before more are taken, to bound memory.
constexpr size_t MaxQueuedPrimitives = 1 << 20;
constexpr uint32_t NoVertex = UINT32_MAX;
constexpr size_t MinVerticesToShare = 2048;

}  // namespace

struct Device3D::Impl {
  explicit Impl(Surface& t, int threads) : target(t), pool(threads) {}

  Surface& target;
  std::unique_ptr<float[]> zbuffer;
  DeviceCaps3D caps = softwareCaps();
  Matrix4 transforms[3];
  Viewport3D viewport;
  uint32_t states[size_t(RenderState::Count)] = {};
  uint32_t minFilter = uint32_t(TextureFilter::Point), magFilter = uint32_t(TextureFilter::Point);
  Material3D material;
  // Lights by index; only the ones set or enabled exist, and they light in index order.
  struct LightSlot {
    Light3D light;
    bool on = false;
  };
  std::map<int, LightSlot> lights;
  const Texture3D* texture = nullptr;
  bool inScene = false;
  raster::Queue queue;
  WorkerPool pool;

  // Per draw call.
  std::vector<ClipVertex> clipped;
  std::vector<uint32_t> codes, screenIndex;
  std::vector<ScreenVertex> screen;  // projected vertices of the draw call
  std::vector<PreparedLight> active;

  uint32_t rs(RenderState s) const { return states[size_t(s)]; }

  void flush() {
    if (queue.queued == 0) {
      queue.clear();
      return;
    }
    raster::Target t{&target, zbuffer.get()};
    // Threads take tiles in turn; which thread draws a tile does not change its pixels.
    pool.run(queue.tilesX * queue.tilesY, [&](int tile) { raster::drawTile(t, queue, tile); });
    queue.clear();
  }

  Rect viewportRect() const {
    Rect r{viewport.x, viewport.y, viewport.x + viewport.width, viewport.y + viewport.height};
    return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, target.width()),
            std::min(r.bottom, target.height())};
  }

  DrawState captureState() const {
    DrawState s;
    s.clip = viewportRect();
    s.texture = texture;
    s.zEnable = rs(RenderState::ZEnable) != 0;
    s.zWrite = rs(RenderState::ZWriteEnable) != 0;
    s.blend = rs(RenderState::AlphaBlendEnable) != 0;
    s.colorKey = rs(RenderState::ColorKeyEnable) != 0;
    s.src = Blend(rs(RenderState::SrcBlend));
    s.dst = Blend(rs(RenderState::DestBlend));
    s.fog = fogMode() != FogMode::None;
    s.fogColor = rs(RenderState::FogColor) & 0xFFFFFF;
    s.minFilter = filterOf(minFilter);
    s.magFilter = filterOf(magFilter);
    return s;
  }

  // Fog is computed per vertex; a table mode is served the same way.
  FogMode fogMode() const {
    if (!rs(RenderState::FogEnable)) return FogMode::None;
    uint32_t m = rs(RenderState::FogVertexMode);
    if (m == uint32_t(FogMode::None)) m = rs(RenderState::FogTableMode);
    return m <= uint32_t(FogMode::Linear) ? FogMode(m) : FogMode::None;
  }

  float fogFactor(FogMode mode, float depth) const {
    switch (mode) {
      case FogMode::Linear: {
        float start = bitsFloat(rs(RenderState::FogStart)), end = bitsFloat(rs(RenderState::FogEnd));
        if (!(end > start)) return depth < end ? 1.0f : 0.0f;
        return std::clamp((end - depth) / (end - start), 0.0f, 1.0f);
      }
      case FogMode::Exp:
        return std::exp(-std::fabs(depth));
      case FogMode::Exp2:
        return std::exp(-depth * depth);
      default:
        return 1.0f;
    }
  }

  void prepareLights() {
    active.clear();
    for (const auto& [index, slot] : lights) {
      if (!slot.on) continue;
      const Light3D& l = slot.light;
      PreparedLight p{&l, {}, {}, 1.0f, 1.0f};
      Vec3 d = normalized(l.direction);
      p.toLight = {-d.x, -d.y, -d.z};
      p.spotDir = d;
      p.cosTheta = std::cos(l.theta * 0.5f);
      p.cosPhi = std::cos(l.phi * 0.5f);
      active.push_back(p);
    }
  }

  // Emissive + material ambient x (ambient state + lights' ambient) + material diffuse x
  // lights' diffuse x N.L, each light scaled by its attenuation and spot cone.
  ColorValue light(const Vec3& pos, const Vec3& normal) const {
    const Material3D& m = material;
    uint32_t amb = rs(RenderState::Ambient);
    float ar = float(amb >> 16 & 255) / 255.0f, ag = float(amb >> 8 & 255) / 255.0f, ab = float(amb & 255) / 255.0f;
    float dr = 0, dg = 0, db = 0;
    for (const PreparedLight& p : active) {
      const Light3D& l = *p.light;
      Vec3 toLight = p.toLight;
      float scale = 1.0f;
      if (l.type != LightType::Directional) {
        Vec3 d{l.position.x - pos.x, l.position.y - pos.y, l.position.z - pos.z};
        float dist = std::sqrt(dot(d, d));
        if (dist > l.range) continue;
        toLight = dist > 0.0f ? Vec3{d.x / dist, d.y / dist, d.z / dist} : Vec3{0, 0, 0};
        float den = l.attenuation0 + l.attenuation1 * dist + l.attenuation2 * dist * dist;
        scale = den > 0.0f ? 1.0f / den : 1.0f;
        if (l.type == LightType::Spot) scale *= spotFactor(p, toLight);
        if (scale <= 0.0f) continue;
      }
      ar += l.ambient.r * scale;
      ag += l.ambient.g * scale;
      ab += l.ambient.b * scale;
      float ndotl = dot(normal, toLight);
      if (ndotl > 0.0f) {
        float k = ndotl * scale;
        dr += l.diffuse.r * k;
        dg += l.diffuse.g * k;
        db += l.diffuse.b * k;
      }
    }
    return {m.emissive.r + m.ambient.r * ar + m.diffuse.r * dr, m.emissive.g + m.ambient.g * ag + m.diffuse.g * dg,
            m.emissive.b + m.ambient.b * ab + m.diffuse.b * db, m.diffuse.a};
  }

  uint32_t project(const ClipVertex& c) {
    float iw = 1.0f / c.w;
    const Viewport3D& vp = viewport;
    float sx = float(vp.x) + (1.0f + c.x * iw) * float(vp.width) * 0.5f;
    float sy = float(vp.y) + (1.0f - c.y * iw) * float(vp.height) * 0.5f;
    ScreenVertex s;
    s.x = int32_t(std::lrint(sx * raster::SubScale));
    s.y = int32_t(std::lrint(sy * raster::SubScale));
    s.a[raster::AZ] = vp.minZ + c.z * iw * (vp.maxZ - vp.minZ);
    s.a[raster::AInvW] = iw;
    s.a[raster::AU] = c.u * iw;
    s.a[raster::AV] = c.v * iw;
    s.a[raster::AR] = std::clamp(c.r, 0.0f, 1.0f) * 255.0f;
    s.a[raster::AG] = std::clamp(c.g, 0.0f, 1.0f) * 255.0f;
    s.a[raster::AB] = std::clamp(c.b, 0.0f, 1.0f) * 255.0f;
    s.a[raster::AA] = std::clamp(c.a, 0.0f, 1.0f) * 255.0f;
    s.a[raster::AFog] = c.fog;
    screen.push_back(s);
    return uint32_t(screen.size() - 1);
  }

  uint32_t screenVertex(uint32_t i) {
    if (screenIndex[i] == NoVertex) screenIndex[i] = project(clipped[i]);
    return screenIndex[i];
  }

  // Queues a triangle of screen vertices unless culled, as a filled triangle, three
  // lines or three points.
  void emit(uint32_t a, uint32_t b, uint32_t c, uint32_t state) {
    const ScreenVertex& va = screen[a];
    const ScreenVertex& vb = screen[b];
    const ScreenVertex& vc = screen[c];
    int64_t area = int64_t(vb.x - va.x) * (vc.y - va.y) - int64_t(vc.x - va.x) * (vb.y - va.y);
    // On the screen (y down) a positive area is a clockwise triangle.
    uint32_t cull = rs(RenderState::CullMode);
    if ((cull == uint32_t(CullMode::CCW) && area < 0) || (cull == uint32_t(CullMode::CW) && area > 0)) return;
    const Rect& clip = queue.states[state].clip;
    // The pixels a primitive can touch: a triangle covers the pixel centres within its
    // bounds; lines and points round to the nearest pixel.
    auto add = [&](const Primitive& p, const ScreenVertex* const* v, int count, bool rounded) {
      constexpr int32_t One = 1 << raster::SubBits, Half = One / 2;
      int32_t x0 = v[0]->x, x1 = v[0]->x, y0 = v[0]->y, y1 = v[0]->y;
      for (int i = 1; i < count; ++i) {
        x0 = std::min(x0, v[i]->x);
        x1 = std::max(x1, v[i]->x);
        y0 = std::min(y0, v[i]->y);
        y1 = std::max(y1, v[i]->y);
      }
      int32_t lead = rounded ? Half : One - 1, trail = rounded ? Half : 0;
      queue.add(p, std::max((x0 + lead) >> raster::SubBits, clip.left),
                std::max((y0 + lead) >> raster::SubBits, clip.top),
                std::min((x1 + trail) >> raster::SubBits, clip.right - 1),
                std::min((y1 + trail) >> raster::SubBits, clip.bottom - 1));
    };
    uint32_t fill = rs(RenderState::FillMode);
    if (fill == uint32_t(FillMode::Wireframe) || fill == uint32_t(FillMode::Point)) {
      bool lines = fill == uint32_t(FillMode::Wireframe);
      const ScreenVertex* v[3] = {&va, &vb, &vc};
      for (int i = 0; i < 3; ++i) {
        const ScreenVertex* ends[2] = {v[i], v[(i + 1) % 3]};
        add({{*ends[0], *ends[1], *ends[0]}, state, lines ? PrimKind::Line : PrimKind::Point}, ends, lines ? 2 : 1,
            true);
      }
      return;
    }
    if (area == 0) return;
    const ScreenVertex* v[3] = {&va, &vb, &vc};
    add({{va, vb, vc}, state, PrimKind::Triangle}, v, 3, false);
  }

  // Clips a triangle against the planes its vertices are outside of and queues the fan.
  void clipAndEmit(const uint32_t idx[3], uint32_t planes, uint32_t state) {
    ClipVertex bufA[16], bufB[16];
    ClipVertex* in = bufA;
    ClipVertex* out = bufB;
    int n = 3;
    for (int i = 0; i < 3; ++i) in[i] = clipped[idx[i]];
    for (int p = 0; p < PlaneCount && n >= 3; ++p) {
      if (!(planes & (1u << p))) continue;
      int m = 0;
      for (int i = 0; i < n; ++i) {
        const ClipVertex& a = in[i];
        const ClipVertex& b = in[(i + 1) % n];
        float da = planeDistance(p, a), db = planeDistance(p, b);
        bool aIn = da >= 0.0f, bIn = db >= 0.0f;
        if (aIn) out[m++] = a;
        if (aIn == bIn) continue;
        // The crossing is always computed from the inside vertex, so two triangles
        // sharing the edge get the very same new vertex. A vertex that is not a number
        // counts as outside and gives no crossing.
        const ClipVertex& inside = aIn ? a : b;
        const ClipVertex& outside = aIn ? b : a;
        float dIn = aIn ? da : db, dOut = aIn ? db : da;
        float t = dIn / (dIn - dOut);
        if (t >= 0.0f && t <= 1.0f) out[m++] = mix(inside, outside, t);
      }
      std::swap(in, out);
      n = m;
    }
    if (n < 3) return;
    uint32_t first = project(in[0]);
    uint32_t prev = project(in[1]);
    for (int i = 2; i < n; ++i) {
      uint32_t cur = project(in[i]);
      emit(first, prev, cur, state);
      prev = cur;
    }
  }

  void draw(std::span<const Vertex3D> vertices, std::span<const uint32_t> indices) {
    queue.states.push_back(captureState());
    uint32_t state = uint32_t(queue.states.size() - 1);
    const Matrix4& world = transforms[int(TransformState::World)];
    Matrix4 worldView = world * transforms[int(TransformState::View)];
    Matrix4 clipM = worldView * transforms[int(TransformState::Projection)];
    bool lit = rs(RenderState::Lighting) != 0;
    FogMode fog = fogMode();
    if (lit) prepareLights();
    // Normals go through the cofactors of the world matrix (its inverse transpose up to
    // scale) and are normalised, so scaled objects keep their shading.
    const auto& w = world.m;
    float nm[3][3] = {{w[1][1] * w[2][2] - w[1][2] * w[2][1], w[1][2] * w[2][0] - w[1][0] * w[2][2],
                       w[1][0] * w[2][1] - w[1][1] * w[2][0]},
                      {w[0][2] * w[2][1] - w[0][1] * w[2][2], w[0][0] * w[2][2] - w[0][2] * w[2][0],
                       w[0][1] * w[2][0] - w[0][0] * w[2][1]},
                      {w[0][1] * w[1][2] - w[0][2] * w[1][1], w[0][2] * w[1][0] - w[0][0] * w[1][2],
                       w[0][0] * w[1][1] - w[0][1] * w[1][0]}};
    size_t n = vertices.size();
    clipped.resize(n);
    codes.resize(n);
    screenIndex.assign(n, NoVertex);
    screen.clear();
    const auto& c = clipM.m;
    const auto& e = worldView.m;
    // Vertices are independent: large meshes are shared out between the threads.
    auto transformRange = [&](size_t begin, size_t end) {
      for (size_t i = begin; i < end; ++i) {
        const Vertex3D& v = vertices[i];
        ClipVertex& o = clipped[i];
        o.x = v.x * c[0][0] + v.y * c[1][0] + v.z * c[2][0] + c[3][0];
        o.y = v.x * c[0][1] + v.y * c[1][1] + v.z * c[2][1] + c[3][1];
        o.z = v.x * c[0][2] + v.y * c[1][2] + v.z * c[2][2] + c[3][2];
        o.w = v.x * c[0][3] + v.y * c[1][3] + v.z * c[2][3] + c[3][3];
        o.u = v.u;
        o.v = v.v;
        if (lit) {
          Vec3 pos{v.x * w[0][0] + v.y * w[1][0] + v.z * w[2][0] + w[3][0],
                   v.x * w[0][1] + v.y * w[1][1] + v.z * w[2][1] + w[3][1],
                   v.x * w[0][2] + v.y * w[1][2] + v.z * w[2][2] + w[3][2]};
          Vec3 nrm = normalized({v.nx * nm[0][0] + v.ny * nm[1][0] + v.nz * nm[2][0],
                                 v.nx * nm[0][1] + v.ny * nm[1][1] + v.nz * nm[2][1],
                                 v.nx * nm[0][2] + v.ny * nm[1][2] + v.nz * nm[2][2]});
          ColorValue col = light(pos, nrm);
          o.r = col.r;
          o.g = col.g;
          o.b = col.b;
          o.a = col.a;
        } else {
          o.r = o.g = o.b = o.a = 1.0f;
        }
        o.fog = fog == FogMode::None ? 1.0f : fogFactor(fog, v.x * e[0][2] + v.y * e[1][2] + v.z * e[2][2] + e[3][2]);
        codes[i] = outcode(o);
      }
    };
    int threads = pool.threads();
    if (n < MinVerticesToShare || threads == 1) {
      transformRange(0, n);
    } else {
      pool.run(threads,
               [&](int t) { transformRange(n * size_t(t) / size_t(threads), n * size_t(t + 1) / size_t(threads)); });
    }
    for (size_t t = 0; t + 2 < indices.size(); t += 3) {
      uint32_t idx[3] = {indices[t], indices[t + 1], indices[t + 2]};
      if (idx[0] >= n || idx[1] >= n || idx[2] >= n) continue;
      uint32_t c0 = codes[idx[0]], c1 = codes[idx[1]], c2 = codes[idx[2]];
      if (c0 & c1 & c2) continue;
      if ((c0 | c1 | c2) == 0)
        emit(screenVertex(idx[0]), screenVertex(idx[1]), screenVertex(idx[2]), state);
      else
        clipAndEmit(idx, c0 | c1 | c2, state);
      if (queue.queued >= MaxQueuedPrimitives) {
        flush();
        queue.states.push_back(captureState());
        state = 0;
      }
    }
  }
};

// ---- Texture3D

Texture3D::Texture3D(int width, int height) : w(width), h(height) {}

std::unique_ptr<Texture3D> Texture3D::fromSurface(const Surface& src, bool useColorKey) {
  std::unique_ptr<Texture3D> t(new (std::nothrow) Texture3D(src.width(), src.height()));
  if (!t) return nullptr;
  t->data.reset(new (std::nothrow) uint32_t[size_t(src.width()) * size_t(src.height())]);
  if (!t->data) return nullptr;
  const PixelFormat& f = src.format();
  uint32_t key = src.hasColorKey() ? src.sourceColorKey() : 0;
  uint32_t* out = t->data.get();
  for (int y = 0; y < src.height(); ++y) {
    for (int x = 0; x < src.width(); ++x) {
      uint32_t raw = src.pixel(x, y), rgb;
      if (f.bits == 16) {
        uint32_t r = raw >> 11 & 31, g = raw >> 5 & 63, b = raw & 31;
        rgb = (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
      } else {
        rgb = raw & 0xFFFFFF;
      }
      bool transparent = useColorKey && raw == key;
      *out++ = (transparent ? 0u : 0xFF000000u) | rgb;
    }
  }
  return t;
}

std::unique_ptr<Texture3D> Texture3D::fromColor(uint32_t rgb) {
  std::unique_ptr<Texture3D> t(new (std::nothrow) Texture3D(1, 1));
  if (!t) return nullptr;
  t->data.reset(new (std::nothrow) uint32_t[1]);
  if (!t->data) return nullptr;
  t->data[0] = 0xFF000000u | (rgb & 0xFFFFFF);
  return t;
}

// ---- Device3D

Device3D::Device3D() = default;

Device3D::~Device3D() = default;

std::unique_ptr<Device3D> Device3D::create(Surface& target, int threads) {
  std::unique_ptr<Device3D> d(new (std::nothrow) Device3D());
  if (!d) return nullptr;
  try {
    d->impl = std::make_unique<Impl>(target, std::clamp(threads, 1, 16));
    d->impl->queue.setSize(target.width(), target.height());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  Impl& m = *d->impl;
  m.zbuffer.reset(new (std::nothrow) float[size_t(target.width()) * size_t(target.height())]);
  if (!m.zbuffer) return nullptr;
  std::fill_n(m.zbuffer.get(), size_t(target.width()) * size_t(target.height()), 1.0f);
  m.viewport = {0, 0, target.width(), target.height(), 0.0f, 1.0f};
  auto set = [&](RenderState s, uint32_t v) { m.states[size_t(s)] = v; };
  set(RenderState::ZEnable, 1);
  set(RenderState::ZWriteEnable, 1);
  set(RenderState::SrcBlend, uint32_t(Blend::One));
  set(RenderState::DestBlend, uint32_t(Blend::Zero));
  set(RenderState::CullMode, uint32_t(CullMode::CCW));
  set(RenderState::FillMode, uint32_t(FillMode::Solid));
  set(RenderState::FogStart, floatBits(0.0f));
  set(RenderState::FogEnd, floatBits(1.0f));
  set(RenderState::Lighting, 1);
  return d;
}

const DeviceCaps3D& Device3D::caps() const { return impl->caps; }

void Device3D::setTransform(TransformState which, const Matrix4& m) { impl->transforms[int(which)] = m; }

const Matrix4& Device3D::transform(TransformState which) const { return impl->transforms[int(which)]; }

void Device3D::setViewport(const Viewport3D& vp) { impl->viewport = vp; }

const Viewport3D& Device3D::viewport() const { return impl->viewport; }

void Device3D::setRenderState(RenderState s, uint32_t value) {
  if (s < RenderState::Count) impl->states[size_t(s)] = value;
}

uint32_t Device3D::renderState(RenderState s) const { return s < RenderState::Count ? impl->states[size_t(s)] : 0; }

void Device3D::setTextureStageState(TextureStageState s, uint32_t value) {
  (s == TextureStageState::MinFilter ? impl->minFilter : impl->magFilter) = value;
}

void Device3D::setMaterial(const Material3D& m) { impl->material = m; }

const Material3D& Device3D::material() const { return impl->material; }

void Device3D::setLight(int index, const Light3D& light) {
  if (index < 0) return;
  try {
    impl->lights[index].light = light;
  } catch (const std::bad_alloc&) {
    // Out of memory: the light stays as it was.
  }
}

void Device3D::lightEnable(int index, bool on) {
  if (index < 0) return;
  try {
    impl->lights[index].on = on;
  } catch (const std::bad_alloc&) {
    // Out of memory: the light stays as it was.
  }
}

void Device3D::setTexture(const Texture3D* texture) { impl->texture = texture; }

void Device3D::clear(const Rect* area, uint32_t flags, uint32_t color, float z) {
  Impl& m = *impl;
  m.flush();
  // As on the old device, a clear never reaches outside the viewport.
  Rect r = m.viewportRect();
  if (area)
    r = {std::max(r.left, area->left), std::max(r.top, area->top), std::min(r.right, area->right),
         std::min(r.bottom, area->bottom)};
  if (r.empty()) return;
  if (flags & ClearTarget) fillRect(m.target, r, raster::rawPixel(m.target.format(), color));
  if (flags & ClearZBuffer)
    for (int y = r.top; y < r.bottom; ++y)
      std::fill_n(m.zbuffer.get() + size_t(y) * size_t(m.target.width()) + size_t(r.left), size_t(r.width()), z);
}

void Device3D::beginScene() { impl->inScene = true; }

void Device3D::drawIndexedTriangles(std::span<const Vertex3D> vertices, std::span<const uint32_t> indices) {
  try {
    impl->draw(vertices, indices);
  } catch (const std::bad_alloc&) {
    // Out of memory: the triangles queued so far are drawn, the rest of the call is not.
  }
  if (!impl->inScene) impl->flush();
}

void Device3D::endScene() {
  impl->inScene = false;
  impl->flush();
}

}  // namespace zt
