// How objects and limbs look: shown or hidden, ghosted, locked to the camera, faded,
// textured from images or colours, texture coordinates scrolled and scaled, and the
// render flags of SET OBJECT.
#include "command_ids.h"
#include "display2d/display.h"
#include "engine3d/object_parts.h"
#include "engine3d/objects.h"

namespace zt {

namespace {

RenderFlags* flagsOf(Runtime& rt, Word* pc) {
  ObjectRecord* o = objectOperand(rt, pc, 0);
  return o ? &rt.engine3d.nodes[o->node].flags : nullptr;
}

template <int32_t Shown>
Word* opShowObject(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 0)) rt.engine3d.nodes[o->node].shown = Shown;
  return pc + 1;
}

Word* opGhostOn(Runtime& rt, Word* pc) {
  if (RenderFlags* f = flagsOf(rt, pc); f && capabilities3D(rt).blendLevel) f->ghost = 1;
  return pc + 1;
}

Word* opGhostOff(Runtime& rt, Word* pc) {
  if (RenderFlags* f = flagsOf(rt, pc)) f->ghost = 0;
  return pc + 1;
}

template <int32_t Locked>
Word* opLockObject(Runtime& rt, Word* pc) {
  if (RenderFlags* f = flagsOf(rt, pc)) f->lockedToCamera = Locked;
  return pc + 1;
}

Word* opFadeObject(Runtime& rt, Word* pc) {
  ObjectRecord* o = objectOperand(rt, pc, 0);
  if (!o) return pc + 2;
  const float factor = float(operand(pc, 1).i) / 100;
  for (const LimbRecord& limb : o->limbs) {
    if (!limb.exists || limb.mesh <= 0) continue;
    MeshData& m = rt.engine3d.meshes[limb.mesh];
    for (size_t i = 0; i < m.sent.size() && i < m.normals.size(); ++i) {
      m.sent[i].nx = m.normals[i].x * factor;
      m.sent[i].ny = m.normals[i].y * factor;
      m.sent[i].nz = m.normals[i].z * factor;
    }
  }
  return pc + 2;
}

// The limb drawn with image `image`'s texture (none for 0); a colour texture it owned goes.
void textureLimb(Runtime& rt, LimbRecord& limb, int32_t image) {
  releaseTexture(rt, limb.ownedTexture);
  limb.ownedTexture = 0;
  limb.texture = image > 0 ? textureOfImage(rt, image) : 0;
  limb.imageNumber = image;
}

// The limb drawn with a texture of one colour, which it owns.
void colourLimb(Runtime& rt, LimbRecord& limb, uint32_t colour) {
  releaseTexture(rt, limb.ownedTexture);
  limb.ownedTexture = limb.texture = textureOfColour(rt, colour);
  limb.imageNumber = 0;
}

void opTextureObject(Runtime& rt, Word* pc) {
  ObjectRecord* o = objectOperand(rt, pc, 0);
  const int32_t image = operand(pc, 1).i;
  if (!o || !checkImage(rt, image)) return;
  for (size_t i = 0; i < o->limbs.size() && o->limbs[i].exists; ++i) textureLimb(rt, o->limbs[i], image);
}

void opTextureLimb(Runtime& rt, Word* pc) {
  LimbRecord* limb = limbOperand(rt, pc, 0);
  const int32_t image = operand(pc, 2).i;
  if (limb && checkImage(rt, image)) textureLimb(rt, *limb, image);
}

Word* opColorObject(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 0))
    for (LimbRecord& limb : o->limbs)
      if (limb.exists) colourLimb(rt, limb, uint32_t(operand(pc, 1).i));
  return pc + 2;
}

void opColorLimb(Runtime& rt, Word* pc) {
  if (LimbRecord* limb = limbOperand(rt, pc, 0)) colourLimb(rt, *limb, uint32_t(operand(pc, 2).i));
}

// Texture coordinates moved (Scale 0) or multiplied (Scale 1) in the limb's mesh and in
// what is drawn; the change accumulates.
template <int Scale>
void changeCoordinates(Runtime& rt, const LimbRecord& limb, float u, float v) {
  if (!limb.exists || limb.mesh <= 0) return;
  MeshData& m = rt.engine3d.meshes[limb.mesh];
  for (size_t i = 0; 2 * i + 1 < m.uv.size(); ++i) {
    float& mu = m.uv[2 * i];
    float& mv = m.uv[2 * i + 1];
    mu = Scale ? mu * u : mu + u;
    mv = Scale ? mv * v : mv + v;
    if (i < m.sent.size()) {
      m.sent[i].u = mu;
      m.sent[i].v = mv;
    }
  }
}

template <int Scale>
Word* opObjectCoordinates(Runtime& rt, Word* pc) {
  if (ObjectRecord* o = objectOperand(rt, pc, 0))
    for (const LimbRecord& limb : o->limbs) changeCoordinates<Scale>(rt, limb, operand(pc, 1).f, operand(pc, 2).f);
  return pc + 3;
}

template <int Scale>
Word* opLimbCoordinates(Runtime& rt, Word* pc) {
  if (LimbRecord* limb = limbOperand(rt, pc, 0)) changeCoordinates<Scale>(rt, *limb, operand(pc, 2).f, operand(pc, 3).f);
  return pc + 4;
}

// SET OBJECT with 3 to 7 flag operands after the object.
template <int Flags>
Word* opSetObject(Runtime& rt, Word* pc) {
  if (RenderFlags* f = flagsOf(rt, pc)) setObjectFlags(*f, pc, Flags);
  return pc + 1 + Flags;
}

template <int32_t Shown>
Word* opShowLimb(Runtime& rt, Word* pc) {
  if (LimbRecord* limb = limbOperand(rt, pc, 0)) limb->shown = Shown;
  return pc + 2;
}

const CommandRow Rows[] = {
    {CmdHideObject, opShowObject<0>},
    {CmdShowObject, opShowObject<1>},
    {CmdGhostObjectOn, opGhostOn},
    {CmdGhostObjectOff, opGhostOff},
    {CmdLockObjectOn, opLockObject<1>},
    {CmdLockObjectOff, opLockObject<0>},
    {CmdFadeObject, opFadeObject},
    {CmdTextureObject, skipAfter<opTextureObject, 2>},
    {CmdTextureLimb, skipAfter<opTextureLimb, 3>},
    {CmdColorObject, opColorObject},
    {CmdColorLimb, skipAfter<opColorLimb, 3>},
    {CmdScrollObjectTexture, opObjectCoordinates<0>},
    {CmdScaleObjectTexture, opObjectCoordinates<1>},
    {CmdScrollLimbTexture, opLimbCoordinates<0>},
    {CmdScaleLimbTexture, opLimbCoordinates<1>},
    {CmdSetObjectLLLL, opSetObject<3>},
    {CmdSetObjectLLLLL, opSetObject<4>},
    {CmdSetObjectLLLLLL, opSetObject<5>},
    {CmdSetObjectLLLLLLL, opSetObject<6>},
    {CmdSetObjectLLLLLLLL, opSetObject<7>},
    {CmdHideLimb, opShowLimb<0>},
    {CmdShowLimb, opShowLimb<1>},
};

}  // namespace

extern const std::span<const CommandRow> AppearanceRows(Rows);

}  // namespace zt
