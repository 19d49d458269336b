// The 3DS converter on a 100,000-face file (two meshes of 50,000 faces on a 160 x 160 grid
// of vertices, with texture coordinates, a material and keyframer tracks): the reading
// alone and the whole conversion to .x text, in faces and megabytes per second.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>

#include "formats/three_ds_x.h"
#include "support/three_ds_files.h"

namespace {

using namespace zt::test;

constexpr int Side = 160, FacesPerMesh = 50000, Meshes = 2;

std::string gridObject(const std::string& name, float height) {
  std::vector<std::vector<float>> points, uvs;
  for (int y = 0; y < Side; ++y)
    for (int x = 0; x < Side; ++x) {
      points.push_back({float(x), float(y), height + std::sin(x * 0.1f) * std::cos(y * 0.1f)});
      uvs.push_back({x / float(Side - 1), y / float(Side - 1)});
    }
  std::vector<Corner3> faces;
  for (int y = 0; y + 1 < Side && int(faces.size()) < FacesPerMesh; ++y)
    for (int x = 0; x + 1 < Side && int(faces.size()) < FacesPerMesh; ++x) {
      const uint16_t i = uint16_t(y * Side + x);
      faces.push_back({i, uint16_t(i + 1), uint16_t(i + Side)});
      if (int(faces.size()) < FacesPerMesh)
        faces.push_back({uint16_t(i + 1), uint16_t(i + Side + 1), uint16_t(i + Side)});
    }
  std::vector<uint16_t> all(faces.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = uint16_t(i);
  return namedObject(name,
                     mesh(vertexList(points) + faceList(faces, faceMaterial("ground", all)) + textureCoords(uvs)));
}

// Wall and processor seconds per run (the machine may be shared: the processor time is the
// converter's own).
struct Timing {
  double wall, cpu;
};

Timing secondsPerRun(const std::function<void()>& run) {
  using clock = std::chrono::steady_clock;
  int runs = 0;
  const auto start = clock::now();
  const std::clock_t cpuStart = std::clock();
  double seconds = 0;
  while (seconds < 2 || runs < 3) {
    run();
    ++runs;
    seconds = std::chrono::duration<double>(clock::now() - start).count();
  }
  return {seconds / runs, double(std::clock() - cpuStart) / CLOCKS_PER_SEC / runs};
}

void report(const char* what, Timing t, double faces, double megabytes, const char* side) {
  std::printf("%-14s wall %8.2f ms  cpu %8.2f ms  %8.2f Mfaces/s  %8.2f MB/s %s (per cpu second)\n", what, t.wall * 1e3,
              t.cpu * 1e3, faces / t.cpu / 1e6, megabytes / t.cpu, side);
}

}  // namespace

int main() {
  std::string editor = material("ground", chunk(0xA200, chunk(0xA300, cstr("ground.bmp"))));
  std::string keyframer;
  for (int m = 0; m < Meshes; ++m) {
    const std::string name = "grid " + std::to_string(m);
    editor += gridObject(name, float(m * 10));
    std::vector<Key3ds> keys;
    for (uint32_t f = 0; f <= 100; f += 10) keys.push_back({f, {0.1f, 0, 0, 1}});
    keyframer += node(name, 0xFFFF, {0, 0, 0}, track(0xB021, keys));
  }
  const std::string file = file3ds(editor, keyframer);

  zt::ThreeDsScene scene;
  std::string text;
  const Timing read = secondsPerRun([&] { zt::readThreeDs(file, scene); });
  const Timing whole = secondsPerRun([&] { zt::convertThreeDs(file, text); });
  const double faces = double(FacesPerMesh) * Meshes;
  std::printf("3DS file %.2f MB, %d faces; .x text %.2f MB\n", file.size() / 1e6, int(faces), text.size() / 1e6);
  report("read only", read, faces, file.size() / 1e6, "in");
  report("convert to .x", whole, faces, text.size() / 1e6, "out");
  std::printf("writing's share of the conversion %.2f\n", (whole.cpu - read.cpu) / whole.cpu);
  return 0;
}
