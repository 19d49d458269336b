// The backdrop: an object of 3 x 2 textured tiles locked to the camera that fills the
// screen behind the scene, made by BACKDROP ON or by the first object, drawn first in
// every frame with its own range and the unlit material.
#include "display2d/display.h"
#include "engine3d/engine3d.h"
#include "engine3d/scene.h"

namespace zt {

namespace {

constexpr uint32_t DefaultBackdropColour = 128;
constexpr int TilesAcross = 3, TilesDown = 2;
constexpr float BackdropWidth = 1.6f, BackdropHeight = 1.2f;
constexpr float BackdropX = -0.80125f, BackdropY = -0.59875f, BackdropZ = 1.0f;
// Texel margins, so that neighbouring texels do not bleed into a tile.
constexpr float UFirst = 0.00390625f, ULast = 0.99609375f, VFirst = 0.003921569f, VLast = 1.0f;
constexpr float BackdropNear = 1.0f, BackdropFar = 3000.0f;

// Texture coordinates of the four corners of every tile, shifted by (u, v).
void setTileCoordinates(MeshData& mesh, float u, float v) {
  const float us[4] = {UFirst, UFirst, ULast, ULast}, vs[4] = {VLast, VFirst, VLast, VFirst};
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    mesh.uv[2 * i] = us[i % 4] + u;
    mesh.uv[2 * i + 1] = vs[i % 4] + v;
  }
}

// The grid lies in the x-z plane (the object is turned by 270 degrees about x to face the
// camera); each tile has its own four vertices and two triangles.
void buildBackdropMesh(MeshData& mesh) {
  const float w = BackdropWidth / TilesAcross, h = BackdropHeight / TilesDown;
  for (int ty = 0; ty < TilesDown; ++ty)
    for (int tx = 0; tx < TilesAcross; ++tx) {
      const uint32_t base = uint32_t(mesh.vertices.size());
      const float x0 = float(tx) * w, z0 = float(ty) * h;
      for (Vec3 corner : {Vec3{x0, 0, z0}, Vec3{x0, 0, z0 + h}, Vec3{x0 + w, 0, z0}, Vec3{x0 + w, 0, z0 + h}}) {
        mesh.vertices.push_back(corner);
        mesh.normals.push_back({0, 8, 0});
      }
      for (uint32_t i : {0u, 1u, 2u, 2u, 1u, 3u}) mesh.faces.push_back(base + i);
    }
  mesh.uv.assign(2 * mesh.vertices.size(), 0.0f);
  setTileCoordinates(mesh, 0, 0);
  refreshMesh(mesh);
}

}  // namespace

bool createBackdrop(Runtime& rt) {
  Engine3DState& s = rt.engine3d;
  const int32_t object = allocObject(rt);
  if (object < 0) return false;
  const int32_t mesh = allocMesh(rt);
  if (mesh < 0) {
    s.objects.release(object);
    return false;
  }
  buildBackdropMesh(s.meshes[mesh]);
  s.objects[object].limbs[0].mesh = mesh;
  s.BackdropObject = object;  // before its initialisation, which would make a backdrop
  if (!initObject(rt, object, false)) {
    s.BackdropObject = 0;
    releaseMesh(rt, mesh);
    s.objects.release(object);
    return false;
  }
  ObjectRecord& o = s.objects[object];
  RenderNode& n = s.nodes[o.node];
  n.x = BackdropX;
  n.y = BackdropY;
  n.z = BackdropZ;
  n.flags.lockedToCamera = 1;
  n.shown = 0;
  o.angleX = 270.0f;
  s.BackdropTexture = textureOfColour(rt, DefaultBackdropColour);
  s.BackdropOwnsTexture = s.BackdropTexture != 0;
  o.limbs[0].texture = s.BackdropTexture;
  return true;
}

void scrollBackdrop(Runtime& rt, float u, float v) {
  Engine3DState& s = rt.engine3d;
  MeshData& mesh = s.meshes[s.objects[s.BackdropObject].limbs[0].mesh];
  setTileCoordinates(mesh, u, v);
  refreshMesh(mesh);
}

void DrawBackdrop(Runtime& rt) {
  Engine3DState& s = rt.engine3d;
  Device3D* device = drawingDevice3D(rt);
  if (s.BackdropObject && s.BackdropShown && device) {
    const ObjectRecord& o = s.objects[s.BackdropObject];
    const MeshData& mesh = s.meshes[o.limbs[0].mesh];
    device->beginScene();
    sendTransform(rt, TransformState::View, Matrix4{});
    sendProjection(rt, BackdropNear, BackdropFar);
    applyRenderFlags(rt, s.nodes[o.node].flags);  // locked to the camera: no z test or write
    sendMaterial(rt, UnlitMaterial);
    device->setTexture(s.BackdropTexture ? s.textures[s.BackdropTexture].texture.get() : nullptr);
    device->setTransform(TransformState::World, objectMatrix(s, o));
    device->drawIndexedTriangles(mesh.sent, mesh.faces);
    device->endScene();
    sendMaterial(rt, AmbientMaterial);
    sendTransform(rt, TransformState::View, s.camera.view);
    sendProjection(rt, s.camera.nearRange, s.camera.farRange);
  }
  if (s.BackdropSwitchedOn) {
    s.BackdropSwitchedOn = 0;
    s.BackdropShown = 1;
  }
}

}  // namespace zt
