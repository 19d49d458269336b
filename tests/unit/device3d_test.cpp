// The software 3D device against hand-computed pixels: edge rules, perspective-correct
// texturing, depth, blending, fog, lights, clipping, culling, fill modes, colour keys,
// pixel formats and run-to-run identity.
#include "gfx/device3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace zt {
namespace {

constexpr float Pi = 3.14159265f;

// A target with a device whose projection maps world x and y straight to pixel
// coordinates (x right, y down) and world z 0..100 to depth 0..1; lighting and culling
// off, so a test turns on only what it checks.
struct Rig {
  std::unique_ptr<Surface> surface;
  std::unique_ptr<Device3D> device;

  explicit Rig(int w = 64, int h = 64, int bits = 32, int threads = 2) {
    surface = Surface::create(w, h, PixelFormat::forDepth(bits));
    device = Device3D::create(*surface, threads);
    Matrix4 p;
    p.m[0][0] = 2.0f / float(w);
    p.m[1][1] = -2.0f / float(h);
    p.m[2][2] = 0.01f;
    p.m[3][0] = -1.0f;
    p.m[3][1] = 1.0f;
    device->setTransform(TransformState::Projection, p);
    device->setRenderState(RenderState::Lighting, 0);
    device->setRenderState(RenderState::CullMode, uint32_t(CullMode::None));
    device->clear(nullptr, ClearTarget | ClearZBuffer, 0, 1.0f);
  }

  void draw(const std::vector<Vertex3D>& v, const std::vector<uint32_t>& i) { device->drawIndexedTriangles(v, i); }
  void triangle(Vertex3D a, Vertex3D b, Vertex3D c) { draw({a, b, c}, {0, 1, 2}); }
  uint32_t px(int x, int y) const { return surface->pixel(x, y); }
  int count(uint32_t v) const {
    int n = 0;
    for (int y = 0; y < surface->height(); ++y)
      for (int x = 0; x < surface->width(); ++x) n += surface->pixel(x, y) == v;
    return n;
  }
  // Lighting on with a material that lights every vertex to `emissive` (alpha from `a`).
  void solidColor(float r, float g, float b, float a = 1.0f) {
    Material3D m;
    m.emissive = {r, g, b, 0};
    m.diffuse.a = a;
    device->setMaterial(m);
    device->setRenderState(RenderState::Lighting, 1);
  }
};

Vertex3D at(float x, float y, float z = 50, float u = 0, float v = 0) {
  Vertex3D p;
  p.x = x;
  p.y = y;
  p.z = z;
  p.u = u;
  p.v = v;
  p.nz = -1;
  return p;
}

TEST(Device3D, ReportsItselfAsATransformAndLightingDeviceWithEverything) {
  Rig r;
  const DeviceCaps3D& c = r.device->caps();
  EXPECT_TRUE(c.hardwareTransformAndLight);
  EXPECT_EQ(c.srcBlendCaps, 0x3FFu);
  EXPECT_EQ(c.destBlendCaps, 0x3FFu);
  EXPECT_EQ(c.textureFilterCaps, caps::FilterLinear | caps::FilterAnisotropic);
  EXPECT_EQ(c.rasterCaps, caps::RasterFogVertex | caps::RasterFogTable);
  EXPECT_TRUE(c.colorKey);
  EXPECT_EQ(r.device->renderState(RenderState::CullMode), uint32_t(CullMode::None));
  auto fresh = Surface::create(8, 8, PixelFormat::forDepth(16));
  auto d = Device3D::create(*fresh);
  EXPECT_EQ(d->renderState(RenderState::CullMode), uint32_t(CullMode::CCW));
  EXPECT_EQ(d->renderState(RenderState::ZEnable), 1u);
  EXPECT_EQ(d->renderState(RenderState::SrcBlend), uint32_t(Blend::One));
  EXPECT_EQ(d->renderState(RenderState::DestBlend), uint32_t(Blend::Zero));
  EXPECT_EQ(d->viewport().width, 8);
}

// Top-left rule: a square from (10, 10) to (20, 20) takes the pixel centres 10..19 in both
// directions: its left and top edges are in, its right and bottom edges out.
TEST(Device3D, SquareCoversExactlyThePixelCentresInsideItsTopLeftEdges) {
  Rig r;
  r.solidColor(1, 1, 1);
  r.draw({at(10, 10), at(20, 10), at(20, 20), at(10, 20)}, {0, 1, 2, 0, 2, 3});
  EXPECT_EQ(r.count(0xFFFFFF), 100);
  EXPECT_EQ(r.px(10, 10), 0xFFFFFFu);
  EXPECT_EQ(r.px(19, 19), 0xFFFFFFu);
  EXPECT_EQ(r.px(20, 15), 0u);
  EXPECT_EQ(r.px(15, 20), 0u);
  EXPECT_EQ(r.px(9, 15), 0u);
  EXPECT_EQ(r.px(15, 9), 0u);
}

// 64 triangles around a point drawn with additive blending: every pixel of the disc they
// cover gets the colour exactly once, none twice, none outside. The disc spans four tiles
// of the back end, whose borders must not lose or repeat pixels either.
TEST(Device3D, FanOfSixtyFourTrianglesHasNoCracksAndNoDoubleDrawnPixels) {
  for (int threads : {1, 2}) {
    Rig r(128, 128, 32, threads);
    r.solidColor(10 / 255.0f, 0, 0);
    r.device->setRenderState(RenderState::AlphaBlendEnable, 1);
    r.device->setRenderState(RenderState::DestBlend, uint32_t(Blend::One));
    const float cx = 64.3f, cy = 63.7f, radius = 50.0f;
    std::vector<Vertex3D> v{at(cx, cy)};
    std::vector<uint32_t> idx;
    for (int i = 0; i < 64; ++i) {
      float a = float(i) * 2 * Pi / 64;
      v.push_back(at(cx + radius * std::cos(a), cy + radius * std::sin(a)));
      idx.insert(idx.end(), {0, uint32_t(1 + i), uint32_t(1 + (i + 1) % 64)});
    }
    r.draw(v, idx);
    int inner = 0;
    for (int y = 0; y < 128; ++y) {
      for (int x = 0; x < 128; ++x) {
        uint32_t p = r.px(x, y);
        float d = std::hypot(float(x) - cx, float(y) - cy);
        ASSERT_TRUE(p == 0 || p == 0x0A0000) << x << "," << y << " = " << std::hex << p;
        if (d < radius * std::cos(Pi / 64) - 0.01f) {
          ASSERT_EQ(p, 0x0A0000u) << x << "," << y;
          ++inner;
        }
        if (d > radius) {
          ASSERT_EQ(p, 0u) << x << "," << y;
        }
      }
    }
    EXPECT_GT(inner, 7800);  // about pi * 50^2 pixels
  }
}

// A quad receding from z = 1 on the left to z = 3 on the right with u from 0 to 1 on a
// 256-texel grey ramp: at screen x_ndc the texture coordinate is (1 + x) / (2 (1 - x)),
// not the straight screen fraction.
TEST(Device3D, TextureCoordinatesArePerspectiveCorrectOnARecedingQuad) {
  Rig r(64, 64);
  Matrix4 p;
  p.m[2][2] = 0.5f;
  p.m[2][3] = 1.0f;
  p.m[3][3] = 0.0f;
  r.device->setTransform(TransformState::Projection, p);
  auto ramp = Surface::create(256, 1, PixelFormat::forDepth(32));
  for (int i = 0; i < 256; ++i) ramp->setPixel(i, 0, uint32_t(i) * 0x010101u);
  auto tex = Texture3D::fromSurface(*ramp, false);
  r.device->setTexture(tex.get());
  r.draw({at(-1, -1, 1, 0), at(1, -1, 3, 1), at(1, 1, 3, 1), at(-1, 1, 1, 0)}, {0, 1, 2, 0, 2, 3});
  for (int x : {2, 10, 16, 20, 24, 30, 36, 40}) {
    float ndc = float(x) / 32.0f - 1.0f;
    float u = (1 + ndc) / (2 * (1 - ndc));
    int expected = int(u * 256);
    int got = int(r.px(x, 32) & 0xFF);
    EXPECT_NEAR(got, expected, 1) << "column " << x;
  }
  // Column 16 (x_ndc -0.5) is a sixth of the way in u, where a screen-linear mapping
  // would give three eighths.
  EXPECT_NEAR(int(r.px(16, 32) & 0xFF), 42, 1);
  EXPECT_EQ(r.px(48, 32), 0u);  // beyond x_ndc 1/3 the quad has ended
}

TEST(Device3D, DepthTestKeepsTheNearerTriangleWhateverTheOrder) {
  Rig first, second;
  Vertex3D nearA = at(5, 5, 20), nearB = at(40, 5, 20), nearC = at(5, 40, 20);
  Vertex3D farA = at(20, 20, 60), farB = at(60, 20, 60), farC = at(20, 60, 60);
  auto drawNear = [&](Rig& r) {
    r.solidColor(1, 0, 0);
    r.triangle(nearA, nearB, nearC);
  };
  auto drawFar = [&](Rig& r) {
    r.solidColor(0, 0, 1);
    r.triangle(farA, farB, farC);
  };
  drawNear(first);
  drawFar(first);
  drawFar(second);
  drawNear(second);
  EXPECT_EQ(first.px(22, 22), 0xFF0000u);  // inside both: the near one
  EXPECT_EQ(first.px(30, 30), 0x0000FFu);  // the far one alone
  EXPECT_EQ(std::memcmp(first.surface->row(0), second.surface->row(0), size_t(first.surface->pitch()) * 64), 0);
  // Equal depth passes (less-or-equal), so the later triangle wins; with Z writes off
  // a farther triangle drawn afterwards still loses against the depth of the first.
  second.solidColor(0, 1, 0);
  second.triangle(nearA, nearB, nearC);
  EXPECT_EQ(second.px(22, 22), 0x00FF00u);
  Rig third;
  third.device->setRenderState(RenderState::ZWriteEnable, 0);
  drawNear(third);
  drawFar(third);
  EXPECT_EQ(third.px(22, 22), 0x0000FFu);
  // With the Z test off nothing is tested and nothing written: the last drawn wins, and
  // afterwards the depth is still the cleared one.
  Rig fourth;
  fourth.device->setRenderState(RenderState::ZEnable, 0);
  drawNear(fourth);
  drawFar(fourth);
  EXPECT_EQ(fourth.px(22, 22), 0x0000FFu);
  fourth.device->setRenderState(RenderState::ZEnable, 1);
  fourth.solidColor(0, 1, 0);
  fourth.triangle(at(0, 0, 99), at(64, 0, 99), at(0, 64, 99));
  EXPECT_EQ(fourth.px(22, 22), 0x00FF00u);
}

// Source (0.2, 0.4, 0.8, alpha 0.6) over destination (1.0, 0.2, 0.0), each factor pair of
// the engine's blend levels and the alpha pair.
TEST(Device3D, EveryBlendPairMixesKnownColoursAsComputedByHand) {
  struct Case {
    Blend src, dst;
    uint32_t expected;
  };
  const Case cases[] = {
      {Blend::One, Blend::InvSrcColor, 0xFF85CC},
      {Blend::InvDestColor, Blend::One, 0xFF85CC},
      {Blend::One, Blend::One, 0xFF99CC},
      {Blend::DestColor, Blend::One, 0xFF4700},
      {Blend::DestColor, Blend::SrcColor, 0x662900},
      {Blend::DestColor, Blend::Zero, 0x331400},
      {Blend::Zero, Blend::SrcColor, 0x331400},
      {Blend::InvDestColor, Blend::InvSrcColor, 0xCC70CC},
      {Blend::Zero, Blend::InvSrcColor, 0xCC1F00},
      {Blend::SrcAlpha, Blend::InvSrcAlpha, 0x85527A},
      {Blend::DestAlpha, Blend::InvDestAlpha, 0x3366CC},
  };
  for (const Case& c : cases) {
    Rig r;
    r.device->clear(nullptr, ClearTarget, 0xFF3300, 1.0f);
    r.solidColor(0.2f, 0.4f, 0.8f, 0.6f);
    r.device->setRenderState(RenderState::AlphaBlendEnable, 1);
    r.device->setRenderState(RenderState::SrcBlend, uint32_t(c.src));
    r.device->setRenderState(RenderState::DestBlend, uint32_t(c.dst));
    r.triangle(at(0, 0), at(64, 0), at(0, 64));
    EXPECT_EQ(r.px(10, 10), c.expected) << int(c.src) << "/" << int(c.dst);
    EXPECT_EQ(r.px(60, 60), 0xFF3300u);
  }
}

// Linear fog from 10 to 20 on view-space depth, white triangles under fog colour
// (0, 0, 200): none at the start, half at the middle, all at the end and beyond.
TEST(Device3D, LinearFogAtStartMiddleAndEnd) {
  Rig r;
  r.device->setRenderState(RenderState::FogEnable, 1);
  r.device->setRenderState(RenderState::FogVertexMode, uint32_t(FogMode::Linear));
  r.device->setRenderState(RenderState::FogColor, 0x0000C8);
  float start = 10, end = 20;
  uint32_t bits;
  std::memcpy(&bits, &start, 4);
  r.device->setRenderState(RenderState::FogStart, bits);
  std::memcpy(&bits, &end, 4);
  r.device->setRenderState(RenderState::FogEnd, bits);
  const float depths[] = {5, 10, 15, 20, 30};
  const uint32_t expected[] = {0xFFFFFF, 0xFFFFFF, 0x8080E4, 0x0000C8, 0x0000C8};
  for (int i = 0; i < 5; ++i) {
    float x = float(i) * 12;
    r.triangle(at(x, 0, depths[i]), at(x + 10, 0, depths[i]), at(x, 30, depths[i]));
    EXPECT_EQ(r.px(int(x) + 2, 5), expected[i]) << "depth " << depths[i];
  }
  // The table mode is served the same way; the exponential modes use density 1:
  // e^-1 at depth 1 and e^-(0.5^2) at depth 0.5.
  r.device->setRenderState(RenderState::FogVertexMode, uint32_t(FogMode::None));
  r.device->setRenderState(RenderState::FogTableMode, uint32_t(FogMode::Linear));
  r.triangle(at(0, 34, 15), at(10, 34, 15), at(0, 44, 15));
  EXPECT_EQ(r.px(2, 36), 0x8080E4u);
  r.device->setRenderState(RenderState::FogTableMode, uint32_t(FogMode::Exp));
  r.triangle(at(12, 34, 1), at(22, 34, 1), at(12, 44, 1));
  EXPECT_EQ(r.px(14, 36), 0x5E5EDCu);
  r.device->setRenderState(RenderState::FogTableMode, uint32_t(FogMode::Exp2));
  r.triangle(at(24, 34, 0.5f), at(34, 34, 0.5f), at(24, 44, 0.5f));
  EXPECT_EQ(r.px(26, 36), 0xC6C6F3u);
  // Fog off again: the colour is untouched.
  r.device->setRenderState(RenderState::FogEnable, 0);
  r.triangle(at(0, 40, 30), at(20, 40, 30), at(0, 60, 30));
  EXPECT_EQ(r.px(2, 45), 0xFFFFFFu);
}

// Lights: one triangle facing the viewer (normal (0, 0, -1)) lit by one light at a time.
struct LightRig : Rig {
  LightRig() {
    Material3D m;
    m.diffuse = {1, 1, 1, 1};
    device->setMaterial(m);
    device->setRenderState(RenderState::Lighting, 1);
  }
  // A triangle whose corners all lie `radius` from (cx, cy) at depth z; returns the
  // colour at its centre.
  uint32_t litCentre(Light3D l, float radius, float cx = 32, float cy = 32, float z = 50) {
    device->setLight(0, l);
    device->lightEnable(0, true);
    device->clear(nullptr, ClearTarget | ClearZBuffer, 0, 1.0f);
    std::vector<Vertex3D> v;
    for (int i = 0; i < 3; ++i) {
      float a = float(i) * 2 * Pi / 3;
      v.push_back(at(cx + radius * std::cos(a), cy + radius * std::sin(a), z));
    }
    draw(v, {0, 1, 2});
    return px(int(cx), int(cy));
  }
};

// A white light of the type, at `position`, reaching 1000 units, no attenuation yet.
Light3D whiteLight(LightType type, Vec3 position = {}) {
  Light3D l;
  l.type = type;
  l.diffuse = {1, 1, 1, 1};
  l.position = position;
  l.direction = {0, 0, 1};
  l.range = 1000;
  l.attenuation0 = 1;
  return l;
}

TEST(Device3D, DirectionalLightFollowsTheAngleAndIgnoresTheDirectionsLength) {
  LightRig r;
  Light3D l = whiteLight(LightType::Directional);
  EXPECT_EQ(r.litCentre(l, 20), 0xFFFFFFu);
  l.direction = {0, 0, 5};  // not unit length: same light
  EXPECT_EQ(r.litCentre(l, 20), 0xFFFFFFu);
  Material3D m;
  m.diffuse = {0.8f, 0.8f, 0.8f, 1};
  r.device->setMaterial(m);
  l.direction = {0, 1.7320508f, 1};  // 60 degrees off the normal: N.L = 0.5
  EXPECT_EQ(r.litCentre(l, 20), 0x666666u);
  l.direction = {0, 0, -1};  // from behind: nothing
  EXPECT_EQ(r.litCentre(l, 20), 0u);
  // Ambient: the render state and the light's ambient both scale the material ambient.
  m.ambient = {0.5f, 0.5f, 0.5f, 0};
  r.device->setMaterial(m);
  r.device->setRenderState(RenderState::Ambient, 0x404040);
  l.ambient = {0.2f, 0, 0, 0};
  EXPECT_EQ(r.litCentre(l, 20), 0x3A2020u);  // 0.5 * (64/255 + 0.2), 0.5 * 64/255
  r.device->lightEnable(0, false);
  r.device->clear(nullptr, ClearTarget, 0, 1.0f);
  r.triangle(at(0, 0), at(64, 0), at(0, 64));
  EXPECT_EQ(r.px(5, 5), 0x202020u);
  // Any index works, the highest light number included; disabling keeps the settings.
  r.device->setRenderState(RenderState::Ambient, 0);
  l.ambient = {};
  l.direction = {0, 0, 1};
  r.device->setLight(65535, l);
  r.device->lightEnable(65535, true);
  r.device->lightEnable(7, true);  // never set: a light with no colour
  r.device->clear(nullptr, ClearTarget | ClearZBuffer, 0, 1.0f);
  r.triangle(at(0, 0), at(64, 0), at(0, 64));
  EXPECT_EQ(r.px(5, 5), 0xCCCCCCu);
  r.device->lightEnable(65535, false);
  r.triangle(at(0, 0, 40), at(64, 0, 40), at(0, 64, 40));
  EXPECT_EQ(r.px(5, 5), 0u);
  r.device->lightEnable(65535, true);
  r.triangle(at(0, 0, 30), at(64, 0, 30), at(0, 64, 30));
  EXPECT_EQ(r.px(5, 5), 0xCCCCCCu);
}

// A point light 15 above the plane, corners 20 away sideways: distance 25, N.L = 0.6,
// attenuation 1 / (1 + 0.0048 * 625) = 0.25, so 0.15 of full white.
TEST(Device3D, PointLightAttenuatesWithDistanceAndStopsAtItsRange) {
  LightRig r;
  Light3D l = whiteLight(LightType::Point, {32, 32, 35});
  l.attenuation2 = 0.0048f;
  EXPECT_EQ(r.litCentre(l, 20), 0x262626u);
  l.attenuation2 = 0;
  l.attenuation1 = 0.04f;  // 1 / (1 + 0.04 * 25) = 0.5
  EXPECT_EQ(r.litCentre(l, 20), 0x4D4D4Du);
  l.range = 24.9f;  // the corners are out of range
  EXPECT_EQ(r.litCentre(l, 20), 0u);
  l.range = 25.1f;
  EXPECT_EQ(r.litCentre(l, 20), 0x4D4D4Du);
}

// A spot 100 above the plane pointing at it, inner cone 20 degrees and outer 40 (full
// angles): corners 10 to the side are 5.7 degrees off its axis (inside), corners 50 to
// the side 26.6 degrees (outside).
TEST(Device3D, SpotLightLightsInsideItsConeAndNothingOutside) {
  LightRig r;
  Light3D l = whiteLight(LightType::Spot, {32, 32, -50});
  l.falloff = 1;
  l.theta = 20 * Pi / 180;
  l.phi = 40 * Pi / 180;
  EXPECT_EQ(r.litCentre(l, 10), 0xFEFEFEu);  // N.L = 100 / sqrt(10100)
  EXPECT_EQ(r.litCentre(l, 50), 0u);
  // 15 to the side (8.5 degrees) is inside the inner cone; 30 (16.7) in the falloff
  // band gets part of the light.
  EXPECT_EQ(r.litCentre(l, 15), 0xFCFCFCu);
  uint32_t partial = r.litCentre(l, 30) & 0xFF;
  EXPECT_GT(partial, 0u);
  EXPECT_LT(partial, 0xEBu);  // what N.L alone would give
}

// A perspective projection with the near plane at view z = 1 and an apex at (0, 0.5, 2),
// which lands on row 24. The other two corners sit at depth k: k = 0.5 is in front of
// the eye but before the near plane, k = -1 behind the eye. Clipped at z = 1 the cut edge
// lands at y_ndc 1/30 (row 30.9) for k = 0.5 and at 7/15 (row 17.1) for k = -1; drawn
// unclipped the corners would reach row 44.
TEST(Device3D, TrianglesCrossingTheNearPlaneAreClippedToIt) {
  const struct {
    float k;
    int insideRow, firstRowBelowCut;
  } cases[] = {{0.5f, 26, 31}, {-1.0f, 21, 25}};
  for (const auto& c : cases) {
    Rig r(64, 64);
    Matrix4 p;
    float n = 1, f = 100;
    p.m[2][2] = f / (f - n);
    p.m[2][3] = 1;
    p.m[3][2] = -n * f / (f - n);
    p.m[3][3] = 0;
    r.device->setTransform(TransformState::Projection, p);
    r.solidColor(1, 1, 1);
    float k = c.k;
    r.triangle(at(-0.4f * k, -0.4f * k, k), at(0.4f * k, -0.4f * k, k), at(0, 0.5f, 2));
    EXPECT_EQ(r.px(32, c.insideRow), 0xFFFFFFu) << k;
    int outside = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x)
        if (y < 17 || y >= c.firstRowBelowCut) outside += r.px(x, y) != 0;
    EXPECT_EQ(outside, 0) << k;
  }
}

// A corner that is not a number rejects its triangle, before or after clipping; the
// other triangles of the call are drawn, one of them cut by the near plane (its corner at
// z = -10 is cut off along x + y = 83.3).
TEST(Device3D, CornersThatAreNotNumbersDropOnlyTheirTriangle) {
  Rig r;
  r.solidColor(1, 1, 1);
  float nan = std::nanf("");
  r.draw({at(0, 0), at(30, 0), at(0, 30), at(nan, 10), at(40, 40, -10), at(60, 40), at(40, 60)},
         {0, 1, 2, 3, 1, 2, 4, 5, 3, 4, 5, 6});
  int firstCorner = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) firstCorner += r.px(x, y) != 0;
  EXPECT_EQ(firstCorner, 465);  // the first triangle alone: 30 + 29 + ... + 1
  EXPECT_EQ(r.px(45, 45), 0xFFFFFFu);
  EXPECT_EQ(r.px(41, 41), 0u);
}

TEST(Device3D, CullingKeepsTheOtherWinding) {
  // On the screen (y down) a -> b -> c turns clockwise.
  Vertex3D a = at(10, 10), b = at(50, 10), c = at(10, 50);
  struct Case {
    CullMode mode;
    bool clockwiseDrawn, counterDrawn;
  };
  for (Case k : {Case{CullMode::None, true, true}, Case{CullMode::CCW, true, false}, Case{CullMode::CW, false, true}}) {
    Rig r;
    r.solidColor(1, 1, 1);
    r.device->setRenderState(RenderState::CullMode, uint32_t(k.mode));
    r.triangle(a, b, c);
    EXPECT_EQ(r.px(15, 15) != 0, k.clockwiseDrawn) << int(k.mode);
    r.device->clear(nullptr, ClearTarget | ClearZBuffer, 0, 1.0f);
    r.triangle(a, c, b);
    EXPECT_EQ(r.px(15, 15) != 0, k.counterDrawn) << int(k.mode);
  }
}

TEST(Device3D, WireframeDrawsTheEdgesAndNotTheInside) {
  Rig r(128, 128);  // the edges cross tile borders
  r.solidColor(1, 1, 1);
  r.device->setRenderState(RenderState::FillMode, uint32_t(FillMode::Wireframe));
  r.triangle(at(10, 10), at(110, 10), at(10, 110));
  for (int i = 10; i <= 110; ++i) {
    EXPECT_EQ(r.px(i, 10), 0xFFFFFFu) << i;       // top edge
    EXPECT_EQ(r.px(10, i), 0xFFFFFFu) << i;       // left edge
    EXPECT_EQ(r.px(i, 120 - i), 0xFFFFFFu) << i;  // diagonal x + y = 120
  }
  EXPECT_EQ(r.count(0xFFFFFF), 101 * 3 - 3);
  EXPECT_EQ(r.px(40, 40), 0u);
  // Point fill: the three corners only.
  Rig points;
  points.solidColor(1, 1, 1);
  points.device->setRenderState(RenderState::FillMode, uint32_t(FillMode::Point));
  points.triangle(at(10, 10), at(50, 10), at(10, 50));
  EXPECT_EQ(points.count(0xFFFFFF), 3);
  EXPECT_EQ(points.px(50, 10), 0xFFFFFFu);
}

// A 2 x 2 texture with a black (key) texel: with the colour key on the texel leaves a
// hole showing what was there; with it off it is drawn black.
TEST(Device3D, ColourKeyedTexelsLeaveHoles) {
  auto src = Surface::create(2, 2, PixelFormat::forDepth(16));
  src->setPixel(0, 0, 0xFFFF);
  src->setPixel(1, 0, 0);
  src->setPixel(0, 1, 0xF800);
  src->setPixel(1, 1, 0x07E0);
  auto tex = Texture3D::fromSurface(*src, true);
  ASSERT_TRUE(tex);
  EXPECT_EQ(tex->texels()[0], 0xFFFFFFFFu);
  EXPECT_EQ(tex->texels()[1], 0x00000000u);
  EXPECT_EQ(tex->texels()[2], 0xFFFF0000u);
  EXPECT_EQ(tex->texels()[3], 0xFF00FF00u);
  for (bool key : {true, false}) {
    Rig r;
    r.device->clear(nullptr, ClearTarget, 0x123456, 1.0f);
    r.device->setTexture(tex.get());
    r.device->setRenderState(RenderState::ColorKeyEnable, key);
    r.draw({at(0, 0, 50, 0, 0), at(64, 0, 50, 1, 0), at(64, 64, 50, 1, 1), at(0, 64, 50, 0, 1)}, {0, 1, 2, 0, 2, 3});
    EXPECT_EQ(r.px(10, 10), 0xFFFFFFu);
    EXPECT_EQ(r.px(50, 10), key ? 0x123456u : 0u);
    EXPECT_EQ(r.px(10, 50), 0xFF0000u);
    EXPECT_EQ(r.px(50, 50), 0x00FF00u);
  }
  // Without the key flag no texel is transparent.
  auto opaque = Texture3D::fromSurface(*src, false);
  EXPECT_EQ(opaque->texels()[1], 0xFF000000u);
}

// One colour, (1.0, 0.5, 0.25), written in each format: 5-6-5 truncates each channel.
TEST(Device3D, EachPixelFormatGetsTheColourInItsLayout) {
  const struct {
    int bits;
    uint32_t pixel, cleared;
  } cases[] = {{16, 0xFC08, 0x07E0}, {24, 0xFF8040, 0x00FF00}, {32, 0xFF8040, 0x00FF00}};
  for (const auto& c : cases) {
    Rig r(64, 64, c.bits);
    r.device->clear(nullptr, ClearTarget, 0x00FF00, 1.0f);
    r.solidColor(1.0f, 0.5f, 0.25f);
    r.triangle(at(0, 0), at(40, 0), at(0, 40));
    EXPECT_EQ(r.px(5, 5), c.pixel) << c.bits;
    EXPECT_EQ(r.px(50, 50), c.cleared) << c.bits;
    // Blending reads the target back in its own format: adding black changes nothing.
    r.device->setRenderState(RenderState::AlphaBlendEnable, 1);
    r.device->setRenderState(RenderState::DestBlend, uint32_t(Blend::One));
    r.solidColor(0, 0, 0);
    r.triangle(at(0, 0, 10), at(40, 0, 10), at(0, 40, 10));
    EXPECT_EQ(r.px(5, 5), c.pixel) << c.bits;
  }
}

TEST(Device3D, TextureFiltersPointAndLinear) {
  auto src = Surface::create(2, 1, PixelFormat::forDepth(32));
  src->setPixel(0, 0, 0x000000);
  src->setPixel(1, 0, 0xFFFFFF);
  auto tex = Texture3D::fromSurface(*src, false);
  for (TextureFilter f : {TextureFilter::Point, TextureFilter::Linear, TextureFilter::Anisotropic}) {
    Rig r;
    r.device->setTexture(tex.get());
    r.device->setTextureStageState(TextureStageState::MinFilter, uint32_t(f));
    r.device->setTextureStageState(TextureStageState::MagFilter, uint32_t(f));
    // u from 0 to 1 over 64 pixels: column 32 is u = 0.5, between the two texel centres.
    r.draw({at(0, 0, 50, 0, 0), at(64, 0, 50, 1, 0), at(64, 64, 50, 1, 1), at(0, 64, 50, 0, 1)}, {0, 1, 2, 0, 2, 3});
    if (f == TextureFilter::Point) {
      EXPECT_EQ(r.px(31, 5), 0u);
      EXPECT_EQ(r.px(32, 5), 0xFFFFFFu);
    } else {
      EXPECT_EQ(r.px(32, 5), 0x808080u) << int(f);
      EXPECT_EQ(r.px(16, 5), 0u) << int(f);  // u = 0.25: the centre of texel 0
    }
  }
}

// Texture coordinates repeat outside 0..1, for power-of-two and other widths alike:
// u runs from -1 to 2 over pixels 0 to 60.
TEST(Device3D, TexturesRepeatOutsideZeroToOne) {
  const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  for (int width : {3, 4}) {
    auto src = Surface::create(width, 1, PixelFormat::forDepth(32));
    for (int i = 0; i < width; ++i) src->setPixel(i, 0, colours[i]);
    auto tex = Texture3D::fromSurface(*src, false);
    Rig r;
    r.device->setTexture(tex.get());
    r.draw({at(0, 0, 50, -1, 0), at(60, 0, 50, 2, 0), at(60, 10, 50, 2, 1), at(0, 10, 50, -1, 1)}, {0, 1, 2, 0, 2, 3});
    // Pixel x has u = -1 + x / 20, so texel floor(u * width) wrapped into the row.
    for (int x : {1, 8, 17, 22, 48, 59}) {  // none on a texel border
      float u = -1.0f + float(x) / 20.0f;
      int texel = int(std::floor(u * float(width)));
      texel = ((texel % width) + width) % width;
      EXPECT_EQ(r.px(x, 5), colours[texel]) << "width " << width << " x " << x;
    }
  }
}

// Corners far outside the screen are clipped to the guard band first; what reaches the
// screen is still every pixel, once.
TEST(Device3D, HugeTrianglesCoverTheScreenThroughTheGuardBand) {
  Rig r(128, 128);
  r.solidColor(1, 1, 1);
  r.triangle(at(-100000, -100000), at(300000, -100000), at(-100000, 300000));
  EXPECT_EQ(r.count(0xFFFFFF), 128 * 128);
}

TEST(Device3D, ViewportClipsAndClearsAndBadIndicesSkipTheirTriangle) {
  Rig r;
  r.solidColor(1, 1, 1);
  Viewport3D vp = r.device->viewport();
  r.device->setViewport({0, 0, 32, 64, 0, 1});
  // The projection still maps to 64 pixels wide, so half the picture falls outside.
  Matrix4 p = r.device->transform(TransformState::Projection);
  p.m[0][0] = 2.0f / 32.0f;
  r.device->setTransform(TransformState::Projection, p);
  r.triangle(at(0, 0), at(64, 0), at(0, 64));
  EXPECT_EQ(r.px(31, 2), 0xFFFFFFu);
  EXPECT_EQ(r.px(32, 2), 0u);
  // A clear stays inside the viewport: columns 30 to 33 asked, 30 and 31 cleared.
  Rect across{30, 40, 34, 42};
  r.device->clear(&across, ClearTarget, 0x123456, 1.0f);
  EXPECT_EQ(r.count(0x123456), 4);
  EXPECT_EQ(r.px(31, 41), 0x123456u);
  EXPECT_EQ(r.px(32, 41), 0u);
  r.device->setViewport(vp);
  Rect area{40, 40, 44, 42};
  r.device->clear(&area, ClearTarget, 0xABCDEF, 1.0f);
  EXPECT_EQ(r.count(0xABCDEF), 8);
  r.draw({at(0, 0), at(64, 0), at(0, 64)}, {0, 1, 3, 0, 1});
  EXPECT_EQ(r.px(40, 2), 0u);
  // A Z clear to 0 hides everything drawn at any depth above 0.
  r.device->clear(nullptr, ClearZBuffer, 0, 0.0f);
  r.triangle(at(0, 0, 1), at(64, 0, 1), at(0, 64, 1));
  EXPECT_EQ(r.px(40, 2), 0u);
}

// A busy scene: overlapping, blended, textured, fogged triangles. Two devices with two
// threads and one with a single thread produce the same bytes.
TEST(Device3D, TwoRunsAndAnyThreadCountGiveIdenticalBytes) {
  auto texSurface = Surface::create(16, 16, PixelFormat::forDepth(32));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) texSurface->setPixel(x, y, uint32_t(x * 16) << 16 | uint32_t(y * 16) << 8 | 0x40);
  auto tex = Texture3D::fromSurface(*texSurface, false);
  auto run = [&](int threads) {
    Rig r(160, 120, 16, threads);
    r.device->setTexture(tex.get());
    r.device->setTextureStageState(TextureStageState::MagFilter, uint32_t(TextureFilter::Linear));
    r.device->setTextureStageState(TextureStageState::MinFilter, uint32_t(TextureFilter::Linear));
    r.device->setRenderState(RenderState::AlphaBlendEnable, 1);
    r.device->setRenderState(RenderState::SrcBlend, uint32_t(Blend::One));
    r.device->setRenderState(RenderState::DestBlend, uint32_t(Blend::InvSrcColor));
    std::vector<Vertex3D> v;
    std::vector<uint32_t> idx;
    uint32_t seed = 12345;
    auto next = [&] {
      seed = seed * 1103515245u + 12345u;
      return float(seed >> 8 & 0xFFFF) / 65535.0f;
    };
    r.device->beginScene();
    for (int i = 0; i < 300; ++i) {
      v.push_back(at(next() * 200 - 20, next() * 160 - 20, next() * 100, next() * 3, next() * 3));
      if (i % 3 == 2) idx.insert(idx.end(), {uint32_t(i - 2), uint32_t(i - 1), uint32_t(i)});
    }
    r.draw(v, idx);
    r.device->endScene();
    std::vector<uint8_t> bytes(size_t(r.surface->pitch()) * 120);
    std::memcpy(bytes.data(), r.surface->row(0), bytes.size());
    return bytes;
  };
  std::vector<uint8_t> a = run(2), b = run(2), c = run(1);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, c);
  int nonBlack = 0;
  for (size_t i = 0; i < a.size(); i += 2) nonBlack += a[i] != 0 || a[i + 1] != 0;
  EXPECT_GT(nonBlack, 5000);
}

TEST(Device3D, MatrixHelpersFollowRowVectors) {
  Vec3 p = transformPoint({1, 0, 0}, rotationZ(Pi / 2));
  EXPECT_NEAR(p.x, 0, 1e-6);
  EXPECT_NEAR(p.y, 1, 1e-6);
  p = transformPoint({0, 0, 1}, rotationY(Pi / 2));
  EXPECT_NEAR(p.x, 1, 1e-6);
  EXPECT_NEAR(p.z, 0, 1e-6);
  p = transformPoint({0, 1, 0}, rotationX(Pi / 2));
  EXPECT_NEAR(p.z, 1, 1e-6);
  p = transformPoint({1, 2, 3}, scaling(2, 3, 4) * translation(1, 1, 1));
  EXPECT_FLOAT_EQ(p.x, 3);
  EXPECT_FLOAT_EQ(p.y, 7);
  EXPECT_FLOAT_EQ(p.z, 13);
}

}  // namespace
}  // namespace zt
