// Image commands: GET IMAGE grabs a rectangle of the current bitmap (record 51), LOAD IMAGE
// reads a picture file at once, SAVE IMAGE writes one (record 55), PASTE IMAGE draws one
// (record 52), DELETE IMAGE frees one. Images are numbered 1 to 65535 through the image
// map; the texture flag of GET IMAGE and LOAD IMAGE is kept on the image for the 3D engine.
//
// PASTE IMAGE with a fourth operand pastes with transparency unless that operand is 0, so
// a program can choose either way with one form.
#include "command_ids.h"
#include "core/error_numbers.h"
#include "display2d/bitmaps.h"
#include "display2d/display.h"
#include "platform/fs.h"
#include "services/files.h"
#include "sprites/pools.h"
#include "sprites/sprites.h"

namespace zt {

namespace {

enum : int32_t { RecGrabImage = 51, RecPasteImage = 52, RecSaveImage = 55 };

// The image record a record names, if the number still has one.
ImageRecord* recordImage(Runtime& rt, const DisplayRecord& r) {
  if (!validNumber(r.number)) return nullptr;
  const int32_t i = imageIndexOf(rt.sprites, r.number);
  return i ? &rt.sprites.images[i] : nullptr;
}

// ---- records ----

void runGrab(Runtime& rt, DisplayRecord& r) {
  ImageRecord* image = recordImage(rt, r);
  if (!image) return;
  const int32_t left = r.arg1, top = r.arg2, right = r.arg3, bottom = r.arg4;
  if (left >= right || top >= bottom) return raiseError(rt, ErrGrabEmpty);
  Surface* source = resolveSurface(rt, r.target);
  if (!source) return raiseError(rt, ErrImageGrab);
  if (left < 0 || top < 0 || right > source->width() || bottom > source->height())
    return raiseError(rt, ErrGrabOutside);
  if (!fitImageSurface(rt, *image, right - left, bottom - top)) {
    image->exists = 0;
    return raiseError(rt, ErrImageGrab);
  }
  bltFast(*image->surface, 0, 0, *source, {left, top, right, bottom}, false);
  image->exists = 1;
  image->textureRequest = r.extra(0);
}

void runPaste(Runtime& rt, DisplayRecord& r) {
  ImageRecord* image = recordImage(rt, r);
  Surface* target = resolveSurface(rt, r.target);
  if (!image || !image->exists || !image->surface || !target) return;
  const Placement p = placePicture({image->left, image->top, image->right, image->bottom}, r.arg1, r.arg2, 1.0f, 1.0f,
                                   false, false, target->width(), target->height());
  if (!p.destination.empty())
    bltFast(*target, p.destination.left, p.destination.top, *image->surface, p.source, r.opaque != 0);
}

void runSave(Runtime& rt, DisplayRecord& r) {
  ImageRecord* image = recordImage(rt, r);
  if (!image || !image->exists || !image->surface) return raiseError(rt, ErrNoImage);
  std::unique_ptr<Surface> scratch = Surface::create(image->width, image->height, image->surface->format());
  if (!scratch) return raiseError(rt, ErrOutOfMemory);
  bltFast(*scratch, 0, 0, *image->surface, {0, 0, image->width, image->height}, false);
  if (!saveSurfaceFile(rt.fs.resolve(r.text()), *scratch)) raiseError(rt, ErrBitmapSave);
}

const RecordRow Records[] = {
    {RecGrabImage, runGrab},
    {RecPasteImage, runPaste},
    {RecSaveImage, runSave},
};

// ---- commands ----

template <int Operands>
Word* opGetImage(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  if (!validNumber(n)) {
    raiseError(rt, ErrImageNumber);
    return pc + Operands;
  }
  SpriteState& s = rt.sprites;
  if (imageIndexOf(s, n) == 0) {
    const int32_t i = takeImage(rt);
    if (i < 0) return pc + Operands;
    s.ImageMap[size_t(n)] = i;
  }
  const int32_t left = operand(pc, 1).i, top = operand(pc, 2).i, right = operand(pc, 3).i, bottom = operand(pc, 4).i;
  ImageRecord& image = s.images[imageIndexOf(s, n)];
  image.width = int32_t(uint32_t(right) - uint32_t(left));
  image.height = int32_t(uint32_t(bottom) - uint32_t(top));
  if (DisplayRecord* r = AddRecord(rt, RecGrabImage)) {
    r->number = n;
    r->arg1 = left;
    r->arg2 = top;
    r->arg3 = right;
    r->arg4 = bottom;
    r->setExtra(0, Operands == 6 ? operand(pc, 5).i : 0);
    r->lifetime = 1;
  }
  yieldForAutoRefresh(rt);
  return pc + Operands;
}

template <int Operands>
Word* opLoadImage(Runtime& rt, Word* pc) {
  const std::string name(cellText(operand(pc, 0)));
  const int32_t n = operand(pc, 1).i;
  yieldForAutoRefresh(rt);
  if (!validNumber(n)) {
    raiseError(rt, ErrImageNumber);
    return pc + Operands;
  }
  if (!fileExists(rt, name)) {
    raiseError(rt, ErrFileNotFound);
    return pc + Operands;
  }
  std::unique_ptr<Surface> loaded = loadImageSurface(rt, name);
  Surface* back = backBuffer(rt.display);
  if (!loaded || !back) {
    raiseError(rt, ErrBitmapLoad);
    return pc + Operands;
  }
  const int32_t i = takeImage(rt);
  if (i < 0) return pc + Operands;
  SpriteState& s = rt.sprites;
  ImageRecord& image = s.images[i];
  loaded->setColorKey(back->sourceColorKey());
  image.capacityWidth = image.right = image.width = loaded->width();
  image.capacityHeight = image.bottom = image.height = loaded->height();
  image.surface = std::move(loaded);
  image.exists = 1;
  image.textureRequest = Operands == 3 ? operand(pc, 2).i : 0;
  if (const int32_t old = imageIndexOf(s, n)) releaseImage(s, old, i);
  s.ImageMap[size_t(n)] = i;
  return pc + Operands;
}

Word* opSaveImage(Runtime& rt, Word* pc) {
  const std::string name(cellText(operand(pc, 0)));
  const int32_t n = operand(pc, 1).i;
  yieldForAutoRefresh(rt);
  if (!checkedImage(rt, n)) return pc + 2;
  if (fileExists(rt, name)) {
    raiseError(rt, ErrFileExists);
    return pc + 2;
  }
  if (DisplayRecord* r = AddRecord(rt, RecSaveImage)) {
    r->number = n;
    r->setText(name);
    r->lifetime = 1;
  }
  return pc + 2;
}

template <int Operands>
Word* opPasteImage(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  if (!checkedImage(rt, n)) return pc + Operands;
  if (DisplayRecord* r = AddRecord(rt, RecPasteImage)) {
    r->number = n;
    r->arg1 = operand(pc, 1).i;
    r->arg2 = operand(pc, 2).i;
    r->opaque = Operands == 4 && operand(pc, 3).i != 0;
  }
  yieldForScreen(rt);
  return pc + Operands;
}

Word* opDeleteImage(Runtime& rt, Word* pc) {
  const int32_t n = operand(pc, 0).i;
  if (checkedImage(rt, n)) {
    releaseImage(rt.sprites, imageIndexOf(rt.sprites, n));
    rt.sprites.ImageMap[size_t(n)] = 0;
  }
  return pc + 1;
}

const CommandRow Rows[] = {
    {CmdGetImageLLLLL, opGetImage<5>},    {CmdGetImageLLLLLL, opGetImage<6>}, {CmdLoadImageSL, opLoadImage<2>},
    {CmdLoadImageSLL, opLoadImage<3>},    {CmdSaveImage, opSaveImage},        {CmdPasteImageLLL, opPasteImage<3>},
    {CmdPasteImageLLLL, opPasteImage<4>}, {CmdDeleteImage, opDeleteImage},
};

}  // namespace

extern const std::span<const CommandRow> ImageRows(Rows);
extern const std::span<const RecordRow> ImageRecords(Records);

}  // namespace zt
