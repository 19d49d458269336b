#include "support/scene3d.h"

#include <fstream>

#include "host/lifecycle.h"
#include "host/options.h"
#include "host/run_loop.h"
#include "support/image_builder.h"

namespace zt::test {

SceneRun::SceneRun(const std::string& name, const std::string& source, std::vector<int> dumps)
    : runtime(std::make_unique<Runtime>()), dir(freshFolder(name)) {
  const std::string program = dir + "/prog.ztb";
  std::ofstream(program, std::ios::binary) << source;
  RunOptions options;
  options.headless = true;
  options.virtualClock = true;
  options.program = program;
  for (int d : dumps) options.dumpFrames.push_back({d, framePath(d)});
  useVirtualClock(*runtime);
  ok = startUp(*runtime, options, program);
}

SceneRun::~SceneRun() {
  if (ok) endRun(*runtime);
  shutDown(*runtime, ok);
}

void SceneRun::run(int frames) {
  if (!ok) return;
  runtime->interp.ProgramRunning = true;
  runLoop(*runtime, frames);
}

std::string SceneRun::framePath(int n) const { return dir + "/frame" + std::to_string(n) + ".bmp"; }

RgbImage SceneRun::frame(int n) const {
  RgbImage image;
  if (!decodeBmp(readFile(framePath(n)), image)) return {};
  return image;
}

int32_t SceneRun::cubeMesh() {
  const int32_t slot = allocMesh(*runtime);
  if (slot < 0) return -1;
  MeshData& m = scene().meshes[slot];
  // Each face: its normal and two axes spanning it, chosen so that the face's triangles
  // run clockwise seen from outside (the front face under counter-clockwise culling).
  const Vec3 faces[6][3] = {
      {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}}, {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
      {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},   {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}},
  };
  for (const auto& f : faces) {
    const Vec3 n = f[0], a = f[1], b = f[2];
    const uint32_t base = uint32_t(m.vertices.size());
    const float corners[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
    for (const auto& c : corners) {
      m.vertices.push_back({0.5f * (n.x + c[0] * a.x + c[1] * b.x), 0.5f * (n.y + c[0] * a.y + c[1] * b.y),
                            0.5f * (n.z + c[0] * a.z + c[1] * b.z)});
      m.normals.push_back(n);
      m.uv.push_back((c[0] + 1) / 2);
      m.uv.push_back((1 - c[1]) / 2);
    }
    for (uint32_t i : {0u, 1u, 2u, 2u, 1u, 3u}) m.faces.push_back(base + i);
  }
  refreshMesh(m);
  return slot;
}

int32_t SceneRun::checkerTexture(uint32_t colour) {
  std::unique_ptr<Surface> picture = Surface::create(16, 16, PixelFormat::forDepth(32));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) picture->setPixel(x, y, ((x / 4 + y / 4) & 1) ? colour : 0xFFFFFF);
  const int32_t slot = scene().textures.take();
  TextureRecord& t = scene().textures[slot];
  t.texture = Texture3D::fromSurface(*picture, false);
  t.width = t.height = 16;
  t.owned = 1;
  return slot;
}

int32_t SceneRun::object(int32_t number, int32_t mesh, int32_t texture, float x, float y, float z, bool autoCamera) {
  Engine3DState& s = scene();
  const int32_t slot = allocObject(*runtime);
  if (slot < 0) return -1;
  s.objects[slot].number = number;
  s.objects[slot].limbs[0].mesh = mesh;
  s.ObjectMap[size_t(number)] = slot;
  if (!initObject(*runtime, slot, autoCamera)) return -1;
  ObjectRecord& o = s.objects[slot];
  o.limbs[0].texture = texture;
  RenderNode& n = s.nodes[o.node];
  n.x = x;
  n.y = y;
  n.z = z;
  return slot;
}

}  // namespace zt::test
