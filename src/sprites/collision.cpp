// Sprite collisions, pixel-exact on raw pixel values: two sprites collide where their
// screen rectangles overlap and a pair of corresponding picture pixels shares a set bit,
// so the transparent colour (raw 0) never collides. SPRITE COLLISION reports every test;
// SPRITE HIT reports only the first test of a new contact.
#include <algorithm>
#include <utility>
#include <vector>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "sprites/pools.h"
#include "sprites/sprites.h"

namespace zt {

namespace {

struct ScreenBox {
  int64_t left, top, right, bottom;
};

ScreenBox boxOf(SpriteState& s, const SpriteRecord& r) {
  const int64_t left = int64_t(r.x) - r.offsetX, top = int64_t(r.y) - r.offsetY;
  return {left, top, left + spriteWidth(s, r), top + spriteHeight(s, r)};
}

// The picture column (or row) `offset` screen pixels into a sprite `extent` pixels wide
// whose picture is `size` pixels wide, counted from the far side when mirrored.
int32_t pictureIndex(int64_t offset, int64_t size, int64_t extent, bool mirrored) {
  const int64_t i = offset * size / extent;
  return int32_t(mirrored ? size - 1 - i : i);
}

bool collide(SpriteState& s, int32_t ia, int32_t ib) {
  const SpriteRecord& a = s.sprites[ia];
  const SpriteRecord& b = s.sprites[ib];
  if (!a.inUse || !b.inUse) return false;
  const Surface* pa = pictureOf(s, a.imageIndex);
  const Surface* pb = pictureOf(s, b.imageIndex);
  if (!pa || !pb) return false;
  const ScreenBox ba = boxOf(s, a), bb = boxOf(s, b);
  if (bb.right < ba.left || bb.bottom < ba.top || bb.left >= ba.right || bb.top >= ba.bottom) return false;
  const ImageRecord& ea = s.images[a.imageIndex];
  const ImageRecord& eb = s.images[b.imageIndex];
  // A grab still waiting for its frame has a size but not yet the picture.
  if (ea.width > ea.capacityWidth || ea.height > ea.capacityHeight || eb.width > eb.capacityWidth ||
      eb.height > eb.capacityHeight)
    return false;
  const uint32_t maskA = pa->format().depthMask(), maskB = pb->format().depthMask();
  const int64_t left = std::max(ba.left, bb.left), right = std::min(ba.right, bb.right);
  const int64_t top = std::max(ba.top, bb.top), bottom = std::min(ba.bottom, bb.bottom);
  // Neighbouring screen pixels of a scaled sprite share picture pixels: each distinct pair
  // of columns and of rows is tested once, so huge scales cost no more than the pictures.
  std::vector<std::pair<int32_t, int32_t>> columns;
  for (int64_t x = left; x < right; ++x) {
    const std::pair<int32_t, int32_t> c{pictureIndex(x - ba.left, ea.width, ba.right - ba.left, a.mirrored),
                                        pictureIndex(x - bb.left, eb.width, bb.right - bb.left, b.mirrored)};
    if (columns.empty() || columns.back() != c) columns.push_back(c);
  }
  std::pair<int32_t, int32_t> lastRow{-1, -1};
  for (int64_t y = top; y < bottom; ++y) {
    const std::pair<int32_t, int32_t> row{pictureIndex(y - ba.top, ea.height, ba.bottom - ba.top, a.flipped),
                                          pictureIndex(y - bb.top, eb.height, bb.bottom - bb.top, b.flipped)};
    if (row == lastRow) continue;
    lastRow = row;
    for (const auto& [xa, xb] : columns)
      if ((pa->pixel(xa, row.first) & maskA) & (pb->pixel(xb, row.second) & maskB)) return true;
  }
  return false;
}

// The collision result of sprite `a` with `other`: 1 or 0 for a sprite number, else the
// number of the first sprite that collides with it (0 for none). The built-in sprites
// have no number and are never reported.
int32_t collisionResult(Runtime& rt, int32_t a, int32_t other, bool& failed) {
  SpriteState& s = rt.sprites;
  failed = false;
  if (validNumber(other)) {
    const int32_t b = s.SpriteMap[size_t(other)];
    if (b == 0) {
      raiseError(rt, ErrNoSprite);
      failed = true;
      return 0;
    }
    return collide(s, a, b) ? 1 : 0;
  }
  for (int32_t i = s.sprites.head; i >= 0; i = s.sprites[i].next)
    if (i != a && s.sprites[i].number != 0 && collide(s, a, i)) return s.sprites[i].number;
  return 0;
}

template <bool OncePerContact>
Word* opCollision(Runtime& rt, Word* pc) {
  const int32_t a = checkedSprite(rt, operand(pc, 1).i);
  if (a < 0) return pc + 3;
  bool failed = false;
  const int32_t result = collisionResult(rt, a, operand(pc, 2).i, failed);
  if (failed) return pc + 3;
  SpriteRecord& r = rt.sprites.sprites[a];
  if (OncePerContact) {
    operand(pc, 0).i = r.lastHit != 0 ? 0 : result;
    r.lastHit = result;
  } else {
    operand(pc, 0).i = result;
  }
  return pc + 3;
}

const CommandRow Rows[] = {
    {CmdSpriteHit, opCollision<true>},
    {CmdBobHit, opCollision<true>},
    {CmdSpriteCollision, opCollision<false>},
    {CmdBobCollision, opCollision<false>},
};

}  // namespace

extern const std::span<const CommandRow> CollisionRows(Rows);

}  // namespace zt
