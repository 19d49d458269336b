// The software 3D device: a fixed-function pipeline that draws indexed triangle lists
// straight into a surface (16-bit 5-6-5, 24 or 32 bits) with a Z-buffer of its own.
// Matrices are row-vector matrices (a point p becomes p * M): world, then view, then
// projection. Lighting is per vertex and interpolated (Gouraud); fog is linear per vertex.
// The device draws on worker threads inside a call; every call returns with its work done
// (a scene's drawing is finished when endScene returns) and the pixels never depend on
// thread timing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "gfx/surface.h"

namespace zt {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

// m[row][column]; identity by default.
struct Matrix4 {
  float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

struct ColorValue {
  float r = 0, g = 0, b = 0, a = 0;
};

struct Material3D {
  ColorValue diffuse, ambient, specular, emissive;
  float power = 0;
};

enum class LightType { Point = 1, Spot = 2, Directional = 3 };

struct Light3D {
  LightType type = LightType::Directional;
  ColorValue diffuse, specular, ambient;
  Vec3 position, direction{0, 0, 1};
  float range = 0, falloff = 0;
  float attenuation0 = 0, attenuation1 = 0, attenuation2 = 0;
  float theta = 0, phi = 0;  // spot cone: full inner and outer angle in radians
};

// One vertex of a triangle list: position, normal, one texture coordinate.
struct Vertex3D {
  float x = 0, y = 0, z = 0;
  float nx = 0, ny = 0, nz = 0;
  float u = 0, v = 0;
};

enum class TransformState { World, View, Projection };

enum class Blend : uint32_t {
  Zero = 1, One, SrcColor, InvSrcColor, SrcAlpha, InvSrcAlpha,
  DestAlpha, InvDestAlpha, DestColor, InvDestColor,
};
enum class CullMode : uint32_t { None = 1, CW, CCW };
enum class FillMode : uint32_t { Point = 1, Wireframe, Solid };
enum class FogMode : uint32_t { None = 0, Exp, Exp2, Linear };
enum class TextureFilter : uint32_t { Point = 1, Linear, Anisotropic };

// Render states, each holding a 32-bit value as the old device's did (booleans 0/1,
// enums by their value, colours as 0xRRGGBB, floats by their bits).
enum class RenderState {
  ZEnable, ZWriteEnable, AlphaBlendEnable, ColorKeyEnable, SrcBlend, DestBlend,
  CullMode, FillMode, FogEnable, FogColor, FogVertexMode, FogTableMode, FogStart, FogEnd,
  Ambient, Lighting,
  Count
};

enum class TextureStageState { MinFilter, MagFilter };

struct Viewport3D {
  int x = 0, y = 0, width = 0, height = 0;
  float minZ = 0, maxZ = 1;
};

// Clear flags.
constexpr uint32_t ClearTarget = 1, ClearZBuffer = 2;

// Capability bits, as the old device described itself.
namespace caps {
constexpr uint32_t blendBit(Blend b) { return 1u << (uint32_t(b) - 1); }
constexpr uint32_t FilterLinear = 1, FilterAnisotropic = 2;  // both min and mag
constexpr uint32_t RasterFogVertex = 1, RasterFogTable = 2;
}  // namespace caps

struct DeviceCaps3D {
  bool hardwareTransformAndLight = true;
  uint32_t srcBlendCaps = 0, destBlendCaps = 0;  // caps::blendBit per supported factor
  uint32_t textureFilterCaps = 0;
  uint32_t rasterCaps = 0;
  bool colorKey = false;
  int maxLights = 0;  // 0 = no limit
};

// A texture the device samples: 32-bit 0xAARRGGBB texels, A = 0 where the source pixel
// equals the source's colour key (used when colour-key transparency is on).
class Texture3D {
 public:
  // Converts a surface of any of the three formats; returns null when out of memory.
  static std::unique_ptr<Texture3D> fromSurface(const Surface& src, bool useColorKey);
  static std::unique_ptr<Texture3D> fromColor(uint32_t rgb);
  int width() const { return w; }
  int height() const { return h; }
  const uint32_t* texels() const { return data.get(); }

 private:
  Texture3D(int width, int height);
  int w, h;
  std::unique_ptr<uint32_t[]> data;
};

class Device3D {
 public:
  // Draws into `target`, which must outlive the device; makes its own Z-buffer of the
  // target's size. Returns null when out of memory.
  static std::unique_ptr<Device3D> create(Surface& target, int threads = 2);
  ~Device3D();

  const DeviceCaps3D& caps() const;

  void setTransform(TransformState which, const Matrix4& m);
  const Matrix4& transform(TransformState which) const;
  void setViewport(const Viewport3D& vp);
  const Viewport3D& viewport() const;

  void setRenderState(RenderState s, uint32_t value);
  uint32_t renderState(RenderState s) const;
  void setTextureStageState(TextureStageState s, uint32_t value);

  void setMaterial(const Material3D& m);
  const Material3D& material() const;
  void setLight(int index, const Light3D& light);  // index 0 and up
  void lightEnable(int index, bool on);
  // Null: the lit colour alone. Drawing is deferred to endScene, so the texture must stay
  // alive until then (outside a scene, until the draw call returns).
  void setTexture(const Texture3D* texture);

  // Clears `area` (the whole viewport when null; only the part inside the viewport
  // otherwise) of the target to `color` (0xRRGGBB) and/or of the Z-buffer to `z`.
  void clear(const Rect* area, uint32_t flags, uint32_t color, float z);

  void beginScene();
  // Draws `indices.size() / 3` triangles of `vertices` with the current states.
  // Indices outside `vertices` skip their triangle. When memory runs out the rest of the
  // call's triangles are skipped (nothing is thrown).
  void drawIndexedTriangles(std::span<const Vertex3D> vertices, std::span<const uint32_t> indices);
  void endScene();

 private:
  Device3D();
  struct Impl;
  std::unique_ptr<Impl> impl;
};

// Row-vector matrix helpers shared by the device and the 3D engine.
Matrix4 operator*(const Matrix4& a, const Matrix4& b);
Vec3 transformPoint(const Vec3& p, const Matrix4& m);  // with the divide by w
Matrix4 rotationX(float radians);  // row 2 = (0, c, s), row 3 = (0, -s, c)
Matrix4 rotationY(float radians);  // row 1 = (c, 0, -s), row 3 = (s, 0, c)
Matrix4 rotationZ(float radians);  // row 1 = (c, s, 0), row 2 = (-s, c, 0)
Matrix4 translation(float x, float y, float z);
Matrix4 scaling(float x, float y, float z);

}  // namespace zt
