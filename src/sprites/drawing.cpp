// Drawing sprites: placement and clipping shared with pasted images, one sprite's picture
// stretched, mirrored and flipped onto a surface, and the frame cycle's steps (restoring
// and saving the backgrounds per buffer parity, the deleted sprites' countdown, the three
// priority passes). Record 54 (PASTE SPRITE) draws through the same code.
#include <algorithm>
#include <cmath>

#include "core/error_numbers.h"
#include "display2d/display.h"
#include "sprites/pools.h"
#include "sprites/sprites.h"

namespace zt {

namespace {

constexpr int32_t PriorityPasses = 3;

int64_t scaled(int64_t size, float scale) { return int64_t(std::trunc(float(size) * scale)); }

// Drops n source columns (or rows) at the front end of [front, back), else at the back end.
void drop(int64_t& front, int64_t& back, int64_t n, bool atFront) {
  if (atFront)
    front += n;
  else
    back -= n;
}

// Columns (or rows) of the source lost to `outside` destination pixels.
int64_t lostToClip(int64_t outside, float scale) { return int64_t(std::trunc(float(outside) / scale)); }

// The saved background of one parity: the image record, made or enlarged to the size.
ImageRecord* backgroundImage(Runtime& rt, int32_t sprite, size_t parity, int32_t width, int32_t height) {
  SpriteState& s = rt.sprites;
  if (s.sprites[sprite].backImage[parity] < 0) {
    const int32_t i = takeImage(rt);
    if (i < 0) return nullptr;
    s.sprites[sprite].backImage[parity] = i;
  }
  ImageRecord& image = s.images[s.sprites[sprite].backImage[parity]];
  if (!fitImageSurface(rt, image, width, height)) {
    raiseError(rt, ErrOutOfMemory);
    return nullptr;
  }
  image.exists = 1;
  return &image;
}

}  // namespace

Placement placePicture(const Rect& picture, int32_t x, int32_t y, float scaleX, float scaleY, bool mirrored,
                       bool flipped, int32_t targetWidth, int32_t targetHeight) {
  const int64_t w = picture.width(), h = picture.height();
  int64_t dl = x, dt = y, dr = x + scaled(w, scaleX), db = y + scaled(h, scaleY);
  int64_t sl = picture.left, st = picture.top, sr = picture.left + w, sb = picture.top + h;
  if (dr <= dl || db <= dt) return {};
  // Cuts are capped at the picture's size, so the trimmed source stays in int range.
  auto cut = [](int64_t outside, float scale, int64_t size) { return std::min(lostToClip(outside, scale), size); };
  if (dl < 0) {
    drop(sl, sr, cut(-dl, scaleX, w), !mirrored);
    dl = 0;
  }
  if (dt < 0) {
    drop(st, sb, cut(-dt, scaleY, h), !flipped);
    dt = 0;
  }
  if (dr > targetWidth) {
    drop(sl, sr, cut(dr - targetWidth, scaleX, w), mirrored);
    dr = targetWidth;
  }
  if (db > targetHeight) {
    drop(st, sb, cut(db - targetHeight, scaleY, h), flipped);
    db = targetHeight;
  }
  if (dr <= dl || db <= dt || sr <= sl || sb <= st) return {};
  return {{int(sl), int(st), int(sr), int(sb)}, {int(dl), int(dt), int(dr), int(db)}};
}

void drawSprite(Runtime& rt, Surface& target, const SpriteRecord& r, int32_t x, int32_t y) {
  if (r.external) return;
  SpriteState& s = rt.sprites;
  Surface* picture = pictureOf(s, r.imageIndex);
  if (!picture) return;
  const ImageRecord& image = s.images[r.imageIndex];
  const Placement p = placePicture({image.left, image.top, image.right, image.bottom}, x - r.offsetX, y - r.offsetY,
                                   r.scaleX, r.scaleY, r.mirrored, r.flipped, target.width(), target.height());
  if (p.destination.empty()) return;
  blt(target, p.destination, *picture, p.source, {r.mirrored != 0, r.flipped != 0, r.transparent != 0});
}

void RestoreSpriteBackgrounds(Runtime& rt, int32_t parity) {
  SpriteState& s = rt.sprites;
  Surface* back = backBuffer(rt.display);
  if (!back) return;
  for (int32_t i = s.sprites.head; i >= 0; i = s.sprites[i].next) {
    const SpriteRecord& r = s.sprites[i];
    const Rect& saved = r.backRect[size_t(parity)];
    if (!r.backSave || saved.right <= 0) continue;
    if (Surface* picture = pictureOf(s, r.backImage[size_t(parity)]))
      bltFast(*back, saved.left, saved.top, *picture, {0, 0, saved.width(), saved.height()}, false);
  }
}

void AdvanceSpriteTimers(Runtime& rt) {
  SpriteState& s = rt.sprites;
  for (int32_t i = s.sprites.head; i >= 0;) {
    const int32_t next = s.sprites[i].next;
    SpriteRecord& r = s.sprites[i];
    if (r.deleteCountdown > 0 && --r.deleteCountdown == 0) releaseSprite(s, i);
    i = next;
  }
}

void SaveSpriteBackgrounds(Runtime& rt, int32_t parity) {
  SpriteState& s = rt.sprites;
  Surface* back = backBuffer(rt.display);
  if (!back) return;
  int32_t screenWidth = 0, screenHeight = 0;
  screenSize(rt, screenWidth, screenHeight);
  const size_t p = size_t(parity);
  for (int32_t i = s.sprites.head; i >= 0; i = s.sprites[i].next) {
    if (!s.sprites[i].backSave) continue;
    const SpriteRecord& r = s.sprites[i];
    const int64_t left = int64_t(r.x) - r.offsetX, top = int64_t(r.y) - r.offsetY;
    const Rect area{int(std::clamp<int64_t>(left, 0, screenWidth)), int(std::clamp<int64_t>(top, 0, screenHeight)),
                    int(std::clamp<int64_t>(left + spriteWidth(s, r), 0, screenWidth)),
                    int(std::clamp<int64_t>(top + spriteHeight(s, r), 0, screenHeight))};
    s.sprites[i].backRect[p] = {};
    if (area.empty()) continue;
    ImageRecord* saved = backgroundImage(rt, i, p, area.width(), area.height());
    if (!saved) continue;
    bltFast(*saved->surface, 0, 0, *back, area, false);
    s.sprites[i].backRect[p] = area;
  }
}

void DrawSprites(Runtime& rt) {
  SpriteState& s = rt.sprites;
  Surface* back = backBuffer(rt.display);
  if (!back) return;
  for (int32_t priority = 0; priority < PriorityPasses; ++priority)
    for (int32_t i = s.sprites.head; i >= 0; i = s.sprites[i].next) {
      const SpriteRecord& r = s.sprites[i];
      if (r.priority == priority && r.visible && r.imageIndex > 0) drawSprite(rt, *back, r, r.x, r.y);
    }
}

}  // namespace zt
