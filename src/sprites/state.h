// The state of images and sprites: the image pool and its number map, the sprite pool and
// its number map, and the built-in pointer picture. Only sprites and the host include this;
// others use sprites/sprites.h.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

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

// Records linked by index: a free list, and an in-use list in the order the records were
// taken, starting with `Initial` records and doubling when fewer than `Margin` are spare.
template <class Record, size_t Initial, int32_t Margin>
struct LinkedPool {
  std::vector<Record> records;
  int32_t freeHead = -1;
  int32_t head = -1, tail = -1;
  int32_t inUse = 0;

  // A fresh record appended to the in-use list; -1 when the pool cannot grow.
  int32_t take() {
    if (int64_t(records.size()) - Margin < inUse || freeHead < 0) {
      const size_t old = records.size();
      try {
        records.resize(old == 0 ? Initial : old * 2);
      } catch (const std::bad_alloc&) {
        return -1;
      }
      for (size_t i = records.size(); i-- > old;) {
        records[i].next = freeHead;
        freeHead = int32_t(i);
      }
    }
    const int32_t i = freeHead;
    freeHead = records[size_t(i)].next;
    records[size_t(i)] = Record{};
    records[size_t(i)].prev = tail;
    if (tail >= 0)
      records[size_t(tail)].next = i;
    else
      head = i;
    tail = i;
    ++inUse;
    return i;
  }

  void release(int32_t i) {
    Record& r = records[size_t(i)];
    if (r.prev >= 0)
      records[size_t(r.prev)].next = r.next;
    else
      head = r.next;
    if (r.next >= 0)
      records[size_t(r.next)].prev = r.prev;
    else
      tail = r.prev;
    r = Record{};
    r.next = freeHead;
    freeHead = i;
    --inUse;
  }

  void clear() {
    records.clear();
    records.shrink_to_fit();
    freeHead = head = tail = -1;
    inUse = 0;
  }

  Record& operator[](int32_t i) { return records[size_t(i)]; }
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
