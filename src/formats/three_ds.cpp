// The 3DS chunk reader. A Chunk is a window on the file's bytes; every read goes through
// a Reader bounded by its chunk, so a bad length or count stops the read with a code.
#include "formats/three_ds.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace zt {
namespace {

enum ChunkId : uint16_t {
  Main = 0x4D4D,
  Editor = 0x3D3D,
  Keyframer = 0xB000,
  MaterialBlock = 0xAFFF,
  MaterialName = 0xA000,
  MaterialDiffuse = 0xA020,
  MaterialSpecular = 0xA030,
  MaterialShininess = 0xA040,
  TextureMap = 0xA200,
  MapFileName = 0xA300,
  NamedObject = 0x4000,
  TriangleMesh = 0x4100,
  VertexList = 0x4110,
  FaceList = 0x4120,
  FaceMaterial = 0x4130,
  TextureCoords = 0x4140,
  LocalAxes = 0x4160,
  Light = 0x4600,
  Camera = 0x4700,
  ColourFloat = 0x0010,
  ColourBytes = 0x0011,
  ColourBytesGamma = 0x0012,
  ColourFloatGamma = 0x0013,
  PercentInt = 0x0030,
  PercentFloat = 0x0031,
  ObjectNode = 0xB002,
  NodeHeader = 0xB010,
  InstanceName = 0xB011,
  Pivot = 0xB013,
  PositionTrack = 0xB020,
  RotationTrack = 0xB021,
  ScaleTrack = 0xB022,
  NodeId = 0xB030,
};

// Thrown inside the reader only; readThreeDs turns it into its result code.
struct Refused {
  int code;
};

[[noreturn]] void refuse(int code = ThreeDsBrokenChunk) { throw Refused{code}; }

// Sequential little-endian reads within [pos, end).
struct Reader {
  const unsigned char* data;
  size_t pos, end;

  size_t left() const { return end - pos; }
  const unsigned char* take(size_t n) {
    if (n > left()) refuse();
    const unsigned char* p = data + pos;
    pos += n;
    return p;
  }
  uint16_t u16() {
    const unsigned char* p = take(2);
    return uint16_t(p[0] | p[1] << 8);
  }
  uint32_t u32() {
    const unsigned char* p = take(4);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  // A number that is not finite would be written as text no .x reader takes.
  float f32() {
    const uint32_t bits = u32();
    float f;
    std::memcpy(&f, &bits, 4);
    if (!std::isfinite(f)) refuse();
    return f;
  }
  Vec3 vec3() {
    Vec3 v;
    v.x = f32();
    v.y = f32();
    v.z = f32();
    return v;
  }
  // A zero-terminated string that must end inside the chunk.
  std::string string() {
    const void* nul = std::memchr(data + pos, 0, left());
    if (!nul) refuse();
    std::string s(reinterpret_cast<const char*>(data + pos), static_cast<const unsigned char*>(nul) - (data + pos));
    pos += s.size() + 1;
    return s;
  }
  // `count` records of `size` bytes must fit in what is left.
  void needRecords(size_t count, size_t size) const {
    if (count > left() / size) refuse();
  }
};

struct Chunk {
  uint16_t id;
  Reader body;  // the bytes after the header
};

// The sub-chunks of `r` from its position to its end, each checked to lie inside it.
template <typename Visit>
void forEachChunk(Reader r, Visit&& visit) {
  while (r.left() > 0) {
    const size_t start = r.pos;
    const uint16_t id = r.u16();
    const uint32_t length = r.u32();
    if (length < 6 || length - 6 > r.left()) refuse();
    visit(Chunk{id, Reader{r.data, r.pos, start + length}});
    r.pos = start + length;
  }
}

std::string nameOrDefault(std::string name) { return name.empty() ? "Default name" : name; }

class SceneReader {
 public:
  SceneReader(ThreeDsScene& s, const ThreeDsTrace& t) : scene(s), trace(t) {}

  void file(Reader all) {
    if (all.left() < 6) refuse(ThreeDsNotThreeDs);
    const size_t start = all.pos;
    if (all.u16() != Main) refuse(ThreeDsNotThreeDs);
    const uint32_t length = all.u32();
    if (length < 6 || length - 6 > all.left()) refuse();
    say("> Found Main chunk id of %0X\n", unsigned(Main));
    forEachChunk(Reader{all.data, all.pos, start + length}, [&](Chunk c) {
      if (c.id == Editor) {
        say(">> Found *Editor* chunk id of %0X\n", unsigned(c.id));
        forEachChunk(c.body, [&](Chunk e) { editorChunk(e); });
      } else if (c.id == Keyframer) {
        say(">> Found *Keyframer* chunk id of %0X\n", unsigned(c.id));
        forEachChunk(c.body, [&](Chunk k) {
          if (k.id == ObjectNode) node(k.body);
        });
      }
    });
  }

 private:
  ThreeDsScene& scene;
  const ThreeDsTrace& trace;

  void say(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    if (!trace) return;
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    trace(line);
  }

  void editorChunk(const Chunk& c) {
    if (c.id == MaterialBlock) {
      say(">>> Found Materials chunk id of %0X\n", unsigned(c.id));
      material(c.body);
    } else if (c.id == NamedObject) {
      say(">>> Found Object chunk id of %0X\n", unsigned(c.id));
      object(c.body);
    }
  }

  void material(Reader r) {
    ThreeDsMaterial m;
    forEachChunk(r, [&](Chunk c) {
      switch (c.id) {
        case MaterialName:
          m.name = c.body.string();
          break;
        case MaterialDiffuse:
          m.diffuse = colour(c.body, m.diffuse);
          break;
        case MaterialSpecular:
          m.specular = colour(c.body, m.specular);
          break;
        case MaterialShininess:
          m.shininess = percent(c.body, m.shininess);
          break;
        case TextureMap:
          forEachChunk(c.body, [&](Chunk t) {
            if (t.id == MapFileName) m.texture = t.body.string();
          });
          break;
        default:
          break;
      }
    });
    m.name = nameOrDefault(m.name);
    say("     Found name : %s\n", m.name.c_str());
    scene.materials.push_back(std::move(m));
  }

  // The first colour sub-chunk of a colour owner; `kept` when it has none.
  static ThreeDsColour colour(Reader r, ThreeDsColour kept) {
    bool found = false;
    forEachChunk(r, [&](Chunk c) {
      if (found) return;
      if (c.id == ColourFloat || c.id == ColourFloatGamma) {
        kept = {c.body.f32(), c.body.f32(), c.body.f32()};
        found = true;
      } else if (c.id == ColourBytes || c.id == ColourBytesGamma) {
        const unsigned char* p = c.body.take(3);
        kept = {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
        found = true;
      }
    });
    return kept;
  }

  static float percent(Reader r, float kept) {
    forEachChunk(r, [&](Chunk c) {
      if (c.id == PercentInt)
        kept = float(int16_t(c.body.u16()));
      else if (c.id == PercentFloat)
        kept = c.body.f32();
    });
    return kept;
  }

  void object(Reader r) {
    if (scene.objects.size() == ThreeDsMaxObjects) refuse(ThreeDsTooManyObjects);
    ThreeDsObject& o = scene.objects.emplace_back();
    o.name = nameOrDefault(r.string());
    say("     Found name : %s\n", o.name.c_str());
    forEachChunk(r, [&](Chunk c) {
      if (c.id == TriangleMesh) {
        say(">>>> Found Obj/Frame chunk id of %0X\n", unsigned(c.id));
        o.hasMesh = true;
        forEachChunk(c.body, [&](Chunk m) { meshChunk(o, m); });
      } else if (c.id == Light) {
        say(">>>> Found Light chunk id of %0X\n", unsigned(c.id));
        const Vec3 at = c.body.vec3();
        say("     Found light at coordinates: X: %5.2f, Y: %5.2f,Z: %5.2f\n", at.x, at.y, at.z);
      } else if (c.id == Camera) {
        say(">>>> Found Camera chunk id of %0X\n", unsigned(c.id));
        const Vec3 at = c.body.vec3();
        say("     Found Camera viewpoint at coordinates: X: %5.2f, Y: %5.2f,Z: %5.2f\n", at.x, at.y, at.z);
      }
    });
    checkIndices(o);
  }

  void meshChunk(ThreeDsObject& o, Chunk& c) {
    Reader& r = c.body;
    switch (c.id) {
      case VertexList: {
        const uint16_t count = r.u16();
        r.needRecords(count, 12);
        say("      Found (%d) number of vertices\n", int(count));
        o.vertices.resize(count);
        for (Vec3& v : o.vertices) v = r.vec3();
        break;
      }
      case FaceList: {
        const uint16_t count = r.u16();
        r.needRecords(count, 8);
        o.faces.resize(count);
        for (ThreeDsFace& f : o.faces) f = {r.u16(), r.u16(), r.u16(), r.u16()};
        forEachChunk(r, [&](Chunk s) {
          if (s.id != FaceMaterial) return;  // smoothing groups and the rest are read past
          ThreeDsFaceMaterial& fm = o.faceMaterials.emplace_back();
          fm.material = s.body.string();
          const uint16_t n = s.body.u16();
          s.body.needRecords(n, 2);
          fm.faces.resize(n);
          for (uint16_t& f : fm.faces) f = s.body.u16();
        });
        break;
      }
      case TextureCoords: {
        const uint16_t count = r.u16();
        r.needRecords(count, 8);
        o.uvs.resize(size_t(count) * 2);
        for (float& f : o.uvs) f = r.f32();
        break;
      }
      case LocalAxes:
        for (auto& row : o.axes)
          for (float& f : row) f = r.f32();
        break;
      default:
        break;
    }
  }

  // Corners, face material entries and texture coordinates must match the mesh's lists.
  static void checkIndices(const ThreeDsObject& o) {
    for (const ThreeDsFace& f : o.faces)
      if (f.a >= o.vertices.size() || f.b >= o.vertices.size() || f.c >= o.vertices.size()) refuse();
    for (const ThreeDsFaceMaterial& fm : o.faceMaterials)
      for (uint16_t f : fm.faces)
        if (f >= o.faces.size()) refuse();
    if (!o.uvs.empty() && o.uvs.size() != o.vertices.size() * 2) refuse();
  }

  void node(Reader r) {
    if (scene.nodes.size() == ThreeDsMaxObjects) refuse(ThreeDsTooManyObjects);
    ThreeDsNode& n = scene.nodes.emplace_back();
    n.id = uint16_t(scene.nodes.size() - 1);
    forEachChunk(r, [&](Chunk c) {
      switch (c.id) {
        case NodeHeader:
          n.name = c.body.string();
          c.body.u16();  // flags
          c.body.u16();
          n.parent = c.body.u16();
          if (n.name == "$$$DUMMY") say(">>>>* Dummy Object found\n");
          break;
        case InstanceName:
          n.instance = c.body.string();
          break;
        case Pivot:
          n.pivot = c.body.vec3();
          break;
        case PositionTrack:
          track(c.body, n.position, 3);
          break;
        case RotationTrack:
          track(c.body, n.rotation, 4);
          break;
        case ScaleTrack:
          track(c.body, n.scale, 3);
          break;
        case NodeId:
          n.id = c.body.u16();
          break;
        default:
          break;
      }
    });
  }

  // A track: flags, eight unused bytes, the key count (32 bits), then per key its frame,
  // its spline flags, one float per flag set among the five low bits, and `values` floats.
  static void track(Reader& r, std::vector<ThreeDsKey>& keys, int values) {
    r.take(10);
    const uint32_t count = r.u32();
    r.needRecords(count, 6 + 4 * size_t(values));
    keys.resize(count);
    for (ThreeDsKey& k : keys) {
      k.frame = r.u32();
      if (k.frame > uint32_t(INT32_MAX)) refuse();
      const uint16_t spline = r.u16();
      for (int bit = 0; bit < 5; ++bit)
        if (spline & (1 << bit)) r.f32();
      for (int i = 0; i < values; ++i) k.value[i] = r.f32();
    }
  }
};

}  // namespace

const char* threeDsResultText(int code) {
  switch (code) {
    case ThreeDsOk:
      return "converted";
    case ThreeDsNotThreeDs:
      return "not a 3DS file";
    case ThreeDsBrokenChunk:
      return "broken chunk (a length, count or index does not fit)";
    case ThreeDsTooManyObjects:
      return "more than 5000 objects or keyframer nodes";
    case ThreeDsCannotOpen:
      return "cannot be opened for reading";
    case ThreeDsCannotWrite:
      return "the destination cannot be written";
    case ThreeDsOutOfMemory:
      return "out of memory";
    default:
      return "unknown result";
  }
}

int readThreeDs(std::string_view bytes, ThreeDsScene& scene, const ThreeDsTrace& trace) {
  scene = ThreeDsScene{};
  try {
    SceneReader(scene, trace).file(Reader{reinterpret_cast<const unsigned char*>(bytes.data()), 0, bytes.size()});
    return ThreeDsOk;
  } catch (const Refused& r) {
    scene = ThreeDsScene{};
    return r.code;
  } catch (const std::bad_alloc&) {
    scene = ThreeDsScene{};
    return ThreeDsOutOfMemory;
  }
}

}  // namespace zt
