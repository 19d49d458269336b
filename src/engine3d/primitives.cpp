// The primitive meshes built from their geometry (the layout and winding are described in
// the header). Round shapes place segment s of n at angle 2 pi s / n with x = -r sin and
// z = r cos, so that u = s / n grows to the right seen from -z and reaches 0.75 at +x.
#include "engine3d/primitives.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace zt {
namespace {

constexpr float Tau = 2 * std::numbers::pi_v<float>;

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float length(Vec3 a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

// The unit vector of `a`, or `fallback` when `a` has no length.
Vec3 unit(Vec3 a, Vec3 fallback) {
  const float l = length(a);
  return l > 0 ? a * (1 / l) : fallback;
}

// Horizontal direction of segment s of n (see the file comment).
Vec3 around(int s, int n) {
  const float a = Tau * float(s) / float(n);
  return {-std::sin(a), 0, std::cos(a)};
}

// Appends vertices that carry their own normal, and triangles whose corners use the
// normals of their vertices.
struct Builder {
  PrimitiveMesh mesh;

  uint32_t vertex(Vec3 p, TexCoord t, Vec3 n) {
    mesh.positions.push_back(p);
    mesh.texCoords.push_back(t);
    mesh.normals.push_back(n);
    return uint32_t(mesh.positions.size() - 1);
  }
  void triangle(uint32_t a, uint32_t b, uint32_t c) {
    mesh.indices.insert(mesh.indices.end(), {a, b, c});
    mesh.normalIndices.insert(mesh.normalIndices.end(), {a, b, c});
  }
  // Two clockwise triangles of the quad seen from outside as top-left, top-right,
  // bottom-right, bottom-left.
  void quad(uint32_t tl, uint32_t tr, uint32_t br, uint32_t bl) {
    triangle(tl, tr, br);
    triangle(tl, br, bl);
  }
  PrimitiveMesh offset(float by) {
    for (Vec3& p : mesh.positions) p = p + Vec3{by, by, by};
    return std::move(mesh);
  }
};

// The six faces of a box of half extents h, each seen from outside with `right` and `up`.
PrimitiveMesh boxMesh(Vec3 h, float edgeUv) {
  struct Face {
    Vec3 normal, right, up;
  };
  static constexpr Face Faces[] = {
      {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},
      {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},   {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
      {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},   {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}},
  };
  auto scale = [&](Vec3 v) { return Vec3{v.x * h.x, v.y * h.y, v.z * h.z}; };
  const float lo = edgeUv, hi = 1 - edgeUv;
  Builder b;
  for (const Face& f : Faces) {
    const Vec3 c = scale(f.normal), r = scale(f.right), u = scale(f.up);
    const uint32_t tl = b.vertex(c - r + u, {lo, lo}, f.normal);
    const uint32_t tr = b.vertex(c + r + u, {hi, lo}, f.normal);
    const uint32_t br = b.vertex(c + r - u, {hi, hi}, f.normal);
    const uint32_t bl = b.vertex(c - r - u, {lo, hi}, f.normal);
    b.quad(tl, tr, br, bl);
  }
  return std::move(b.mesh);
}

constexpr float CubeEdgeUv = 0.0005f;

}  // namespace

PrimitiveMesh makeSphereMesh() {
  constexpr int Segments = 16, Bands = 8;
  Builder b;
  // Rows of vertices from the top pole (row 0) to the bottom pole (row Bands).
  std::vector<uint32_t> rowStart(Bands + 1);
  for (int row = 0; row <= Bands; ++row) {
    rowStart[row] = uint32_t(b.mesh.positions.size());
    const float polar = std::numbers::pi_v<float> * float(row) / Bands;
    const float v = float(row) / Bands;
    const bool pole = row == 0 || row == Bands;
    for (int s = 0; s < (pole ? Segments : Segments + 1); ++s) {
      const Vec3 n = around(s, Segments) * std::sin(polar) + Vec3{0, std::cos(polar), 0};
      const float u = (pole ? float(s) + 0.5f : float(s)) / Segments;
      b.vertex(n * 0.5f, {u, v}, pole ? Vec3{0, std::cos(polar), 0} : n);
    }
  }
  for (int s = 0; s < Segments; ++s) {
    const uint32_t top = rowStart[0] + uint32_t(s), bottom = rowStart[Bands] + uint32_t(s);
    b.triangle(top, rowStart[1] + uint32_t(s) + 1, rowStart[1] + uint32_t(s));
    for (int row = 1; row + 1 < Bands; ++row) {
      const uint32_t up = rowStart[row] + uint32_t(s), down = rowStart[row + 1] + uint32_t(s);
      b.quad(up, up + 1, down + 1, down);
    }
    const uint32_t last = rowStart[Bands - 1] + uint32_t(s);
    b.triangle(last, last + 1, bottom);
  }
  return b.offset(PrimitiveOffset);
}

PrimitiveMesh makeCubeMesh() {
  Builder b;
  b.mesh = boxMesh({0.5f, 0.5f, 0.5f}, CubeEdgeUv);
  return b.offset(PrimitiveOffset);
}

PrimitiveMesh makeBoxMesh(float width, float height, float depth) {
  return boxMesh({std::abs(width) / 2, std::abs(height) / 2, std::abs(depth) / 2}, CubeEdgeUv);
}

PrimitiveMesh makeCylinderMesh() {
  constexpr int Segments = 24;
  Builder b;
  // Caps: u = 0.5 + 0.5 cos a, v = 0.5 + 0.5 sin a at the point (0.5 cos a, y, 0.5 sin a).
  for (float y : {0.5f, -0.5f}) {
    const Vec3 normal{0, y * 2, 0};
    const uint32_t centre = b.vertex({0, y, 0}, {0.5f, 0.5f}, normal);
    for (int s = 0; s < Segments; ++s) {
      const float a = Tau * float(s) / Segments;
      b.vertex({0.5f * std::cos(a), y, 0.5f * std::sin(a)}, {0.5f + 0.5f * std::cos(a), 0.5f + 0.5f * std::sin(a)},
               normal);
    }
    for (int s = 0; s < Segments; ++s) {
      const uint32_t here = centre + 1 + uint32_t(s), next = centre + 1 + uint32_t((s + 1) % Segments);
      if (y > 0) {
        b.triangle(centre, next, here);
      } else {
        b.triangle(centre, here, next);
      }
    }
  }
  const uint32_t top = uint32_t(b.mesh.positions.size());
  for (int s = 0; s <= Segments; ++s) b.vertex(around(s, Segments) * 0.5f + Vec3{0, 0.5f, 0}, {float(s) / Segments, 0}, around(s, Segments));
  const uint32_t bottom = uint32_t(b.mesh.positions.size());
  for (int s = 0; s <= Segments; ++s) b.vertex(around(s, Segments) * 0.5f - Vec3{0, 0.5f, 0}, {float(s) / Segments, 1}, around(s, Segments));
  for (uint32_t s = 0; s < Segments; ++s) b.quad(top + s, top + s + 1, bottom + s + 1, bottom + s);
  return std::move(b.mesh);
}

PrimitiveMesh makePlainMesh() {
  Builder b;
  const Vec3 n{0, 0, -1};
  const uint32_t tl = b.vertex({-0.5f, 0.5f, 0}, {0, 0}, n), tr = b.vertex({0.5f, 0.5f, 0}, {1, 0}, n);
  const uint32_t br = b.vertex({0.5f, -0.5f, 0}, {1, 1}, n), bl = b.vertex({-0.5f, -0.5f, 0}, {0, 1}, n);
  b.quad(tl, tr, br, bl);
  return b.offset(PrimitiveOffset);
}

PrimitiveMesh makeConeMesh() {
  constexpr int Segments = 12;
  PrimitiveMesh m;
  const Vec3 down{0, -1, 0}, up{0, 1, 0}, apex{0, 0.5f, 0};
  // Side normals lean up by the slope of a cone of radius 0.5 and height 1.
  auto side = [](int s) { return unit(around(s, Segments) + Vec3{0, 0.5f, 0}, {0, 1, 0}); };
  m.positions.push_back({0, -0.5f, 0});
  m.texCoords.push_back({0.5f, 1});
  for (int s = 0; s <= Segments; ++s) {
    m.positions.push_back(around(s, Segments) * 0.5f - Vec3{0, 0.5f, 0});
    m.texCoords.push_back({float(s) / Segments, 1});
  }
  for (int s = 0; s <= Segments; ++s) {
    m.positions.push_back(apex);
    m.texCoords.push_back({float(s) / Segments, 0});
  }
  m.positions.push_back(apex);
  m.texCoords.push_back({0.5f, 0});
  const uint32_t baseCentre = 0, baseRing = 1, apexRing = baseRing + Segments + 1, tip = apexRing + Segments + 1;
  // Normals: the base (centre, then 12 around), the side at the base ring and at the apex
  // ring (13 each, the seam doubled), the apex fan (12 around, then the apex).
  const uint32_t nBase = 0, nSideBase = 1 + Segments, nSideApex = nSideBase + Segments + 1, nFan = nSideApex + Segments + 1;
  for (int i = 0; i <= Segments; ++i) m.normals.push_back(down);
  for (int ring = 0; ring < 2; ++ring)
    for (int s = 0; s <= Segments; ++s) m.normals.push_back(side(s));
  for (int i = 0; i <= Segments; ++i) m.normals.push_back(up);
  auto corner = [&](uint32_t vertex, uint32_t normal) {
    m.indices.push_back(vertex);
    m.normalIndices.push_back(normal);
  };
  for (uint32_t s = 0; s < Segments; ++s) {
    const uint32_t next = s + 1;
    corner(baseCentre, nBase);
    corner(baseRing + s, nBase + 1 + s);
    corner(baseRing + next, nBase + 1 + next % Segments);
  }
  for (uint32_t s = 0; s < Segments; ++s) {
    corner(apexRing + s, nSideApex + s);
    corner(apexRing + s + 1, nSideApex + s + 1);
    corner(baseRing + s + 1, nSideBase + s + 1);
    corner(apexRing + s, nSideApex + s);
    corner(baseRing + s + 1, nSideBase + s + 1);
    corner(baseRing + s, nSideBase + s);
  }
  for (uint32_t s = 0; s < Segments; ++s) {
    corner(tip, nFan + Segments);
    corner(apexRing + s + 1, nFan + (s + 1) % Segments);
    corner(apexRing + s, nFan + s);
  }
  for (Vec3& p : m.positions) p = p + Vec3{PrimitiveOffset, PrimitiveOffset, PrimitiveOffset};
  return m;
}

PrimitiveMesh makeTriangleMesh(Vec3 a, Vec3 b, Vec3 c) {
  Builder m;
  const Vec3 n = unit(cross(b - a, c - a), {0, 0, -1});
  m.triangle(m.vertex(a, {0, 0}, n), m.vertex(b, {1, 0}, n), m.vertex(c, {0, 1}, n));
  return std::move(m.mesh);
}

void scaleMesh(PrimitiveMesh& mesh, float x, float y, float z) {
  for (Vec3& p : mesh.positions) p = {p.x * x, p.y * y, p.z * z};
  // Normals go by the inverse transpose; the cofactors are that times the determinant and
  // stay defined when a factor is 0.
  const float det = x * y * z;
  const float sign = det < 0 ? -1.0f : 1.0f;
  for (Vec3& n : mesh.normals) n = unit(Vec3{n.x * y * z, n.y * x * z, n.z * x * y} * sign, n);
  if (det < 0) {
    for (size_t t = 0; t + 3 <= mesh.indices.size(); t += 3) {
      std::swap(mesh.indices[t + 1], mesh.indices[t + 2]);
      std::swap(mesh.normalIndices[t + 1], mesh.normalIndices[t + 2]);
    }
  }
}

}  // namespace zt
