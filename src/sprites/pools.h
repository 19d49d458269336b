// What the image and sprite families share inside this folder: number checks, taking and
// releasing pool records, image surfaces, placement with clipping, and drawing one sprite.
#pragma once

#include <cstdint>

#include "core/runtime.h"
#include "sprites/state.h"

namespace zt {

inline bool validNumber(int32_t n) { return n >= 1 && n <= MaxSpriteNumber; }

// ---- images ----

// The pool index of image `n` (0 for none); `n` must be valid.
inline int32_t imageIndexOf(const SpriteState& s, int32_t n) { return s.ImageMap[size_t(n)]; }
// 501 for a number outside 1 to 65535, then 502 for one without an image; the record or null.
ImageRecord* checkedImage(Runtime& rt, int32_t n);
// A new unnumbered image record; -1 after raising 101 when the pool cannot grow.
int32_t takeImage(Runtime& rt);
// Frees an image record. Sprites showing it show `replacement` instead (-1: nothing).
void releaseImage(SpriteState& s, int32_t index, int32_t replacement = -1);
// Makes the record's surface hold a `width` x `height` picture in the screen's format
// with the transparent key, reusing the surface while it is large enough; false when no
// surface can be made.
bool fitImageSurface(Runtime& rt, ImageRecord& image, int32_t width, int32_t height);
// The picture of an image record that has one, else null.
Surface* pictureOf(SpriteState& s, int32_t index);

// ---- sprites ----

// 301 for a number outside 1 to 65535, then 302 for one without a record; the pool index or -1.
int32_t checkedSprite(Runtime& rt, int32_t n);
// The record of sprite `n`, made with the defaults when new; -1 after raising 101.
int32_t spriteRecord(Runtime& rt, int32_t n);
// Frees a sprite record and its saved backgrounds.
void releaseSprite(SpriteState& s, int32_t index);
// trunc(image width x scaleX) and the same for the height; 0 without an image.
int32_t spriteWidth(SpriteState& s, const SpriteRecord& r);
int32_t spriteHeight(SpriteState& s, const SpriteRecord& r);

// ---- the built-in pointer ----

// The pointer picture in the screen's format and the two built-in sprites showing it.
void makePointer(Runtime& rt);
// The pointer picture alone, made again for a new screen format.
void remakePointerPicture(Runtime& rt);

// ---- drawing ----

// The source and destination of a picture placed at (x, y) with scales and flags on a
// target of `targetWidth` x `targetHeight`: the destination clipped to the target and the
// source trimmed by the clipped part (on the opposite side when mirrored or flipped).
struct Placement {
  Rect source, destination;
};
Placement placePicture(const Rect& picture, int32_t x, int32_t y, float scaleX, float scaleY, bool mirrored,
                       bool flipped, int32_t targetWidth, int32_t targetHeight);
// Draws the sprite's picture on `target` at (x, y) less its hot spot.
void drawSprite(Runtime& rt, Surface& target, const SpriteRecord& r, int32_t x, int32_t y);

}  // namespace zt
