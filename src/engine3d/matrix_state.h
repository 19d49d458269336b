// What a matrix keeps in its object record besides the grid mesh: its size, its grid
// and the tile sheet its tiles are painted from.
#pragma once

#include <cstdint>

namespace zt {

constexpr int32_t MaxMatrixNumber = 65535;

struct MatrixData {
  float width = 0, depth = 0;
  int32_t columns = 0, rows = 0;  // x segments, z segments
  int32_t image = 0;              // the image of the tile sheet
  int32_t across = 0, down = 0;   // tiles of the sheet
  int32_t tileCount = 0;          // across x down; 0 until the sheet is prepared
  int32_t texelsWide = 0, texelsHigh = 0;  // the sheet's texture when prepared
};

}  // namespace zt
