// The collision world: exact intersection of every pair of shape kinds with touching counted
// as a hit, placement by row-vector matrices (rotation, scale, mirror, the centre offset),
// pairs of one owner ignored, the same pairs in the same order with the broad phase on and
// off, and the degenerate shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "engine3d/collision_world.h"

namespace zt {
namespace {

Matrix4 at(float x, float y, float z) {
  Matrix4 m;
  m.m[3][0] = x;
  m.m[3][1] = y;
  m.m[3][2] = z;
  return m;
}

// Rotation about z by `degrees` (row vectors), then the translation.
Matrix4 turnedZ(float degrees, float x = 0, float y = 0, float z = 0) {
  Matrix4 m = at(x, y, z);
  const float c = std::cos(degrees * 0.017453292f), s = std::sin(degrees * 0.017453292f);
  m.m[0][0] = c;
  m.m[0][1] = s;
  m.m[1][0] = -s;
  m.m[1][1] = c;
  return m;
}

Matrix4 scaled(float sx, float sy, float sz, float x = 0, float y = 0, float z = 0) {
  Matrix4 m = at(x, y, z);
  m.m[0][0] = sx;
  m.m[1][1] = sy;
  m.m[2][2] = sz;
  return m;
}

VolumeShape box(float w, float h, float d) { return {VolumeKind::Box, {w, h, d}, {}, {}, {}}; }
VolumeShape sphere(float r) { return {VolumeKind::Sphere, {r, 0, 0}, {}, {}, {}}; }
VolumeShape cylinder(float r, float h) { return {VolumeKind::Cylinder, {r, h, 0}, {}, {}, {}}; }
VolumeShape cone(float r, float h) { return {VolumeKind::Cone, {r, h, 0}, {}, {}, {}}; }

// A closed soup in the shape of a box of the given half extents (12 triangles).
VolumeShape boxSoup(float hx, float hy, float hz) {
  VolumeShape s;
  s.kind = VolumeKind::Soup;
  for (int i = 0; i < 8; ++i)
    s.vertices.insert(s.vertices.end(), {(i & 1) ? hx : -hx, (i & 2) ? hy : -hy, (i & 4) ? hz : -hz});
  s.triangles = {0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1,
                 2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3};
  return s;
}

struct Hits {
  std::vector<std::pair<int, int>> owners;
  std::vector<CollisionPair> pairs;
  PassCounts counts;
};

Hits run(CollisionWorld& w) {
  Hits h;
  h.counts = w.pass([&](const CollisionPair& p) {
    h.owners.emplace_back(p.ownerA, p.ownerB);
    h.pairs.push_back(p);
  });
  return h;
}

// Whether two volumes placed at their matrices intersect, asked of a fresh world with the
// broad phase on and off (which must agree).
bool hit(const VolumeShape& a, const Matrix4& ma, const VolumeShape& b, const Matrix4& mb) {
  bool result[2];
  for (int broad = 0; broad < 2; ++broad) {
    CollisionWorld w;
    w.setBroadPhase(broad == 1);
    const VolumeId ia = w.add(1, a), ib = w.add(2, b);
    EXPECT_NE(ia, 0u);
    EXPECT_NE(ib, 0u);
    EXPECT_TRUE(w.place(ia, ma));
    EXPECT_TRUE(w.place(ib, mb));
    result[broad] = run(w).counts.hits == 1;
  }
  EXPECT_EQ(result[0], result[1]);
  return result[1];
}

TEST(CollisionWorld, UnitSpheresCollideAt19ApartNotAt21AndTouchingCounts) {
  EXPECT_TRUE(hit(sphere(1), at(0, 0, 0), sphere(1), at(1.9f, 0, 0)));
  EXPECT_FALSE(hit(sphere(1), at(0, 0, 0), sphere(1), at(2.1f, 0, 0)));
  EXPECT_TRUE(hit(sphere(1), at(0, 0, 0), sphere(1), at(0, 2, 0)));
  // The contact tolerance: last gap that touches, first that does not.
  EXPECT_TRUE(hit(sphere(1), at(0, 0, 0), sphere(1), at(0, 0, 2.0000005f)));
  EXPECT_FALSE(hit(sphere(1), at(0, 0, 0), sphere(1), at(0, 0, 2.000003f)));
}

// Every pair of kinds, side by side along x, both with half extent 1 along x: overlapping by
// 0.1, touching, and 0.001 apart. A cone reaches x = 1 only with its base rim (at y = -1),
// so a shape beside a cone stands at y = -1 too.
TEST(CollisionWorld, EveryPairOfKindsOverlapsTouchesAndSeparates) {
  const std::vector<std::pair<const char*, VolumeShape>> kinds = {
      {"box", box(2, 2, 2)},       {"sphere", sphere(1)}, {"cylinder", cylinder(1, 2)},
      {"cone", cone(1, 2)},        {"soup", boxSoup(1, 1, 1)}};
  for (size_t i = 0; i < kinds.size(); ++i)
    for (size_t j = i; j < kinds.size(); ++j) {
      SCOPED_TRACE(std::string(kinds[i].first) + " against " + kinds[j].first);
      const VolumeShape& a = kinds[i].second;
      const VolumeShape& b = kinds[j].second;
      const Matrix4 ma = at(0, b.kind == VolumeKind::Cone && a.kind != VolumeKind::Cone ? -1 : 0, 0);
      EXPECT_TRUE(hit(a, ma, b, at(1.9f, 0, 0)));
      EXPECT_TRUE(hit(a, ma, b, at(2, 0, 0)));
      EXPECT_FALSE(hit(a, ma, b, at(2.001f, 0, 0)));
      EXPECT_FALSE(hit(a, ma, b, at(0, 0, 30)));
    }
}

TEST(CollisionWorld, ConeNarrowsTowardsItsApexOnPlusY) {
  // Radius 1 at y = -1, 0.5 at y = 0, 0 at y = 1.
  EXPECT_TRUE(hit(cone(1, 2), at(0, 0, 0), sphere(0.1f), at(0.55f, 0, 0)));
  EXPECT_FALSE(hit(cone(1, 2), at(0, 0, 0), sphere(0.1f), at(0.75f, 0, 0)));
  EXPECT_TRUE(hit(cone(1, 2), at(0, 0, 0), sphere(0.1f), at(0.9f, -0.95f, 0)));
  EXPECT_FALSE(hit(cone(1, 2), at(0, 0, 0), sphere(0.1f), at(0.9f, 0.9f, 0)));
  // The cylinder keeps its full radius at both ends.
  EXPECT_TRUE(hit(cylinder(1, 2), at(0, 0, 0), sphere(0.1f), at(0.9f, 0.9f, 0)));
  EXPECT_FALSE(hit(cylinder(1, 2), at(0, 0, 0), sphere(0.1f), at(0, 1.2f, 0)));
}

TEST(CollisionWorld, RotatedBoxFollowsItsMatrix) {
  // A bar 4 long in x; a ball above its middle, clear of it until the bar turns upright.
  const VolumeShape bar = box(4, 1, 1);
  EXPECT_FALSE(hit(bar, at(0, 0, 0), sphere(0.5f), at(0, 1.5f, 0)));
  EXPECT_TRUE(hit(bar, turnedZ(90), sphere(0.5f), at(0, 1.5f, 0)));
  EXPECT_FALSE(hit(bar, turnedZ(90), sphere(0.5f), at(1.5f, 0, 0)));
  // At 45 degrees the bar's end reaches (1.41 + ..., 1.41 + ...).
  EXPECT_TRUE(hit(bar, turnedZ(45), sphere(0.3f), at(1.4f, 1.4f, 0)));
  EXPECT_FALSE(hit(bar, turnedZ(-45), sphere(0.3f), at(1.4f, 1.4f, 0)));
  // The matrix's translation applies after the rotation.
  EXPECT_TRUE(hit(bar, turnedZ(90, 10, 0, 0), sphere(0.5f), at(10, 1.5f, 0)));
}

TEST(CollisionWorld, CentreOffsetIsInLimbSpace) {
  VolumeShape b = box(1, 1, 1);
  b.centre = {5, 0, 0};
  EXPECT_TRUE(hit(b, at(0, 0, 0), sphere(0.2f), at(5, 0, 0)));
  EXPECT_FALSE(hit(b, at(0, 0, 0), sphere(0.2f), at(0, 0, 0)));
  // Turned 90 degrees about z, limb x points along world y; scaled by 2 the offset doubles.
  EXPECT_TRUE(hit(b, turnedZ(90), sphere(0.2f), at(0, 5, 0)));
  EXPECT_TRUE(hit(b, scaled(2, 2, 2, 1, 0, 0), sphere(0.2f), at(11, 0, 0)));
  EXPECT_FALSE(hit(b, scaled(2, 2, 2, 1, 0, 0), sphere(0.2f), at(6, 0, 0)));
  VolumeShape s = sphere(1);
  s.centre = {0, 0, -3};
  EXPECT_TRUE(hit(s, at(0, 0, 10), sphere(1), at(0, 0, 8)));
  EXPECT_FALSE(hit(s, at(0, 0, 10), sphere(1), at(0, 0, 10)));
}

TEST(CollisionWorld, ScaleStretchesEveryKind) {
  // Uniform and uneven: the box and soup exactly, the sphere as an ellipsoid.
  EXPECT_TRUE(hit(sphere(1), scaled(2, 2, 2), sphere(0.1f), at(2, 0, 0)));
  EXPECT_TRUE(hit(sphere(1), scaled(3, 1, 1), sphere(0.1f), at(3, 0, 0)));
  EXPECT_FALSE(hit(sphere(1), scaled(3, 1, 1), sphere(0.1f), at(0, 1.2f, 0)));
  EXPECT_FALSE(hit(sphere(1), scaled(3, 1, 1), sphere(0.1f), at(2.2f, 0.8f, 0)));
  EXPECT_TRUE(hit(box(2, 2, 2), scaled(1, 3, 1), sphere(0.1f), at(0, 3, 0)));
  EXPECT_FALSE(hit(box(2, 2, 2), scaled(1, 3, 1), sphere(0.1f), at(1.2f, 0, 0)));
  EXPECT_TRUE(hit(boxSoup(1, 1, 1), scaled(1, 1, 4), sphere(0.1f), at(0, 0, 4)));
  EXPECT_FALSE(hit(boxSoup(1, 1, 1), scaled(1, 1, 4), sphere(0.1f), at(0, 0, 4.2f)));
  // Cylinders and cones take the larger of the x and z scales as the radius scale.
  EXPECT_TRUE(hit(cylinder(1, 2), scaled(2, 1, 1), sphere(0.1f), at(0, 0, 2)));
  EXPECT_TRUE(hit(cylinder(1, 2), scaled(1, 5, 1), sphere(0.1f), at(0, 5, 0)));
  EXPECT_FALSE(hit(cylinder(1, 2), scaled(1, 5, 1), sphere(0.1f), at(1.2f, 0, 0)));
  // A mirrored cone points its apex the other way.
  EXPECT_FALSE(hit(cone(1, 2), at(0, 0, 0), sphere(0.05f), at(0.8f, 0.9f, 0)));
  EXPECT_TRUE(hit(cone(1, 2), scaled(1, -1, 1), sphere(0.05f), at(0.8f, 0.9f, 0)));
  // A soup sheared by a skewed matrix: the top face slides along x with height.
  Matrix4 shear;
  shear.m[1][0] = 2;  // y moves points along x
  EXPECT_TRUE(hit(boxSoup(1, 1, 1), shear, sphere(0.1f), at(3, 1, 0)));
  EXPECT_FALSE(hit(boxSoup(1, 1, 1), shear, sphere(0.1f), at(-3, 1, 0)));
}

TEST(CollisionWorld, RescalingRebuildsAndReturnsToTheOldShape) {
  CollisionWorld w;
  const VolumeId soup = w.add(1, boxSoup(1, 1, 1)), ball = w.add(2, sphere(0.1f));
  ASSERT_TRUE(w.place(ball, at(3, 0, 0)));
  for (float s : {1.0f, 3.0f, 1.0f, 0.5f, 3.0f}) {
    ASSERT_TRUE(w.place(soup, scaled(s, s, s)));
    EXPECT_EQ(run(w).counts.hits, s >= 3 ? 1 : 0) << s;
  }
}

TEST(CollisionWorld, PairsOfOneOwnerAreIgnoredAndEachOtherPairReported) {
  for (bool broad : {true, false}) {
    CollisionWorld w;
    w.setBroadPhase(broad);
    const VolumeId a1 = w.add(7, sphere(1)), a2 = w.add(7, sphere(1)), b = w.add(9, box(1, 1, 1));
    ASSERT_TRUE(w.place(a1, at(0, 0, 0)));
    ASSERT_TRUE(w.place(a2, at(0.5f, 0, 0)));
    Hits alone = run(w);
    EXPECT_TRUE(alone.owners.empty());
    EXPECT_EQ(alone.counts.pairsTested, 0);
    ASSERT_TRUE(w.place(b, at(0.2f, 0, 0)));
    Hits h = run(w);
    ASSERT_EQ(h.pairs.size(), 2u);
    EXPECT_EQ(h.pairs[0].volumeA, a1);
    EXPECT_EQ(h.pairs[0].volumeB, b);
    EXPECT_EQ(h.pairs[1].volumeA, a2);
    EXPECT_EQ(h.owners[0], std::make_pair(7, 9));
    EXPECT_EQ(h.owners[1], std::make_pair(7, 9));
  }
}

TEST(CollisionWorld, BroadPhaseOnAndOffGiveTheSamePairsInTheSameOrder) {
  std::mt19937 random(12345);
  std::uniform_real_distribution<float> pos(-12, 12), unit(0.3f, 1.5f), angle(0, 360);
  CollisionWorld w;
  std::vector<VolumeId> ids;
  for (int i = 0; i < 240; ++i) {
    VolumeShape s;
    switch (i % 5) {
      case 0: s = box(unit(random), unit(random), unit(random)); break;
      case 1: s = sphere(unit(random)); break;
      case 2: s = cylinder(unit(random), unit(random)); break;
      case 3: s = cone(unit(random), unit(random)); break;
      default: s = boxSoup(unit(random), unit(random), unit(random)); break;
    }
    ids.push_back(w.add(i / 2, s));  // two volumes per owner
  }
  for (int round = 0; round < 3; ++round) {
    for (VolumeId id : ids) {
      Matrix4 m = turnedZ(angle(random), pos(random), pos(random), pos(random) / 4);
      const float s = unit(random);
      for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m.m[r][c] *= s;
      ASSERT_TRUE(w.place(id, m));
    }
    w.setBroadPhase(true);
    const Hits on = run(w);
    w.setBroadPhase(false);
    const Hits off = run(w);
    EXPECT_GT(on.pairs.size(), 20u);
    ASSERT_EQ(on.pairs.size(), off.pairs.size());
    for (size_t i = 0; i < on.pairs.size(); ++i) {
      EXPECT_EQ(on.pairs[i].volumeA, off.pairs[i].volumeA);
      EXPECT_EQ(on.pairs[i].volumeB, off.pairs[i].volumeB);
      EXPECT_NE(on.pairs[i].ownerA, on.pairs[i].ownerB);
    }
    EXPECT_LT(on.counts.pairsTested, off.counts.pairsTested / 4);
    // Off, every pair of two owners is tested: 240 volumes, 120 owners of two.
    EXPECT_EQ(off.counts.pairsTested, 240 * 239 / 2 - 120);
  }
}

TEST(CollisionWorld, AddRebuildRemoveAndWithdraw) {
  CollisionWorld w;
  const VolumeId a = w.add(1, sphere(1)), b = w.add(2, sphere(1));
  EXPECT_EQ(w.volumeCount(), 2u);
  // Not placed yet: no part in a pass.
  EXPECT_EQ(run(w).counts.pairsTested, 0);
  ASSERT_TRUE(w.place(a, at(0, 0, 0)));
  ASSERT_TRUE(w.place(b, at(3, 0, 0)));
  EXPECT_EQ(run(w).counts.hits, 0);
  ASSERT_TRUE(w.rebuild(b, box(8, 1, 1)));  // keeps its placement
  EXPECT_EQ(run(w).counts.hits, 1);
  // An unusable shape or an unknown volume changes nothing.
  EXPECT_FALSE(w.rebuild(b, sphere(NAN)));
  EXPECT_FALSE(w.rebuild(999, sphere(1)));
  EXPECT_EQ(run(w).counts.hits, 1);
  w.withdraw(b);
  EXPECT_EQ(run(w).counts.hits, 0);
  ASSERT_TRUE(w.place(b, at(3, 0, 0)));
  EXPECT_EQ(run(w).counts.hits, 1);
  w.remove(b);
  w.remove(b);
  EXPECT_EQ(w.volumeCount(), 1u);
  EXPECT_EQ(run(w).counts.hits, 0);
  EXPECT_FALSE(w.place(b, at(0, 0, 0)));
  // Ids are not reused.
  EXPECT_GT(w.add(3, sphere(1)), b);
}

TEST(CollisionWorld, NonFiniteInputIsRefusedWithoutHarm) {
  CollisionWorld w;
  EXPECT_EQ(w.add(1, box(1, INFINITY, 1)), 0u);
  VolumeShape s = sphere(1);
  s.centre.x = NAN;
  EXPECT_EQ(w.add(1, s), 0u);
  const VolumeId a = w.add(1, sphere(1)), b = w.add(2, sphere(1));
  ASSERT_TRUE(w.place(a, at(0, 0, 0)));
  ASSERT_TRUE(w.place(b, at(0, 0, 0)));
  EXPECT_EQ(run(w).counts.hits, 1);
  EXPECT_FALSE(w.place(b, at(NAN, 0, 0)));  // withdrawn
  EXPECT_EQ(run(w).counts.hits, 0);
}

TEST(CollisionWorld, ZeroSizedShapesAreThinButSolid) {
  // A flat box is a rectangle: what crosses it hits, what lies beside it does not.
  EXPECT_TRUE(hit(box(2, 0, 2), at(0, 0, 0), sphere(0.5f), at(0.5f, 0.3f, 0)));
  EXPECT_TRUE(hit(box(2, 0, 2), at(0, 0, 0), box(0.5f, 0.5f, 0.5f), at(0, 0.25f, 0)));
  EXPECT_FALSE(hit(box(2, 0, 2), at(0, 0, 0), sphere(0.5f), at(0, 0.501f, 0)));
  EXPECT_TRUE(hit(box(2, 0, 2), at(0, 0, 0), box(2, 0, 2), turnedZ(90)));
  // A sphere of radius 0 is a point: inside a box it hits, outside not.
  EXPECT_TRUE(hit(sphere(0), at(0.3f, 0.3f, 0.3f), box(1, 1, 1), at(0, 0, 0)));
  EXPECT_FALSE(hit(sphere(0), at(0.6f, 0, 0), box(1, 1, 1), at(0, 0, 0)));
  EXPECT_TRUE(hit(sphere(0), at(0, 0, 0), sphere(0), at(0, 0, 0)));
  // Scaled to nothing a box is a point at its centre.
  EXPECT_TRUE(hit(box(1, 1, 1), scaled(0, 0, 0, 2, 0, 0), sphere(0.1f), at(2, 0.05f, 0)));
  EXPECT_FALSE(hit(box(1, 1, 1), scaled(0, 0, 0, 2, 0, 0), sphere(0.1f), at(2.2f, 0, 0)));
}

TEST(CollisionWorld, SoupsAreSurfaces) {
  // A shape wholly inside a closed soup does not touch it; one crossing its wall does.
  EXPECT_FALSE(hit(boxSoup(2, 2, 2), at(0, 0, 0), sphere(0.5f), at(0, 0, 0)));
  EXPECT_TRUE(hit(boxSoup(2, 2, 2), at(0, 0, 0), sphere(0.5f), at(1.8f, 0, 0)));
  // A soup wholly inside a solid shape does.
  EXPECT_TRUE(hit(boxSoup(0.2f, 0.2f, 0.2f), at(0, 0, 0), box(2, 2, 2), at(0, 0, 0)));
  // One triangle, as MAKE OBJECT TRIANGLE makes: hit through its face, missed beside it.
  VolumeShape tri;
  tri.kind = VolumeKind::Soup;
  tri.vertices = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  tri.triangles = {0, 1, 2};
  EXPECT_TRUE(hit(tri, at(0, 0, 0), sphere(0.1f), at(0.2f, 0.2f, 0.05f)));
  EXPECT_FALSE(hit(tri, at(0, 0, 0), sphere(0.1f), at(0.7f, 0.7f, 0)));
  EXPECT_TRUE(hit(tri, at(0, 0, 0), tri, at(0.2f, 0.2f, 0)));
  // Flattened into a line by its scale it carries no surface and never hits.
  EXPECT_FALSE(hit(tri, scaled(1, 0, 1), sphere(1), at(0, 0, 0)));
  // A vertex no triangle uses does not count, even a non-finite one far away.
  tri.vertices.insert(tri.vertices.end(), {NAN, 0, 0, 50, 50, 50});
  EXPECT_TRUE(hit(tri, at(0, 0, 0), sphere(0.1f), at(0.2f, 0.2f, 0.05f)));
  EXPECT_FALSE(hit(tri, at(0, 0, 0), sphere(0.1f), at(50, 50, 50)));
}

TEST(CollisionWorld, SoupsLeaveOutTrianglesWithoutSurface) {
  CollisionWorld w;
  VolumeShape s;
  s.kind = VolumeKind::Soup;
  s.vertices = {0, 0, 0, 1, 1, 1, 2, 2, 2, 0, 1, 0};
  s.triangles = {0, 1, 2};  // collinear
  EXPECT_EQ(w.add(1, s), 0u);
  s.triangles = {0, 0, 3, 0, 1, 4};  // a repeated corner, an index past the vertices
  EXPECT_EQ(w.add(1, s), 0u);
  s.triangles.clear();
  EXPECT_EQ(w.add(1, s), 0u);
  s.vertices.push_back(5);  // not a whole vertex
  s.triangles = {0, 1, 3};
  EXPECT_EQ(w.add(1, s), 0u);
  s.vertices.pop_back();
  EXPECT_NE(w.add(1, s), 0u);
}

const float Square[] = {0, 0, 0, 2, 0, 0, 2, 4, 0, 0, 4, 0};
const uint32_t SquareFaces[] = {0, 1, 2, 0, 2, 3};

TEST(CollisionWorld, ShapeCodesGiveTheirVolumes) {
  using namespace shape_code;
  auto v = volumeForShapeCode(Box, {2, 3, -4}, {}, {});
  ASSERT_TRUE(v);
  EXPECT_EQ(v->kind, VolumeKind::Box);
  EXPECT_FLOAT_EQ(v->size.z, 4);
  v = volumeForShapeCode(Sphere, {3, 0, 0}, {}, {});
  EXPECT_EQ(v->kind, VolumeKind::Sphere);
  EXPECT_FLOAT_EQ(v->size.x, 1.5f);
  v = volumeForShapeCode(Cube, {3, 0, 0}, {}, {});
  EXPECT_FLOAT_EQ(v->size.y, 3);
  for (int code : {Cylinder, Cone}) {
    v = volumeForShapeCode(code, {3, 0, 0}, {}, {});
    EXPECT_EQ(v->kind, code == Cylinder ? VolumeKind::Cylinder : VolumeKind::Cone);
    EXPECT_FLOAT_EQ(v->size.x, 1.5f);
    EXPECT_FLOAT_EQ(v->size.y, 3);
  }
  v = volumeForShapeCode(Plain, {2, 5, 0}, {}, {});
  EXPECT_FLOAT_EQ(v->size.x, 2);
  EXPECT_FLOAT_EQ(v->size.y, 5);
  EXPECT_FLOAT_EQ(v->size.z, 1);
  // The bounding box of the mesh's vertices, centred on its centre.
  v = volumeForShapeCode(BoundingBoxes, {}, Square, SquareFaces);
  EXPECT_EQ(v->kind, VolumeKind::Box);
  EXPECT_FLOAT_EQ(v->size.x, 2);
  EXPECT_FLOAT_EQ(v->size.y, 4);
  EXPECT_FLOAT_EQ(v->size.z, 0);
  EXPECT_FLOAT_EQ(v->centre.x, 1);
  EXPECT_FLOAT_EQ(v->centre.y, 2);
  // The bounding sphere: the farthest vertex from the box centre; 1.0 when that is 0.
  v = volumeForShapeCode(BoundingSpheres, {}, Square, SquareFaces);
  EXPECT_EQ(v->kind, VolumeKind::Sphere);
  EXPECT_FLOAT_EQ(v->size.x, std::sqrt(5.0f));
  EXPECT_FLOAT_EQ(v->centre.y, 2);
  const float point[] = {3, 3, 3, 3, 3, 3};
  v = volumeForShapeCode(BoundingSpheres, {}, point, {});
  EXPECT_FLOAT_EQ(v->size.x, 1);
  EXPECT_FLOAT_EQ(v->centre.x, 3);
  // Polygons: the triangles as a soup.
  v = volumeForShapeCode(Polygons, {}, Square, SquareFaces);
  EXPECT_EQ(v->kind, VolumeKind::Soup);
  EXPECT_EQ(v->vertices.size(), 12u);
  EXPECT_EQ(v->triangles.size(), 6u);
  // Nothing: no code, an unknown code, no vertices, no triangles, non-finite sizes.
  EXPECT_FALSE(volumeForShapeCode(None, {1, 1, 1}, Square, SquareFaces));
  EXPECT_FALSE(volumeForShapeCode(7, {1, 1, 1}, Square, SquareFaces));
  EXPECT_FALSE(volumeForShapeCode(BoundingBoxes, {}, {}, {}));
  EXPECT_FALSE(volumeForShapeCode(BoundingSpheres, {}, {}, {}));
  EXPECT_FALSE(volumeForShapeCode(Polygons, {}, Square, {}));
  EXPECT_FALSE(volumeForShapeCode(Sphere, {NAN, 0, 0}, {}, {}));
  // A non-finite vertex is left out of the bounds.
  const float stray[] = {0, 0, 0, 2, 2, 2, NAN, 50, 50};
  v = volumeForShapeCode(BoundingBoxes, {}, stray, {});
  EXPECT_FLOAT_EQ(v->size.y, 2);
}

TEST(CollisionWorld, FlatMeshBoundingBoxStillCollides) {
  // A wall built from a flat mesh gets a box of zero depth, which a ball crossing it hits.
  auto wall = volumeForShapeCode(shape_code::BoundingBoxes, {}, Square, SquareFaces);
  ASSERT_TRUE(wall);
  EXPECT_TRUE(hit(*wall, at(0, 0, 0), sphere(0.5f), at(1, 1, 0.4f)));
  EXPECT_FALSE(hit(*wall, at(0, 0, 0), sphere(0.5f), at(1, 1, 0.6f)));
}

}  // namespace
}  // namespace zt
