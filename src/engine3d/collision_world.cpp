// The collision world over FCL: the only file that includes it (it pulls in Eigen). Each
// volume keeps its shape in limb space and an FCL object built for the scale of its last
// placement; the broad phase is FCL's dynamic AABB tree, whose boxes are widened by the
// contact tolerance so that it never drops a pair the exact test would report.
#include "engine3d/collision_world.h"

#include <fcl/fcl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <exception>
#include <new>

namespace zt {
namespace {

using Vec = Eigen::Vector3d;
using Mat = Eigen::Matrix3d;

// Relative change of a volume's scale (or a soup's stretch) that rebuilds its shape; smaller
// changes are the rounding of float rotation matrices.
constexpr double RebuildTolerance = 1e-6;
// Relative size of a cross product below which a triangle counts as having no area.
constexpr double FlatTriangle = 1e-12;

const fcl::GJKSolverType Solver = fcl::GST_LIBCCD;

// An FCL object whose bounding box can be widened after it is computed.
struct Body : fcl::CollisionObjectd {
  using fcl::CollisionObjectd::CollisionObjectd;
  void widen() { aabb.expand(Vec::Constant(ContactTolerance)); }
};

bool finite(double v) { return std::isfinite(v); }
bool finite(const Vec3& v) { return finite(v.x) && finite(v.y) && finite(v.z); }

// A placement split into rotation and stretch: with row vectors, the world matrix's linear
// part L equals K * R for a proper rotation R; K is a diagonal scale unless a limb chain
// shears. R keeps the limb's y axis (the axis of cylinders and cones) exactly.
struct Placement {
  Mat linear = Mat::Identity();    // L: row i is the image of axis i
  Mat rotation = Mat::Identity();  // R, row-vector form
  Vec translation = Vec::Zero();
};

Vec anyPerpendicular(const Vec& v) {
  Vec other = std::abs(v.x()) < 0.9 ? Vec::UnitX() : Vec::UnitY();
  return v.cross(other).normalized();
}

Placement decompose(const Matrix4& m) {
  Placement p;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) p.linear(i, j) = m.m[i][j];
  p.translation = Vec(m.m[3][0], m.m[3][1], m.m[3][2]);
  const Vec a = p.linear.row(0), b = p.linear.row(1), c = p.linear.row(2);
  const double tiny = 1e-12 * std::max({a.norm(), b.norm(), c.norm()});
  if (tiny == 0) {
    p.rotation = Mat::Identity();
    return p;
  }
  Vec y = b.norm() > tiny ? b : c.cross(a);
  y = y.norm() > tiny ? y.normalized() : anyPerpendicular(a.norm() > tiny ? a : c);
  Vec x = a - a.dot(y) * y;
  if (x.norm() <= tiny) x = y.cross(c);
  x = x.norm() > tiny ? x.normalized() : anyPerpendicular(y);
  p.rotation.row(0) = x;
  p.rotation.row(1) = y;
  p.rotation.row(2) = x.cross(y);
  return p;
}

// What a volume's FCL shape depends on besides its limb-space shape: the length of each
// scaled axis for the primitive kinds, the whole stretch K for a soup.
using StretchKey = std::array<double, 9>;

StretchKey stretchKey(VolumeKind kind, const Placement& p) {
  StretchKey key{};
  if (kind == VolumeKind::Soup) {
    const Mat k = p.linear * p.rotation.transpose();
    for (int i = 0; i < 9; ++i) key[i] = k(i / 3, i % 3);
  } else {
    for (int i = 0; i < 3; ++i) key[i] = p.linear.row(i).norm();
  }
  return key;
}

bool sameStretch(const StretchKey& a, const StretchKey& b) {
  double largest = 0, diff = 0;
  for (int i = 0; i < 9; ++i) {
    largest = std::max({largest, std::abs(a[i]), std::abs(b[i])});
    diff = std::max(diff, std::abs(a[i] - b[i]));
  }
  return diff <= RebuildTolerance * largest;
}

bool flatTriangle(const Vec& a, const Vec& b, const Vec& c) {
  const double edge = std::max({(b - a).squaredNorm(), (c - b).squaredNorm(), (a - c).squaredNorm()});
  return (b - a).cross(c - a).norm() <= FlatTriangle * edge;
}

Vec soupVertex(const std::vector<double>& v, uint32_t i) { return Vec(v[3 * i], v[3 * i + 1], v[3 * i + 2]); }

// A triangle that carries a surface: indices inside the vertices, finite corners, an area.
bool usableTriangle(const std::vector<double>& vertices, const uint32_t* t) {
  const size_t count = vertices.size() / 3;
  if (t[0] >= count || t[1] >= count || t[2] >= count) return false;
  const Vec a = soupVertex(vertices, t[0]), b = soupVertex(vertices, t[1]), c = soupVertex(vertices, t[2]);
  if (!a.allFinite() || !b.allFinite() || !c.allFinite()) return false;
  return !flatTriangle(a, b, c);
}

bool usableShape(const VolumeShape& s) {
  if (s.kind != VolumeKind::Soup) return finite(s.size) && finite(s.centre);
  if (s.vertices.size() % 3 != 0) return false;
  for (size_t t = 0; t + 3 <= s.triangles.size(); t += 3)
    if (usableTriangle(s.vertices, &s.triangles[t])) return true;
  return false;
}

double thick(double v) { return std::max(std::abs(v), ContactTolerance); }

// The FCL shape of a volume under a stretch; null when a soup keeps no triangle with an
// area (it was flattened), which leaves the volume out of the passes.
std::shared_ptr<fcl::CollisionGeometryd> buildGeometry(const VolumeShape& s, const StretchKey& key) {
  const double x = key[0], y = key[1], z = key[2];
  switch (s.kind) {
    case VolumeKind::Box:
      return std::make_shared<fcl::Boxd>(thick(s.size.x * x), thick(s.size.y * y), thick(s.size.z * z));
    case VolumeKind::Sphere: {
      const double r = std::abs(double(s.size.x));
      const double spread = std::max({x, y, z}) - std::min({x, y, z});
      if (spread <= RebuildTolerance * std::max({x, y, z})) return std::make_shared<fcl::Sphered>(thick(r * x));
      return std::make_shared<fcl::Ellipsoidd>(thick(r * x), thick(r * y), thick(r * z));
    }
    case VolumeKind::Cylinder:
      return std::make_shared<fcl::Cylinderd>(thick(s.size.x * std::max(x, z)), thick(s.size.y * y));
    case VolumeKind::Cone:
      return std::make_shared<fcl::Coned>(thick(s.size.x * std::max(x, z)), thick(s.size.y * y));
    case VolumeKind::Soup: break;
  }
  Mat k;
  for (int i = 0; i < 9; ++i) k(i / 3, i % 3) = key[i];
  // Only the corners of kept triangles go in: the model's bounds cover all its points.
  std::vector<Vec> points;
  std::vector<uint32_t> renumbered(s.vertices.size() / 3, UINT32_MAX);
  std::vector<fcl::Triangle> triangles;
  triangles.reserve(s.triangles.size() / 3);
  for (size_t t = 0; t + 3 <= s.triangles.size(); t += 3) {
    const uint32_t* c = &s.triangles[t];
    if (!usableTriangle(s.vertices, c)) continue;
    Vec corner[3];
    for (int i = 0; i < 3; ++i) corner[i] = (soupVertex(s.vertices, c[i]).transpose() * k).transpose();
    if (flatTriangle(corner[0], corner[1], corner[2])) continue;
    size_t index[3];
    for (int i = 0; i < 3; ++i) {
      if (renumbered[c[i]] == UINT32_MAX) {
        renumbered[c[i]] = uint32_t(points.size());
        points.push_back(corner[i]);
      }
      index[i] = renumbered[c[i]];
    }
    triangles.emplace_back(index[0], index[1], index[2]);
  }
  if (triangles.empty()) return nullptr;
  auto model = std::make_shared<fcl::BVHModel<fcl::OBBRSSd>>();
  if (model->beginModel(int(triangles.size()), int(points.size())) != fcl::BVH_OK ||
      model->addSubModel(points, triangles) != fcl::BVH_OK || model->endModel() != fcl::BVH_OK)
    throw std::bad_alloc();
  return model;
}

fcl::Transform3d fclTransform(const VolumeShape& s, const Placement& p) {
  fcl::Transform3d tf = fcl::Transform3d::Identity();
  Mat r = p.rotation.transpose();  // FCL maps column vectors
  if (s.kind == VolumeKind::Cylinder || s.kind == VolumeKind::Cone) {
    Mat zToY;  // FCL's cylinders and cones stand on z; ours on y
    zToY << 1, 0, 0, 0, 0, 1, 0, -1, 0;
    r = r * zToY;
  }
  tf.linear() = r;
  Vec t = p.translation;
  if (s.kind != VolumeKind::Soup)
    t += (Vec(s.centre.x, s.centre.y, s.centre.z).transpose() * p.linear).transpose();
  tf.translation() = t;
  return tf;
}

struct Volume {
  VolumeId id = 0;
  int owner = 0;
  VolumeShape shape;
  std::unique_ptr<Body> body;  // null until placed, or while a flattened soup has no surface
  StretchKey built{};
  Placement placement;
  bool placed = false, registered = false;
};

}  // namespace

std::optional<VolumeShape> volumeForShapeCode(int code, Vec3 sizes, std::span<const float> positions,
                                              std::span<const uint32_t> triangles) {
  using namespace shape_code;
  if (!finite(sizes)) return std::nullopt;
  VolumeShape s;
  const float a = std::abs(sizes.x), b = std::abs(sizes.y), c = std::abs(sizes.z);
  switch (code) {
    case Box: s.size = {a, b, c}; return s;
    case Cube: s.size = {a, a, a}; return s;
    case Plain: s.size = {a, b, 1.0f}; return s;
    case Sphere:
      s.kind = VolumeKind::Sphere;
      s.size.x = a / 2;
      return s;
    case Cylinder:
    case Cone:
      s.kind = code == Cylinder ? VolumeKind::Cylinder : VolumeKind::Cone;
      s.size = {a / 2, a, 0};
      return s;
    default: break;
  }
  const size_t count = positions.size() / 3;
  if (code == Polygons) {
    s.kind = VolumeKind::Soup;
    s.vertices.assign(positions.begin(), positions.begin() + std::ptrdiff_t(3 * count));
    for (size_t t = 0; t + 3 <= triangles.size(); t += 3)
      if (usableTriangle(s.vertices, &triangles[t])) s.triangles.insert(s.triangles.end(), &triangles[t], &triangles[t] + 3);
    if (s.triangles.empty()) return std::nullopt;
    return s;
  }
  if (code != BoundingSpheres && code != BoundingBoxes) return std::nullopt;
  Vec lo = Vec::Constant(INFINITY), hi = Vec::Constant(-INFINITY);
  for (size_t i = 0; i < count; ++i) {
    const Vec v(positions[3 * i], positions[3 * i + 1], positions[3 * i + 2]);
    if (!v.allFinite()) continue;
    lo = lo.cwiseMin(v);
    hi = hi.cwiseMax(v);
  }
  if (!(lo.x() <= hi.x())) return std::nullopt;  // no finite vertex
  const Vec centre = (lo + hi) / 2;
  s.centre = {float(centre.x()), float(centre.y()), float(centre.z())};
  if (code == BoundingBoxes) {
    s.size = {float(hi.x() - lo.x()), float(hi.y() - lo.y()), float(hi.z() - lo.z())};
    return s;
  }
  double radius = 0;
  for (size_t i = 0; i < count; ++i) {
    const Vec v(positions[3 * i], positions[3 * i + 1], positions[3 * i + 2]);
    if (v.allFinite()) radius = std::max(radius, (v - centre).norm());
  }
  s.kind = VolumeKind::Sphere;
  s.size.x = radius == 0 ? 1.0f : float(radius);
  return s;
}

struct CollisionWorld::Impl {
  std::map<VolumeId, Volume> volumes;
  fcl::DynamicAABBTreeCollisionManagerd tree;
  VolumeId nextId = 1;
  bool broad = true;

  Volume* find(VolumeId id) {
    auto it = volumes.find(id);
    return it == volumes.end() ? nullptr : &it->second;
  }

  void unregister(Volume& v) {
    if (v.registered) tree.unregisterObject(v.body.get());
    v.registered = false;
  }

  // Brings the volume's FCL object to its placement, building the shape for a new stretch.
  void refresh(Volume& v) {
    const StretchKey key = stretchKey(v.shape.kind, v.placement);
    if (!v.body || !sameStretch(key, v.built)) {
      unregister(v);
      v.body.reset();
      v.built = key;
      auto geometry = buildGeometry(v.shape, key);
      if (!geometry) return;
      v.body = std::make_unique<Body>(geometry);
      v.body->setUserData(&v);
    }
    v.body->setTransform(fclTransform(v.shape, v.placement));
    v.body->computeAABB();
    v.body->widen();
    if (!v.registered) {
      tree.registerObject(v.body.get());
      v.registered = true;
    }
  }

  // A failed refresh (memory) leaves the volume withdrawn.
  bool refreshOrWithdraw(Volume& v) {
    try {
      refresh(v);
      return true;
    } catch (const std::exception&) {  // memory ran out
      unregister(v);
      v.body.reset();
      v.placed = false;
      return false;
    }
  }
};

namespace {

struct PassState {
  int64_t tested = 0;
  std::vector<CollisionPair> hits;
};

bool widenedBoxesOverlap(const Body& a, const Body& b) { return a.getAABB().overlap(b.getAABB()); }

bool intersects(const Volume& a, const Volume& b) {
  fcl::CollisionRequestd request;
  request.gjk_solver_type = Solver;
  fcl::CollisionResultd result;
  if (fcl::collide(a.body.get(), b.body.get(), request, result) > 0) return true;
  // Touching within the tolerance counts; the boxes rule it out cheaply for most pairs.
  if (!widenedBoxesOverlap(*a.body, *b.body)) return false;
  fcl::DistanceRequestd distanceRequest;
  distanceRequest.gjk_solver_type = Solver;
  fcl::DistanceResultd distanceResult;
  return fcl::distance(a.body.get(), b.body.get(), distanceRequest, distanceResult) <= ContactTolerance;
}

void testPair(PassState& state, const Volume& a, const Volume& b) {
  if (a.owner == b.owner) return;
  ++state.tested;
  if (!intersects(a, b)) return;
  const Volume& first = a.id < b.id ? a : b;
  const Volume& second = a.id < b.id ? b : a;
  state.hits.push_back({first.owner, second.owner, first.id, second.id});
}

}  // namespace

CollisionWorld::CollisionWorld() : impl(std::make_unique<Impl>()) {}
CollisionWorld::~CollisionWorld() = default;

VolumeId CollisionWorld::add(int owner, const VolumeShape& shape) {
  if (!usableShape(shape)) return 0;
  try {
    Volume v;
    v.id = impl->nextId;
    v.owner = owner;
    v.shape = shape;
    const VolumeId id = v.id;
    impl->volumes.emplace(id, std::move(v));
    return impl->nextId++;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

bool CollisionWorld::rebuild(VolumeId id, const VolumeShape& shape) {
  Volume* v = impl->find(id);
  if (!v || !usableShape(shape)) return false;
  try {
    VolumeShape copy = shape;
    impl->unregister(*v);
    v->body.reset();
    v->shape = std::move(copy);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return !v->placed || impl->refreshOrWithdraw(*v);
}

void CollisionWorld::remove(VolumeId id) {
  Volume* v = impl->find(id);
  if (!v) return;
  impl->unregister(*v);
  impl->volumes.erase(id);
}

bool CollisionWorld::place(VolumeId id, const Matrix4& world) {
  Volume* v = impl->find(id);
  if (!v) return false;
  for (const auto& row : world.m)
    for (float e : row)
      if (!std::isfinite(e)) {
        withdraw(id);
        return false;
      }
  v->placement = decompose(world);
  v->placed = true;
  return impl->refreshOrWithdraw(*v);
}

void CollisionWorld::withdraw(VolumeId id) {
  Volume* v = impl->find(id);
  if (!v) return;
  impl->unregister(*v);
  v->placed = false;
}

void CollisionWorld::setBroadPhase(bool on) { impl->broad = on; }
bool CollisionWorld::broadPhase() const { return impl->broad; }
size_t CollisionWorld::volumeCount() const { return impl->volumes.size(); }

PassCounts CollisionWorld::pass(const std::function<void(const CollisionPair&)>& report) {
  PassState state;
  try {
    if (impl->broad) {
      impl->tree.update();
      impl->tree.collide(&state, [](fcl::CollisionObjectd* o1, fcl::CollisionObjectd* o2, void* data) {
        testPair(*static_cast<PassState*>(data), *static_cast<const Volume*>(o1->getUserData()),
                 *static_cast<const Volume*>(o2->getUserData()));
        return false;
      });
    } else {
      std::vector<const Volume*> live;
      for (const auto& entry : impl->volumes)
        if (entry.second.registered) live.push_back(&entry.second);
      for (size_t i = 0; i < live.size(); ++i)
        for (size_t j = i + 1; j < live.size(); ++j) testPair(state, *live[i], *live[j]);
    }
  } catch (const std::exception&) {  // memory ran out: nothing is reported
    return {state.tested, 0};
  }
  std::sort(state.hits.begin(), state.hits.end(), [](const CollisionPair& x, const CollisionPair& y) {
    return x.volumeA != y.volumeA ? x.volumeA < y.volumeA : x.volumeB < y.volumeB;
  });
  for (const CollisionPair& hit : state.hits) report(hit);
  return {state.tested, int64_t(state.hits.size())};
}

}  // namespace zt
