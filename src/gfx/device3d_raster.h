// The back end of the software 3D device: screen-space primitives queued by the front end
// (transform, lighting, clipping), sorted into square tiles of the target and drawn tile by
// tile. A tile is drawn whole by one thread, its primitives in queue order, so a pixel's
// value depends only on the primitives and their order, never on which thread drew it or
// when, nor on how many threads there are.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/device3d.h"

namespace zt::raster {

// Screen positions are snapped to 1/256 pixel; pixel centres lie on whole coordinates.
constexpr int SubBits = 8;
constexpr float SubScale = 256.0f;

// Interpolated values of a vertex: depth, 1/w, u/w and v/w (for perspective-correct
// texture coordinates), the lit colour 0..255 with alpha, and the fog factor 0..1
// (1 = no fog). Colour and fog are interpolated linearly on the screen (Gouraud).
enum Attr { AZ, AInvW, AU, AV, AR, AG, AB, AA, AFog, AttrCount };

struct ScreenVertex {
  int32_t x, y;  // in 1/256 pixels
  float a[AttrCount];
};

enum class Filter : uint8_t { Point, Linear };

// The states a primitive is drawn with, captured when it was queued.
struct DrawState {
  Rect clip;  // the viewport within the target
  const Texture3D* texture = nullptr;
  bool zEnable = true, zWrite = true, blend = false, colorKey = false, fog = false;
  Blend src = Blend::One, dst = Blend::Zero;
  Filter minFilter = Filter::Point, magFilter = Filter::Point;
  uint32_t fogColor = 0;  // 0xRRGGBB
};

enum class PrimKind : uint8_t { Triangle, Line, Point };

// A queued primitive carries copies of its vertices, so a tile reads its primitives
// from one place in order instead of gathering them from all over the queue.
struct Primitive {
  ScreenVertex v[3];  // a line uses two, a point one
  uint32_t state;
  PrimKind kind;
};

// Tiles are TileSize pixels square.
constexpr int TileShift = 6;
constexpr int TileSize = 1 << TileShift;

struct Queue {
  std::vector<DrawState> states;
  int tilesX = 0, tilesY = 0;
  std::vector<std::vector<Primitive>> bins;  // per tile, row by row: the primitives touching it
  size_t queued = 0;                         // primitives added since the last clear

  void setSize(int width, int height);
  void clear();
  // Queues a primitive that touches pixels (left, top) to (right, bottom) inclusive.
  void add(const Primitive& p, int left, int top, int right, int bottom);
};

// The target and its Z-buffer (one float per pixel, the same size).
struct Target {
  Surface* surface;
  float* z;
};

// Draws the primitives of one tile.
void drawTile(const Target& target, const Queue& q, int tile);

// Writes a colour (0xRRGGBB) as a raw pixel of `format`.
uint32_t rawPixel(const PixelFormat& format, uint32_t rgb);

}  // namespace zt::raster
