// The built-in mouse pointer and text-input cursor: one 27 x 22 picture compiled into the
// engine, whose top-left 20 x 22 is the arrow and whose left 2 x 22 strip is the input
// bar. Both are unnumbered sprites of the highest priority, so they cover everything and
// the sprite commands cannot reach them. The frame cycle moves the pointer to the mouse.
#include <string_view>

#include "display2d/bitmaps.h"
#include "display2d/display.h"
#include "formats/bmp.h"
#include "sprites/pools.h"
#include "sprites/sprites.h"

namespace zt {

extern const std::string_view pointerPicture;

namespace {

constexpr int32_t ArrowWidth = 20, CursorWidth = 2, PointerHeight = 22;
constexpr int32_t BuiltInPriority = 2;

// A picture of `width` x 22 at the top left of the shared pointer surface.
int32_t pointerImage(Runtime& rt, int32_t width) {
  const int32_t i = takeImage(rt);
  if (i < 0) return 0;
  ImageRecord& image = rt.sprites.images[i];
  image.surface = rt.sprites.pointerSurface;
  image.right = image.width = image.capacityWidth = width;
  image.bottom = image.height = image.capacityHeight = PointerHeight;
  image.exists = image.surface != nullptr;
  return i;
}

int32_t builtInSprite(Runtime& rt, int32_t image, int32_t visible) {
  const int32_t i = rt.sprites.sprites.take();
  if (i < 0) return -1;
  SpriteRecord& r = rt.sprites.sprites[i];
  r.inUse = 1;
  r.imageIndex = image ? image : -1;
  r.visible = visible;
  r.priority = BuiltInPriority;
  return i;
}

}  // namespace

void remakePointerPicture(Runtime& rt) {
  SpriteState& s = rt.sprites;
  s.pointerSurface.reset();
  RgbImage picture;
  Surface* back = backBuffer(rt.display);
  if (back && decodeBmp(pointerPicture, picture)) {
    std::shared_ptr<Surface> made = Surface::create(picture.width, picture.height, back->format());
    if (made) {
      putImage(*made, picture);
      made->setColorKey(back->sourceColorKey());
    }
    s.pointerSurface = std::move(made);
  }
  for (int32_t i : {s.pointerImage, s.cursorImage}) {
    if (i <= 0) continue;
    s.images[i].surface = s.pointerSurface;
    s.images[i].exists = s.pointerSurface != nullptr;
  }
}

void makePointer(Runtime& rt) {
  SpriteState& s = rt.sprites;
  remakePointerPicture(rt);
  s.pointerImage = pointerImage(rt, ArrowWidth);
  s.cursorImage = pointerImage(rt, CursorWidth);
  s.pointerSprite = builtInSprite(rt, s.pointerImage, 1);
  // INPUT marks its place with text, so the input bar stays hidden.
  s.cursorSprite = builtInSprite(rt, s.cursorImage, 0);
}

void movePointerSprite(Runtime& rt, int32_t x, int32_t y, bool shown) {
  SpriteState& s = rt.sprites;
  if (s.pointerSprite < 0) return;
  SpriteRecord& r = s.sprites[s.pointerSprite];
  r.x = x;
  r.y = y;
  r.visible = shown;
}

}  // namespace zt
