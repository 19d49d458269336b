// The grid mesh of a matrix: layout, tile painting, grid point heights and normals, the
// shift with wrap-around and the ground height under a point.
#include "engine3d/matrix_grid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace zt {

namespace {

constexpr int CornersPerTile = 4;
// Texel margins of a fresh grid, so that neighbouring texels do not bleed into a tile.
constexpr float ULeft = 0.00390625f, URight = 0.99609375f, VTop = 0.003921569f, VBottom = 1.0f;
// Draws are 0 to 32767: a modulus above that leaves them as they are.
constexpr float LargestModulus = 32768.0f;

size_t tileIndex(const MatrixData& m, int32_t tx, int32_t tz) { return size_t(tx) * size_t(m.rows) + size_t(tz); }

size_t cornerIndex(const MatrixData& m, int32_t tx, int32_t tz, int corner) {
  return tileIndex(m, tx, tz) * CornersPerTile + size_t(corner);
}

// Calls visit(vertex index) for each copy of grid point (gx, gz): corner 0 of tile
// (gx, gz), corner 1 of (gx - 1, gz), corner 3 of (gx, gz - 1), corner 2 of (gx - 1, gz - 1),
// each where that tile exists. The first copy visited is the one the height is read from.
template <class Visit>
void forEachCopy(const MatrixData& m, int32_t gx, int32_t gz, Visit visit) {
  const struct {
    int32_t dx, dz, corner;
  } copies[] = {{0, 0, 0}, {-1, 0, 1}, {0, -1, 3}, {-1, -1, 2}};
  for (const auto& c : copies) {
    const int32_t tx = gx + c.dx, tz = gz + c.dz;
    if (tx >= 0 && tx < m.columns && tz >= 0 && tz < m.rows) visit(cornerIndex(m, tx, tz, c.corner));
  }
}

void setTileCoordinates(MeshData& mesh, size_t tile, float left, float top, float right, float bottom) {
  const float uv[CornersPerTile * 2] = {left, bottom, right, bottom, right, top, left, top};
  std::copy(std::begin(uv), std::end(uv), mesh.uv.begin() + std::ptrdiff_t(tile * CornersPerTile * 2));
}

// Where grid line g (of n lines before the far edge) takes its values from after a shift
// of `step` (1 or n - 1); the far edge (g = n) stays.
int32_t shiftedSource(int32_t g, int32_t n, int32_t step) { return g < n ? (g + step) % n : g; }

struct EdgePoint {
  float x, y;
};

// The point of edge a-b at depth fz above the tile's near edge (the lower z of the two ends).
EdgePoint alongEdge(const Vec3& a, const Vec3& b, float fz) {
  const Vec3& low = a.z <= b.z ? a : b;
  const Vec3& high = a.z <= b.z ? b : a;
  const float t = high.z == low.z ? 0.0f : fz / (high.z - low.z);
  return {low.x + (high.x - low.x) * t, low.y + (high.y - low.y) * t};
}

}  // namespace

void buildGrid(MeshData& mesh, const MatrixData& m) {
  const size_t tiles = size_t(m.columns) * size_t(m.rows);
  const float sx = m.width / float(m.columns), sz = m.depth / float(m.rows);
  mesh.vertices.clear();
  mesh.faces.clear();
  mesh.vertices.reserve(tiles * CornersPerTile);
  mesh.faces.reserve(tiles * 6);
  for (int32_t tx = 0; tx < m.columns; ++tx)
    for (int32_t tz = 0; tz < m.rows; ++tz) {
      const float x0 = float(tx) * sx, z0 = float(tz) * sz, x1 = x0 + sx, z1 = z0 + sz;
      const uint32_t base = uint32_t(mesh.vertices.size());
      for (Vec3 corner : {Vec3{x0, 0, z0}, Vec3{x1, 0, z0}, Vec3{x1, 0, z1}, Vec3{x0, 0, z1}}) mesh.vertices.push_back(corner);
      // Clockwise seen from above, split along corner 0 to corner 2.
      for (uint32_t i : {0u, 3u, 2u, 0u, 2u, 1u}) mesh.faces.push_back(base + i);
    }
  mesh.normals.assign(mesh.vertices.size(), Vec3{0, 1, 0});
  mesh.uv.assign(mesh.vertices.size() * 2, 0.0f);
  for (size_t t = 0; t < tiles; ++t) setTileCoordinates(mesh, t, ULeft, VTop, URight, VBottom);
}

void paintTile(MeshData& mesh, const MatrixData& m, int32_t tx, int32_t tz, int32_t tile, float iu, float iv) {
  const int64_t count = int64_t(m.across) * m.down;
  const int64_t index = ((int64_t(tile) - 1) % count + count) % count;
  const float c = float(index % m.across), r = float(index / m.across);
  const float a = float(m.across), d = float(m.down);
  setTileCoordinates(mesh, tileIndex(m, tx, tz), c / a + iu, r / d + iv, (c + 1) / a - iu, (r + 1) / d - iv);
}

void paintAllTiles(MeshData& mesh, const MatrixData& m, int32_t tile, float iu, float iv) {
  for (int32_t tx = 0; tx < m.columns; ++tx)
    for (int32_t tz = 0; tz < m.rows; ++tz) paintTile(mesh, m, tx, tz, tile, iu, iv);
}

void setPointHeight(MeshData& mesh, const MatrixData& m, int32_t gx, int32_t gz, float height) {
  forEachCopy(m, gx, gz, [&](size_t i) { mesh.vertices[i].y = height; });
}

void setPointNormal(MeshData& mesh, const MatrixData& m, int32_t gx, int32_t gz, Vec3 normal) {
  forEachCopy(m, gx, gz, [&](size_t i) { mesh.normals[i] = normal; });
}

float pointHeight(const MeshData& mesh, const MatrixData& m, int32_t gx, int32_t gz) {
  size_t first = SIZE_MAX;
  forEachCopy(m, gx, gz, [&](size_t i) {
    if (first == SIZE_MAX) first = i;
  });
  return first == SIZE_MAX ? 0.0f : mesh.vertices[first].y;
}

void setAllHeights(MeshData& mesh, float height) {
  for (Vec3& v : mesh.vertices) v.y = height;
}

void randomizeHeights(MeshData& mesh, const MatrixData& m, RandomState& random, float h) {
  const int32_t k = int32_t(std::min(std::trunc(h * 100.0f), LargestModulus));
  for (int32_t gx = 0; gx <= m.columns; ++gx)
    for (int32_t gz = 0; gz <= m.rows; ++gz)
      setPointHeight(mesh, m, gx, gz, k > 0 ? float(drawRandom(random) % k) / 100.0f : 0.0f);
}

void shiftGrid(MeshData& mesh, const MatrixData& m, ShiftDirection direction) {
  const int32_t stepX = direction == ShiftDirection::Left ? 1 : direction == ShiftDirection::Right ? m.columns - 1 : 0;
  const int32_t stepZ = direction == ShiftDirection::Up ? 1 : direction == ShiftDirection::Down ? m.rows - 1 : 0;
  const size_t lines = size_t(m.rows) + 1;
  std::vector<float> heights(size_t(m.columns + 1) * lines);
  for (int32_t gx = 0; gx <= m.columns; ++gx)
    for (int32_t gz = 0; gz <= m.rows; ++gz) heights[size_t(gx) * lines + size_t(gz)] = pointHeight(mesh, m, gx, gz);
  for (int32_t gx = 0; gx <= m.columns; ++gx)
    for (int32_t gz = 0; gz <= m.rows; ++gz) {
      const size_t from = size_t(shiftedSource(gx, m.columns, stepX)) * lines + size_t(shiftedSource(gz, m.rows, stepZ));
      setPointHeight(mesh, m, gx, gz, heights[from]);
    }
  const std::vector<float> uv = mesh.uv;
  const size_t perTile = CornersPerTile * 2;
  for (int32_t tx = 0; tx < m.columns; ++tx)
    for (int32_t tz = 0; tz < m.rows; ++tz) {
      const size_t from = tileIndex(m, shiftedSource(tx, m.columns, stepX), shiftedSource(tz, m.rows, stepZ));
      std::copy_n(uv.begin() + std::ptrdiff_t(from * perTile), perTile,
                  mesh.uv.begin() + std::ptrdiff_t(tileIndex(m, tx, tz) * perTile));
    }
}

float groundHeight(const MeshData& mesh, const MatrixData& m, float x, float z) {
  if (!(x >= 0 && x <= m.width && z >= 0 && z <= m.depth)) return 0.0f;  // also not a number
  // A point on the far edge belongs to the last column or row.
  const int32_t tx = std::clamp(int32_t(x / (m.width / float(m.columns))), 0, m.columns - 1);
  const int32_t tz = std::clamp(int32_t(z / (m.depth / float(m.rows))), 0, m.rows - 1);
  const Vec3* p = &mesh.vertices[cornerIndex(m, tx, tz, 0)];
  const float fx = x - p[0].x, fz = z - p[0].z;
  // Which side of the diagonal from corner 0 to corner 2, measured in the tile's own
  // proportions so that tiles that are not square split where they are drawn.
  const bool nearCorner3 = fz * (p[2].x - p[0].x) >= fx * (p[2].z - p[0].z);
  const Vec3 &q = nearCorner3 ? p[0] : p[2], &r = nearCorner3 ? p[2] : p[0], &s = nearCorner3 ? p[3] : p[1];
  const EdgePoint e1 = alongEdge(q, r, fz), e2 = alongEdge(q, s, fz);
  const float t = e2.x == e1.x ? 0.0f : (x - e1.x) / (e2.x - e1.x);
  return e1.y + (e2.y - e1.y) * t;
}

}  // namespace zt
