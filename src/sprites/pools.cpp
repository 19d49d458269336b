// The image and sprite pools: records taken and freed, number checks, image surfaces, and
// the pools' life with the display (start, reset, shutdown). Owns the SpriteState.
#include "sprites/pools.h"

#include <climits>
#include <cmath>

#include "core/error_numbers.h"
#include "display2d/display.h"
#include "display2d/pixels.h"
#include "sprites/sprites.h"

namespace zt {

namespace {

// A picture converted to another pixel format, colour by colour.
std::unique_ptr<Surface> converted(const Surface& from, const PixelFormat& format) {
  std::unique_ptr<Surface> to = Surface::create(from.width(), from.height(), format);
  if (!to) return nullptr;
  const PixelLayout a = PixelLayout::of(from), b = PixelLayout::of(format);
  for (int y = 0; y < from.height(); ++y)
    for (int x = 0; x < from.width(); ++x) to->setPixel(x, y, b.matchOf(uint32_t(a.colourOf(from.pixel(x, y)))));
  return to;
}

void releaseBackgrounds(SpriteState& s, SpriteRecord& r) {
  for (size_t p = 0; p < 2; ++p) {
    if (r.backImage[p] > 0) s.images.release(r.backImage[p]);
    r.backImage[p] = -1;
    r.backRect[p] = {};
  }
}

}  // namespace

ImageRecord* checkedImage(Runtime& rt, int32_t n) {
  if (!validNumber(n)) {
    raiseError(rt, ErrImageNumber);
    return nullptr;
  }
  const int32_t i = imageIndexOf(rt.sprites, n);
  if (i == 0) {
    raiseError(rt, ErrNoImage);
    return nullptr;
  }
  return &rt.sprites.images[i];
}

int32_t takeImage(Runtime& rt) {
  const int32_t i = rt.sprites.images.take();
  if (i < 0) raiseError(rt, ErrOutOfMemory);
  return i;
}

void releaseImage(SpriteState& s, int32_t index, int32_t replacement) {
  for (int32_t i = s.sprites.head; i >= 0; i = s.sprites[i].next)
    if (s.sprites[i].imageIndex == index) s.sprites[i].imageIndex = replacement;
  s.images.release(index);
}

bool fitImageSurface(Runtime& rt, ImageRecord& image, int32_t width, int32_t height) {
  Surface* back = backBuffer(rt.display);
  if (!back) return false;
  if (!image.surface || image.capacityWidth < width || image.capacityHeight < height ||
      image.surface->format().bits != back->format().bits) {
    std::unique_ptr<Surface> made = Surface::create(width, height, back->format());
    if (!made) return false;
    made->setColorKey(back->sourceColorKey());
    image.surface = std::move(made);
    image.capacityWidth = width;
    image.capacityHeight = height;
  }
  image.left = image.top = 0;
  image.right = image.width = width;
  image.bottom = image.height = height;
  return true;
}

Surface* pictureOf(SpriteState& s, int32_t index) {
  if (index <= 0 || size_t(index) >= s.images.records.size()) return nullptr;
  ImageRecord& image = s.images[index];
  return image.exists ? image.surface.get() : nullptr;
}

int32_t checkedSprite(Runtime& rt, int32_t n) {
  if (!validNumber(n)) {
    raiseError(rt, ErrSpriteNumber);
    return -1;
  }
  const int32_t i = rt.sprites.SpriteMap[size_t(n)];
  if (i == 0) {
    raiseError(rt, ErrNoSprite);
    return -1;
  }
  return i;
}

int32_t spriteRecord(Runtime& rt, int32_t n) {
  SpriteState& s = rt.sprites;
  if (int32_t i = s.SpriteMap[size_t(n)]) return i;
  const int32_t i = s.sprites.take();
  if (i < 0) {
    raiseError(rt, ErrOutOfMemory);
    return -1;
  }
  s.sprites[i].number = n;
  s.sprites[i].inUse = 1;
  s.SpriteMap[size_t(n)] = i;
  return i;
}

void releaseSprite(SpriteState& s, int32_t index) {
  releaseBackgrounds(s, s.sprites[index]);
  s.sprites.release(index);
}

namespace {

// trunc(size x scale) as the language's integers hold it: saturated, never undefined.
int32_t scaledSize(int32_t size, float scale) {
  const float v = std::trunc(float(size) * scale);
  if (!(v > float(INT32_MIN))) return v < 0 ? INT32_MIN : 0;
  return v >= float(INT32_MAX) ? INT32_MAX : int32_t(v);
}

}  // namespace

int32_t spriteWidth(SpriteState& s, const SpriteRecord& r) {
  return r.imageIndex > 0 ? scaledSize(s.images[r.imageIndex].width, r.scaleX) : 0;
}

int32_t spriteHeight(SpriteState& s, const SpriteRecord& r) {
  return r.imageIndex > 0 ? scaledSize(s.images[r.imageIndex].height, r.scaleY) : 0;
}

// ---- life with the display ----

void StartSprites(Runtime& rt) {
  StopSprites(rt);
  rt.sprites.images.take();  // record 0 stays empty, so 0 in the map means no image
  makePointer(rt);
}

void releaseSpritesForReset(Runtime& rt) {
  SpriteState& s = rt.sprites;
  for (int32_t i = s.sprites.head; i >= 0; i = s.sprites[i].next) releaseBackgrounds(s, s.sprites[i]);
  s.pointerSurface.reset();
  for (int32_t i : {s.pointerImage, s.cursorImage})
    if (i > 0) s.images[i].surface.reset();
}

void restoreSpritesAfterReset(Runtime& rt) {
  SpriteState& s = rt.sprites;
  Surface* back = backBuffer(rt.display);
  if (!back) return;
  remakePointerPicture(rt);
  for (int32_t i = s.images.head; i >= 0; i = s.images[i].next) {
    ImageRecord& image = s.images[i];
    if (!image.surface || image.surface->format().bits == back->format().bits) continue;
    std::unique_ptr<Surface> made = converted(*image.surface, back->format());
    if (made) made->setColorKey(back->sourceColorKey());
    image.surface = std::move(made);
    if (!image.surface) image.exists = 0;
  }
}

void StopSprites(Runtime& rt) {
  SpriteState& s = rt.sprites;
  s.sprites.clear();
  s.images.clear();
  s.ImageMap.fill(0);
  s.SpriteMap.fill(0);
  s.pointerSurface.reset();
  s.pointerSprite = s.cursorSprite = -1;
  s.pointerImage = s.cursorImage = 0;
}

Surface* imageSurface(Runtime& rt, int32_t number) {
  if (!validNumber(number)) return nullptr;
  return pictureOf(rt.sprites, imageIndexOf(rt.sprites, number));
}

std::unique_ptr<Texture3D> makeImageTexture(Runtime& rt, int32_t number) {
  if (!validNumber(number)) return nullptr;
  const int32_t index = imageIndexOf(rt.sprites, number);
  Surface* picture = pictureOf(rt.sprites, index);
  if (!picture) return nullptr;
  const ImageRecord& image = rt.sprites.images[index];
  const bool transparent = image.textureRequest == 2;
  if (image.width == picture->width() && image.height == picture->height())
    return Texture3D::fromSurface(*picture, transparent);
  // A reused surface may be larger than the picture it holds.
  std::unique_ptr<Surface> exact = Surface::create(image.width, image.height, picture->format());
  if (!exact) return nullptr;
  bltFast(*exact, 0, 0, *picture, {0, 0, image.width, image.height}, false);
  if (picture->hasColorKey()) exact->setColorKey(picture->sourceColorKey());
  return Texture3D::fromSurface(*exact, transparent);
}

int32_t imageTextureSlot(Runtime& rt, int32_t number) {
  if (!validNumber(number)) return 0;
  const int32_t index = imageIndexOf(rt.sprites, number);
  return index > 0 ? rt.sprites.images[index].texture : 0;
}

void setImageTextureSlot(Runtime& rt, int32_t number, int32_t slot) {
  if (!validNumber(number)) return;
  if (const int32_t index = imageIndexOf(rt.sprites, number); index > 0) rt.sprites.images[index].texture = slot;
}

}  // namespace zt
