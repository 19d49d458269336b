// The software 3D device against Mesa's llvmpipe (through OSMesa) drawing the same
// triangles with the same states at 640 x 480, 16 and 32 bits, two threads each:
//   lit: 10 spheres of 1000 lit, textured triangles each, one draw per sphere;
//   small: 200,000 small lit, textured triangles in one draw.
// Both sides use: a directional and a point light, material diffuse and ambient, bilinear
// texturing modulated by the lit colour, depth test less-or-equal with writes, culling of
// counter-clockwise faces, and a colour and depth clear per frame. Prints frames,
// triangles and covered pixels per second and the ratio; never fails.
#include <GL/osmesa.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <vector>

#include "gfx/device3d.h"

namespace {

using namespace zt;

constexpr int Width = 640, Height = 480;
constexpr double MinSeconds = 1.5;

struct Object {
  Matrix4 world;
  const std::vector<Vertex3D>* vertices;
  const std::vector<uint32_t>* indices;
};

struct Scene {
  const char* name;
  std::vector<Vertex3D> vertices;
  std::vector<uint32_t> indices;
  int objects = 1;
  std::function<Matrix4(int object, int frame)> world;
  size_t triangles() const { return indices.size() / 3 * size_t(objects); }
};

Vertex3D vertex(float x, float y, float z, float nx, float ny, float nz, float u, float v) {
  Vertex3D p;
  p.x = x;
  p.y = y;
  p.z = z;
  p.nx = nx;
  p.ny = ny;
  p.nz = nz;
  p.u = u;
  p.v = v;
  return p;
}

// A unit sphere of 25 x 20 quads (1000 triangles), clockwise seen from outside.
Scene spheres() {
  Scene s{"10,000 lit textured", {}, {}, 10, nullptr};
  const int rings = 25, segments = 20;
  for (int r = 0; r <= rings; ++r) {
    float a = 3.14159265f * float(r) / rings;
    for (int g = 0; g <= segments; ++g) {
      float b = 2 * 3.14159265f * float(g) / segments;
      float x = std::sin(a) * std::cos(b), y = std::cos(a), z = std::sin(a) * std::sin(b);
      s.vertices.push_back(vertex(x, y, z, x, y, z, float(g) / segments * 4, float(r) / rings * 2));
    }
  }
  for (int r = 0; r < rings; ++r)
    for (int g = 0; g < segments; ++g) {
      uint32_t i = uint32_t(r * (segments + 1) + g), j = i + segments + 1;
      s.indices.insert(s.indices.end(), {i, i + 1, j, i + 1, j + 1, j});
    }
  s.world = [](int object, int frame) {
    float x = float(object % 5) * 2.4f - 4.8f, y = object < 5 ? 1.2f : -1.2f;
    return rotationY(float(frame) * 0.05f + float(object)) * scaling(1.1f, 1.1f, 1.1f) * translation(x, y, 9);
  };
  return s;
}

// 200,000 triangles of about 1/40 unit (6 to 10 pixels each) at depths 6 to 14.
Scene smallTriangles() {
  Scene s{"200,000 small", {}, {}, 1, nullptr};
  uint32_t seed = 1;
  auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return float(seed >> 8) / float(1 << 24);
  };
  for (uint32_t t = 0; t < 200000; ++t) {
    float z = 6 + next() * 8, x = (next() - 0.5f) * z * 1.5f, y = (next() - 0.5f) * z * 1.1f;
    float size = 0.035f * z / 8;
    float nx = next() - 0.5f, ny = next() - 0.5f;
    s.vertices.push_back(vertex(x, y, z, nx, ny, -1, 0, 0));
    s.vertices.push_back(vertex(x + size, y, z, nx, ny, -1, 1, 0));
    s.vertices.push_back(vertex(x, y - size, z, nx, ny, -1, 0, 1));
    s.indices.insert(s.indices.end(), {3 * t, 3 * t + 1, 3 * t + 2});
  }
  s.world = [](int, int frame) { return translation(0, 0, float(frame % 2) * 0.01f); };
  return s;
}

std::vector<uint32_t> texturePixels() {
  std::vector<uint32_t> t(256 * 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
      t[size_t(y) * 256 + size_t(x)] = ((x / 32 + y / 32) % 2 ? 0xFFE0C080u : 0xFF4060A0u) ^ uint32_t(x ^ y);
  return t;
}

Matrix4 projection() {
  float fov = 1.0814433f, n = 1, f = 3000;
  float ys = 1 / std::tan(fov / 2), xs = ys * float(Height) / float(Width);
  Matrix4 p;
  p.m[0][0] = xs;
  p.m[1][1] = ys;
  p.m[2][2] = f / (f - n);
  p.m[2][3] = 1;
  p.m[3][2] = -n * f / (f - n);
  p.m[3][3] = 0;
  return p;
}

const float LightDir[3] = {0.3f, -0.8f, 0.5f};
const float LightPos[3] = {0, 3, 4};

struct Result {
  double fps = 0;
  double cpuMsPerFrame = 0;  // processor time of all threads: less disturbed by other load
  long covered = 0;
  std::vector<uint32_t> picture;  // one frame, 0xRRGGBB, top row first
};

// Runs frames until MinSeconds have passed; `frame(i)` draws and finishes frame i.
Result timeFrames(const std::function<void(int)>& frame, const std::function<std::vector<uint32_t>()>& picture) {
  for (int i = 0; i < 3; ++i) frame(i);
  Result r;
  r.picture = picture();
  for (uint32_t p : r.picture) r.covered += p != 0;
  auto start = std::chrono::steady_clock::now();
  std::clock_t cpuStart = std::clock();
  int frames = 0;
  double seconds = 0;
  do {
    frame(frames++);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  } while (seconds < MinSeconds);
  double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  r.fps = frames / seconds;
  r.cpuMsPerFrame = cpu * 1000 / frames;
  return r;
}

Result runOurs(const Scene& s, int bits) {
  auto target = Surface::create(Width, Height, PixelFormat::forDepth(bits));
  auto device = Device3D::create(*target, 2);
  auto texSurface = Surface::create(256, 256, PixelFormat::forDepth(32));
  std::vector<uint32_t> texels = texturePixels();
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) texSurface->setPixel(x, y, texels[size_t(y) * 256 + size_t(x)] & 0xFFFFFF);
  auto tex = Texture3D::fromSurface(*texSurface, false);
  device->setTransform(TransformState::Projection, projection());
  Material3D m;
  m.diffuse = {1, 1, 1, 1};
  m.ambient = {1, 1, 1, 1};
  device->setMaterial(m);
  device->setRenderState(RenderState::Ambient, 0x333333);
  Light3D sun;
  sun.type = LightType::Directional;
  sun.diffuse = {0.8f, 0.8f, 0.7f, 1};
  sun.direction = {LightDir[0], LightDir[1], LightDir[2]};
  device->setLight(0, sun);
  device->lightEnable(0, true);
  Light3D lamp;
  lamp.type = LightType::Point;
  lamp.diffuse = {0.6f, 0.3f, 0.3f, 1};
  lamp.position = {LightPos[0], LightPos[1], LightPos[2]};
  lamp.range = 1e18f;
  lamp.attenuation0 = 1;
  device->setLight(1, lamp);
  device->lightEnable(1, true);
  device->setTexture(tex.get());
  device->setTextureStageState(TextureStageState::MinFilter, uint32_t(TextureFilter::Linear));
  device->setTextureStageState(TextureStageState::MagFilter, uint32_t(TextureFilter::Linear));
  auto frame = [&](int i) {
    device->clear(nullptr, ClearTarget | ClearZBuffer, 0x000000, 1.0f);
    device->beginScene();
    for (int o = 0; o < s.objects; ++o) {
      device->setTransform(TransformState::World, s.world(o, i));
      device->drawIndexedTriangles(s.vertices, s.indices);
    }
    device->endScene();
  };
  auto picture = [&] {
    std::vector<uint32_t> out;
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < Width; ++x) {
        uint32_t v = target->pixel(x, y);
        if (bits == 16) v = (v >> 11 & 31) << 19 | (v >> 5 & 63) << 10 | (v & 31) << 3;
        out.push_back(v & 0xFFFFFF);
      }
    return out;
  };
  return timeFrames(frame, picture);
}

Result runMesa(const Scene& s, int bits) {
  OSMesaContext ctx = bits == 16 ? OSMesaCreateContextExt(OSMESA_RGB_565, 24, 0, 0, nullptr)
                                 : OSMesaCreateContextExt(OSMESA_BGRA, 24, 0, 0, nullptr);
  if (!ctx) return {};
  std::vector<uint8_t> buffer(size_t(Width) * Height * 4);
  if (!OSMesaMakeCurrent(ctx, buffer.data(), bits == 16 ? GL_UNSIGNED_SHORT_5_6_5 : GL_UNSIGNED_BYTE, Width, Height)) {
    OSMesaDestroyContext(ctx);
    return {};
  }
  glViewport(0, 0, Width, Height);
  // The same projection with depth remapped from 0..1 to GL's -1..1, moved half a pixel
  // so GL's pixel centres (at + 0.5) fall where ours are (on whole coordinates). Our
  // row-vector matrices are GL's column-major ones as they lie in memory.
  Matrix4 toGl;
  toGl.m[2][2] = 2;
  toGl.m[3][2] = -1;
  toGl.m[3][0] = 1.0f / Width;
  toGl.m[3][1] = -1.0f / Height;
  Matrix4 p = projection() * toGl;
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(&p.m[0][0]);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  float white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1}, global[4] = {0.2f, 0.2f, 0.2f, 1};
  float sunColor[4] = {0.8f, 0.8f, 0.7f, 1}, lampColor[4] = {0.6f, 0.3f, 0.3f, 1};
  float sunPos[4] = {-LightDir[0], -LightDir[1], -LightDir[2], 0};
  float lampPos[4] = {LightPos[0], LightPos[1], LightPos[2], 1};
  glEnable(GL_LIGHTING);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, global);
  glEnable(GL_LIGHT0);
  glLightfv(GL_LIGHT0, GL_POSITION, sunPos);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, sunColor);
  glLightfv(GL_LIGHT0, GL_SPECULAR, black);
  glEnable(GL_LIGHT1);
  glLightfv(GL_LIGHT1, GL_POSITION, lampPos);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, lampColor);
  glLightfv(GL_LIGHT1, GL_SPECULAR, black);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, white);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
  glEnable(GL_NORMALIZE);
  glShadeModel(GL_SMOOTH);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_CULL_FACE);
  glFrontFace(GL_CW);  // clockwise on the screen is the front, as on our device
  glCullFace(GL_BACK);
  GLuint tex;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  std::vector<uint32_t> texels = texturePixels();
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_TEXTURE_2D);
  glClearColor(0, 0, 0, 1);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(3, GL_FLOAT, sizeof(Vertex3D), &s.vertices[0].x);
  glNormalPointer(GL_FLOAT, sizeof(Vertex3D), &s.vertices[0].nx);
  glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex3D), &s.vertices[0].u);
  auto frame = [&](int i) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (int o = 0; o < s.objects; ++o) {
      Matrix4 w = s.world(o, i);
      glLoadMatrixf(&w.m[0][0]);
      glDrawElements(GL_TRIANGLES, GLsizei(s.indices.size()), GL_UNSIGNED_INT, s.indices.data());
    }
    glFinish();
  };
  auto picture = [&] {
    // GL's rows run bottom up.
    std::vector<uint32_t> out;
    size_t bpp = bits == 16 ? 2 : 4;
    for (int y = Height - 1; y >= 0; --y)
      for (int x = 0; x < Width; ++x) {
        uint32_t v = 0;
        std::memcpy(&v, &buffer[(size_t(y) * Width + size_t(x)) * bpp], bpp);
        if (bits == 16) v = (v >> 11 & 31) << 19 | (v >> 5 & 63) << 10 | (v & 31) << 3;
        out.push_back(v & 0xFFFFFF);
      }
    return out;
  };
  Result r = timeFrames(frame, picture);
  glDeleteTextures(1, &tex);
  OSMesaDestroyContext(ctx);
  return r;
}

void writePicture(const char* prefix, const Scene& s, int bits, const char* who, const Result& r) {
  if (r.picture.empty()) return;
  char name[512];
  std::snprintf(name, sizeof name, "%s-%s-%d-%s.ppm", prefix, s.objects > 1 ? "lit" : "small", bits, who);
  FILE* f = std::fopen(name, "wb");
  if (!f) return;
  std::fprintf(f, "P6\n%d %d\n255\n", Width, Height);
  for (uint32_t p : r.picture) {
    unsigned char rgb[3] = {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)};
    std::fwrite(rgb, 1, 3, f);
  }
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  // For profiling: --ours leaves out llvmpipe; "lit" or "small" picks one scene.
  // --dump PREFIX writes each renderer's frame as PREFIX-<scene>-<bits>-<renderer>.ppm.
  bool oursOnly = false;
  const char* only = nullptr;
  const char* dump = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ours") == 0)
      oursOnly = true;
    else if (std::strcmp(argv[i], "--dump") == 0 && i + 1 < argc)
      dump = argv[++i];
    else
      only = argv[i];
  }
  // llvmpipe reads its thread count when its screen is made.
  setenv("LP_NUM_THREADS", "2", 1);
  setenv("GALLIUM_DRIVER", "llvmpipe", 1);
  std::printf("640 x 480, 2 threads each; covered = pixels not background in one frame\n");
  std::printf("%-22s %5s %-9s %10s %12s %14s %14s %10s\n", "scene", "bits", "renderer", "frames/s", "cpu ms/frame",
              "triangles/s", "pixels/s", "covered");
  Scene scenes[] = {spheres(), smallTriangles()};
  for (const Scene& s : scenes) {
    if (only && std::strcmp(only, s.objects > 1 ? "lit" : "small") != 0) continue;
    for (int bits : {16, 32}) {
      Result ours = runOurs(s, bits);
      Result mesa = oursOnly ? Result{} : runMesa(s, bits);
      auto line = [&](const char* who, const Result& r) {
        std::printf("%-22s %5d %-9s %10.1f %12.2f %14.0f %14.0f %10ld\n", s.name, bits, who, r.fps, r.cpuMsPerFrame,
                    r.fps * double(s.triangles()), r.fps * double(r.covered), r.covered);
      };
      line("ours", ours);
      line("llvmpipe", mesa);
      if (!mesa.picture.empty()) {
        // The same picture? Pixels covered by one side only, and the mean channel difference.
        long onlyOne = 0;
        double channels = 0;
        for (size_t i = 0; i < ours.picture.size(); ++i) {
          uint32_t a = ours.picture[i], b = mesa.picture[i];
          onlyOne += (a == 0) != (b == 0);
          for (int shift : {0, 8, 16}) channels += std::abs(int(a >> shift & 255) - int(b >> shift & 255));
        }
        std::printf("%-22s %5d pictures: %.3f%% of pixels covered by one side only, mean channel difference %.2f\n",
                    s.name, bits, 100.0 * double(onlyOne) / double(ours.picture.size()),
                    channels / (3.0 * double(ours.picture.size())));
      }
      if (dump) {
        writePicture(dump, s, bits, "ours", ours);
        writePicture(dump, s, bits, "llvmpipe", mesa);
      }
      if (mesa.fps > 0)
        std::printf("%-22s %5d speed ratio ours / llvmpipe: %.2f by frames/s, %.2f by processor time\n", s.name, bits,
                    ours.fps / mesa.fps, mesa.cpuMsPerFrame / ours.cpuMsPerFrame);
    }
  }
  return 0;
}
