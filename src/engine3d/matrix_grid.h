// The grid mesh of a matrix: every tile has its own four corners (so a grid point exists
// once per tile that touches it), tiles stored column by column, each drawn as two
// triangles split from corner 0 to corner 2. These work on the mesh arrays only; the
// device vertices follow when the mesh is re-sent.
#pragma once

#include <cstdint>

#include "core/random.h"
#include "engine3d/state.h"

namespace zt {

enum class ShiftDirection { Up, Down, Left, Right };

// The flat grid of `m` (all heights 0, normals up, every tile showing the whole texture).
void buildGrid(MeshData& mesh, const MatrixData& m);

// Tile (tx, tz) shows tile `tile` (counted from 1, across then down) of the sheet, its
// edges pulled in by (iu, iv). Tile numbers below 1 wrap round to the end of the sheet.
void paintTile(MeshData& mesh, const MatrixData& m, int32_t tx, int32_t tz, int32_t tile, float iu, float iv);
void paintAllTiles(MeshData& mesh, const MatrixData& m, int32_t tile, float iu, float iv);

// Every copy of grid point (gx, gz), 0 <= gx <= columns and 0 <= gz <= rows.
void setPointHeight(MeshData& mesh, const MatrixData& m, int32_t gx, int32_t gz, float height);
void setPointNormal(MeshData& mesh, const MatrixData& m, int32_t gx, int32_t gz, Vec3 normal);
float pointHeight(const MeshData& mesh, const MatrixData& m, int32_t gx, int32_t gz);
void setAllHeights(MeshData& mesh, float height);

// Heights of every grid point, column by column: (draw mod trunc(h x 100)) / 100.
void randomizeHeights(MeshData& mesh, const MatrixData& m, RandomState& random, float h);

// Heights and tile texture coordinates move one row or column with wrap-around; the far
// edge's grid points (gz = rows for up and down, gx = columns for left and right) stay.
void shiftGrid(MeshData& mesh, const MatrixData& m, ShiftDirection direction);

// The height of the drawn surface at (x, z) in the matrix's own coordinates; 0 off it.
float groundHeight(const MeshData& mesh, const MatrixData& m, float x, float z);

}  // namespace zt
