// The collision world: volumes made from limb meshes (boxes, spheres, cylinders, cones and
// polygon soups), each owned by an object and placed at its limb's world matrix, and a pass
// that reports every intersecting pair of volumes of two different owners. Intersection is
// exact, in double precision, with one rule for the borderline cases:
// - volumes closer than ContactTolerance count as touching, and touching counts as a hit
//   (two unit spheres exactly 2 apart collide);
// - a zero extent (a flat box, a sphere of radius 0) is given ContactTolerance as its
//   thickness, so a flat box is a rectangle that hits what crosses it;
// - a soup is its triangles' surfaces, not a solid: a shape wholly inside a closed soup does
//   not touch it; triangles of zero area (and those with indices outside the vertices or
//   non-finite corners) carry no surface and are left out; a soup left with no triangle,
//   or a bounding shape of a mesh with no vertex, gives no volume.
// Scale in the world matrix is honoured: boxes scale per axis, a sphere scaled unevenly
// becomes an ellipsoid, a cylinder or cone takes the larger of its x and z scales as its
// radius scale (it covers the stretched shape), and a soup's vertices are stretched exactly
// (shear and mirror included). Shapes are rebuilt only when the scale changed.
// The intersection code (FCL) is reached from one file only; this header stays free of it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "gfx/device3d.h"

namespace zt {

// Distance below which two volumes count as touching, in world units.
constexpr double ContactTolerance = 1e-6;

// Collision shape codes of an object: what each of its limb meshes gets.
namespace shape_code {
constexpr int None = 0, Box = 1, Sphere = 2, Cube = 3, Cylinder = 4, Cone = 5, Plain = 6;
constexpr int BoundingSpheres = 51, BoundingBoxes = 52, Polygons = 99;
}  // namespace shape_code

enum class VolumeKind { Box, Sphere, Cylinder, Cone, Soup };

// A volume in its limb's own space.
struct VolumeShape {
  VolumeKind kind = VolumeKind::Box;
  // Box: full extents along x, y, z. Sphere: radius in x. Cylinder and cone: radius in x and
  // height in y; their axis is the limb's y axis, a cone's apex towards +y.
  Vec3 size;
  // Where the shape's centre lies in limb space (ignored for a soup, whose vertices are
  // already in limb space).
  Vec3 centre;
  std::vector<double> vertices;    // soup: x, y, z per vertex
  std::vector<uint32_t> triangles;  // soup: three vertex indices per triangle
};

// The volume a limb mesh gets under a shape code. `sizes` are the creating command's
// operands: (size, -, -) for the sphere, cube, cylinder and cone codes, (width, height,
// depth) for the box, (width, height, -) for the plain. `positions` holds x, y, z per
// vertex of the limb's mesh and `triangles` three vertex indices per triangle (both used by
// the bounding and polygon codes). Nothing for code 0, an unknown code, non-finite sizes, a
// mesh without vertices (bounding codes) or without a triangle of non-zero area (polygons).
std::optional<VolumeShape> volumeForShapeCode(int code, Vec3 sizes, std::span<const float> positions,
                                              std::span<const uint32_t> triangles);

using VolumeId = uint32_t;  // 0 is no volume

struct CollisionPair {
  int ownerA = 0, ownerB = 0;
  VolumeId volumeA = 0, volumeB = 0;  // volumeA < volumeB
};

struct PassCounts {
  int64_t pairsTested = 0;  // pairs of placed volumes of two owners given the exact test
  int64_t hits = 0;
};

class CollisionWorld {
 public:
  CollisionWorld();
  ~CollisionWorld();
  CollisionWorld(const CollisionWorld&) = delete;
  CollisionWorld& operator=(const CollisionWorld&) = delete;

  // A new volume; it takes part in passes once placed. 0 when the shape is unusable
  // (non-finite sizes, a soup without usable triangles) or memory ran out.
  VolumeId add(int owner, const VolumeShape& shape);
  // Gives a volume a new shape, keeping its owner and placement. False (and the old shape
  // kept) for an unknown volume, an unusable shape or when memory ran out.
  bool rebuild(VolumeId id, const VolumeShape& shape);
  void remove(VolumeId id);
  // Places a volume at its limb's world matrix (row vectors: a point p becomes p * world)
  // for the passes that follow. A matrix with a non-finite element withdraws the volume and
  // returns false, as does running out of memory while re-stretching a soup.
  bool place(VolumeId id, const Matrix4& world);
  // The volume takes no part in passes until placed again.
  void withdraw(VolumeId id);

  // The broad phase (on by default) gives the exact test only the pairs whose bounding
  // boxes, widened by ContactTolerance, overlap; off, every pair is tested. Same results.
  void setBroadPhase(bool on);
  bool broadPhase() const;

  // Tests every pair of placed volumes of two different owners and calls `report` for each
  // pair that intersects, in increasing order of (volumeA, volumeB), so the order does not
  // depend on the broad phase. When memory runs out during the pass nothing is reported.
  PassCounts pass(const std::function<void(const CollisionPair&)>& report);

  size_t volumeCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

}  // namespace zt
