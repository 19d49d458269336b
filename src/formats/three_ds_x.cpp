// The .x text writer of the 3DS converter.
#include "formats/three_ds_x.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <new>
#include <unordered_map>

#include "gfx/quaternion.h"

namespace zt {
namespace {

// Each character that is not a letter or a digit becomes "_".
std::string xName(std::string_view name) {
  std::string s(name);
  for (char& c : s)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return s;
}

// A name that starts with a digit is no .x identifier: such a mesh gets "x" in front.
std::string meshName(std::string_view name) {
  std::string s = xName(name);
  return !s.empty() && std::isdigit(static_cast<unsigned char>(s[0])) ? "x" + s : s;
}

// A file name between double quotes, which it cannot hold itself.
std::string quoted(std::string_view name) {
  std::string s(name);
  for (char& c : s)
    if (c == '"' || static_cast<unsigned char>(c) < 32) c = '_';
  return '"' + s + '"';
}

Vec3 toX(Vec3 v) { return {v.x, v.z, v.y}; }

// Row-vector affine matrices (p * M), in .x coordinates.
Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
  Matrix4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
      r.m[i][j] = s;
    }
  return r;
}

// The inverse of an affine matrix; identity when its axes are degenerate or the inverse
// overflows, so such an object keeps its file coordinates.
Matrix4 inverseAffine(const Matrix4& a) {
  const auto& m = a.m;
  const double det = double(m[0][0]) * (double(m[1][1]) * m[2][2] - double(m[1][2]) * m[2][1]) -
                     double(m[0][1]) * (double(m[1][0]) * m[2][2] - double(m[1][2]) * m[2][0]) +
                     double(m[0][2]) * (double(m[1][0]) * m[2][1] - double(m[1][1]) * m[2][0]);
  Matrix4 r;
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
      r.m[j][i] = float((double(m[i1][j1]) * m[i2][j2] - double(m[i1][j2]) * m[i2][j1]) / det);
    }
  for (int j = 0; j < 3; ++j) r.m[3][j] = -(m[3][0] * r.m[0][j] + m[3][1] * r.m[1][j] + m[3][2] * r.m[2][j]);
  for (const auto& row : r.m)
    for (float f : row)
      if (!std::isfinite(f)) return Matrix4{};
  return r;
}

bool isIdentity(const Matrix4& a) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (a.m[i][j] != (i == j ? 1.0f : 0.0f)) return false;
  return true;
}

Vec3 transform(Vec3 p, const Matrix4& a) {
  const auto& m = a.m;
  return {p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
          p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
          p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2]};
}

// Where the object's node space lies in the world: the pivot moved by the local axes.
Matrix4 nodeSpace(const ThreeDsObject& o, Vec3 pivot) {
  Matrix4 axes;
  const int toFile[3] = {0, 2, 1};  // .x axis -> 3DS axis
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) axes.m[i][j] = o.axes[toFile[i]][toFile[j]];
  const Vec3 origin = toX({o.axes[3][0], o.axes[3][1], o.axes[3][2]});
  axes.m[3][0] = origin.x;
  axes.m[3][1] = origin.y;
  axes.m[3][2] = origin.z;
  Matrix4 moved;
  const Vec3 p = toX(pivot);
  moved.m[3][0] = p.x;
  moved.m[3][1] = p.y;
  moved.m[3][2] = p.z;
  return multiply(moved, axes);
}

class XWriter {
 public:
  explicit XWriter(const ThreeDsScene& s) : scene(s) {}

  // The text, or nothing when a number came out not finite.
  std::string text() {
    line("xof 0302txt 0064");
    line("Header {");
    line("1;");
    line("0;");
    line("1;");
    line("}");
    line("");
    for (const ThreeDsMaterial& m : scene.materials) material(m);
    placeFrames();
    for (size_t i = 0; i < scene.objects.size(); ++i)
      if (frameOf[i].hasFrame && frameOf[i].parent < 0) frameTree(i);
    animationSet();
    return finite ? std::move(out) : std::string();
  }

 private:
  struct Frame {
    bool hasFrame = false;
    int node = -1;    // the keyframer node that animates it
    int parent = -1;  // the object whose frame holds this one
    Matrix4 world;    // node space in the world
    std::vector<size_t> children;
  };

  const ThreeDsScene& scene;
  std::string out;
  std::vector<Frame> frameOf;  // per object
  bool finite = true;

  // Every number written passes here. Zero is written without a sign ("-0.000000" is what
  // the arithmetic leaves, not the model); a number that is not finite (axes or keys so large
  // that their products overflow) fails the conversion, as no .x reader would take it.
  double value(float f) {
    if (!std::isfinite(f)) finite = false;
    return f == 0 ? 0.0 : double(f);
  }

  void put(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n >= int(sizeof buffer)) {  // a long name
      std::string big(size_t(n) + 1, '\0');
      va_start(args, format);
      std::vsnprintf(big.data(), big.size(), format, args);
      va_end(args);
      out.append(big.data(), size_t(n));
    } else if (n > 0) {
      out.append(buffer, size_t(n));
    }
  }
  // The hot lines of large meshes without printf: "%5.6f" and "%d" as printf writes them.
  void number(float f) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value(f), std::chars_format::fixed, 6).ptr;
    out.append(buffer, end);
  }
  void number(size_t i) {
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, i).ptr);
  }
  // "x; y; z;" then the separator: a vertex or a normal.
  void point(Vec3 v, const char* separator) {
    number(v.x);
    out += "; ";
    number(v.y);
    out += "; ";
    number(v.z);
    out += ';';
    out += separator;
    out += '\n';
  }
  void line(std::string_view s) {
    out += s;
    out += '\n';
  }
  // "," after every element but the last, which gets `last`.
  static const char* separator(size_t i, size_t count, const char* last) { return i + 1 < count ? "," : last; }

  void material(const ThreeDsMaterial& m) {
    put("Material x3ds_mat_%s {\n", xName(m.name).c_str());
    put("%5.6f, %5.6f, %5.6f, %5.6f;;\n", value(m.diffuse.red), value(m.diffuse.green), value(m.diffuse.blue), 1.0);
    put("%5.6f;\n", value(m.shininess));
    put("%5.6f, %5.6f, %5.6f;;\n", value(m.specular.red), value(m.specular.green), value(m.specular.blue));
    put("%5.6f, %5.6f, %5.6f;;\n", 0.0, 0.0, 0.0);
    if (!m.texture.empty()) {
      line("TextureFilename {");
      line(quoted(m.texture) + ";");
      line("}");
    }
    line("}");
    line("");
  }

  // Which node animates each mesh object, which frame holds it, and where it lies.
  void placeFrames() {
    frameOf.assign(scene.objects.size(), Frame{});
    std::unordered_map<std::string, size_t> objectByName;
    for (size_t i = scene.objects.size(); i-- > 0;)
      if (scene.objects[i].hasMesh) objectByName[scene.objects[i].name] = i;
    std::unordered_map<uint16_t, size_t> nodeById;
    std::vector<int> objectOfNode(scene.nodes.size(), -1);
    for (size_t n = 0; n < scene.nodes.size(); ++n) {
      nodeById.emplace(scene.nodes[n].id, n);
      auto o = objectByName.find(scene.nodes[n].name);
      if (o != objectByName.end() && frameOf[o->second].node < 0) {
        frameOf[o->second].node = int(n);
        objectOfNode[n] = int(o->second);
      }
    }
    for (size_t i = 0; i < scene.objects.size(); ++i) {
      Frame& f = frameOf[i];
      f.hasFrame = scene.objects[i].hasMesh;
      f.world = nodeSpace(scene.objects[i], f.node >= 0 ? scene.nodes[size_t(f.node)].pivot : Vec3{});
      // The nearest ancestor node with a frame of its own; at most one step per node, so a
      // loop in the parent links ends.
      for (int n = f.node, steps = 0; n >= 0 && steps < int(scene.nodes.size()); ++steps) {
        auto p = nodeById.find(scene.nodes[size_t(n)].parent);
        if (p == nodeById.end() || p->second == size_t(n)) break;
        n = int(p->second);
        if (objectOfNode[size_t(n)] >= 0) {
          f.parent = objectOfNode[size_t(n)];
          break;
        }
      }
    }
    // A parent link that loops back to the object itself leaves it at the top.
    for (size_t i = 0; i < frameOf.size(); ++i) {
      int p = frameOf[i].parent;
      for (size_t steps = 0; p >= 0 && steps <= frameOf.size(); ++steps) {
        if (size_t(p) == i) {
          frameOf[i].parent = -1;
          break;
        }
        p = frameOf[size_t(p)].parent;
      }
      if (p >= 0) frameOf[i].parent = -1;
    }
    for (size_t i = 0; i < frameOf.size(); ++i)
      if (frameOf[i].parent >= 0) frameOf[size_t(frameOf[i].parent)].children.push_back(i);
  }

  // A frame with its children inside, written without recursion (hierarchies can be deep).
  void frameTree(size_t root) {
    struct Open {
      size_t object;
      size_t nextChild;
    };
    std::vector<Open> open{{root, 0}};
    frameHead(root);
    while (!open.empty()) {
      Open& top = open.back();
      const Frame& f = frameOf[top.object];
      if (top.nextChild < f.children.size()) {
        const size_t child = f.children[top.nextChild++];
        frameHead(child);
        open.push_back({child, 0});
      } else {
        line("}");
        open.pop_back();
      }
    }
    line("");
  }

  void frameHead(size_t i) {
    const ThreeDsObject& o = scene.objects[i];
    const Frame& f = frameOf[i];
    put("Frame x3ds_%s {\n", xName(o.name).c_str());
    const Matrix4 local = f.parent >= 0 ? multiply(f.world, inverseAffine(frameOf[size_t(f.parent)].world)) : f.world;
    if (!isIdentity(local)) {
      line("FrameTransformMatrix {");
      for (int r = 0; r < 4; ++r)
        put("%5.6f, %5.6f, %5.6f, %5.6f%s\n", value(local.m[r][0]), value(local.m[r][1]), value(local.m[r][2]),
            value(local.m[r][3]), r < 3 ? "," : ";;");
      line("}");
    }
    if (!o.vertices.empty() && !o.faces.empty()) mesh(o, inverseAffine(f.world));
  }

  void mesh(const ThreeDsObject& o, const Matrix4& toNode) {
    put("Mesh %s {\n", meshName(o.name).c_str());
    std::vector<Vec3> v(o.vertices.size());
    for (size_t i = 0; i < v.size(); ++i) v[i] = transform(toX(o.vertices[i]), toNode);
    put("%zu;\n", v.size());
    for (size_t i = 0; i < v.size(); ++i) point(v[i], separator(i, v.size(), ";"));
    faceList(o);
    materialList(o);
    normals(o, v);
    if (!o.uvs.empty()) {
      line("MeshTextureCoords {");
      put("%zu;\n", v.size());
      for (size_t i = 0; i < v.size(); ++i) {
        number(o.uvs[2 * i]);
        out += ';';
        number(1.0f - o.uvs[2 * i + 1]);
        out += ';';
        out += separator(i, v.size(), ";");
        out += '\n';
      }
      line("}");
    }
    line("}");
  }

  void faceList(const ThreeDsObject& o) {
    put("%zu;\n", o.faces.size());
    for (size_t i = 0; i < o.faces.size(); ++i) {
      const ThreeDsFace& f = o.faces[i];
      out += "3;";
      number(size_t(f.a));
      out += ',';
      number(size_t(f.c));
      out += ',';
      number(size_t(f.b));
      out += ';';
      out += separator(i, o.faces.size(), ";");
      out += '\n';
    }
  }

  // One index per face into the materials the mesh uses; faces that no face material chunk
  // names take the first. Names of materials the file does not define are left out.
  void materialList(const ThreeDsObject& o) {
    std::vector<size_t> used;  // scene material indices
    std::vector<size_t> index(o.faces.size(), 0);
    for (const ThreeDsFaceMaterial& fm : o.faceMaterials) {
      size_t m = 0;
      while (m < scene.materials.size() && scene.materials[m].name != fm.material) ++m;
      if (m == scene.materials.size()) continue;
      size_t slot = 0;
      while (slot < used.size() && used[slot] != m) ++slot;
      if (slot == used.size()) used.push_back(m);
      for (uint16_t face : fm.faces) index[face] = slot;
    }
    if (used.empty()) return;
    line("MeshMaterialList {");
    put("%zu;\n", used.size());
    put("%zu;\n", index.size());
    for (size_t i = 0; i < index.size(); ++i) {
      number(index[i]);
      out += separator(i, index.size(), ";;");
      out += '\n';
    }
    for (size_t m : used) put("{x3ds_mat_%s}\n", xName(scene.materials[m].name).c_str());
    line("}");
    line("");
  }

  // Per vertex, the area-weighted mean of the normals of the faces that use it (all faces
  // smooth together); a vertex no face uses gets (0, 0, 0).
  void normals(const ThreeDsObject& o, const std::vector<Vec3>& v) {
    std::vector<Vec3> sum(v.size());
    for (const ThreeDsFace& f : o.faces) {
      const Vec3 a = v[f.a], b = v[f.c], c = v[f.b];  // in the written order
      const Vec3 e1{b.x - a.x, b.y - a.y, b.z - a.z}, e2{c.x - a.x, c.y - a.y, c.z - a.z};
      const Vec3 cross{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
      for (uint16_t i : {f.a, f.b, f.c}) {
        sum[i].x += cross.x;
        sum[i].y += cross.y;
        sum[i].z += cross.z;
      }
    }
    line("MeshNormals {");
    put("%zu;\n", sum.size());
    for (size_t i = 0; i < sum.size(); ++i) {
      const Vec3 s = sum[i];
      const float length = std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z);
      const Vec3 u = length > 0 && std::isfinite(length) ? Vec3{s.x / length, s.y / length, s.z / length} : Vec3{};
      point(u, separator(i, sum.size(), ";"));
    }
    faceList(o);
    line("}");
  }

  void animationSet() {
    bool opened = false;
    int number = 0;
    for (size_t i = 0; i < scene.objects.size(); ++i) {
      const Frame& f = frameOf[i];
      if (!f.hasFrame || f.node < 0) continue;
      if (!opened) line("AnimationSet x3ds_animset_0 {");
      opened = true;
      const ThreeDsNode& node = scene.nodes[size_t(f.node)];
      put("Animation x3ds_anim_%d {\n", number++);
      put("{x3ds_%s}\n", xName(scene.objects[i].name).c_str());
      rotationKeys(node.rotation);
      const bool unitScale = node.scale.size() == 1 && node.scale[0].value[0] == 1 && node.scale[0].value[1] == 1 &&
                             node.scale[0].value[2] == 1;
      if (!unitScale) vectorKeys(1, node.scale);
      vectorKeys(2, node.position);
      line("}");
    }
    if (opened) {
      line("}");
      line("");
    }
  }

  void rotationKeys(const std::vector<ThreeDsKey>& keys) {
    if (keys.empty()) return;
    line("AnimationKey {");
    line("0;");
    put("%zu;\n", keys.size());
    Quaternion q;
    for (size_t i = 0; i < keys.size(); ++i) {
      const float* k = keys[i].value;
      q = multiply(q, fromRotation({-k[1], -k[3], -k[2]}, k[0]));
      put("%d; %d; %5.6f, %5.6f, %5.6f, %5.6f;;%s\n", int(keys[i].frame), 4, value(q.w), value(q.x), value(q.y),
          value(q.z), separator(i, keys.size(), ";"));
    }
    line("}");
  }

  // Scale (type 1) or position (type 2) keys, converted like points.
  void vectorKeys(int type, const std::vector<ThreeDsKey>& keys) {
    if (keys.empty()) return;
    line("AnimationKey {");
    put("%d;\n", type);
    put("%zu;\n", keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
      const Vec3 v = toX({keys[i].value[0], keys[i].value[1], keys[i].value[2]});
      put("%d; %d; %5.6f, %5.6f, %5.6f;;%s\n", int(keys[i].frame), 3, value(v.x), value(v.y), value(v.z),
          separator(i, keys.size(), ";"));
    }
    line("}");
  }
};

// The whole of a file; false when it cannot be opened or read (a folder cannot).
bool readFile(const std::string& path, std::string& bytes) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!f) return false;
  char block[65536];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, f.get())) > 0) bytes.append(block, n);
  return !std::ferror(f.get());
}

}  // namespace

std::string writeXText(const ThreeDsScene& scene) { return XWriter(scene).text(); }

int convertThreeDs(std::string_view bytes, std::string& xText, const ThreeDsTrace& trace) {
  xText.clear();
  try {
    ThreeDsScene scene;
    const int result = readThreeDs(bytes, scene, trace);
    if (result != ThreeDsOk) return result;
    xText = writeXText(scene);
    return xText.empty() ? ThreeDsBrokenChunk : ThreeDsOk;
  } catch (const std::bad_alloc&) {
    xText.clear();
    return ThreeDsOutOfMemory;
  }
}

int convertThreeDsFile(const std::string& source, const std::string& destination, const ThreeDsTrace& trace) {
  std::string text;
  try {
    std::string bytes;
    if (!readFile(source, bytes)) return ThreeDsCannotOpen;
    const int result = convertThreeDs(bytes, text, trace);
    if (result != ThreeDsOk) return result;
  } catch (const std::bad_alloc&) {
    return ThreeDsOutOfMemory;
  }
  std::remove(destination.c_str());
  std::FILE* f = std::fopen(destination.c_str(), "wb");
  if (!f) return ThreeDsCannotWrite;
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) != 0 || !written) {
    std::remove(destination.c_str());
    return ThreeDsCannotWrite;
  }
  return ThreeDsOk;
}

}  // namespace zt
