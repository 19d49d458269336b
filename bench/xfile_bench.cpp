// The .x reader's throughput on a 100,000-face mesh (a 250 x 200 grid of quads, each written as
// two triangles, with normals, texture coordinates and a two-material list) in each form: MB/s
// of file read and million faces per second, and each form's time against the text form's.
#include <chrono>
#include <cstdio>

#include "formats/xfile.h"
#include "support/xfile_writer.h"

namespace {

using zt::test::XForm;
constexpr uint32_t Columns = 250, Rows = 200, Faces = Columns * Rows * 2;

std::string meshBody(bool binary) {
  zt::test::XWriter w(binary);
  const uint32_t across = Columns + 1, vertices = across * (Rows + 1);
  std::vector<float> positions, normals, coords;
  for (uint32_t z = 0; z <= Rows; ++z)
    for (uint32_t x = 0; x <= Columns; ++x) {
      positions.insert(positions.end(), {float(x) * 0.5f, float((x * 7 + z * 3) % 11) * 0.125f, float(z) * 0.5f});
      normals.insert(normals.end(), {0.0f, 1.0f, 0.0f});
      coords.insert(coords.end(), {float(x) / Columns, float(z) / Rows});
    }
  std::vector<uint32_t> faces{Faces}, materials{2, Faces};
  for (uint32_t z = 0; z < Rows; ++z)
    for (uint32_t x = 0; x < Columns; ++x) {
      const uint32_t a = z * across + x;
      faces.insert(faces.end(), {3, a, a + across, a + 1, 3, a + 1, a + across, a + across + 1});
      materials.insert(materials.end(), {(x + z) & 1, (x + z) & 1});
    }
  w.open("Frame", "Ground").open("Mesh", "Grid").ints({vertices}).floats(positions).ints(faces);
  w.open("MeshNormals").ints({vertices}).floats(normals).ints(faces).close();
  w.open("MeshTextureCoords").ints({vertices}).floats(coords).close();
  w.open("MeshMaterialList").ints(materials);
  for (int m = 0; m < 2; ++m) w.open("Material").floats({1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0}).close();
  w.close().close().close();
  return w.body();
}

// Seconds per read, over at least half a second of reads.
double secondsPerRead(const std::string& file) {
  using clock = std::chrono::steady_clock;
  int reads = 0;
  const auto start = clock::now();
  double seconds = 0;
  while (seconds < 0.5) {
    zt::XFile f;
    zt::XFileResult r = zt::readXFile(file, f);
    if (!r || f.meshes.empty() || f.meshes[0].faceCount != Faces) {
      std::printf("read failed: %s\n", r.message.c_str());
      return 0;
    }
    ++reads;
    seconds = std::chrono::duration<double>(clock::now() - start).count();
  }
  return seconds / reads;
}

}  // namespace

int main() {
  const std::string text = meshBody(false), binary = meshBody(true);
  const struct {
    const char* name;
    std::string file;
  } forms[] = {{"text", zt::test::xFile(XForm::Text, false, text)},
               {"binary", zt::test::xFile(XForm::Binary, false, binary)},
               {"text, compressed", zt::test::xFile(XForm::TextZip, false, text)},
               {"binary, compressed", zt::test::xFile(XForm::BinaryZip, false, binary)}};
  double textSeconds = 0;
  std::printf(".x reader, %u faces\n", Faces);
  for (const auto& form : forms) {
    const double s = secondsPerRead(form.file);
    if (s == 0) return 0;
    if (textSeconds == 0) textSeconds = s;
    std::printf("%-20s %8.2f MB  %8.2f ms  %8.1f MB/s  %6.2f M faces/s  time / text %.2f\n", form.name,
                double(form.file.size()) / 1e6, s * 1e3, double(form.file.size()) / 1e6 / s, Faces / 1e6 / s,
                s / textSeconds);
  }
  return 0;
}
