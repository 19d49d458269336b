// The 3D engine's road to the devices: one software device draws into each buffer of the
// chain, so every state goes to both and they stay alike. Render states, the filter and the
// material are sent only when they change; the last values sent are kept here.
#include <bit>
#include <cfloat>
#include <cmath>

#include "display2d/display.h"
#include "engine3d/engine3d.h"
#include "engine3d/scene.h"

namespace zt {

namespace {

template <class Fn>
void forEachDevice(Runtime& rt, Fn fn) {
  for (int b = 0; b < 2; ++b)
    if (Device3D* d = device3D(rt, b)) fn(*d);
}

Material3D unlitMaterial() {
  Material3D m;
  m.ambient = {1, 1, 1, 0};
  return m;
}

// Diffuse white without an ambient term, for objects that ignore the ambient light.
Material3D plainMaterial() {
  Material3D m;
  m.diffuse = {1, 1, 1, 0};
  return m;
}

}  // namespace

void sendRenderState(Runtime& rt, RenderState s, uint32_t value) {
  SentStates& sent = rt.engine3d.sent;
  const size_t i = size_t(s);
  if (sent.known[i] && sent.states[i] == value) return;
  sent.known[i] = true;
  sent.states[i] = value;
  forEachDevice(rt, [&](Device3D& d) { d.setRenderState(s, value); });
}

void sendFilter(Runtime& rt, TextureFilter filter) {
  SentStates& sent = rt.engine3d.sent;
  if (sent.filter == uint32_t(filter)) return;
  sent.filter = uint32_t(filter);
  forEachDevice(rt, [&](Device3D& d) {
    d.setTextureStageState(TextureStageState::MinFilter, uint32_t(filter));
    d.setTextureStageState(TextureStageState::MagFilter, uint32_t(filter));
  });
}

void sendMaterial(Runtime& rt, MaterialKind kind) {
  SentStates& sent = rt.engine3d.sent;
  if (sent.material == kind) return;
  sent.material = kind;
  const Material3D m = kind == UnlitMaterial    ? unlitMaterial()
                       : kind == PlainMaterial ? plainMaterial()
                                               : rt.engine3d.AmbientMaterialValue;
  forEachDevice(rt, [&](Device3D& d) { d.setMaterial(m); });
}

void sendAmbientMaterial(Runtime& rt) {
  Engine3DState& s = rt.engine3d;
  const float p = float(s.AmbientPercent) / 100.0f;
  s.AmbientMaterialValue = Material3D{};
  s.AmbientMaterialValue.diffuse = {1 - p, 1 - p, 1 - p, 0};
  s.AmbientMaterialValue.ambient = {p, p, p, 0};
  s.sent.material = -1;
  sendMaterial(rt, AmbientMaterial);
}

void sendTransform(Runtime& rt, TransformState which, const Matrix4& m) {
  forEachDevice(rt, [&](Device3D& d) { d.setTransform(which, m); });
}

void sendViewport(Runtime& rt) {
  CameraState& c = rt.engine3d.camera;
  int32_t width = 0, height = 0;
  screenSize(rt, width, height);
  Viewport3D vp{0, 0, width, height, 0, 1};
  // A camera view made for a larger screen does not survive a change to a smaller mode.
  if (c.viewRight > width || c.viewBottom > height) c.viewLeft = c.viewTop = c.viewRight = c.viewBottom = 0;
  if (c.viewRight > 0) vp = {c.viewLeft, c.viewTop, c.viewRight - c.viewLeft, c.viewBottom - c.viewTop, 0, 1};
  forEachDevice(rt, [&](Device3D& d) { d.setViewport(vp); });
}

void sendLight(Runtime& rt, int32_t slot) {
  LightRecord& l = rt.engine3d.lights[slot];
  Light3D light;
  light.type = LightType(l.type);
  light.diffuse = {l.red, l.green, l.blue, 1};
  light.range = std::sqrt(FLT_MAX);
  light.attenuation0 = 1.0f;
  if (l.type != 3) {
    light.position = l.position;
    light.falloff = 1.0f;
  }
  if (l.type != 1) light.direction = l.direction;
  if (l.type == 2) {
    light.theta = l.inner;
    light.phi = l.outer;
  }
  forEachDevice(rt, [&](Device3D& d) { d.setLight(slot, light); });
  if (l.enabled != l.deviceEnabled) {
    forEachDevice(rt, [&](Device3D& d) { d.lightEnable(slot, l.enabled != 0); });
    l.deviceEnabled = l.enabled;
  }
}

TextureFilter deviceFilter(const Runtime& rt, bool filterFlag) {
  if (!filterFlag) return TextureFilter::Point;
  const int32_t level = capabilities3D(rt).filterLevel;
  return level == 2 ? TextureFilter::Anisotropic : level == 1 ? TextureFilter::Linear : TextureFilter::Point;
}

void restore3DAfterReset(Runtime& rt) {
  Engine3DState& s = rt.engine3d;
  s.sent = SentStates{};
  sendRenderState(rt, RenderState::FillMode, uint32_t(FillMode::Solid));
  sendRenderState(rt, RenderState::CullMode, uint32_t(CullMode::CCW));
  sendRenderState(rt, RenderState::Ambient, 0xFFFFFF);
  sendRenderState(rt, RenderState::ZEnable, 1);
  sendRenderState(rt, RenderState::ZWriteEnable, 1);
  sendFilter(rt, deviceFilter(rt, true));
  sendAmbientMaterial(rt);
  if (s.FogEnabled && capabilities3D(rt).fogAvailable) {
    const RenderState mode = capabilities3D(rt).tableFogOnly ? RenderState::FogTableMode : RenderState::FogVertexMode;
    sendRenderState(rt, mode, uint32_t(FogMode::Linear));
    sendRenderState(rt, RenderState::FogEnable, 1);
  }
  sendRenderState(rt, RenderState::FogColor, s.FogColor);
  if (s.FogEnd != 0) sendRenderState(rt, RenderState::FogEnd, std::bit_cast<uint32_t>(s.FogEnd));
  for (int32_t i = s.lights.head; i >= 0; i = s.lights[i].next) {
    s.lights[i].deviceEnabled = 0;
    sendLight(rt, i);
  }
  sendViewport(rt);
  sendProjection(rt, s.camera.nearRange, s.camera.farRange);
  rebuildView(rt);
}

}  // namespace zt
