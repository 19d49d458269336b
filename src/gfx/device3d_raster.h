// The back end of the software 3D device: screen-space primitives queued by the front end
// (transform, lighting, clipping) and drawn row band by row band, so several threads can
// draw one queue at once without sharing a pixel. Each row is owned by one thread, and a
// pixel's value depends only on the primitives and their order, never on which thread
// drew it or when.
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

struct Primitive {
  uint32_t v[3];
  uint32_t state;
  int32_t top, bottom;  // first and last pixel row it can touch
  PrimKind kind;
};

struct Queue {
  std::vector<DrawState> states;
  std::vector<ScreenVertex> vertices;
  std::vector<Primitive> prims;
  void clear() {
    states.clear();
    vertices.clear();
    prims.clear();
  }
};

// The target and its Z-buffer (one float per pixel, the same size).
struct Target {
  Surface* surface;
  float* z;
};

// Rows belong to bands of 1 << BandShift rows; band b is drawn by thread b % threads.
constexpr int BandShift = 4;

// Draws every primitive of the queue on the rows that belong to `thread`.
void drawQueue(const Target& target, const Queue& q, int thread, int threads);

// Writes a colour (0xRRGGBB) as a raw pixel of `format`.
uint32_t rawPixel(const PixelFormat& format, uint32_t rgb);

}  // namespace zt::raster
