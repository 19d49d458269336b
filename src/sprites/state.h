// The state of images and sprites: the image pool and its number map, the sprite pool and
// its number map, and the built-in pointer picture. Only sprites and the host include this;
// others use sprites/sprites.h.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/linked_pool.h"
#include "gfx/surface.h"

namespace zt {

constexpr int32_t MaxSpriteNumber = 65535;  // images and sprites alike
constexpr size_t NumberMapSize = 65536;

struct ImageRecord {
  int32_t next = -1, prev = -1;
  int32_t exists = 0;
  int32_t texture = 0;               // the 3D texture made from the image; 0 for none
  int32_t textureRequest = 0;        // what GET IMAGE or LOAD IMAGE asked of the 3D engine: 0 none, 1, 2 transparent
  std::shared_ptr<Surface> surface;  // shared by the two pointer pictures
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t width = 0, height = 0;
  int32_t capacityWidth = 0, capacityHeight = 0;
};

struct SpriteRecord {
  int32_t next = -1, prev = -1;
  int32_t visible = 1;
  int32_t deleteCountdown = 0;
  int32_t imageIndex = -1;
  int32_t imageNumber = 0;
  int32_t external = 0;
  int32_t transparent = 1;
  int32_t x = 0, y = 0;
  int32_t offsetX = 0, offsetY = 0;
  float scaleX = 1.0f, scaleY = 1.0f;
  int32_t mirrored = 0, flipped = 0;
  int32_t number = 0;  // 0 for the built-in sprites
  int32_t lastHit = 0;
  int32_t inUse = 0;
  int32_t backSave = 1;
  std::array<int32_t, 2> backImage{-1, -1};
  std::array<Rect, 2> backRect{};
  int32_t priority = 0;
};

struct SpriteState {
  LinkedPool<ImageRecord, 16, 12> images;
  std::array<int32_t, NumberMapSize> ImageMap{};  // image number to pool index; 0: none
  LinkedPool<SpriteRecord, 2, 4> sprites;
  std::array<int32_t, NumberMapSize> SpriteMap{};  // sprite number to pool index; 0: none (0 is the pointer's)
  std::shared_ptr<Surface> pointerSurface;
  int32_t pointerSprite = -1, cursorSprite = -1;  // the built-in sprites
  int32_t pointerImage = 0, cursorImage = 0;      // their pictures
};

}  // namespace zt
