// The primitive meshes: counts, the +0.001 offset, bounds, unit normals, texture coordinates
// in range, and every triangle with an area wound clockwise from outside (its (b - a) x
// (c - a) agrees with its corners' normals and points away from the shape's centre).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>

#include "engine3d/primitives.h"

namespace zt {
namespace {

Vec3 sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(Vec3 a) { return std::sqrt(dot(a, a)); }

struct Bounds {
  Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
};

Bounds bounds(const PrimitiveMesh& m) {
  Bounds b;
  for (const Vec3& p : m.positions) {
    b.lo = {std::min(b.lo.x, p.x), std::min(b.lo.y, p.y), std::min(b.lo.z, p.z)};
    b.hi = {std::max(b.hi.x, p.x), std::max(b.hi.y, p.y), std::max(b.hi.z, p.z)};
  }
  return b;
}

void expectBounds(const PrimitiveMesh& m, Vec3 lo, Vec3 hi) {
  const Bounds b = bounds(m);
  EXPECT_NEAR(b.lo.x, lo.x, 1e-6f);
  EXPECT_NEAR(b.lo.y, lo.y, 1e-6f);
  EXPECT_NEAR(b.lo.z, lo.z, 1e-6f);
  EXPECT_NEAR(b.hi.x, hi.x, 1e-6f);
  EXPECT_NEAR(b.hi.y, hi.y, 1e-6f);
  EXPECT_NEAR(b.hi.z, hi.z, 1e-6f);
}

// The checks every mesh passes; returns the number of triangles with no area. Faces must
// also point away from `centre` when it is given (closed, convex shapes).
int checkMesh(const PrimitiveMesh& m, std::optional<Vec3> centre) {
  EXPECT_EQ(m.texCoords.size(), m.positions.size());
  EXPECT_EQ(m.indices.size(), m.normalIndices.size());
  EXPECT_EQ(m.indices.size() % 3, 0u);
  for (const Vec3& n : m.normals) EXPECT_NEAR(length(n), 1, 1e-5f);
  for (const TexCoord& t : m.texCoords) {
    EXPECT_GE(t.u, 0);
    EXPECT_LE(t.u, 1);
    EXPECT_GE(t.v, 0);
    EXPECT_LE(t.v, 1);
  }
  int flat = 0;
  for (size_t t = 0; t < m.indices.size(); t += 3) {
    for (size_t c = t; c < t + 3; ++c) {
      EXPECT_LT(m.indices[c], m.positions.size());
      EXPECT_LT(m.normalIndices[c], m.normals.size());
    }
    if (m.indices[t + 2] >= m.positions.size() || m.normalIndices[t + 2] >= m.normals.size()) return flat;
    const Vec3 a = m.positions[m.indices[t]], b = m.positions[m.indices[t + 1]], c = m.positions[m.indices[t + 2]];
    const Vec3 face = cross(sub(b, a), sub(c, a));
    if (length(face) < 1e-7f) {
      ++flat;
      continue;
    }
    const Vec3 n0 = m.normals[m.normalIndices[t]], n1 = m.normals[m.normalIndices[t + 1]],
               n2 = m.normals[m.normalIndices[t + 2]];
    const Vec3 corners{n0.x + n1.x + n2.x, n0.y + n1.y + n2.y, n0.z + n1.z + n2.z};
    EXPECT_GT(dot(face, corners), 0) << "triangle " << t / 3;
    if (!centre) continue;
    const Vec3 mid{(a.x + b.x + c.x) / 3 - centre->x, (a.y + b.y + c.y) / 3 - centre->y,
                   (a.z + b.z + c.z) / 3 - centre->z};
    EXPECT_GT(dot(face, mid), 0) << "triangle " << t / 3;
  }
  return flat;
}

constexpr float O = PrimitiveOffset;

// A unit shape: its counts, the checks of every mesh (with `flat` triangles of no area) and
// its bounds of -0.5 to 0.5 on each axis, shifted by `offset`.
void expectUnitShape(const PrimitiveMesh& m, size_t vertices, size_t triangles, int flat, float offset) {
  EXPECT_EQ(m.positions.size(), vertices);
  EXPECT_EQ(m.indices.size(), triangles * 3);
  EXPECT_EQ(checkMesh(m, Vec3{offset, offset, offset}), flat);
  expectBounds(m, {-0.5f + offset, -0.5f + offset, -0.5f + offset}, {0.5f + offset, 0.5f + offset, 0.5f + offset});
}

TEST(Primitives, SphereRingsPolesAndMapping) {
  const PrimitiveMesh m = makeSphereMesh();
  expectUnitShape(m, 151, 224, 0, O);
  for (const Vec3& p : m.positions) EXPECT_NEAR(length(sub(p, {O, O, O})), 0.5f, 1e-6f);
  // The first 16 vertices are the top pole, u at the middle of each segment, v = 0.
  for (int s = 0; s < 16; ++s) {
    EXPECT_FLOAT_EQ(m.positions[s].y, 0.5f + O);
    EXPECT_FLOAT_EQ(m.texCoords[s].u, (s + 0.5f) / 16);
    EXPECT_EQ(m.texCoords[s].v, 0);
  }
  // The first ring: 22.5 degrees down, u = 0 at +z (the seam), 0.75 at +x, and the seam
  // doubled at u = 1; the last vertex is the bottom pole at v = 1.
  EXPECT_NEAR(m.positions[16].y - O, 0.5f * std::cos(0.3926991f), 1e-6f);
  EXPECT_GT(m.positions[16].z, 0.19f);
  EXPECT_FLOAT_EQ(m.texCoords[16 + 12].u, 0.75f);
  EXPECT_NEAR(m.positions[16 + 12].x - O, 0.5f * std::sin(0.3926991f), 1e-6f);
  EXPECT_FLOAT_EQ(m.texCoords[16 + 16].u, 1);
  EXPECT_FLOAT_EQ(m.texCoords[16].v, 0.125f);
  EXPECT_EQ(m.texCoords.back().v, 1);
}

TEST(Primitives, CubeAndBoxFaces) {
  const PrimitiveMesh cube = makeCubeMesh();
  expectUnitShape(cube, 24, 12, 0, O);
  for (const TexCoord& t : cube.texCoords) {
    EXPECT_TRUE(t.u == 0.0005f || t.u == 0.9995f);
    EXPECT_TRUE(t.v == 0.0005f || t.v == 0.9995f);
  }
  // The front face (-z) reads left to right along +x, top to bottom along -y.
  EXPECT_LT(cube.positions[0].x, cube.positions[1].x);
  EXPECT_GT(cube.positions[0].y, cube.positions[3].y);
  EXPECT_LT(cube.positions[0].z, 0);

  const PrimitiveMesh box = makeBoxMesh(2, -4, 6);  // a negative size gives the same box
  EXPECT_EQ(box.positions.size(), 24u);
  EXPECT_EQ(checkMesh(box, Vec3{0, 0, 0}), 0);
  expectBounds(box, {-1, -2, -3}, {1, 2, 3});
  const PrimitiveMesh flat = makeBoxMesh(2, 0, 2);
  EXPECT_EQ(checkMesh(flat, std::nullopt), 8);  // the four sides have no area
  expectBounds(flat, {-1, 0, -1}, {1, 0, 1});
}

TEST(Primitives, CylinderCapsAndSide) {
  const PrimitiveMesh m = makeCylinderMesh();
  expectUnitShape(m, 100, 96, 0, 0);  // no offset
  // Cap texture coordinates follow the angle: (0.5, 0.5) at the centre, u = 0.5 + 0.5 cos a.
  EXPECT_FLOAT_EQ(m.texCoords[0].u, 0.5f);
  EXPECT_FLOAT_EQ(m.texCoords[0].v, 0.5f);
  EXPECT_FLOAT_EQ(m.texCoords[1].u, 1);
  EXPECT_NEAR(m.texCoords[7].u, 0.5f, 1e-6f);  // 90 degrees
  EXPECT_FLOAT_EQ(m.texCoords[7].v, 1);
  // The side's top ring runs u 0 to 1 at v = 0, the bottom ring at v = 1.
  EXPECT_EQ(m.texCoords[50].u, 0);
  EXPECT_EQ(m.texCoords[50].v, 0);
  EXPECT_FLOAT_EQ(m.texCoords[74].u, 1);
  EXPECT_EQ(m.texCoords[75].v, 1);
}

TEST(Primitives, PlainFacesMinusZ) {
  const PrimitiveMesh m = makePlainMesh();
  EXPECT_EQ(m.positions.size(), 4u);
  EXPECT_EQ(m.indices.size(), 2u * 3);
  EXPECT_EQ(checkMesh(m, Vec3{O, O, 1}), 0);  // "outside" is the -z side
  expectBounds(m, {-0.5f + O, -0.5f + O, O}, {0.5f + O, 0.5f + O, O});
  for (const Vec3& n : m.normals) EXPECT_EQ(n.z, -1);
}

TEST(Primitives, ConeRingsApexAndNormals) {
  const PrimitiveMesh m = makeConeMesh();
  // 12 side triangles span two apex vertices and the 12 of the apex fan have no area.
  expectUnitShape(m, 28, 48, 24, O);
  EXPECT_EQ(m.normals.size(), 52u);
  // Base ring: v = 1, u = 0.75 at +x; apex ring at v = 0.
  EXPECT_FLOAT_EQ(m.texCoords[1 + 9].u, 0.75f);
  EXPECT_NEAR(m.positions[1 + 9].x - O, 0.5f, 1e-6f);
  EXPECT_EQ(m.texCoords[1 + 9].v, 1);
  for (int i = 14; i < 28; ++i) {
    EXPECT_FLOAT_EQ(m.positions[i].y, 0.5f + O);
    EXPECT_EQ(m.texCoords[i].v, 0);
  }
  // Side normals lean up by the slope (radius 0.5 over height 1).
  const Vec3 side = m.normals[m.normalIndices[12 * 3 + 2]];
  EXPECT_NEAR(side.y, 0.5f / std::sqrt(1.25f), 1e-6f);
}

TEST(Primitives, TriangleFacesItsWinding) {
  const PrimitiveMesh m = makeTriangleMesh({0, 0, 0}, {0, 1, 0}, {1, 0, 0});
  EXPECT_EQ(m.positions.size(), 3u);
  EXPECT_EQ(m.indices.size(), 3u);
  EXPECT_EQ(checkMesh(m, Vec3{0, 0, 1}), 0);
  EXPECT_FLOAT_EQ(m.normals[0].z, -1);
  EXPECT_FLOAT_EQ(m.texCoords[1].u, 1);
  // No area: a normal towards -z all the same.
  const PrimitiveMesh line = makeTriangleMesh({0, 0, 0}, {1, 1, 1}, {2, 2, 2});
  EXPECT_FLOAT_EQ(line.normals[2].z, -1);
}

TEST(Primitives, ScalingKeepsTheOutsideOutside) {
  const std::function<PrimitiveMesh()> makers[] = {makeSphereMesh, makeCubeMesh, makeCylinderMesh, makeConeMesh};
  const Vec3 scales[] = {{3, 3, 3}, {2, 0.5f, 4}, {-1, 1, 1}, {-2, -2, -2}, {1, -3, -1}};
  for (const auto& make : makers)
    for (const Vec3& s : scales) {
      SCOPED_TRACE(std::to_string(s.x) + " " + std::to_string(s.y) + " " + std::to_string(s.z));
      PrimitiveMesh m = make();
      const int flat = checkMesh(m, Vec3{O, O, O});
      scaleMesh(m, s.x, s.y, s.z);
      EXPECT_EQ(checkMesh(m, Vec3{O * s.x, O * s.y, O * s.z}), flat);
    }
  PrimitiveMesh m = makeCubeMesh();
  scaleMesh(m, 10, 20, 30);
  expectBounds(m, {-5 + 10 * O, -10 + 20 * O, -15 + 30 * O}, {5 + 10 * O, 10 + 20 * O, 15 + 30 * O});
  // Flattened to nothing along x: the normals stay unit.
  scaleMesh(m, 0, 1, 1);
  for (const Vec3& n : m.normals) EXPECT_NEAR(length(n), 1, 1e-5f);
}

}  // namespace
}  // namespace zt
