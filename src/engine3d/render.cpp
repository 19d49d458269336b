// The render step of every frame: which objects the camera can see (one bounding extent
// per object), texture batches in depth order, the static batch, then three passes
// (opaque, ghosted, locked to the camera). A node's render flags become device states,
// each sent only when it changes.
#include <algorithm>
#include <utility>

#include "display2d/display.h"
#include "engine3d/engine3d.h"
#include "engine3d/object_parts.h"
#include "engine3d/scene.h"

namespace zt {

namespace {

constexpr double ExtentFactor = 1.25;
constexpr float CullTestDistance = 20.0f;

float largestScale(const ObjectRecord& o) { return std::max({o.scaleX, o.scaleY, o.scaleZ, 0.0f}); }

// Step 1: culled or not, and the depth key, for every shown 3D node.
void cullNodes(Runtime& rt) {
  Engine3DState& s = rt.engine3d;
  const CameraState& c = s.camera;
  const Matrix4 projection = projectionMatrix(rt, c.nearRange, c.farRange);
  for (int32_t i = s.nodes.head; i >= 0; i = s.nodes[i].next) {
    RenderNode& n = s.nodes[i];
    n.drawn = 0;
    if (!n.shown || !n.is3D || n.object <= 0) continue;
    const ObjectRecord& o = s.objects[n.object];
    const Vec3 v = transformPoint(objectOrigin(s, o), c.view);
    const float r = float(double(o.objectSize) * ExtentFactor * double(largestScale(o)));
    bool outside = v.z + r < 0 || v.z - r > c.farRange;
    if (!outside && v.z >= CullTestDistance) {
      const Vec3 p = transformPoint(v, projection);
      const float extent = transformPoint({r, 0, v.z}, projection).x;
      outside = p.x + extent < -1 || p.x - extent > 1 || p.y + extent < -1 || p.y - extent > 1;
    }
    n.culled = outside && !o.glueTarget;
    n.depthKey = double(v.z) + double(r);
  }
}

bool limbDrawn(const LimbRecord& limb) { return limb.exists && limb.shown && limb.mesh > 0; }

// Steps 2 and 3: one batch per texture, keyed by the depth of the nodes using it, in
// ascending order by a stable exchange of neighbours.
void buildBatches(Engine3DState& s) {
  s.batches.clear();
  for (int32_t i = s.nodes.head; i >= 0; i = s.nodes[i].next) {
    RenderNode& n = s.nodes[i];
    if (!n.shown || !n.is3D || n.object <= 0 || !s.objects[n.object].exists) continue;
    n.drawn = 1;
    for (const LimbRecord& limb : s.objects[n.object].limbs) {
      if (!limbDrawn(limb)) continue;
      auto batch = std::find_if(s.batches.begin(), s.batches.end(),
                                [&](const TextureBatch& b) { return b.texture == limb.texture; });
      if (batch != s.batches.end())
        batch->key = (batch->key + n.depthKey) / 2;
      else
        s.batches.push_back({limb.texture, n.depthKey});
    }
  }
  for (size_t end = s.batches.size(); end > 1; --end)
    for (size_t j = 0; j + 1 < end; ++j)
      if (s.batches[j + 1].key < s.batches[j].key) std::swap(s.batches[j], s.batches[j + 1]);
}

// The blend states of blend mode m: 1 ghost, 2 colour key, 3 both.
void sendBlendMode(Runtime& rt, int m) {
  sendRenderState(rt, RenderState::AlphaBlendEnable, m != 0);
  sendRenderState(rt, RenderState::ColorKeyEnable, m >= 2);
  if (m == 0) return;
  const auto [src, dest] = m == 2 ? std::pair{Blend::One, Blend::Zero} : blendPairOfLevel(capabilities3D(rt).blendLevel);
  sendRenderState(rt, RenderState::SrcBlend, uint32_t(src));
  sendRenderState(rt, RenderState::DestBlend, uint32_t(dest));
}

}  // namespace

void applyRenderFlags(Runtime& rt, const RenderFlags& f) {
  const Capabilities3D& caps = capabilities3D(rt);
  sendRenderState(rt, RenderState::ZEnable, !f.lockedToCamera && f.zRead);
  sendRenderState(rt, RenderState::ZWriteEnable, !f.lockedToCamera && f.zWrite && !f.ghost);
  sendBlendMode(rt, (f.ghost && caps.blendLevel ? 1 : 0) + (f.colorKey && caps.colorKey ? 2 : 0));
  sendRenderState(rt, RenderState::FillMode, uint32_t(f.wireframe ? FillMode::Wireframe : FillMode::Solid));
  sendRenderState(rt, RenderState::CullMode, uint32_t(f.cull ? CullMode::CCW : CullMode::None));
  sendFilter(rt, deviceFilter(rt, f.filter != 0));
  sendMaterial(rt, f.unlit ? UnlitMaterial : f.ambient ? AmbientMaterial : PlainMaterial);
  if (rt.engine3d.FogEnabled) sendRenderState(rt, RenderState::FogEnable, f.fog != 0);
}

namespace {

// The limbs of node `i` that use the batch's texture.
void drawNode(Runtime& rt, Device3D& device, int32_t i, int32_t texture) {
  Engine3DState& s = rt.engine3d;
  const RenderNode& n = s.nodes[i];
  const ObjectRecord& o = s.objects[n.object];
  bool flagsSent = false;
  const Matrix4 world = objectMatrix(s, o);
  for (size_t i = 0; i < o.limbs.size(); ++i) {
    const LimbRecord& limb = o.limbs[i];
    if (!limbDrawn(limb) || limb.texture != texture) continue;
    if (!flagsSent) applyRenderFlags(rt, n.flags);
    flagsSent = true;
    const MeshData& mesh = s.meshes[limb.mesh];
    device.setTransform(TransformState::World, limbInObject(o, i) * world);
    device.drawIndexedTriangles(mesh.sent, mesh.faces);
  }
}

enum class Pass { Opaque, Ghosted, Locked };

bool inPass(const RenderNode& n, Pass pass) {
  if (!n.drawn) return false;
  if (pass == Pass::Locked) return n.flags.lockedToCamera;
  return !n.culled && !n.flags.lockedToCamera && (n.flags.ghost != 0) == (pass == Pass::Ghosted);
}

void drawPass(Runtime& rt, Device3D& device, Pass pass) {
  Engine3DState& s = rt.engine3d;
  for (const TextureBatch& b : s.batches) {
    device.setTexture(b.texture > 0 ? s.textures[b.texture].texture.get() : nullptr);
    for (int32_t i = s.nodes.head; i >= 0; i = s.nodes[i].next)
      if (inPass(s.nodes[i], pass)) drawNode(rt, device, i, b.texture);
  }
}

bool anyLocked(const Engine3DState& s) {
  for (int32_t i = s.nodes.head; i >= 0; i = s.nodes.records[size_t(i)].next)
    if (inPass(s.nodes.records[size_t(i)], Pass::Locked)) return true;
  return false;
}

// The static batch with the default states: z on, no blending, solid, culling, the
// device's filter, the ambient material.
void drawStaticBatch(Runtime& rt, Device3D& device) {
  Engine3DState& s = rt.engine3d;
  if (s.staticBatch.empty()) return;
  applyRenderFlags(rt, RenderFlags{});
  device.setTransform(TransformState::World, Matrix4{});
  for (const StaticPiece& piece : s.staticBatch) {
    device.setTexture(piece.texture > 0 ? s.textures[piece.texture].texture.get() : nullptr);
    device.drawIndexedTriangles(piece.vertices, piece.indices);
  }
}

}  // namespace

void ClearZBuffer3D(Runtime& rt) {
  Device3D* device = drawingDevice3D(rt);
  if (!device) return;
  int32_t width = 0, height = 0;
  screenSize(rt, width, height);
  const Rect all{0, 0, width, height};
  device->clear(&all, ClearZBuffer, 0, 1.0f);
}

void Render3D(Runtime& rt) {
  Device3D* device = drawingDevice3D(rt);
  if (!device) return;
  Engine3DState& s = rt.engine3d;
  cullNodes(rt);
  buildBatches(s);
  device->beginScene();
  drawStaticBatch(rt, *device);
  drawPass(rt, *device, Pass::Opaque);
  drawPass(rt, *device, Pass::Ghosted);
  if (anyLocked(s)) {
    sendTransform(rt, TransformState::View, Matrix4{});
    drawPass(rt, *device, Pass::Locked);
    sendTransform(rt, TransformState::View, s.camera.view);
  }
  device->endScene();
}

}  // namespace zt
