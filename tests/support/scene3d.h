// An engine started in the test's own process on the headless platform with the virtual
// clock, so that a test can build 3D objects and meshes through the engine's pool
// operations before the program's frames run, and look at the 3D state afterwards.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/runtime.h"
#include "engine3d/scene.h"
#include "engine3d/state.h"
#include "formats/bmp.h"

namespace zt::test {

class SceneRun {
 public:
  // Starts `source` (a program in the language) in a fresh folder named `name`, with the
  // frames in `dumps` (counted from 1) written there as BMP files.
  SceneRun(const std::string& name, const std::string& source, std::vector<int> dumps = {});
  ~SceneRun();
  SceneRun(const SceneRun&) = delete;
  SceneRun& operator=(const SceneRun&) = delete;

  bool started() const { return ok; }
  Runtime& rt() { return *runtime; }
  Engine3DState& scene() { return runtime->engine3d; }
  // Runs the program for `frames` frames (once per test).
  void run(int frames);
  // The dumped frame `n`; empty when it was not written.
  RgbImage frame(int n) const;
  std::string framePath(int n) const;

  // A unit cube (edge 1, centred on the origin) with its own four vertices per face,
  // normals and texture coordinates 0 to 1, as mesh slot; -1 when the pool cannot grow.
  int32_t cubeMesh();
  // A texture of 4 x 4 squares, white and `colour`, 16 x 16 texels; its slot.
  int32_t checkerTexture(uint32_t colour);
  // Object `number` with one limb of `mesh` and `texture`, at (x, y, z); its slot.
  int32_t object(int32_t number, int32_t mesh, int32_t texture, float x, float y, float z, bool autoCamera = false);

 private:
  std::unique_ptr<Runtime> runtime;
  std::string dir;
  bool ok = false;
};

}  // namespace zt::test
