// Images, sprites and blitter objects: numbered pictures cut from a bitmap or loaded from a
// file, and numbered moving pictures that the frame cycle draws over everything else, with
// background saving, transparency, scale, mirror and flip, and pixel-exact collisions. The
// BOB commands run the same handlers as the SPRITE commands. Also the built-in pointer.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "core/commands.h"
#include "display2d/display_list.h"
#include "gfx/device3d.h"

namespace zt {

struct Runtime;
struct SpriteState;
class Surface;

// Display start: empty pools (image record 0 reserved), the pointer picture and the
// built-in pointer and text-input cursor sprites.
void StartSprites(Runtime& rt);
// Before a display reset: every saved background and the pointer picture go.
void releaseSpritesForReset(Runtime& rt);
// After a display reset: images follow the new pixel format, the pointer picture is made
// again.
void restoreSpritesAfterReset(Runtime& rt);
// Display shutdown: every image and sprite, the pointer picture.
void StopSprites(Runtime& rt);

// Frame start: the pointer sprite follows the mouse and shows while the program shows it.
void movePointerSprite(Runtime& rt, int32_t x, int32_t y, bool shown);
// Frame start, before the display list: the saved backgrounds of the buffer being drawn
// go back under where the sprites were.
void RestoreSpriteBackgrounds(Runtime& rt, int32_t parity);
// Frame end: deleted sprites count down to being freed.
void AdvanceSpriteTimers(Runtime& rt);
// Frame end, before the sprites are drawn: what lies under each sprite is kept for the
// buffer being drawn.
void SaveSpriteBackgrounds(Runtime& rt, int32_t parity);
// Frame end: the three priority passes onto the back buffer.
void DrawSprites(Runtime& rt);

// The picture of an image for other subsystems (3D textures); null when it has none.
Surface* imageSurface(Runtime& rt, int32_t number);
// A 3D texture made from image `number`'s picture, transparent where the picture holds the
// transparent colour when the image asked for a transparent texture; null when the image
// has no picture or memory runs out.
std::unique_ptr<Texture3D> makeImageTexture(Runtime& rt, int32_t number);
// The 3D engine's texture slot kept with image `number` (0: none yet or no image).
int32_t imageTextureSlot(Runtime& rt, int32_t number);
void setImageTextureSlot(Runtime& rt, int32_t number, int32_t slot);

extern const std::span<const CommandRow> ImageRows;
extern const std::span<const CommandRow> SpriteRows;
extern const std::span<const CommandRow> CollisionRows;
extern const std::span<const RecordRow> ImageRecords;   // records 51, 52 and 55
extern const std::span<const RecordRow> SpriteRecords;  // record 54

}  // namespace zt
