// Scene settings: fog, the ambient light, the backdrop commands and the capability
// functions (alpha blending, filtering, fog, 3D blit), which answer from the codes the
// display recorded when it made the devices.
#include <bit>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "display2d/display.h"
#include "engine3d/engine3d.h"
#include "engine3d/scene.h"

namespace zt {

namespace {

constexpr int32_t MaxAmbientPercent = 100;

bool fogAvailable(Runtime& rt) {
  if (capabilities3D(rt).fogAvailable) return true;
  raiseError(rt, ErrNoFog);
  return false;
}

Word* opFogOn(Runtime& rt, Word* pc) {
  if (!fogAvailable(rt)) return pc;
  Engine3DState& s = rt.engine3d;
  const RenderState mode = capabilities3D(rt).tableFogOnly ? RenderState::FogTableMode : RenderState::FogVertexMode;
  sendRenderState(rt, mode, uint32_t(FogMode::Linear));
  sendRenderState(rt, RenderState::FogEnable, 1);
  sendRenderState(rt, RenderState::FogColor, s.FogColor);
  s.FogEnabled = 1;
  return pc;
}

Word* opFogOff(Runtime& rt, Word* pc) {
  if (!fogAvailable(rt)) return pc;
  sendRenderState(rt, RenderState::FogEnable, 0);
  rt.engine3d.FogEnabled = 0;
  return pc;
}

Word* opFogDistance(Runtime& rt, Word* pc) {
  if (!fogAvailable(rt)) return pc + 1;
  rt.engine3d.FogEnd = float(operand(pc, 0).i);
  sendRenderState(rt, RenderState::FogEnd, std::bit_cast<uint32_t>(rt.engine3d.FogEnd));
  return pc + 1;
}

Word* opFogColor(Runtime& rt, Word* pc) {
  if (!fogAvailable(rt)) return pc + 1;
  rt.engine3d.FogColor = uint32_t(operand(pc, 0).i) & 0xFFFFFF;
  sendRenderState(rt, RenderState::FogColor, rt.engine3d.FogColor);
  return pc + 1;
}

Word* opSetAmbientLight(Runtime& rt, Word* pc) {
  const int32_t percent = operand(pc, 0).i;
  if (percent < 0 || percent > MaxAmbientPercent) {
    raiseError(rt, ErrAmbientPercent);
    return pc + 1;
  }
  rt.engine3d.AmbientPercent = percent;
  sendAmbientMaterial(rt);
  return pc + 1;
}

Word* opBackdropOn(Runtime& rt, Word* pc) {
  Engine3DState& s = rt.engine3d;
  s.AutoBackdrop = 0;
  if (!s.BackdropObject && !createBackdrop(rt)) return pc;
  s.BackdropSwitchedOn = 1;
  return pc;
}

Word* opBackdropOff(Runtime& rt, Word* pc) {
  Engine3DState& s = rt.engine3d;
  s.AutoBackdrop = 0;
  s.BackdropShown = 0;
  s.BackdropSwitchedOn = 0;
  return pc;
}

// Puts `texture` on every tile of the backdrop.
void setBackdropTexture(Engine3DState& s, int32_t texture, int32_t owned) {
  s.BackdropTexture = texture;
  s.BackdropOwnsTexture = owned;
  s.objects[s.BackdropObject].limbs[0].texture = texture;
}

void opTextureBackdrop(Runtime& rt, Word* pc) {
  Engine3DState& s = rt.engine3d;
  if (!s.BackdropObject) return;
  const int32_t number = operand(pc, 0).i;
  if (number < 1 || number > 65535) return raiseError(rt, ErrImageNumber);
  const int32_t texture = textureOfImage(rt, number);
  if (!texture) return raiseError(rt, ErrNoImage);
  if (s.BackdropOwnsTexture) releaseTexture(rt, s.BackdropTexture);
  setBackdropTexture(s, texture, 0);
}

void opColorBackdrop(Runtime& rt, Word* pc) {
  Engine3DState& s = rt.engine3d;
  if (!s.BackdropObject) return;
  if (s.BackdropOwnsTexture) releaseTexture(rt, s.BackdropTexture);
  setBackdropTexture(s, 0, 0);
  if (const int32_t texture = textureOfColour(rt, uint32_t(operand(pc, 0).i))) setBackdropTexture(s, texture, 1);
}

void opScrollBackdrop(Runtime& rt, Word* pc) {
  Engine3DState& s = rt.engine3d;
  if (!s.BackdropObject) return;
  const float u = float(operand(pc, 0).i) / 100.0f, v = float(operand(pc, 1).i) / 100.0f;
  scrollBackdrop(rt, u, v);
}

template <auto Query>
Word* opCapability(Runtime& rt, Word* pc) {
  operand(pc, 0).i = Query(capabilities3D(rt)) ? 1 : 0;
  return pc + 1;
}

const CommandRow Rows[] = {
    {CmdFogOn, opFogOn},
    {CmdFogOff, opFogOff},
    {CmdFogDistance, opFogDistance},
    {CmdFogColor, opFogColor},
    {CmdSetAmbientLight, opSetAmbientLight},
    {CmdBackdropOn, opBackdropOn},
    {CmdBackdropOff, opBackdropOff},
    {CmdTextureBackdrop, skipAfter<opTextureBackdrop, 1>},
    {CmdColorBackdrop, skipAfter<opColorBackdrop, 1>},
    {CmdScrollBackdrop, skipAfter<opScrollBackdrop, 2>},
    {CmdAlphablendingAvailable, opCapability<[](const Capabilities3D& c) { return c.blendLevel != 0; }>},
    {CmdFilteringAvailable, opCapability<[](const Capabilities3D& c) { return c.filterLevel != 0; }>},
    {CmdFogAvailable, opCapability<[](const Capabilities3D& c) { return c.fogAvailable != 0; }>},
    {Cmd3dblitAvailable, opCapability<[](const Capabilities3D& c) { return c.blit3D != 0; }>},
};

}  // namespace

extern const std::span<const CommandRow> SceneRows(Rows);

}  // namespace zt
