// Sprite commands and functions, shared with the blitter-object keywords: placing,
// background saving and transparency, size and scale, hot spot, mirror and flip, hiding,
// deleting (with a countdown while saved backgrounds go back), pasting (record 54) and the
// queries. None of them yields but PASTE SPRITE: the frame cycle draws the sprites.
#include "sprites/sprites.h"

#include <bit>
#include <cmath>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "display2d/bitmaps.h"
#include "sprites/pools.h"

namespace zt {

namespace {

enum : int32_t { RecPasteSprite = 54 };

constexpr int32_t MaxScalePercent = 250000;
constexpr int32_t DeleteFrames = 2;  // one frame start for each buffer of the chain

int32_t imageIndexFor(const SpriteState& s, int32_t image) { return validNumber(image) ? imageIndexOf(s, image) : 0; }

// ---- records ----

// The record draws the sprite as it was when PASTE SPRITE ran, so both buffers of the
// chain receive the same picture whatever the program changes in between.
void runPasteSprite(Runtime& rt, DisplayRecord& r) {
  Surface* target = resolveSurface(rt, r.target);
  const int32_t image = r.extra(0);
  if (!target || !validNumber(image)) return;
  SpriteRecord pasted;
  pasted.imageIndex = imageIndexOf(rt.sprites, image);
  pasted.scaleX = r.arg3f();
  pasted.scaleY = r.arg4f();
  pasted.offsetX = r.extra(1);
  pasted.offsetY = r.extra(2);
  pasted.mirrored = r.extra(3) & 1;
  pasted.flipped = r.extra(3) >> 1 & 1;
  pasted.transparent = r.extra(3) >> 2 & 1;
  drawSprite(rt, *target, pasted, r.arg1, r.arg2);
}

const RecordRow Records[] = {{RecPasteSprite, runPasteSprite}};

// ---- commands ----

Word* opSprite(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  if (!validNumber(n)) {
    raiseError(rt, ErrSpriteNumber);
    return pc + 4;
  }
  const int32_t i = spriteRecord(rt, n);
  if (i < 0) return pc + 4;
  SpriteRecord& r = rt.sprites.sprites[i];
  r.x = operand(pc, 1).i;
  r.y = operand(pc, 2).i;
  r.imageNumber = operand(pc, 3).i;
  const int32_t image = imageIndexFor(rt.sprites, r.imageNumber);
  r.imageIndex = image ? image : -1;
  return pc + 4;
}

Word* opSetSprite(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i, backSave = operand(pc, 1).i, transparent = operand(pc, 2).i;
  if (!validNumber(n))
    raiseError(rt, ErrSpriteNumber);
  else if (backSave != 0 && backSave != 1)
    raiseError(rt, ErrBackSaveFlag);
  else if (transparent != 0 && transparent != 1)
    raiseError(rt, ErrTransparencyFlag);
  else if (const int32_t i = spriteRecord(rt, n); i >= 0) {
    SpriteRecord& r = rt.sprites.sprites[i];
    r.backSave = backSave;
    r.transparent = transparent;
    if (!backSave) r.backRect = {};  // saved pictures grow stale until saving starts again
  }
  return pc + 3;
}

// A command on an existing sprite: `Work` runs on its record after the number checks.
template <void (*Work)(Runtime&, SpriteRecord&, Word*), int Operands>
Word* onSprite(Runtime& rt, Word* pc) {
  const int32_t i = checkedSprite(rt, operand(pc, 0).i);
  if (i >= 0) Work(rt, rt.sprites.sprites[i], pc);
  return pc + Operands;
}

void sizeSprite(Runtime& rt, SpriteRecord& r, Word* pc) {
  const int32_t width = operand(pc, 1).i, height = operand(pc, 2).i;
  if (width < 0 || height < 0) return raiseError(rt, ErrSpriteSize);
  if (r.imageIndex <= 0) return;
  const ImageRecord& image = rt.sprites.images[r.imageIndex];
  if (image.width > 0) r.scaleX = float(width) / float(image.width);
  if (image.height > 0) r.scaleY = float(height) / float(image.height);
}

bool scaleInRange(int32_t percent) { return percent >= 0 && percent <= MaxScalePercent; }

void scaleSprite(Runtime& rt, SpriteRecord& r, Word* pc) {
  const int32_t percent = operand(pc, 1).i;
  if (!scaleInRange(percent)) return raiseError(rt, ErrSpriteScale);
  r.scaleX = r.scaleY = float(percent) / 100.0f;
}

void stretchSprite(Runtime& rt, SpriteRecord& r, Word* pc) {
  const int32_t x = operand(pc, 1).i, y = operand(pc, 2).i;
  if (!scaleInRange(x) || !scaleInRange(y)) return raiseError(rt, ErrSpriteScale);
  r.scaleX = float(x) / 100.0f;
  r.scaleY = float(y) / 100.0f;
}

void offsetSprite(Runtime&, SpriteRecord& r, Word* pc) {
  r.offsetX = operand(pc, 1).i;
  r.offsetY = operand(pc, 2).i;
}

template <int32_t SpriteRecord::*Field>
void toggle(Runtime&, SpriteRecord& r, Word*) {
  r.*Field ^= 1;
}

template <int32_t Visible>
void setVisible(Runtime&, SpriteRecord& r, Word*) {
  r.visible = Visible;
}

// With background saving the record stays two frames, undrawn, so each buffer gets its
// background back; its number is free at once.
void deleteSprite(Runtime& rt, SpriteRecord& r, Word*) {
  SpriteState& s = rt.sprites;
  const int32_t i = s.SpriteMap[size_t(r.number)];
  s.SpriteMap[size_t(r.number)] = 0;
  r.inUse = 0;
  if (r.backSave) {
    r.imageIndex = -1;
    r.deleteCountdown = DeleteFrames;
  } else {
    releaseSprite(s, i);
  }
}

void pasteSprite(Runtime& rt, SpriteRecord& s, Word* pc) {
  if (DisplayRecord* r = AddRecord(rt, RecPasteSprite)) {
    r->number = s.number;
    r->arg1 = operand(pc, 1).i;
    r->arg2 = operand(pc, 2).i;
    r->arg3 = std::bit_cast<int32_t>(s.scaleX);
    r->arg4 = std::bit_cast<int32_t>(s.scaleY);
    r->setExtra(0, s.imageIndex > 0 ? s.imageNumber : 0);
    r->setExtra(1, s.offsetX);
    r->setExtra(2, s.offsetY);
    r->setExtra(3, s.mirrored | s.flipped << 1 | s.transparent << 2);
  }
  yieldForScreen(rt);
}

template <int32_t Visible>
Word* opAllSprites(Runtime& rt, Word* pc) {
  SpriteState& s = rt.sprites;
  for (int32_t i = s.sprites.head; i >= 0; i = s.sprites[i].next) {
    SpriteRecord& r = s.sprites[i];
    if (r.priority == 0 && r.inUse && r.imageIndex > 0 && r.visible != Visible) r.visible = Visible;
  }
  return pc;
}

Word* opSpriteExist(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 1).i;
  if (!validNumber(n))
    raiseError(rt, ErrSpriteNumber);
  else
    operand(pc, 0).i = rt.sprites.SpriteMap[size_t(n)] != 0;
  return pc + 2;
}

// A function of an existing sprite: operand 0 takes `Value` of its record.
template <int32_t (*Value)(SpriteState&, const SpriteRecord&)>
Word* spriteQuery(Runtime& rt, Word* pc) {
  const int32_t i = checkedSprite(rt, operand(pc, 1).i);
  if (i >= 0) operand(pc, 0).i = Value(rt.sprites, rt.sprites.sprites[i]);
  return pc + 2;
}

template <int32_t SpriteRecord::*Field>
int32_t field(SpriteState&, const SpriteRecord& r) {
  return r.*Field;
}

template <float SpriteRecord::*Scale>
int32_t percentOf(SpriteState&, const SpriteRecord& r) {
  return int32_t(std::trunc(r.*Scale * 100.0f));
}

const CommandRow Rows[] = {
    {CmdSprite, opSprite},
    {CmdBob, opSprite},
    {CmdSetSprite, opSetSprite},
    {CmdSetBob, opSetSprite},
    {CmdSizeSprite, onSprite<sizeSprite, 3>},
    {CmdScaleSprite, onSprite<scaleSprite, 2>},
    {CmdScaleBob, onSprite<scaleSprite, 2>},
    {CmdStretchSprite, onSprite<stretchSprite, 3>},
    {CmdStretchBob, onSprite<stretchSprite, 3>},
    {CmdOffsetSprite, onSprite<offsetSprite, 3>},
    {CmdOffsetBob, onSprite<offsetSprite, 3>},
    {CmdMirrorSprite, onSprite<toggle<&SpriteRecord::mirrored>, 1>},
    {CmdMirrorBob, onSprite<toggle<&SpriteRecord::mirrored>, 1>},
    {CmdFlipSprite, onSprite<toggle<&SpriteRecord::flipped>, 1>},
    {CmdFlipBob, onSprite<toggle<&SpriteRecord::flipped>, 1>},
    {CmdDeleteSprite, onSprite<deleteSprite, 1>},
    {CmdDeleteBob, onSprite<deleteSprite, 1>},
    {CmdPasteSprite, onSprite<pasteSprite, 3>},
    {CmdPasteBob, onSprite<pasteSprite, 3>},
    {CmdHideSprite, onSprite<setVisible<0>, 1>},
    {CmdShowSprite, onSprite<setVisible<1>, 1>},
    {CmdHideAllSprites, opAllSprites<0>},
    {CmdShowAllSprites, opAllSprites<1>},
    {CmdSpriteExist, opSpriteExist},
    {CmdBobExist, opSpriteExist},
    {CmdSpriteX, spriteQuery<field<&SpriteRecord::x>>},
    {CmdBobX, spriteQuery<field<&SpriteRecord::x>>},
    {CmdSpriteY, spriteQuery<field<&SpriteRecord::y>>},
    {CmdBobY, spriteQuery<field<&SpriteRecord::y>>},
    {CmdSpriteOffsetX, spriteQuery<field<&SpriteRecord::offsetX>>},
    {CmdBobOffsetX, spriteQuery<field<&SpriteRecord::offsetX>>},
    {CmdSpriteOffsetY, spriteQuery<field<&SpriteRecord::offsetY>>},
    {CmdBobOffsetY, spriteQuery<field<&SpriteRecord::offsetY>>},
    {CmdSpriteWidth, spriteQuery<spriteWidth>},
    {CmdBobWidth, spriteQuery<spriteWidth>},
    {CmdSpriteHeight, spriteQuery<spriteHeight>},
    {CmdBobHeight, spriteQuery<spriteHeight>},
    {CmdSpriteImage, spriteQuery<field<&SpriteRecord::imageNumber>>},
    {CmdBobImage, spriteQuery<field<&SpriteRecord::imageNumber>>},
    {CmdSpriteScaleX, spriteQuery<percentOf<&SpriteRecord::scaleX>>},
    {CmdBobScaleX, spriteQuery<percentOf<&SpriteRecord::scaleX>>},
    {CmdSpriteScaleY, spriteQuery<percentOf<&SpriteRecord::scaleY>>},
    {CmdBobScaleY, spriteQuery<percentOf<&SpriteRecord::scaleY>>},
    {CmdSpriteMirrored, spriteQuery<field<&SpriteRecord::mirrored>>},
    {CmdBobMirrored, spriteQuery<field<&SpriteRecord::mirrored>>},
    {CmdSpriteFlipped, spriteQuery<field<&SpriteRecord::flipped>>},
    {CmdBobFlipped, spriteQuery<field<&SpriteRecord::flipped>>},
};

}  // namespace

extern const std::span<const CommandRow> SpriteRows(Rows);
extern const std::span<const RecordRow> SpriteRecords(Records);

}  // namespace zt
